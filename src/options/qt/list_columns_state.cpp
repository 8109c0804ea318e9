#include "options/qt/list_columns_state.h"

#include <QHeaderView>
#include <cstdio>
#include <vector>

namespace corvimap {
namespace {

constexpr int32_t kKeepWidth = 9999;

bool IsPermutation(const std::vector<uint8_t>& order, int columns) {
    if (static_cast<int>(order.size()) != columns) {
        return false;
    }
    std::vector<bool> seen(order.size(), false);
    for (uint8_t column : order) {
        if (column >= order.size() || seen[column]) {
            return false;
        }
        seen[column] = true;
    }
    return true;
}

}  // namespace

std::string ColumnWidthValueName(int column) {
    char name[32];
    std::snprintf(name, sizeof name, "Column%2.2dWidth", column);
    return name;
}

void SaveListColumns(SettingsStore& store, std::string_view section, const QHeaderView& header) {
    const int columns = header.count();
    store.WriteProfileInt(section, "ColumnNumber", columns);
    std::vector<uint8_t> order;
    order.reserve(static_cast<size_t>(columns));
    for (int position = 0; position < columns; ++position) {
        order.push_back(static_cast<uint8_t>(header.logicalIndex(position) & 0xFF));
    }
    store.WriteProfileBinary(section, "OrderOfColumn", order);
    for (int column = 0; column < columns; ++column) {
        store.WriteProfileInt(section, ColumnWidthValueName(column), header.sectionSize(column));
    }
}

bool LoadListColumns(const SettingsStore& store, std::string_view section, QHeaderView& header) {
    if (store.GetProfileInt(section, "ColumnNumber", -1) == -1) {
        return false;
    }
    const std::vector<uint8_t> order =
        store.GetProfileBinary(section, "OrderOfColumn").value_or(std::vector<uint8_t>{});
    if (IsPermutation(order, header.count())) {
        for (int position = 0; position < static_cast<int>(order.size()); ++position) {
            header.moveSection(header.visualIndex(order[static_cast<size_t>(position)]), position);
        }
    }
    for (int column = 0; column < static_cast<int>(order.size()) && column < header.count();
         ++column) {
        const int32_t width =
            store.GetProfileInt(section, ColumnWidthValueName(column), kKeepWidth);
        if (width != kKeepWidth) {
            header.resizeSection(column, width & 0xFFFF);
        }
    }
    return true;
}

}  // namespace corvimap
