#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "controls/qt/column_widths.h"
#include "engine/host_table.h"

namespace corvimap {

// The host list as a view of the host table: it holds no text of its own and reads each cell from
// the table when the view draws it. It is the table's listener; the table reports from worker
// threads, so the reports are collected and applied on the UI thread (CountChanged sets the row
// count, RowsChanged repaints rows). The view never sees a row count that the UI thread did not
// set, and rows the table no longer has read as empty.
class HostListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = static_cast<int>(kHostColumnCount);

    explicit HostListModel(HostTable& table, QObject* parent = nullptr);
    ~HostListModel() override;

    HostTable& Table() { return table_; }

    // Header titles in the current language, and the widths the list starts with.
    static QString ColumnTitle(int column);
    static int InitialWidth(int column);
    // The designed widths with the texts that must show uncut: an address, a MAC address.
    static std::vector<ColumnDefault> DefaultColumns();
    // The titles changed language.
    void Retranslate();

    // Applies the table's reports that have arrived (the UI thread does it by itself; tests may
    // call it to be sure).
    void ApplyPendingChanges();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    class Bridge;

    HostTable& table_;
    std::shared_ptr<Bridge> bridge_;
    int rows_ = 0;
};

}  // namespace corvimap
