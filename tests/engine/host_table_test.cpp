#include "engine/host_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/host_columns.h"

namespace corvimap {
namespace {

HostMarker Marker(uint8_t kind, std::optional<std::string> text = std::nullopt) {
    return HostMarker{kind, std::move(text)};
}

// Records every notification and, from inside it, reads the table on another thread as the view
// does: a notification sent while the table still held its lock would keep that read waiting.
class RecordingListener : public HostTableListener {
public:
    explicit RecordingListener(HostTable& table) : table_(table) {}

    void CountChanged(std::size_t n) override { Record("count " + std::to_string(n)); }
    void RowsChanged(std::size_t first, std::size_t last) override {
        Record("rows " + std::to_string(first) + "-" + std::to_string(last));
    }

    // The notifications since the last call, each followed by ";".
    std::string TakeEvents() {
        std::lock_guard lock(mutex_);
        return std::exchange(events_, {});
    }

private:
    void Record(const std::string& event) {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> read = done->get_future();
        std::thread([this, done] {
            (void)table_.Count();
            done->set_value();
        }).detach();
        EXPECT_EQ(read.wait_for(std::chrono::seconds(20)), std::future_status::ready)
            << "notified under the table's lock";
        std::lock_guard lock(mutex_);
        events_ += event + ";";
    }

    HostTable& table_;
    std::mutex mutex_;
    std::string events_;
};

std::shared_ptr<RecordingListener> Listen(HostTable& table) {
    auto listener = std::make_shared<RecordingListener>(table);
    table.SetListener(listener);
    return listener;
}

// Runs probe(k) for k < probes, each on a thread, while each loop repeats on a thread.
void RunTogether(int probes, const std::function<void(int)>& probe,
                 const std::vector<std::function<void()>>& loops) {
    std::atomic<bool> probes_done{false};
    std::vector<std::jthread> loopers;
    for (const auto& loop : loops) {
        loopers.emplace_back([&] {
            while (!probes_done) {
                loop();
            }
        });
    }
    {
        std::vector<std::jthread> probers;
        for (int k = 0; k < probes; ++k) {
            probers.emplace_back(probe, k);
        }
    }  // every probe is joined here
    probes_done = true;
}

TEST(HostColumnsTest, TimeTextAtEveryFormatBoundary) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "<10"},     {1, "0.00"},   {350, "0.35"}, {999, "1.00"}, {1000, "1.0"},
        {9999, "10.0"}, {10000, "10"}, {15000, "15"}, {15700, "16"}, {0xFFFFFFFFu, "4294967"}};
    for (const auto& [us, text] : cases) {
        EXPECT_EQ(FormatHostTime(us), text) << us;
    }
}

TEST(HostTableTest, AddOrUpdateCreatesThenReplacesFieldsAndKeepsHighFlags) {
    HostTable table;
    const auto listener = Listen(table);
    const NetAddress a = MakeAddress(10, 0, 0, 1);
    const NetAddress b = MakeAddress(10, 0, 0, 2);

    bool is_new = false;
    const HostHandle first = table.AddOrUpdate(
        a, 1500, "ALPHA", "WG", MacBlock{1, 1, 2, 3, 4, 5, 6}, HostState::Answered, &is_new);
    EXPECT_TRUE(is_new);
    table.AddOrUpdate(b, 0, "BETA", "", MacBlock{}, HostState::Answered);
    EXPECT_EQ(listener->TakeEvents(), "count 1;count 2;");

    table.SetFlags(first, HostFlags::FastFound | 0xFF | 0x80000000u);  // only flag bits are taken
    // An update replaces every field (name too); MAC byte 0 = 0 hides the MAC; high flags stay.
    const HostHandle again =
        table.AddOrUpdate(a, 0, std::string("\0hidden", 7), "OTHER", MacBlock{0, 9, 9, 9, 9, 9, 9},
                          HostState::Loaded, &is_new);
    EXPECT_FALSE(is_new);
    EXPECT_EQ(again, first);
    EXPECT_EQ(table.TestFlags(a, 0xFFFFFFFFu), HostFlags::NewHost | HostFlags::FastFound | 5u);
    EXPECT_EQ(*table.RowTexts(0), (HostRowTexts{"10.0.0.1", "", "", "<10", "", "OTHER", "", ""}));

    // b, row 0 after a descending sort, repaints row 0; any MAC byte 0 but 0 shows the MAC.
    table.Sort(HostColumn::Address, true);
    table.AddOrUpdate(b, 42, "BETA", "", MacBlock{7, 0xAA, 0, 0xE, 0, 0, 1}, HostState::Answered);
    EXPECT_EQ(listener->TakeEvents(), "rows 0-0;rows 0-1;rows 0-0;");
    EXPECT_EQ(table.ColumnText(0, HostColumn::Mac), "AA-00-0E-00-00-01");

    // Rows that are gone read as empty.
    EXPECT_EQ(std::tuple(table.ColumnText(2, HostColumn::Address), table.AddressAt(2),
                         table.StateAt(2), table.RowTexts(2)),
              std::tuple(std::string(), 0u, HostState::Known, std::nullopt));
}

