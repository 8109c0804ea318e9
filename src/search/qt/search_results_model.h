#pragma once

#include <QAbstractTableModel>
#include <deque>
#include <vector>

#include "search/file_search.h"

namespace corvimap {

// The results list's rows: "Filename", "Size" (right-aligned), "Date/Time", "Full path". Rows
// are kept as the search found them and turned into text only when the view asks, so a list of
// 100,000 results scrolls as smoothly as a short one; appending never moves the rows already
// there. UI thread only.
class SearchResultsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 4;

    explicit SearchResultsModel(QObject* parent = nullptr);

    void Append(std::vector<SearchResult> rows);
    void Clear();
    const SearchResult& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    int RowCount() const { return static_cast<int>(rows_.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::deque<SearchResult> rows_;
};

}  // namespace corvimap
