#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "localshares/local_share_lists.h"
#include "localshares/memory_row_table.h"
#include "localshares/samba_status_parser.h"
#include "localshares/tool_runner.h"
#include "settings/memory_settings_store.h"
#include "settings/scan_settings.h"
#include "support/scripted_network.h"

namespace corvimap {
namespace {

using testing::CapturingLogSink;
using testing::MemoryRowTable;
using Type = LocalSharesEventType;

// Trimmed from what smbstatus 4.17 prints: a guest and a transient session of one process, a
// tree connection, and one file held open for reading.
constexpr char kStatus[] = R"json({"timestamp": "2026-12-07T01:10:39.895648+0000",
 "sessions": {
  "1": {"session_id": "1", "server_id": {"pid": "11644"}, "uid": 65534, "username": "nobody",
        "remote_machine": "198.18.0.11", "hostname": "ipv4:198.18.0.11:51960"},
  "2": {"session_id": "2", "server_id": {"pid": "11644"}, "uid": -1,
        "username": "(auth in progress)", "remote_machine": "198.18.0.11"}},
 "tcons": {"9": {"service": "Limited", "server_id": {"pid": "11644"}, "session_id": "1",
                 "connected_at": "2026-12-07T01:10:36.996443+00:00"}},
 "open_files": {"/srv/limited/a.txt": {"opens": {"11644/5": {"server_id": {"pid": "11644"},
     "uid": 65534, "access_mask": {"hex": "0x00120089", "text": "R"}}}}}})json";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(SmbstatusJson, ReadsSessionsUsesAndOpenFiles) {
    const SambaStatus status = ParseSmbstatusJson(kStatus);
    ASSERT_TRUE(status.sessions && status.open_files);
    ASSERT_EQ(status.sessions->size(), 1u);  // the transient one is skipped
    const SambaSession& session = status.sessions->front();
    EXPECT_EQ(session.client_name, "198.18.0.11");
    EXPECT_EQ(session.user_name, "nobody");
    EXPECT_EQ(session.connected_at, ParseSambaTime("2026-12-07T01:10:36Z"));
    EXPECT_EQ(status.share_uses.at("limited"), 1u);
    EXPECT_EQ(*status.open_files,
              (std::vector<LocalOpenFile>{{"/srv/limited/a.txt", "nobody", kFileAccessRead}}));

    const SambaStatus writer = ParseSmbstatusJson(Replace(kStatus, "0x00120089", "0x00130196"));
    ASSERT_TRUE(writer.open_files);
    EXPECT_EQ(FileAccessText(writer.open_files->front().access), "W");
}