TEST(HostTableTest, ProbeStatesDeadAndNewHostThroughFinishProbe) {
    HostTable table;
    const NetAddress loaded = MakeAddress(10, 0, 0, 5);
    const NetAddress probed = MakeAddress(10, 0, 0, 6);
    table.AddOrUpdate(loaded, 0, "FROMFILE", "", {}, HostState::Loaded);
    const HostHandle record = table.AddOrUpdate(probed, 0, "", "", {}, HostState::Answered);
    const auto listener = Listen(table);

    // MarkDead clears the state byte's other bits and FastFound, keeps NewHost and the walk mark.
    table.SetFlags(record, HostFlags::FastFound | HostFlags::ShareWalkVisited);
    table.SetState(record, HostState::QueryQuake3);
    EXPECT_TRUE(table.MarkDead(probed));
    EXPECT_EQ(table.TestFlags(probed, 0xFFFFFFFFu),
              HostFlags::NewHost | HostFlags::ShareWalkVisited | 3u);
    EXPECT_FALSE(table.MarkDead(MakeAddress(10, 0, 0, 99)));

    // A loaded host keeps NewHost while dead; its first finished probe shows it as new, once.
    EXPECT_TRUE(table.MarkDead(loaded));
    table.FinishProbe(loaded);
    EXPECT_EQ(table.StateAt(0), HostState::New);
    table.FinishProbe(loaded);
    EXPECT_EQ(table.StateAt(0), HostState::Known);
    table.FinishProbe(MakeAddress(1, 2, 3, 4));  // absent: nothing, no notification
    EXPECT_EQ(listener->TakeEvents(), "rows 1-1;rows 1-1;rows 0-0;rows 0-0;rows 0-0;");
}

TEST(HostTableTest, HandlesOutliveClearAndNeverTouchANewRecordOfTheSameAddress) {
    HostTable table;
    const auto listener = Listen(table);
    const NetAddress address = MakeAddress(172, 16, 0, 1);
    const HostHandle old_record = table.AddOrUpdate(address, 0, "OLD", "", {}, HostState::Answered);
    table.Clear();
    EXPECT_EQ(listener->TakeEvents(), "count 1;count 0;");

    // The probe still holds its record: every use of it is ignored, with no notification.
    const auto use_old_record = [&] {
        table.SetState(old_record, HostState::ListingShares);
        table.AttachMarker(old_record, Marker(kSharesMarker, "x"));
        table.SetFlags(old_record, HostFlags::FastFound);
    };
    use_old_record();
    EXPECT_EQ(listener->TakeEvents(), "");

    table.AddOrUpdate(address, 0, "NEW", "", {}, HostState::Answered);
    use_old_record();
    EXPECT_EQ(table.StateAt(0), HostState::Answered);
    EXPECT_EQ(table.ColumnText(0, HostColumn::Found), "");
    EXPECT_EQ(table.TestFlags(address, HostFlags::FastFound), 0u);

    // An empty handle is ignored too.
    table.SetState(HostHandle(), HostState::Dead);
    table.AttachMarker(HostHandle(), Marker(6));
    table.Sort(HostColumn::Name, false);
    table.SetVendors(std::make_shared<MacVendors>());  // vendor texts may change: every row
    table.Clear();
    table.Sort(HostColumn::Name, false);  // empty: no notification
    table.SetVendors(nullptr);
    EXPECT_EQ(listener->TakeEvents(), "count 1;rows 0-0;rows 0-0;count 0;");
}

TEST(HostTableTest, MarkersReplaceTheirKindAndTheShareWalkPassesEachRecordOnce) {
    HostTable table;
    auto add = [&](uint8_t last, const char* name, std::optional<std::string> shares) {
        const HostHandle record =
            table.AddOrUpdate(MakeAddress(10, 1, 0, last), 0, name, "", {}, HostState::Known);
        if (shares) {
            table.AttachMarker(record, Marker(kSharesMarker, *shares));
        }
        table.AttachMarker(record, Marker(7));
        return record;
    };
    const HostHandle a = add(1, "A", "old|shares");
    add(2, "B", std::nullopt);
    add(3, "C", "");
    add(4, "D", std::nullopt);
    // A marker replaces the one of its kind, which moves to the end; copies are handed out.
    table.AttachMarker(a, Marker(kSharesMarker, "a1|a2"));
    EXPECT_EQ(table.ColumnText(0, HostColumn::Found), "$IMG|7|4|");
    EXPECT_EQ(table.CopyMarker(MakeAddress(10, 1, 0, 1), kSharesMarker),
              Marker(kSharesMarker, "a1|a2"));
    EXPECT_EQ(table.CopyMarker(MakeAddress(10, 1, 0, 2), 7), Marker(7));
    EXPECT_FALSE(table.CopyMarker(MakeAddress(10, 1, 0, 2), kSharesMarker));
    EXPECT_FALSE(table.CopyMarker(MakeAddress(10, 1, 0, 9), 7));

    const auto next = [&table] {
        const std::optional<ShareHost> host = table.NextShareHost();
        return host ? FormatAddress(host->address) + " " + host->name + " " + host->shares : "-";
    };
    EXPECT_EQ(next(), "10.1.0.1 A a1|a2");
    add(5, "E", "e");  // appended while the walk is under way
    EXPECT_EQ(next(), "10.1.0.3 C ");

    // A sort moves the passed records around; they stay passed.
    table.Sort(HostColumn::Address, true);
    EXPECT_EQ(next(), "10.1.0.5 E e");
    EXPECT_EQ(next(), "-");

    table.ResetShareWalk();
    std::vector<std::string> names;
    while (std::optional<ShareHost> next = table.NextShareHost()) {
        names.push_back(next->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"E", "C", "A"}));
}

