#include <gtest/gtest.h>

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
using Row = HostRecord;

// The registry the vendor column reads: one prefix, so most rows share a vendor text.
std::shared_ptr<const MacVendors> Registry() {
    static const std::shared_ptr<const MacVendors> vendors = [] {
        auto made = std::make_shared<MacVendors>();
        made->AddCsv("MA-L,000000,Zed Corp,x\n");
        return made;
    }();
    return vendors;
}

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
        case 7:
            return MacVendorText(Registry().get(), a.mac) > MacVendorText(Registry().get(), b.mac);
        default:
            return false;  // found, description (always empty)
    }
}

// The table's procedure written the plain way: both sides by recursion, every test done. In
// descending order a row follows another when it does not follow it ascending.
void ReferenceSort(std::vector<Row>& rows, int lo, int hi, int column, bool descending) {
    const auto follows = [&](const Row& a, const Row& b) {
        return FollowsAscending(a, b, column) != descending;
    };
    if (lo >= hi) {
        return;
    }
    if (hi - lo <= 12) {
        for (int k = lo + 1; k <= hi; ++k) {
            const Row x = rows[k];
            int place = k;
            for (; place - 1 >= lo && follows(rows[place - 1], x); --place) {
                rows[place] = rows[place - 1];
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
        while (i < j && follows(pivot, rows[i])) {
            ++i;
        }
        while (j >= i && follows(rows[j], pivot)) {
            --j;
        }
        if (i >= j) {
            break;
        }
        std::swap(rows[i++], rows[j--]);
    }
    rows[lo] = rows[j];
    rows[j] = pivot;
    ReferenceSort(rows, lo, j - 1, column, descending);
    ReferenceSort(rows, j + 1, hi, column, descending);
}

// One column's texts in row order.
std::vector<std::string> Column(const HostTable& table, HostColumn column) {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < table.Count(); ++row) {
        texts.push_back(table.ColumnText(row, column));
    }
    return texts;
}

// Adds rows with few distinct keys per column, so most keys are shared by many rows.
std::vector<Row> AddRandomRows(HostTable& table, std::mt19937& random, std::size_t count) {
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
        // The first byte's 0x02 bit makes the vendor "Private / random".
        row.mac = {byte(2, 1), byte(2, 2), byte(3, 0x80), 0, 0, 0, byte(2, 1)};
        row.name = kNames[random() % std::size(kNames)];
        row.time = kTimes[random() % std::size(kTimes)];
        row.workgroup = kGroups[random() % std::size(kGroups)];
        const HostHandle record = table.AddOrUpdate(row.address, row.time, row.name, row.workgroup,
                                                    row.mac, HostState::Known);
        // Found texts differ from row to row, yet the found column never orders them.
        if (rows.size() % 3 == 0) {
            table.AttachMarker(record,
                               HostMarker{static_cast<uint8_t>(4 + rows.size() % 5), std::nullopt});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

TEST(HostSortTest, MatchesThePlainProcedureOnTablesWithManyEqualKeys) {
    std::mt19937 random(20240611);
    for (const std::size_t size : {1u, 2u, 12u, 13u, 14u, 15u, 27u, 100u, 700u, 2500u}) {
        HostTable table;
        table.SetVendors(Registry());
        std::vector<Row> rows = AddRandomRows(table, random, size);
        // Every column both ways, each sort starting from the order the previous one left.
        for (int round = 0; round < 2; ++round) {
            for (int column = 0; column < 8; ++column) {
                for (const bool descending : {false, true}) {
                    ReferenceSort(rows, 0, static_cast<int>(size) - 1, column, descending);
                    table.Sort(static_cast<HostColumn>(column), descending);
                    std::vector<std::string> expected;
                    for (const Row& row : rows) {
                        expected.push_back(FormatAddress(row.address));
                    }
                    ASSERT_EQ(Column(table, HostColumn::Address), expected)
                        << "size " << size << " column " << column << " descending " << descending;
                }
            }
        }
    }
}

}  // namespace
}  // namespace corvimap
