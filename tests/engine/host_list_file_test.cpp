#include "engine/host_list_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "engine/host_columns.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

constexpr MacBlock kMac = {1, 0x00, 0x0A, 0x95, 0x9D, 0x68, 0x16};

TEST(HostListFileTest, SavedHostsReadBackAtTheShownPrecision) {
    TempDir dir;
    HostTable saved;
    saved.AddOrUpdate(MakeAddress(192, 168, 1, 5), 15700, "HOST", "WORKGROUP", kMac,
                      HostState::Known);
    saved.AddOrUpdate(MakeAddress(192, 168, 1, 6), 0, "\xC3\xA9t\xC3\xA9", "", {}, HostState::Dead);
    // Enough hosts that the file is read in several chunks.
    for (int k = 0; k < 3000; ++k) {
        saved.AddOrUpdate(
            MakeAddress(10, 20, static_cast<uint8_t>(k / 256), static_cast<uint8_t>(k % 256)),
            static_cast<uint32_t>(k * 7), "NAME" + std::to_string(k), "GROUP",
            {1, 1, 2, 3, 4, 5, static_cast<uint8_t>(k)}, HostState::Known);
    }
    ASSERT_TRUE(HostListFile::Save(saved, dir.File("hosts.txt")));
    // The header, then per record: address, name, MAC, time, -, workgroup, description.
    const std::string text = ReadWholeFile(dir.File("hosts.txt"));
    EXPECT_TRUE(text.starts_with(std::string(kHostListHeader) +
                                 "192.168.1.5\tHOST\t00-0A-95-9D-68-16\t16\t\tWORKGROUP\t\n" +
                                 "192.168.1.6\t\xC3\xA9t\xC3\xA9\t\t<10\t\t\t\n"))
        << text.substr(0, 300);

    HostTable loaded;
    // Merged: a record already in the table is updated, others stay.
    loaded.AddOrUpdate(MakeAddress(192, 168, 1, 5), 1, "STALE", "", {}, HostState::Answered);
    loaded.FinishProbe(MakeAddress(192, 168, 1, 5));
    loaded.AddOrUpdate(MakeAddress(172, 16, 0, 1), 1, "KEPT", "", {}, HostState::Known);
    ASSERT_TRUE(HostListFile::Read(loaded, dir.File("hosts.txt")));
    ASSERT_EQ(loaded.Count(), saved.Count() + 1);
    EXPECT_EQ(loaded.ColumnText(1, HostColumn::Name), "KEPT");

    for (std::size_t row = 0; row < saved.Count(); ++row) {
        const std::size_t loaded_row = row == 0 ? 0 : row + 1;
        HostRowTexts expected = *saved.RowTexts(row);
        // The time comes back as it was shown: 9996 µs showed "10.0" and reads as 10000.
        std::string& time = expected[static_cast<size_t>(HostColumn::Time)];
        time = FormatHostTime(ParseTimeText(time));
        ASSERT_EQ(*loaded.RowTexts(loaded_row), expected);
        EXPECT_EQ(loaded.StateAt(loaded_row), HostState::Loaded);
    }
    // Records created by the reader carry NewHost: their first probe shows them as new.
    EXPECT_EQ(loaded.TestFlags(MakeAddress(192, 168, 1, 6), HostFlags::NewHost),
              HostFlags::NewHost);
    EXPECT_EQ(loaded.TestFlags(MakeAddress(192, 168, 1, 5), HostFlags::NewHost), 0u);
}

std::optional<ParsedHostLine> Line(NetAddress address, std::string name = "", MacBlock mac = {},
                                   uint32_t time = 0, std::string workgroup = "") {
    return ParsedHostLine{address, std::move(name), mac, time, std::move(workgroup)};
}

