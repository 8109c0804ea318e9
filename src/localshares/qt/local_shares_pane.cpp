#include "localshares/qt/local_shares_pane.h"

#include <QHeaderView>
#include <ctime>
#include <utility>
#include <vector>

#include "controls/qt/list_view_state.h"
#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"
#include "localshares/local_share_lists.h"
#include "log/event_log.h"

namespace corvimap {
namespace {

struct ListColumn {
    const char* title;
    int width;
    Qt::Alignment alignment;
};

struct ListSpec {
    const char* key;
    const char* name;
    std::vector<ListColumn> columns;
};

const ListSpec kSharesList = {"LocalSharesInfo\\SharesList",
                              "Shares",
                              {{"Net name", 79, Qt::AlignLeft},
                               {"Users", 43, Qt::AlignRight},
                               {"Max users", 43, Qt::AlignRight},
                               {"Permissions", 75, Qt::AlignLeft},
                               {"Description", 70, Qt::AlignLeft},
                               {"Path", 90, Qt::AlignLeft}}};
const ListSpec kSessionsList = {"LocalSharesInfo\\SessionsList",
                                "Sessions",
                                {{"Host", 133, Qt::AlignLeft},
                                 {"User", 103, Qt::AlignLeft},
                                 {"Time", 82, Qt::AlignHCenter},
                                 {"Idle time", 82, Qt::AlignHCenter}}};
const ListSpec kFilesList = {"LocalSharesInfo\\FilesList",
                             "Open files",
                             {{"User (Host)", 100, Qt::AlignLeft},
                              {"Permision", 57, Qt::AlignLeft},
                              {"Path to file", 243, Qt::AlignLeft}}};

StoredRowsModel* MakeModel(const ListSpec& spec, QObject* parent) {
    std::vector<StoredRowsModel::Column> columns;
    for (const ListColumn& column : spec.columns) {
        columns.push_back({column.title, column.alignment});
    }
    return new StoredRowsModel(std::move(columns), parent);
}

MarkupListCtrl* MakeList(const ListSpec& spec, StoredRowsModel* model) {
    auto* list = new MarkupListCtrl();
    list->setObjectName(spec.name);
    list->setModel(model);
    list->setAccessibleName(spec.name);
    for (size_t column = 0; column < spec.columns.size(); ++column) {
        list->header()->resizeSection(static_cast<int>(column), spec.columns[column].width);
    }
    return list;
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The update's view of a list model.
class ModelRows final : public RowTable {
public:
    explicit ModelRows(StoredRowsModel& model) : model_(model) {}
    int RowCount() const override { return model_.RowCount(); }
    std::string Text(int row, int column) const override {
        return model_.Text(row, column).toStdString();
    }
    uint32_t Data(int row) const override { return model_.RowData(row); }
    void SetData(int row, uint32_t data) override { model_.SetRowData(row, data); }
    void SetText(int row, int column, const std::string& text) override {
        model_.SetCell(row, column, FromUtf8(text));
    }
    int AddRow(const std::string& first) override { return model_.AddRow({FromUtf8(first)}); }
    void RemoveRow(int row) override { model_.RemoveRow(row); }

private:
    StoredRowsModel& model_;
};

}  // namespace

LocalSharesMonitor::Options LocalSharesPane::OptionsFromStore(const SettingsStore& store) {
    LocalSharesMonitor::Options options;
    options.smb_conf = store.GetProfileString("LocalSharesInfo", "SmbConf", "");
    return options;
}

LocalSharesPane::LocalSharesPane(SettingsStore& store, const ScanSettings& settings, EventLog& log,
                                 LocalSharesMonitor::Options options, QObject* parent)
    : QObject(parent),
      store_(store),
      settings_(settings),
      log_(log),
      monitor_(std::make_unique<LocalSharesMonitor>(std::move(options))),
      share_rows_(MakeModel(kSharesList, this)),
      session_rows_(MakeModel(kSessionsList, this)),
      file_rows_(MakeModel(kFilesList, this)),
      shares_(MakeList(kSharesList, share_rows_)),
      sessions_(MakeList(kSessionsList, session_rows_)),
      files_(MakeList(kFilesList, file_rows_)),
      share_table_(std::make_unique<ModelRows>(*share_rows_)),
      session_table_(std::make_unique<ModelRows>(*session_rows_)),
      file_table_(std::make_unique<ModelRows>(*file_rows_)),
      refresh_(std::make_unique<LocalSharesRefresh>(*share_table_, *session_table_, *file_table_)) {
    share_rows_->SetSortedByFirstColumn(true);
}

LocalSharesPane::~LocalSharesPane() {
    Stop();
    // Lists never installed in a window are still ours.
    for (MarkupListCtrl* list : {shares_.data(), sessions_.data(), files_.data()}) {
        if (list != nullptr && list->parent() == nullptr) {
            delete list;
        }
    }
}

void LocalSharesPane::Start() {
    monitor_->Start();
}

void LocalSharesPane::Stop() {
    monitor_->Stop();
}

LocalSharesPane::TickResult LocalSharesPane::Tick(bool pane_shown) {
    monitor_->SetPaneShown(pane_shown);
    std::vector<LocalSharesEvent> events;
    const TickResult result = refresh_->Apply(*monitor_->Latest(), ::time(nullptr), events);
    if (result.note_changed) {
        note_ = FromUtf8(refresh_->Note());
    }
    WriteLocalSharesEvents(events, settings_, log_);
    return result;
}

void LocalSharesPane::SaveLayout() {
    for (auto [list, spec] :
         {std::pair{shares_.data(), &kSharesList}, std::pair{sessions_.data(), &kSessionsList},
          std::pair{files_.data(), &kFilesList}}) {
        if (list != nullptr) {
            ListViewState::SaveColumns(*list->header(), store_, spec->key);
        }
    }
}

void LocalSharesPane::RestoreLayout() {
    for (auto [list, spec] :
         {std::pair{shares_.data(), &kSharesList}, std::pair{sessions_.data(), &kSessionsList},
          std::pair{files_.data(), &kFilesList}}) {
        if (list != nullptr) {
            ListViewState::LoadColumns(*list->header(), store_, spec->key);
        }
    }
}

}  // namespace corvimap
