#include "engine/host_sort.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <numeric>
#include <string>
#include <string_view>

namespace corvimap {
namespace {

uint64_t MacKey(const MacBlock& mac) {
    uint64_t key = 0;
    for (std::size_t k = 1; k < mac.size(); ++k) {
        key = (key << 8) | mac[k];
    }
    return key;
}

// Dense ranks of the texts in byte order (string_view compares chars as unsigned bytes).
std::vector<uint64_t> TextRanks(const std::vector<std::string_view>& texts) {
    std::vector<uint32_t> by_text(texts.size());
    std::iota(by_text.begin(), by_text.end(), 0u);
    std::sort(by_text.begin(), by_text.end(),
              [&](uint32_t a, uint32_t b) { return texts[a] < texts[b]; });
    std::vector<uint64_t> ranks(texts.size());
    uint64_t rank = 0;
    for (std::size_t k = 0; k < by_text.size(); ++k) {
        if (k > 0 && texts[by_text[k - 1]] != texts[by_text[k]]) {
            ++rank;
        }
        ranks[by_text[k]] = rank;
    }
    return ranks;
}

std::vector<uint64_t> FieldRanks(std::span<const HostRecord* const> records,
                                 std::string HostRecord::*field) {
    std::vector<std::string_view> texts;
    texts.reserve(records.size());
    for (const HostRecord* record : records) {
        texts.emplace_back(record->*field);
    }
    return TextRanks(texts);
}

std::vector<uint64_t> VendorRanks(std::span<const HostRecord* const> records,
                                  const MacVendors* vendors) {
    std::vector<std::string> owned;
    owned.reserve(records.size());
    for (const HostRecord* record : records) {
        owned.push_back(MacVendorText(vendors, record->mac));
    }
    return TextRanks(std::vector<std::string_view>(owned.begin(), owned.end()));
}

// Minimum and maximum key over ranges of places. A partition scan skips long runs of rows that
// all pass its test (equal keys in descending order make every partition one-sided); the tree
// finds the end of such a run in logarithmic time, so the procedure gives the same moves without
// its quadratic number of comparisons.
class KeyRangeTree {
public:
    explicit KeyRangeTree(std::span<const uint64_t> keys) {
        while (size_ < keys.size()) {
            size_ *= 2;
        }
        min_.assign(2 * size_, std::numeric_limits<uint64_t>::max());
        max_.assign(2 * size_, 0);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            min_[size_ + k] = max_[size_ + k] = keys[k];
        }
        for (std::size_t node = size_ - 1; node > 0; --node) {
            Pull(node);
        }
    }

    void Set(std::ptrdiff_t place, uint64_t key) {
        std::size_t node = size_ + static_cast<std::size_t>(place);
        min_[node] = max_[node] = key;
        for (node /= 2; node > 0; node /= 2) {
            Pull(node);
        }
    }

    // First place in [first, end) whose key passes `may`, or end. `may`(min, max) tells whether
    // a range with those bounds can hold a passing key; for a single key it is the test itself.
    template <typename May>
    std::ptrdiff_t FindFirst(std::ptrdiff_t first, std::ptrdiff_t end, May may) const {
        const std::ptrdiff_t found =
            First(1, 0, static_cast<std::ptrdiff_t>(size_), first, end, may);
        return found < 0 ? end : found;
    }

    // Last place in [first, last] whose key passes `may`, or first - 1.
    template <typename May>
    std::ptrdiff_t FindLast(std::ptrdiff_t first, std::ptrdiff_t last, May may) const {
        const std::ptrdiff_t found =
            Last(1, 0, static_cast<std::ptrdiff_t>(size_), first, last + 1, may);
        return found < 0 ? first - 1 : found;
    }

private:
    void Pull(std::size_t node) {
        min_[node] = std::min(min_[2 * node], min_[2 * node + 1]);
        max_[node] = std::max(max_[2 * node], max_[2 * node + 1]);
    }

    template <typename May>
    std::ptrdiff_t First(std::size_t node, std::ptrdiff_t node_first, std::ptrdiff_t node_end,
                         std::ptrdiff_t first, std::ptrdiff_t end, May& may) const {
        if (node_end <= first || end <= node_first || !may(min_[node], max_[node])) {
            return -1;
        }
        if (node_end - node_first == 1) {
            return node_first;
        }
        const std::ptrdiff_t middle = node_first + (node_end - node_first) / 2;
        const std::ptrdiff_t found = First(2 * node, node_first, middle, first, end, may);
        return found >= 0 ? found : First(2 * node + 1, middle, node_end, first, end, may);
    }

    template <typename May>
    std::ptrdiff_t Last(std::size_t node, std::ptrdiff_t node_first, std::ptrdiff_t node_end,
                        std::ptrdiff_t first, std::ptrdiff_t end, May& may) const {
        if (node_end <= first || end <= node_first || !may(min_[node], max_[node])) {
            return -1;
        }
        if (node_end - node_first == 1) {
            return node_first;
        }
        const std::ptrdiff_t middle = node_first + (node_end - node_first) / 2;
        const std::ptrdiff_t found = Last(2 * node + 1, middle, node_end, first, end, may);
        return found >= 0 ? found : Last(2 * node, node_first, middle, first, end, may);
    }

    std::size_t size_ = 1;
    std::vector<uint64_t> min_;
    std::vector<uint64_t> max_;
};

class HostRowSorter {
public:
    HostRowSorter(std::span<const uint64_t> keys, bool descending)
        : keys_(keys.begin(), keys.end()),
          rows_(keys.size()),
          tree_(keys),
          descending_(descending) {
        std::iota(rows_.begin(), rows_.end(), 0u);
    }

