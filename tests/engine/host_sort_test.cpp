#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/host_table.h"

namespace corvimap {
namespace {

// A host as the test knows it, kept apart from the table.
struct Row {
    NetAddress address = 0;
    MacBlock mac{};
    std::string name;
    uint32_t time = 0;
    std::string workgroup;
};

// "a follows b" for each column, read straight from the rules of the host list.
bool FollowsAscending(const Row& a, const Row& b, int column) {
    switch (column) {
        case 0:
            return ToHostOrder(a.address) > ToHostOrder(b.address);
        case 1:
            return std::memcmp(a.mac.data() + 1, b.mac.data() + 1, 6) > 0;
        case 2:
            return std::strcmp(a.name.c_str(), b.name.c_str()) > 0;
        case 3:
            return a.time > b.time;
        case 5:
            return std::strcmp(a.workgroup.c_str(), b.workgroup.c_str()) > 0;
        default:
            return false;  // found, description (always empty), vendor (no registry)
    }
}

// The table's procedure written the plain way: both sides by recursion, every test done.
class ReferenceSort {
public:
    ReferenceSort(int column, bool descending) : column_(column), descending_(descending) {}

    void Run(std::vector<Row>& rows) {
        if (!rows.empty()) {
            Range(rows, 0, static_cast<int>(rows.size()) - 1);
        }
    }

private:
    bool Follows(const Row& a, const Row& b) const {
        const bool ascending = FollowsAscending(a, b, column_);
        return descending_ ? !ascending : ascending;
    }

    void Range(std::vector<Row>& rows, int lo, int hi) {
        if (lo >= hi) {
            return;
        }
        if (hi - lo <= 12) {
            for (int k = lo + 1; k <= hi; ++k) {
                Row x = rows[k];
                int place = k;
                while (place - 1 >= lo && Follows(rows[place - 1], x)) {
                    rows[place] = rows[place - 1];
                    --place;
                }
                rows[place] = x;
            }
            return;
        }
        const int m = lo + (hi - lo) / 2;
        const Row pivot = rows[m];
        rows[m] = rows[lo];
        int i = lo + 1;
        int j = hi;
        for (;;) {
            while (i < j && Follows(pivot, rows[i])) {
                ++i;
            }
            while (j >= i && Follows(rows[j], pivot)) {
                --j;
            }
            if (i < j) {
                std::swap(rows[i], rows[j]);
                --j;
                ++i;
            } else {
                break;
            }
        }
        rows[lo] = rows[j];
        rows[j] = pivot;
        Range(rows, lo, j - 1);
        Range(rows, j + 1, hi);
    }

    int column_;
    bool descending_;
};

// One column's texts in row order.
std::vector<std::string> Column(const HostTable& table, HostColumn column) {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < table.Count(); ++row) {
        texts.push_back(table.ColumnText(row, column));
    }
    return texts;
}

std::vector<std::string> RowOrder(const std::vector<Row>& rows) {
    std::vector<std::string> order;
    for (const Row& row : rows) {
        order.push_back(FormatAddress(row.address));
    }
    return order;
}

void AddRows(HostTable& table, const std::vector<Row>& rows) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Row& row = rows[k];
        const HostHandle record = table.AddOrUpdate(row.address, row.time, row.name, row.workgroup,
                                                    row.mac, HostState::Known);
        // Found texts differ from row to row, yet the found column never orders them.
        if (k % 3 == 0) {
            table.AttachMarker(record, HostMarker{static_cast<uint8_t>(4 + k % 5), std::nullopt});
        }
    }
}

// Rows with few distinct keys per column, so most keys are shared by many rows.
std::vector<Row> RandomRows(std::mt19937& random, std::size_t count) {
    static const char* const kNames[] = {"", "alpha", "Zeta", "ZETA", "a", "\xC3\xA9t\xC3\xA9",
                                         "z"};
    static const char* const kGroups[] = {"", "WORKGROUP", "HOME", "home"};
    static const uint32_t kTimes[] = {0, 350, 999, 1000, 15000, 0xFFFFFFFFu};
    std::vector<Row> rows;
    std::set<NetAddress> used;
    while (rows.size() < count) {
        Row row;
        // Addresses far apart in both byte orders, so network and host order would disagree.
        row.address = static_cast<NetAddress>(random());
        if (!used.insert(row.address).second) {
            continue;
        }
        const auto byte = [&random](int values, int step) {
            return static_cast<uint8_t>(random() % values * step);
        };
        // Byte 0 varies but never counts: an unknown MAC sorts by its bytes 1-6 too.
        row.mac = {byte(2, 1), 0, byte(3, 0x80), 0, 0, 0, byte(2, 1)};
        row.name = kNames[random() % std::size(kNames)];
        row.time = kTimes[random() % std::size(kTimes)];
        row.workgroup = kGroups[random() % std::size(kGroups)];
        rows.push_back(std::move(row));
    }
    return rows;
}