constexpr int kProbes = 4;
constexpr int kHostsPerProbe = 150;

// One probe's work on its own addresses 10.<probe>.0.1-150, as the scan does it.
void ProbeHosts(HostTable& table, int probe) {
    for (int k = 0; k < kHostsPerProbe; ++k) {
        const NetAddress address =
            MakeAddress(10, static_cast<uint8_t>(probe), 0, static_cast<uint8_t>(k + 1));
        bool is_new = false;
        const HostHandle record = table.AddOrUpdate(
            address, static_cast<uint32_t>(k * 100), "HOST", "WG" + std::to_string(probe),
            MacBlock{1, 0, 1, 2, 3, 4, 5}, HostState::Answered, &is_new);
        ASSERT_TRUE(is_new);
        table.SetFlags(record, HostFlags::FastFound);
        table.SetState(record, HostState::ListingShares);
        table.AttachMarker(record, Marker(kSharesMarker, "share" + std::to_string(k)));
        table.SetState(record, HostState::QueryQuakeWorld);
        table.AttachMarker(record, Marker(6));
        if (k % 3 == 0) {
            table.MarkDead(address);
        }
        table.FinishProbe(address);
    }
}

// Probes run while the window sorts and reads and the search walks the shares: at the end every
// record shows exactly what its probe did.
TEST(HostTableTest, ProbesSortsAndReadsRunTogether) {
    HostTable table;
    const auto listener = Listen(table);
    int round = 0;
    const auto window = [&] {
        table.Sort(static_cast<HostColumn>(round % 7), round % 2 == 1);
        for (std::size_t row = 0; row < table.Count(); ++row) {
            (void)table.ColumnText(row, static_cast<HostColumn>(row % 7));
            (void)table.StateAt(row);
        }
        ++round;
    };
    const auto search = [&] {
        table.ResetShareWalk();
        while (table.NextShareHost()) {
        }
    };
    RunTogether(kProbes, [&](int probe) { ProbeHosts(table, probe); }, {window, search});

    ASSERT_EQ(table.Count(), static_cast<std::size_t>(kProbes * kHostsPerProbe));
    std::set<NetAddress> seen;
    for (std::size_t row = 0; row < table.Count(); ++row) {
        const NetAddress address = table.AddressAt(row);
        EXPECT_TRUE(seen.insert(address).second);
        const int k = static_cast<int>(address >> 24) - 1;
        // Dead hosts lost FastFound; every host was new once, so the finished probe shows 2.
        EXPECT_EQ(table.TestFlags(address, 0xFFFFFF00u) & ~HostFlags::ShareWalkVisited,
                  k % 3 == 0 ? 0u : HostFlags::FastFound);
        EXPECT_EQ(table.StateAt(row), HostState::New);
        EXPECT_EQ(table.ColumnText(row, HostColumn::Found), "$IMG|4|6|");
        EXPECT_EQ(table.CopyMarker(address, kSharesMarker)->text, "share" + std::to_string(k));
    }
}

// The window clears the table while probes still hold their records: whatever survives is a
// consistent table, each record found by its address.
TEST(HostTableTest, ClearWhileProbesHoldRecords) {
    HostTable table;
    const auto clear = [&] {
        table.Clear();
        table.Sort(HostColumn::Name, true);
    };
    RunTogether(kProbes, [&](int probe) { ProbeHosts(table, probe); }, {clear});
    std::set<NetAddress> seen;
    for (std::size_t row = 0; row < table.Count(); ++row) {
        const NetAddress address = table.AddressAt(row);
        EXPECT_TRUE(seen.insert(address).second);
        EXPECT_EQ(table.TestFlags(address, HostFlags::StateMask),
                  static_cast<uint32_t>(table.StateAt(row)));
    }
}

}  // namespace
}  // namespace corvimap
