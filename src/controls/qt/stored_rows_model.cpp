#include "controls/qt/stored_rows_model.h"

#include <algorithm>

#include "controls/qt/cell_accessible_text.h"
#include "controls/qt/list_images.h"
#include "controls/qt/list_roles.h"

namespace corvimap {

StoredRowsModel::StoredRowsModel(std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent),
      columns_(std::move(columns)),
      image_meaning_(&ListImages::Meaning) {}

void StoredRowsModel::SetSortedByFirstColumn(bool sorted) {
    sorted_ = sorted;
}

void StoredRowsModel::SetMarkup(bool image_cells, bool colour_codes) {
    image_cells_ = image_cells;
    colour_codes_ = colour_codes;
}

StoredRowsModel::Row StoredRowsModel::MakeRow(const QStringList& texts, int image,
                                              quint32 data) const {
    Row row{texts.mid(0, columnCount()), image, data};
    while (row.texts.size() < columnCount()) {
        row.texts << QString();
    }
    return row;
}

int StoredRowsModel::SortedPlace(const QString& first) const {
    auto place = std::upper_bound(rows_.begin(), rows_.end(), first,
                                  [](const QString& text, const Row& row) {
                                      return text.compare(row.texts[0], Qt::CaseInsensitive) < 0;
                                  });
    return static_cast<int>(place - rows_.begin());
}

int StoredRowsModel::AddRow(const QStringList& texts, int image, quint32 data) {
    Row row = MakeRow(texts, image, data);
    const int at = (sorted_ && columnCount() > 0) ? SortedPlace(row.texts[0]) : RowCount();
    beginInsertRows(QModelIndex(), at, at);
    rows_.insert(rows_.begin() + at, std::move(row));
    endInsertRows();
    return at;
}

void StoredRowsModel::RemoveRow(int row) {
    removeRows(row, 1);
}

void StoredRowsModel::Clear() {
    if (rows_.empty()) {
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void StoredRowsModel::SetCell(int row, int column, const QString& text) {
    setData(index(row, column), text, Qt::EditRole);
}

void StoredRowsModel::SetRowData(int row, quint32 data) {
    setData(index(row, 0), data, kItemDataRole);
}

QString StoredRowsModel::Text(int row, int column) const {
    if (!ValidRow(row) || column < 0 || column >= columnCount()) {
        return {};
    }
    return rows_[row].texts[column];
}

int StoredRowsModel::RowImage(int row) const {
    return ValidRow(row) ? rows_[row].image : -1;
}

quint32 StoredRowsModel::RowData(int row) const {
    return ValidRow(row) ? rows_[row].data : 0;
}

int StoredRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int StoredRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant StoredRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !ValidRow(index.row()) || index.column() >= columnCount()) {
        return {};
    }
    const Row& row = rows_[index.row()];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return row.texts[index.column()];
        case Qt::AccessibleTextRole:
            return AccessibleCellText(row.texts[index.column()], image_cells_, colour_codes_);
        case Qt::AccessibleDescriptionRole:
            if (index.column() == 0 && row.image >= 0) {
                return image_meaning_(row.image);
            }
            return {};
        case Qt::TextAlignmentRole:
            return int(columns_[index.column()].alignment | Qt::AlignVCenter);
        case kRowImageRole:
            if (index.column() == 0 && row.image >= 0) {
                return row.image;
            }
            return {};
        case kItemDataRole:
            return index.column() == 0 ? QVariant(row.data) : QVariant();
        default:
            return {};
    }
}

QVariant StoredRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return columns_[section].title;
    }
    if (role == Qt::TextAlignmentRole) {
        return int(columns_[section].alignment | Qt::AlignVCenter);
    }
    return {};
}

bool StoredRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !ValidRow(index.row()) || index.column() >= columnCount()) {
        return false;
    }
    Row& row = rows_[index.row()];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            row.texts[index.column()] = value.toString();
            break;
        case kItemDataRole:
            row.data = value.toUInt();
            break;
        default:
            return false;
    }
    emit dataChanged(index, index, {role});
    return true;
}

bool StoredRowsModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > RowCount()) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    rows_.erase(rows_.begin() + row, rows_.begin() + row + count);
    endRemoveRows();
    return true;
}

}  // namespace corvimap
