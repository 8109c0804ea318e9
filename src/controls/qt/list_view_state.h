#pragma once

#include <string_view>

#include "settings/settings_store.h"

class QAbstractItemModel;
class QHeaderView;

namespace corvimap {

// Saves a list's column layout (order and widths) to a settings section and brings it back at the
// next start; for the external programs list it also keeps the rows. A hidden column is stored
// with width 0 and comes back hidden.
class ListViewState {
public:
    ListViewState() = delete;

    static void SaveColumns(const QHeaderView& header, SettingsStore& store,
                            std::string_view section);
    // False, with the list left as it is, when nothing was saved ("ColumnNumber" is missing).
    static bool LoadColumns(QHeaderView& header, const SettingsStore& store,
                            std::string_view section);

    // Rows: every cell's display text and column 0's item data (kItemDataRole). Keys of rows
    // beyond the count stay in the store from an earlier, longer save; loading ignores them.
    static void SaveItems(const QAbstractItemModel& model, SettingsStore& store,
                          std::string_view section);
    // Expects an empty model whose columns exist and which can insert rows and set their data.
    // False when nothing was saved ("ItemCount" or "SubItemCount" missing).
    static bool LoadItems(QAbstractItemModel& model, const SettingsStore& store,
                          std::string_view section);

    // A stored row count beyond this is a damaged value; only this many rows are read.
    static constexpr int kMaxLoadedRows = 100000;
};

}  // namespace corvimap