// No record for comments and lines under 7 bytes (up to a zero byte); an unreadable address gives
// 255.255.255.255. A line ends at a zero byte or CR; text after a seventh tab is ignored.
TEST(HostListFileTest, FieldsOfALine) {
    const NetAddress a = MakeAddress(1, 2, 3, 4);
    const NetAddress b = MakeAddress(10, 1, 2, 3);
    const std::string n(kHostListFieldBytes, 'n');
    const std::string w(kHostListFieldBytes, 'w');
    const std::pair<std::string, std::optional<ParsedHostLine>> cases[] = {
        {"10.1.2.3\tNAME\t00:0a:95:9d:68:16\t<10\t\tWG\tdescription\n",
         Line(b, "NAME", kMac, 0, "WG")},
        {"10.1.2.3\r\n", Line(b)},
        {"# 10.1.2.3\tX\n", std::nullopt},
        {"1.2.3\n", std::nullopt},
        {std::string("1.2.3\0.4\tNAME\n", 14), std::nullopt},
        {"1.2.3.4", Line(a)},
        {"garbage text\tN", Line(kInvalidAddress, "N")},
        {std::string("1.2.3.4\tNA\0ME\tAA\t1\t\tWG\n", 23), Line(a, "NA")},
        {"1.2.3.4\tN\r\tAA\t1\t\tWG\n", Line(a, "N")},
        {"1.2.3.4\tN\t\t2.5\t\tWG\tD\tEXTRA\tMORE\tWG2\n", Line(a, "N", {}, 2500, "WG")},
        {"1.2.3.4\tN\t\t\t\t\t\t\tWG2\n", Line(a, "N")},
        // Given a line longer than a piece, each field still keeps at most its 254 bytes.
        {"1.2.3.4\t" + n + "nn\t\t\t\t" + w + "ww", Line(a, n, {}, 0, w)},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const std::optional<ParsedHostLine> line = ParseHostListLine(text);
        ASSERT_EQ(line.has_value(), expected.has_value());
        if (line) {
            EXPECT_EQ(std::tie(line->address, line->name, line->mac, line->time, line->workgroup),
                      std::tie(expected->address, expected->name, expected->mac, expected->time,
                               expected->workgroup));
        }
    }
}

TEST(HostListFileTest, MacAndTimeTexts) {
    // Hex digits are not checked: "G" counts 16, ":" 10. Any text but "" marks the MAC known.
    const std::pair<const char*, MacBlock> macs[] = {
        {"00-0A-95-9D-68-16", kMac},
        {"00:0a:95:9d:68:16", kMac},
        {"", {}},
        {"000A959D6816", {1, 0x00, 0xA9, 0x9D, 0x81, 0, 0}},  // every third character skipped
        {"00-0A-9", {1, 0x00, 0x0A, 0x90, 0, 0, 0}},          // a half pair: low half 0, stop
        {"AB", {1, 0xAB, 0, 0, 0, 0, 0}},
        {"11-22-33-44-55-66-77-88", {1, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},  // six bytes
        {" ", {1, 0, 0, 0, 0, 0, 0}},
        {"0G-::", {1, 0x10, 0xAA, 0, 0, 0, 0}},
    };
    for (const auto& [text, mac] : macs) {
        EXPECT_EQ(ParseMacText(text), mac) << text;
    }
    // A decimal point only, whatever the locale; the top is the largest 32-bit count.
    const uint32_t top = 0xFFFFFFFFu;
    const std::pair<const char*, uint32_t> times[] = {
        {"<10", 0},       {"", 0},           {"16", 16000},   {"0.35", 350},
        {"15.7", 15700},  {"  2.5ms", 2500}, {"+1e1", 10000}, {"1,5", 1000},
        {"0.0009", 0},    {"-5", 0},         {"nan", 0},      {"4294967.295", top},
        {"4294968", top}, {"1e300", top},    {"inf", top},
    };
    for (const auto& [text, time] : times) {
        EXPECT_EQ(ParseTimeText(text), time) << text;
    }
}

TEST(HostListFileTest, LongLinesAreReadInPiecesNeverCuttingAUtf8Sequence) {
    // "é" is two bytes; a cut at byte 254 would split the 121st one.
    std::string text = "10.0.0.2\tyyyy";
    while (text.size() < 300) {
        text += "\xC3\xA9";
    }
    std::string_view rest = text;
    EXPECT_EQ(NextHostListPiece(rest).size(), 253u);
    EXPECT_EQ(rest.substr(0, 2), "\xC3\xA9");
    // A line feed right at the limit still closes a piece of its own.
    const std::string exact = std::string(254, 'z') + "\n12345678\n";
    rest = exact;
    EXPECT_EQ(NextHostListPiece(rest).size(), 254u);
    EXPECT_EQ(NextHostListPiece(rest), "\n");
    EXPECT_EQ(NextHostListPiece(rest), "12345678\n");
    EXPECT_TRUE(rest.empty());

    // The rest of a long line is a line of its own: its address reads 255.255.255.255, its "1" MAC.
    TempDir dir;
    const std::string line = "10.0.0.1\t" + std::string(300, 'x') + "\t\t1\t\tWG\n";
    WriteWholeFile(dir.File("long.txt"), "# comment\n\n" + text + "\n" + line);
    HostTable table;
    ASSERT_EQ(HostListFile::ReadRecords(table, dir.File("long.txt")), 4u);
    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.ColumnText(0, HostColumn::Name), text.substr(9, 253 - 9));
    EXPECT_EQ(*table.RowTexts(1),
              (HostRowTexts{"255.255.255.255", "10-00-00-00-00-00", "", "<10", "", "", "", ""}));
    EXPECT_EQ(table.ColumnText(2, HostColumn::Name), std::string(254 - 9, 'x'));
}

