#pragma once

#include <QStringList>
#include <vector>

#include "controls/window_layout.h"

class QFontMetrics;
class QTreeView;

namespace corvimap {

// The base units of a font as the design's pixel sizes assume them (6 x 13 for the font the
// design was made with).
FontBaseUnits BaseUnitsOf(const QFontMetrics& metrics);

// What a column starts with when no layout was stored: its designed width in pixels and the
// texts it must show uncut (a MAC address, a date), if any.
struct ColumnDefault {
    int designed_width = 0;
    QStringList samples;
};

// The room a cell of the column leaves beside its text: margins, and the row picture in column 0.
int CellMargins(const QTreeView& list, int column);

// Gives the list's columns their default widths for the list's font (DefaultColumnWidth), and
// gives them again when the font changes (a list gets its window's font when it is put into it)
// as long as the widths are still those defaults. A layout restored afterwards, or widths the
// user dragged, stay as they are. UI thread; the list owns what this leaves behind.
void UseDefaultColumnWidths(QTreeView& list, std::vector<ColumnDefault> columns);

}  // namespace corvimap
