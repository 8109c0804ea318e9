#include "text/list_state_keys.h"

namespace corvimap {
namespace {

// printf's "%W.Wd": at least W digits, a minus sign in front of them.
std::string Padded(int value, size_t width) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -static_cast<long long>(value) : value);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return negative ? "-" + digits : digits;
}

}  // namespace

std::string ColumnWidthKey(int column) {
    return "Column" + Padded(column, 2) + "Width";
}

std::string ItemKey(int row, int column) {
    return "Item" + Padded(row, 4) + "_" + Padded(column, 2);
}

std::string ItemDataKey(int row) {
    return "ItemData" + Padded(row, 4);
}

}  // namespace corvimap
