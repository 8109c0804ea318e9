#pragma once

#include <Qt>

namespace corvimap {

// Model roles the program's lists use beyond Qt's own.
// Column 0: the row's picture, an index into the list's image list (int; -1 or absent: none).
inline constexpr int kRowImageRole = Qt::UserRole + 1;
// Column 0: the row's 32-bit item data (uint).
inline constexpr int kItemDataRole = Qt::UserRole + 2;

}  // namespace corvimap
