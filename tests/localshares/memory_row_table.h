#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "localshares/local_share_lists.h"
#include "localshares/samba_status_parser.h"

namespace corvimap::testing {

// A list of rows in memory, sorted by its first column (letter case aside) when asked, as the
// shares list is.
class MemoryRowTable final : public RowTable {
public:
    MemoryRowTable(int columns, bool sorted) : columns_(columns), sorted_(sorted) {}

    int RowCount() const override { return static_cast<int>(rows_.size()); }
    std::string Text(int row, int column) const override { return rows_.at(row).cells.at(column); }
    uint32_t Data(int row) const override { return rows_.at(row).data; }
    void SetData(int row, uint32_t data) override { rows_.at(row).data = data; }
    void SetText(int row, int column, const std::string& text) override {
        rows_.at(row).cells.at(column) = text;
        ++writes_;
    }
    int AddRow(const std::string& first) override {
        auto place = rows_.end();
        if (sorted_) {
            place = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) {
                return FoldCase(row.cells[0]) > FoldCase(first);
            });
        }
        Row row{std::vector<std::string>(columns_), 0};
        row.cells[0] = first;
        const auto index = place - rows_.begin();
        rows_.insert(place, row);
        return static_cast<int>(index);
    }
    void RemoveRow(int row) override { rows_.erase(rows_.begin() + row); }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (const Row& row : rows_) {
            texts.push_back(row.cells.at(column));
        }
        return texts;
    }
    int Writes() const { return writes_; }

private:
    struct Row {
        std::vector<std::string> cells;
        uint32_t data;
    };
    int columns_;
    bool sorted_;
    std::vector<Row> rows_;
    int writes_ = 0;
};

}  // namespace corvimap::testing