// Truncated, hostile or mistyped documents: the kinds they spoil are absent, never a crash.
TEST(SmbstatusJson, RejectsBrokenDocumentsKindByKind) {
    const std::string doc = kStatus;
    const std::vector<std::tuple<std::string, bool, bool>> cases = {
        // text, sessions, files
        {"", false, false},
        {doc.substr(0, doc.size() / 2), false, false},
        {doc.substr(0, doc.size() - 1), false, false},
        {"[1, 2, 3]", false, false},
        {"null", false, false},
        {std::string(100000, '['), false, false},
        {std::string("{\"sessions\": ") + std::string(50000, '{'), false, false},
        {Replace(doc, "\"username\": \"nobody\"", "\"username\": 17"), false, false},
        {Replace(doc, "\"pid\": \"11644\"}, \"uid\": 65534,", "\"pid\": null},"), false, false},
        {Replace(doc, "\"session_id\": \"1\",\n", "\"session_id\": [],\n"), false, false},
        {Replace(doc, "2026-12-07T01:10:36.996443+00:00", "yesterday"), false, false},
        {Replace(doc, "\"tcons\": {", "\"tcons\": [], \"x\": {"), false, false},
        {Replace(doc, "\"opens\": {", "\"opens\": 5, \"y\": {"), true, false},
        {Replace(doc, "0x00120089", "0xZZ"), true, false},
        {Replace(doc, "65534, \"access_mask\"", "\"0\", \"access_mask\""), true, false},
        {Replace(doc, "\"open_files\"", "\"closed_files\""), true, false},
        {Replace(doc, "\"nobody\"", "\"n\\u0000b\\ud800\""), false, false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [text, sessions, files] = cases[i];
        const SambaStatus status = ParseSmbstatusJson(text);
        EXPECT_EQ(status.sessions.has_value(), sessions) << "case " << i;
        EXPECT_EQ(status.open_files.has_value(), files) << "case " << i;
    }
}

TEST(SambaConfig, SharesFromTestparmAndUserShares) {
    const SambaConfigShares config = ParseTestparmShares(
        "[global]\n\tpid directory = /run/x\n\tmax connections = 0\n\tusershare max shares = 10\n"
        "\tusershare path = /var/us\n\n[limited]\n\tcomment = Three at most\n"
        "\tmax connections = 3\n\tpath = /srv/a\n\n[rw]\n\tpath = /srv/b\n\tread only = No\n\n"
        "[printers]\n\tprintable = Yes\n\n[off]\n\tavailable = No\n");
    EXPECT_EQ(config.pid_directory, "/run/x");
    EXPECT_TRUE(config.usershares);
    EXPECT_EQ(config.usershare_path, "/var/us");
    EXPECT_EQ(config.shares,
              (std::vector<LocalShare>{{"limited", "/srv/a", "Three at most", true, 3, 0},
                                       {"rw", "/srv/b", "", false, -1, 0}}));
    EXPECT_EQ(ParseUsershareInfo("[pub]\npath=/tmp\ncomment=mine\nusershare_acl=S-1-1-0:F,\n"),
              (std::vector<LocalShare>{{"pub", "/tmp", "mine", false, -1, 0}}));
}

TEST(LocalShareLists, CellTexts) {
    EXPECT_EQ(DurationText(-5), "0:00:00 ");
    EXPECT_EQ(DurationText(360000), "100:00:00 ") << "hours do not wrap";
    EXPECT_EQ(FileAccessText(kFileAccessRead | kFileAccessWrite), "RW");
    EXPECT_EQ(FileAccessText(kFileAccessNone), "");
}

TEST(LocalShareLists, SessionRowsEventsAndStaleRemoval) {
    MemoryRowTable rows(4, false);
    std::vector<LocalSharesEvent> events;
    const LocalSession alice{"pc1", "alice", 1000};
    EXPECT_TRUE(UpdateSessionRows(rows, {alice}, 4725, events));
    EXPECT_EQ(rows.Text(0, session_column::kTime), "1:02:05 ");
    EXPECT_EQ(events, (std::vector<LocalSharesEvent>{{Type::kConnectUser, "alice", "pc1"}}));

    // Same host in other letter case and user: same row, no event, no change of row count. A
    // second user on that host, and the same user from a second host, get rows of their own.
    events.clear();
    EXPECT_FALSE(UpdateSessionRows(rows, {{"PC1", "alice", 1000}}, 4725, events));
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(UpdateSessionRows(rows, {alice, {"pc1", "Alice", 1000}, {"pc2", "alice", 1000}},
                                  1000, events));
    EXPECT_EQ(rows.Column(session_column::kUser),
              (std::vector<std::string>{"alice", "Alice", "alice"}));
    EXPECT_EQ(events.size(), 2u);

    // The first two rows go stale together and both vanish in this one update.
    events.clear();
    EXPECT_TRUE(UpdateSessionRows(rows, {{"pc2", "alice", 1000}}, 1000, events));
    EXPECT_EQ(rows.Column(session_column::kHost), (std::vector<std::string>{"pc2"}));
    EXPECT_EQ(events, (std::vector<LocalSharesEvent>{{Type::kDisconnectUser, "Alice", "pc1"},
                                                     {Type::kDisconnectUser, "alice", "pc1"}}));
    EXPECT_EQ(rows.Data(0) & kStaleRowMark, 0u);
}

TEST(LocalShareLists, OpenFilesAndShares) {
    MemoryRowTable files(3, false);
    std::vector<LocalSharesEvent> events;
    const LocalOpenFile a{"/s/a.txt", "bob", kFileAccessRead};
    UpdateOpenFileRows(files, {a}, events);
    const int writes = files.Writes();
    UpdateOpenFileRows(files, {a}, events);  // still open, or opened again: nothing new
    EXPECT_EQ(files.Writes(), writes);
    UpdateOpenFileRows(files, {a, {"/s/b.txt", "bob", kFileAccessWrite}}, events);
    EXPECT_EQ(events, (std::vector<LocalSharesEvent>{{Type::kOpenFile, "bob", "/s/a.txt"},
                                                     {Type::kOpenFile, "bob", "/s/b.txt"}}));
    EXPECT_EQ(files.Column(file_column::kPermission), (std::vector<std::string>{"R", "W"}));
    UpdateOpenFileRows(files, {}, events);
    EXPECT_EQ(files.RowCount(), 0);

    // Shares keep their sorted place; description and path are written only on creation. The
    // texts of maximum users and permissions are the local shares lab test's.
    MemoryRowTable shares(6, true);
    events.clear();
    UpdateShareRows(shares, {{"pub", "/p", "Old", true, -1, 2}, {"Media", "/m", "", false, 3, 0}},
                    false, events);
    EXPECT_TRUE(events.empty());
    UpdateShareRows(shares,
                    {{"pub", "/p2", "New", true, -1, 1},
                     {"Media", "/m", "", false, 3, 0},
                     {"docs", "/d", "", true, -1, 0}},
                    true, events);
    EXPECT_EQ(shares.Column(share_column::kNetName),
              (std::vector<std::string>{"docs", "Media", "pub"}));
    EXPECT_EQ(shares.Column(share_column::kUsers), (std::vector<std::string>{"0", "0", "1"}));
    EXPECT_EQ(shares.Text(2, share_column::kDescription), "Old");
    UpdateShareRows(shares, {{"docs", "/d", "", true, -1, 0}}, true, events);
    EXPECT_EQ(events, (std::vector<LocalSharesEvent>{{Type::kAddShare, "docs", ""},
                                                     {Type::kDeleteShare, "pub", ""},
                                                     {Type::kDeleteShare, "Media", ""}}));
}

TEST(LocalShareLists, EventsFollowTheirLogBits) {
    MemorySettingsStore store;
    ScanSettings settings;
    CapturingLogSink sink;
    EventLog log(settings, sink, store);
    const std::vector<LocalSharesEvent> events = {{Type::kConnectUser, "bob", "pc1"},
                                                  {Type::kOpenFile, "bob", "/s/a.txt"},
                                                  {Type::kAddShare, "docs", ""},
                                                  {Type::kDeleteShare, "docs", ""},
                                                  {Type::kDisconnectUser, "bob", "pc1"}};
    settings.FlagsGroup0 = LogEventBits::kEnableLog | LogEventBits::kLogOpenLocalFile;
    WriteLocalSharesEvents(events, settings, log);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"bob open file: /s/a.txt"}));
    settings.FlagsGroup0 = LogEventBits::kAll;
    WriteLocalSharesEvents(events, settings, log);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{
                                "bob open file: /s/a.txt", "Connect new user: bob, host: pc1",
                                "bob open file: /s/a.txt", "Add share: docs", "Delete share: docs",
                                "Disconnect User/Host: bob, host: pc1"}));
}

TEST(ToolRunner, RunsWithoutShellAndEndsOnTimeoutOrStop) {
    std::atomic<bool> stop{false};
    const ToolResult echo = RunTool({"echo", "a;b", "$HOME"}, std::chrono::seconds(10), stop);
    EXPECT_TRUE(echo.Ok());
    EXPECT_EQ(echo.out, "a;b $HOME\n");
    const ToolResult missing = RunTool({"no-such-tool-here"}, std::chrono::seconds(10), stop);
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.start_error, ENOENT);
    const ToolResult slow = RunTool({"sleep", "30"}, std::chrono::milliseconds(100), stop);
    EXPECT_TRUE(slow.timed_out);
    EXPECT_FALSE(slow.Ok());
    stop = true;
    const ToolResult stopped = RunTool({"sleep", "30"}, std::chrono::seconds(30), stop);
    EXPECT_TRUE(stopped.stopped);
    const ToolResult capped = RunTool({"head", "-c", "5000", "/dev/zero"}, std::chrono::seconds(10),
                                      std::atomic<bool>{false}, 1000);
    EXPECT_TRUE(capped.truncated);
    EXPECT_EQ(capped.out.size(), 1000u);
}

}  // namespace
}  // namespace corvimap
