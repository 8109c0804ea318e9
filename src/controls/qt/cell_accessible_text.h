#pragma once

#include <QString>

namespace corvimap {

// What a screen reader should hear for a cell: an image cell's pictures by name, joined by ", "
// ("Shares, Quake III Arena"), and colour-coded text without its codes. Any other text is
// returned as it is.
QString AccessibleCellText(const QString& text, bool image_cells, bool colour_codes);

}  // namespace corvimap
