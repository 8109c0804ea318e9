#include "controls/qt/list_view_state.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <algorithm>
#include <optional>
#include <vector>

#include "text/list_state_keys.h"

namespace corvimap {
namespace {

// A stored order that is not a permutation of the list's columns is refused as a whole, as a
// list refuses an order array of the wrong size. One exception: a permutation of the first
// columns only was saved before the list gained columns at its end; those keep their places
// after the stored ones, so an upgrade does not throw the user's layout away.
std::optional<std::vector<uint8_t>> UsableOrder(std::vector<uint8_t> order, int count) {
    const int stored = static_cast<int>(order.size());
    if (stored == 0 || stored > count) {
        return std::nullopt;
    }
    std::vector<bool> seen(static_cast<size_t>(stored), false);
    for (const uint8_t column : order) {
        if (column >= stored || seen[column]) {
            return std::nullopt;
        }
        seen[column] = true;
    }
    for (int column = stored; column < count; ++column) {
        order.push_back(static_cast<uint8_t>(column));
    }
    return order;
}

void ApplyOrder(QHeaderView& header, const std::vector<uint8_t>& order) {
    for (int position = 0; position < static_cast<int>(order.size()); ++position) {
        const int from = header.visualIndex(order[position]);
        if (from != position) {
            header.moveSection(from, position);
        }
    }
}

void ApplyWidth(QHeaderView& header, int column, int width) {
    if (width == 0) {
        header.hideSection(column);
        return;
    }
    header.showSection(column);
    header.resizeSection(column, width);
}

}  // namespace

void ListViewState::SaveColumns(const QHeaderView& header, SettingsStore& store,
                                std::string_view section) {
    const int count = header.count();
    store.WriteProfileInt(section, kColumnNumberKey, count);
    std::vector<uint8_t> order;
    for (int position = 0; position < count; ++position) {
        order.push_back(static_cast<uint8_t>(header.logicalIndex(position) & 0xFF));
    }
    store.WriteProfileBinary(section, kOrderOfColumnKey, order);
    for (int column = 0; column < count; ++column) {
        const int width = header.isSectionHidden(column) ? 0 : header.sectionSize(column);
        store.WriteProfileInt(section, ColumnWidthKey(column), width);
    }
}

bool ListViewState::LoadColumns(QHeaderView& header, const SettingsStore& store,
                                std::string_view section) {
    if (store.GetProfileInt(section, kColumnNumberKey, -1) == -1) {
        return false;
    }
    const std::vector<uint8_t> order =
        store.GetProfileBinary(section, kOrderOfColumnKey).value_or(std::vector<uint8_t>{});
    if (const auto usable = UsableOrder(order, header.count())) {
        ApplyOrder(header, *usable);
    }
    const int stored = static_cast<int>(order.size());
    for (int column = 0; column < stored && column < header.count(); ++column) {
        const int32_t width =
            store.GetProfileInt(section, ColumnWidthKey(column), kKeepColumnWidth);
        if (width != kKeepColumnWidth) {
            ApplyWidth(header, column, width & 0xFFFF);
        }
    }
    return true;
}

}  // namespace corvimap
