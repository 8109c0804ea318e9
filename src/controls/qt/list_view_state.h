#pragma once

#include <string_view>

#include "settings/settings_store.h"

class QHeaderView;

namespace corvimap {

// Saves a list's column layout (order and widths) to a settings section and brings it back at the
// next start. A hidden column is stored with width 0 and comes back hidden.
class ListViewState {
public:
    ListViewState() = delete;

    static void SaveColumns(const QHeaderView& header, SettingsStore& store,
                            std::string_view section);
    // False, with the list left as it is, when nothing was saved ("ColumnNumber" is missing).
    static bool LoadColumns(QHeaderView& header, const SettingsStore& store,
                            std::string_view section);
};

}  // namespace corvimap