TEST(HostSortTest, MatchesThePlainProcedureOnTablesWithManyEqualKeys) {
    std::mt19937 random(20240611);
    for (const std::size_t size : {1u, 2u, 12u, 13u, 14u, 15u, 27u, 100u, 700u, 2500u}) {
        std::vector<Row> rows = RandomRows(random, size);
        HostTable table;
        AddRows(table, rows);
        // Every column both ways, each sort starting from the order the previous one left.
        for (int round = 0; round < 2; ++round) {
            for (int column = 0; column < 8; ++column) {
                for (const bool descending : {false, true}) {
                    ReferenceSort(column, descending).Run(rows);
                    table.Sort(static_cast<HostColumn>(column), descending);
                    ASSERT_EQ(Column(table, HostColumn::Address), RowOrder(rows))
                        << "size " << size << " column " << column << " descending " << descending;
                }
            }
        }
    }
}

TEST(HostSortTest, NamesSortByBytesWithEmptyNamesFirst) {
    HostTable table;
    const char* const names[] = {"alpha", "", "Zeta", "\xC3\xA9t\xC3\xA9", "Alpha", "zeta", ""};
    for (uint8_t k = 0; k < std::size(names); ++k) {
        table.AddOrUpdate(MakeAddress(10, 0, 0, k), 0, names[k], "", {}, HostState::Known);
    }
    table.Sort(HostColumn::Name, false);
    EXPECT_EQ(
        Column(table, HostColumn::Name),
        (std::vector<std::string>{"", "", "Alpha", "Zeta", "alpha", "zeta", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(Column(table, HostColumn::Address)[1], "10.0.0.6") << "equal names keep their order";

    // Addresses compare as host-order numbers: 9.255.255.255 comes before 10.0.0.1.
    HostTable addresses;
    for (const NetAddress address :
         {MakeAddress(10, 0, 0, 1), MakeAddress(9, 255, 255, 255), MakeAddress(10, 0, 1, 0)}) {
        addresses.AddOrUpdate(address, 0, "", "", {}, HostState::Known);
    }
    addresses.Sort(HostColumn::Address, false);
    EXPECT_EQ(Column(addresses, HostColumn::Address),
              (std::vector<std::string>{"9.255.255.255", "10.0.0.1", "10.0.1.0"}));
}

TEST(HostSortTest, VendorColumnSortsByTheRegistryNamesAndRepaintsWhenTheyArrive) {
    auto vendors = std::make_shared<MacVendors>();
    vendors->AddCsv("MA-L,00000C,\"Cisco Systems, Inc\",x\nMA-L,080027,PCS Systemtechnik,x\n");
    struct Host {
        MacBlock mac;
        const char* vendor;
    };
    const Host hosts[] = {
        {{1, 0x08, 0x00, 0x27, 1, 2, 3}, "PCS Systemtechnik"},
        {{1, 0x02, 0x42, 0xC6, 0x12, 0, 1}, "Private / random"},
        {{0, 0, 0, 0, 0, 0, 0}, ""},
        {{1, 0x00, 0x00, 0x0C, 9, 9, 9}, "Cisco Systems, Inc"},
        {{1, 0x00, 0x00, 0x01, 0, 0, 1}, ""},  // unregistered prefix
    };
    struct Listener final : HostTableListener {
        void CountChanged(std::size_t) override {}
        void RowsChanged(std::size_t first, std::size_t last) override { rows = last - first + 1; }
        std::size_t rows = 0;
    };
    auto listener = std::make_shared<Listener>();
    HostTable table;
    for (uint8_t k = 0; k < std::size(hosts); ++k) {
        table.AddOrUpdate(MakeAddress(10, 0, 0, k), 0, "", "", hosts[k].mac, HostState::Known);
    }
    table.SetListener(listener);
    EXPECT_EQ(table.ColumnText(0, HostColumn::Vendor), "") << "no registry yet";
    table.SetVendors(vendors);
    EXPECT_EQ(listener->rows, std::size(hosts));
    for (const bool descending : {false, true}) {
        table.Sort(HostColumn::Vendor, descending);
        std::vector<std::string> expected{"", "", "Cisco Systems, Inc", "PCS Systemtechnik",
                                          "Private / random"};
        if (descending) {
            std::reverse(expected.begin(), expected.end());
        }
        EXPECT_EQ(Column(table, HostColumn::Vendor), expected);
    }
}

}  // namespace
}  // namespace corvimap
