#pragma once

#include <string>
#include <string_view>

#include "app/settings_store.h"

class QHeaderView;

namespace corvimap {

// The column layout of a list in a settings section: "ColumnNumber", "OrderOfColumn" (one byte
// per display position: the column shown there) and "Column%2.2dWidth" by column. The same
// layout every list of the program keeps.
void SaveListColumns(SettingsStore& store, std::string_view section, const QHeaderView& header);

// Restores a saved layout; false, changing nothing, when none was saved. An order that does not
// name every column of the list exactly once is not applied; a width of 9999 keeps the column's
// own width.
bool LoadListColumns(const SettingsStore& store, std::string_view section, QHeaderView& header);

// "Column%2.2dWidth".
std::string ColumnWidthValueName(int column);

}  // namespace corvimap
