#include "app/qt/host_list_model.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <optional>

#include "controls/qt/cell_accessible_text.h"
#include "controls/qt/list_images.h"
#include "controls/qt/list_roles.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

constexpr int kInitialWidths[HostListModel::kColumnCount] = {110, 110, 90, 70, 70, 70, 70, 150};

int ClampRows(std::size_t n) {
    return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
}

}  // namespace

// Receives the table's reports on any thread. Reports are merged while one hand-over to the UI
// thread is pending, so a scan that changes thousands of rows costs a few repaints, not
// thousands of queued calls.
class HostListModel::Bridge final : public HostTableListener {
public:
    struct Pending {
        std::optional<std::size_t> count;  // the latest count
        std::size_t lowest_count = 0;      // the lowest count reported since the last apply
        std::optional<std::pair<std::size_t, std::size_t>> rows;
    };

    explicit Bridge(HostListModel* model) : model_(model) {}

    void CountChanged(std::size_t n) override {
        {
            std::lock_guard lock(mutex_);
            if (model_ == nullptr) {
                return;
            }
            pending_.lowest_count = pending_.count ? std::min(pending_.lowest_count, n) : n;
            pending_.count = n;
        }
        Deliver();
    }

    void RowsChanged(std::size_t first, std::size_t last) override {
        {
            std::lock_guard lock(mutex_);
            if (model_ == nullptr) {
                return;
            }
            if (pending_.rows) {
                pending_.rows = std::pair(std::min(pending_.rows->first, first),
                                          std::max(pending_.rows->second, last));
            } else {
                pending_.rows = std::pair(first, last);
            }
        }
        Deliver();
    }

    Pending Take() {
        std::lock_guard lock(mutex_);
        posted_ = false;
        return std::exchange(pending_, Pending{});
    }

    // The model goes: later reports are dropped.
    void Detach() {
        std::lock_guard lock(mutex_);
        model_ = nullptr;
    }

private:
    // Also from the UI thread itself (a sort, a clear, a file load): applying later lets a load
    // of thousands of rows become one insertion.
    void Deliver() {
        std::lock_guard lock(mutex_);
        if (model_ == nullptr || posted_) {
            return;
        }
        posted_ = true;
        // Posted under the lock, so the model cannot finish Detach meanwhile; a model destroyed
        // later takes the posted call with it.
        HostListModel* model = model_;
        QMetaObject::invokeMethod(
            model, [model] { model->ApplyPendingChanges(); }, Qt::QueuedConnection);
    }

    std::mutex mutex_;
    HostListModel* model_;
    bool posted_ = false;
    Pending pending_;
};

HostListModel::HostListModel(HostTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), bridge_(std::make_shared<Bridge>(this)) {
    // Listener first, then the count: a row added in between is reported, not lost.
    table_.SetListener(bridge_);
    rows_ = ClampRows(table_.Count());
}

HostListModel::~HostListModel() {
    bridge_->Detach();
}

QString HostListModel::ColumnTitle(int column) {
    switch (column) {
        case 0:
            return QStringLiteral("IP");
        case 1:
            return QStringLiteral("MAC");
        case 2:
            return QString::fromUtf8(StringTable::Lookup(text_id::kColumnName));
        case 3:
            return QString::fromUtf8(StringTable::Lookup(text_id::kColumnTime));
        case 4:
            return QString::fromUtf8(StringTable::Lookup(text_id::kColumnFound));
        case 5:
            return QString::fromUtf8(StringTable::Lookup(text_id::kColumnWorkgroup));
        case 6:
            return QString::fromUtf8(StringTable::Lookup(text_id::kColumnDescription));
        case 7:
            return QStringLiteral("Vendor");
        default:
            return {};
    }
}

int HostListModel::InitialWidth(int column) {
    return column >= 0 && column < kColumnCount ? kInitialWidths[column] : 70;
}

std::vector<ColumnDefault> HostListModel::DefaultColumns() {
    std::vector<ColumnDefault> columns;
    for (int column = 0; column < kColumnCount; ++column) {
        columns.push_back({InitialWidth(column), {}});
    }
    columns[0].samples = {QStringLiteral("255.255.255.255")};
    columns[1].samples = {QStringLiteral("5A-2A-93-E9-3F-01")};
    return columns;
}

void HostListModel::Retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void HostListModel::ApplyPendingChanges() {
    const Bridge::Pending pending = bridge_->Take();
    if (pending.count) {
        const int lowest = ClampRows(pending.lowest_count);
        const int latest = ClampRows(*pending.count);
        // Rows go only when the table was cleared; the rows that follow are new ones.
        if (lowest < rows_) {
            beginRemoveRows(QModelIndex(), lowest, rows_ - 1);
            rows_ = lowest;
            endRemoveRows();
        }
        if (latest > rows_) {
            beginInsertRows(QModelIndex(), rows_, latest - 1);
            rows_ = latest;
            endInsertRows();
        }
    }
    if (pending.rows && rows_ > 0) {
        const int first = ClampRows(pending.rows->first);
        const int last = std::min(ClampRows(pending.rows->second), rows_ - 1);
        if (first <= last) {
            emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
        }
    }
}

int HostListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int HostListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant HostListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= kColumnCount) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<HostColumn>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(table_.ColumnText(row, column));
        case Qt::AccessibleTextRole:
            return AccessibleCellText(QString::fromStdString(table_.ColumnText(row, column)), true,
                                      false);
        case Qt::AccessibleDescriptionRole:
            if (index.column() == 0) {
                return ListImages::Meaning(static_cast<int>(table_.StateAt(row)));
            }
            return {};
        case kRowImageRole:
            if (index.column() == 0) {
                return static_cast<int>(table_.StateAt(row));
            }
            return {};
        default:
            return {};
    }
}

QVariant HostListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return ColumnTitle(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags HostListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace corvimap