// A file with no line for a host counts no record (the window then says so); pieces never pass
// the limit, even in megabytes without a line feed. Junk of every kind is host_list_file_fuzz's.
TEST(HostListFileTest, HeaderOnlyFilesAndEndlessLines) {
    TempDir dir;
    HostTable table;
    WriteWholeFile(dir.File("header.txt"), std::string(kHostListHeader) + "# nothing\n");
    EXPECT_EQ(HostListFile::ReadRecords(table, dir.File("header.txt")), 0u);

    std::string junk(4 << 20, '\xA9');
    junk[300] = '\xC3';
    std::string_view rest = junk;
    std::size_t pieces = 0;
    while (!rest.empty()) {
        EXPECT_LE(NextHostListPiece(rest).size(), kHostListPieceBytes);
        ++pieces;
    }
    EXPECT_EQ(pieces, junk.size() / kHostListPieceBytes + 1);
}

TEST(HostListFileTest, SaveReplacesTheFileWholeAndKeepsItOnFailure) {
    TempDir dir;
    const std::filesystem::path path = dir.File("netdatabase.txt");
    WriteWholeFile(path, "previous contents\n");
    ::chmod(path.c_str(), 0640);
    HostTable table;
    table.AddOrUpdate(MakeAddress(1, 2, 3, 4), 0, "ONE", "", {}, HostState::Known);
    ASSERT_TRUE(HostListFile::Save(table, path));
    EXPECT_NE(ReadWholeFile(path).find("1.2.3.4\tONE\t"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));

    // Through a link the linked file is replaced and the link stays.
    const std::filesystem::path link = dir.File("link.txt");
    std::filesystem::create_symlink(path, link);
    table.AddOrUpdate(MakeAddress(1, 2, 3, 5), 0, "TWO", "", {}, HostState::Known);
    ASSERT_TRUE(HostListFile::Save(table, link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadWholeFile(path).find("1.2.3.5\tTWO\t"), std::string::npos);

    // Unopenable files change nothing; a folder in the target's place is not replaced.
    EXPECT_FALSE(HostListFile::Read(table, dir.File("missing.txt")));
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_FALSE(HostListFile::Save(table, dir.File("no/such/folder/hosts.txt")));
    std::filesystem::create_directory(dir.File("folder"));
    EXPECT_FALSE(HostListFile::Save(table, dir.File("folder")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));

    // A save cut short by the file size limit (set in a child) leaves the previous file as it was.
    for (int k = 0; k < 2000; ++k) {
        table.AddOrUpdate(
            MakeAddress(10, 0, static_cast<uint8_t>(k / 256), static_cast<uint8_t>(k % 256)), 0,
            "HOST", "", {}, HostState::Known);
    }
    const std::string before = ReadWholeFile(path);
    const auto save_limited = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return HostListFile::Save(table, path);
    };
    EXPECT_EXIT(::_exit(save_limited() ? 1 : 0), ::testing::ExitedWithCode(0), "")
        << "the save should have reported its failure";
    EXPECT_EQ(ReadWholeFile(path), before);
    // The file, the link and the folder: no save left a temporary file behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

}  // namespace
}  // namespace corvimap
