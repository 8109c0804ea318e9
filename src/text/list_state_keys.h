#pragma once

#include <string>

namespace corvimap {

// Value names under which a list's layout and rows are kept in its settings section. Numbers are
// zero-padded decimals of at least the shown width; larger numbers take more digits.
inline constexpr const char* kColumnNumberKey = "ColumnNumber";
inline constexpr const char* kOrderOfColumnKey = "OrderOfColumn";
inline constexpr const char* kItemCountKey = "ItemCount";
inline constexpr const char* kSubItemCountKey = "SubItemCount";

// A stored width that means "keep the width the list has".
inline constexpr int kKeepColumnWidth = 9999;

std::string ColumnWidthKey(int column);    // "Column%2.2dWidth"
std::string ItemKey(int row, int column);  // "Item%4.4d_%2.2d"
std::string ItemDataKey(int row);          // "ItemData%4.4d"

}  // namespace corvimap
