#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvimap {

// The rows of an ordinary list (log, game servers, players, rules, ping, ...) kept in memory:
// per row the cell texts, a picture and a 32-bit data word. It can keep its rows sorted by the
// first column, as a list with the sort-ascending style does.
class StoredRowsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        Qt::Alignment alignment = Qt::AlignLeft;
    };

    explicit StoredRowsModel(std::vector<Column> columns, QObject* parent = nullptr);

    // Rows then go in at the place that keeps the first column in ascending order, letter case
    // aside; equal texts keep their order of arrival.
    void SetSortedByFirstColumn(bool sorted);
    // What the cells hold, so screen readers get image cells by name and colour-coded text plain.
    void SetMarkup(bool image_cells, bool colour_codes);
    // What a row picture means, for screen readers; the host pictures' meanings unless set.
    using ImageMeaning = QString (*)(int image);
    void SetImageMeaning(ImageMeaning meaning) { image_meaning_ = meaning; }

    // Adds a row (at the end, or at its sorted place) and returns its index. Missing texts are
    // empty; texts beyond the column count are dropped.
    int AddRow(const QStringList& texts, int image = -1, quint32 data = 0);
    void RemoveRow(int row);
    void Clear();

    void SetCell(int row, int column, const QString& text);
    void SetRowData(int row, quint32 data);

    QString Text(int row, int column) const;
    int RowImage(int row) const;
    quint32 RowData(int row) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

private:
    struct Row {
        QStringList texts;
        int image = -1;
        quint32 data = 0;
    };

    Row MakeRow(const QStringList& texts, int image, quint32 data) const;
    int SortedPlace(const QString& first) const;
    bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }

    std::vector<Column> columns_;
    std::vector<Row> rows_;
    bool sorted_ = false;
    bool image_cells_ = false;
    bool colour_codes_ = false;
    ImageMeaning image_meaning_;
};

}  // namespace corvimap