    std::vector<uint32_t> Run() {
        if (!rows_.empty()) {
            SortRange(0, static_cast<std::ptrdiff_t>(rows_.size()) - 1);
        }
        return std::move(rows_);
    }

private:
    // Rows are scanned one by one for this many steps before the tree takes over: short runs
    // are the common case and cost less that way.
    static constexpr int kLinearSteps = 32;

    bool Follows(uint64_t a, uint64_t b) const { return descending_ ? !(a > b) : a > b; }

    void Put(std::ptrdiff_t place, uint64_t key, uint32_t row) {
        keys_[place] = key;
        rows_[place] = row;
        tree_.Set(place, key);
    }

    void SortRange(std::ptrdiff_t lo, std::ptrdiff_t hi) {
        while (lo < hi) {
            if (hi - lo <= 12) {
                InsertionSort(lo, hi);
                return;
            }
            const std::ptrdiff_t p = Partition(lo, hi);
            // The smaller side first; the loop takes the larger one.
            if (p - lo > hi - p) {
                SortRange(p + 1, hi);
                hi = p - 1;
            } else {
                SortRange(lo, p - 1);
                lo = p + 1;
            }
        }
    }

    // The places of a finished short range are never scanned again, so the tree is left as is.
    void InsertionSort(std::ptrdiff_t lo, std::ptrdiff_t hi) {
        for (std::ptrdiff_t k = lo + 1; k <= hi; ++k) {
            const uint64_t key = keys_[k];
            const uint32_t row = rows_[k];
            std::ptrdiff_t place = k;
            while (place - 1 >= lo && Follows(keys_[place - 1], key)) {
                keys_[place] = keys_[place - 1];
                rows_[place] = rows_[place - 1];
                --place;
            }
            keys_[place] = key;
            rows_[place] = row;
        }
    }

    // While the pivot follows row i, i goes up, never past j.
    std::ptrdiff_t AdvanceI(std::ptrdiff_t i, std::ptrdiff_t j, uint64_t pivot) const {
        for (int step = 0; step < kLinearSteps; ++step, ++i) {
            if (i >= j || !Follows(pivot, keys_[i])) {
                return i;
            }
        }
        // First row the pivot does not follow: ascending a key >= pivot, descending one < pivot.
        if (descending_) {
            return tree_.FindFirst(i, j, [pivot](uint64_t min, uint64_t) { return min < pivot; });
        }
        return tree_.FindFirst(i, j, [pivot](uint64_t, uint64_t max) { return max >= pivot; });
    }

    // While row j follows the pivot, j goes down, stopping once it is below i.
    std::ptrdiff_t RetreatJ(std::ptrdiff_t i, std::ptrdiff_t j, uint64_t pivot) const {
        for (int step = 0; step < kLinearSteps; ++step, --j) {
            if (j < i || !Follows(keys_[j], pivot)) {
                return j;
            }
        }
        // Last row that does not follow the pivot: ascending a key <= pivot, descending one > it.
        if (descending_) {
            return tree_.FindLast(i, j, [pivot](uint64_t, uint64_t max) { return max > pivot; });
        }
        return tree_.FindLast(i, j, [pivot](uint64_t min, uint64_t) { return min <= pivot; });
    }

    std::ptrdiff_t Partition(std::ptrdiff_t lo, std::ptrdiff_t hi) {
        const std::ptrdiff_t m = lo + (hi - lo) / 2;
        const uint64_t pivot_key = keys_[m];
        const uint32_t pivot_row = rows_[m];
        // Row lo moves into the pivot's place; place lo is refilled at the end.
        Put(m, keys_[lo], rows_[lo]);
        std::ptrdiff_t i = lo + 1;
        std::ptrdiff_t j = hi;
        for (;;) {
            i = AdvanceI(i, j, pivot_key);
            if (j >= i) {
                j = RetreatJ(i, j, pivot_key);
            }
            if (i >= j) {
                break;
            }
            const uint64_t key = keys_[i];
            const uint32_t row = rows_[i];
            Put(i, keys_[j], rows_[j]);
            Put(j, key, row);
            --j;
            ++i;
        }
        Put(lo, keys_[j], rows_[j]);
        Put(j, pivot_key, pivot_row);
        return j;
    }

    std::vector<uint64_t> keys_;
    std::vector<uint32_t> rows_;
    KeyRangeTree tree_;
    bool descending_;
};

}  // namespace

std::vector<uint64_t> HostSortKeys(std::span<const HostRecord* const> records, HostColumn column,
                                   const MacVendors* vendors) {
    switch (column) {
        case HostColumn::Name:
            return FieldRanks(records, &HostRecord::name);
        case HostColumn::Workgroup:
            return FieldRanks(records, &HostRecord::workgroup);
        case HostColumn::Description:
            return FieldRanks(records, &HostRecord::description);
        case HostColumn::Vendor:
            return VendorRanks(records, vendors);
        default:
            break;
    }
    std::vector<uint64_t> keys(records.size(), 0);
    for (std::size_t k = 0; k < records.size(); ++k) {
        const HostRecord& record = *records[k];
        switch (column) {
            case HostColumn::Address:
                keys[k] = ToHostOrder(record.address);
                break;
            case HostColumn::Mac:
                keys[k] = MacKey(record.mac);
                break;
            case HostColumn::Time:
                keys[k] = record.time;
                break;
            default:
                break;  // found and unknown columns: no row follows another
        }
    }
    return keys;
}

std::vector<uint32_t> HostSortOrder(std::span<const uint64_t> keys, bool descending) {
    return HostRowSorter(keys, descending).Run();
}

}  // namespace corvimap
