#include "games/qt/game_servers_pane.h"

#include <QDateTime>
#include <QHeaderView>

#include "controls/qt/column_widths.h"
#include "controls/qt/list_images.h"
#include "controls/qt/list_view_state.h"
#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"
#include "controls/qt/ui_handover.h"
#include "games/server_report_details.h"
#include "text/utf8_cut.h"

namespace corvimap {
namespace {

constexpr size_t kMaxFieldBytes = 255;

struct ListSpec {
    const char* key;
    std::vector<std::pair<const char*, ColumnDefault>> columns;
};

// The samples are the longest texts a column shows: an address with its port, a report time.
const ListSpec kServerList = {"GameServers\\GSL1",
                              {{"IP:Port", {122, {"255.255.255.255:65535"}}},
                               {"Server name", {116, {}}},
                               {"Map", {55, {}}},
                               {"Players", {46, {}}},
                               {"Last update", {57, {"Last update", "00:00 / 07.12.2026"}}}}};
const ListSpec kPlayerList = {
    "GameServers\\GSL2", {{"Player name", {107, {}}}, {"Frags", {45, {}}}, {"Ping", {43, {}}}}};
const ListSpec kRuleList = {"GameServers\\GSL3", {{"Rule", {91, {}}}, {"Value", {90, {}}}}};

QString FieldText(const ServerReport& report, size_t index) {
    const auto field = report.Field(index);
    if (!field) {
        return {};
    }
    const std::string_view cut = CutUtf8(*field, kMaxFieldBytes);
    return QString::fromUtf8(cut.data(), static_cast<qsizetype>(cut.size()));
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

StoredRowsModel* MakeModel(const ListSpec& spec, QObject* parent) {
    std::vector<StoredRowsModel::Column> columns;
    for (const auto& [title, column] : spec.columns) {
        columns.push_back({title});
    }
    return new StoredRowsModel(std::move(columns), parent);
}

MarkupListCtrl* MakeList(const ListSpec& spec, StoredRowsModel* model, const QString& name,
                         QWidget* parent) {
    auto* list = new MarkupListCtrl(parent);
    list->setModel(model);
    list->SetImageList(&ListImages::Standard());
    list->setAccessibleName(name);
    std::vector<ColumnDefault> defaults;
    for (const auto& [title, column] : spec.columns) {
        defaults.push_back(column);
    }
    UseDefaultColumnWidths(*list, std::move(defaults));
    return list;
}

}  // namespace

GameServersPane::GameServersPane(UiHandover& handover, SettingsStore& store, QWidget* parent)
    : QWidget(parent),
      handover_(handover),
      store_(store),
      server_rows_(MakeModel(kServerList, this)),
      player_rows_(MakeModel(kPlayerList, this)),
      rule_rows_(MakeModel(kRuleList, this)),
      servers_(MakeList(kServerList, server_rows_, "Game servers", this)),
      players_(MakeList(kPlayerList, player_rows_, "Players", this)),
      rules_(MakeList(kRuleList, rule_rows_, "Rules", this)) {
    // Players come in name order, and Quake III names carry colour codes.
    player_rows_->SetSortedByFirstColumn(true);
    player_rows_->SetMarkup(false, true);
    players_->SetColourCodes(true);
    connect(servers_, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { ShowDetails(index.row()); });
}

GameServersPane::~GameServersPane() = default;

void GameServersPane::UpdateServer(uint8_t image_index, ServerReport report) {
    handover_.Run([this, image_index, report = std::move(report)]() mutable {
        ApplyUpdate(image_index, std::move(report));
    });
}

QString GameServersPane::LastUpdateText(const QDateTime& when) {
    return when.toString("HH:mm / dd.MM.yyyy");
}

void GameServersPane::ApplyUpdate(uint8_t image_index, ServerReport report) {
    if (!report.Field(0)) {
        return;
    }
    const QString address = FieldText(report, 0);
    int row = -1;
    for (int i = 0; i < server_rows_->RowCount(); ++i) {
        if (server_rows_->Text(i, 0) == address) {
            row = i;
            break;
        }
    }
    if (row < 0) {
        row = server_rows_->AddRow({address}, image_index);
        reports_.resize(static_cast<size_t>(row) + 1);
    }
    server_rows_->SetCell(row, 1, FieldText(report, 1));
    server_rows_->SetCell(row, 2, FieldText(report, 2));
    server_rows_->SetCell(row, 3, FieldText(report, 3));
    server_rows_->SetCell(row, 4, LastUpdateText(QDateTime::currentDateTime()));
    reports_[static_cast<size_t>(row)] = std::move(report);
}

void GameServersPane::ShowDetails(int row) {
    if (row < 0 || row >= server_rows_->RowCount() ||
        reports_[static_cast<size_t>(row)].Text().empty()) {
        return;
    }
    const ServerReportDetails details =
        ReadServerReportDetails(reports_[static_cast<size_t>(row)].Text());
    player_rows_->Clear();
    for (const ServerPlayer& player : details.players) {
        player_rows_->AddRow(
            {FromUtf8(player.name), FromUtf8(player.frags), FromUtf8(player.ping)});
    }
    if (!details.rules_read) {
        return;
    }
    rule_rows_->Clear();
    for (const auto& [key, value] : details.rules) {
        rule_rows_->AddRow({FromUtf8(key), FromUtf8(value)});
    }
}

void GameServersPane::SaveLayout() {
    ListViewState::SaveColumns(*servers_->header(), store_, kServerList.key);
    ListViewState::SaveColumns(*players_->header(), store_, kPlayerList.key);
    ListViewState::SaveColumns(*rules_->header(), store_, kRuleList.key);
}

void GameServersPane::RestoreLayout() {
    ListViewState::LoadColumns(*servers_->header(), store_, kServerList.key);
    ListViewState::LoadColumns(*players_->header(), store_, kPlayerList.key);
    ListViewState::LoadColumns(*rules_->header(), store_, kRuleList.key);
}

void GameServersPane::resizeEvent(QResizeEvent*) {
    LayOut();
}

void GameServersPane::LayOut() {
    // The server list over the upper half; players left and rules right below it, one pixel
    // apart.
    const int width = this->width();
    const int height = this->height();
    const int half = height / 2;
    const int half_width = width / 2;
    servers_->setGeometry(0, 0, width, half);
    players_->setGeometry(0, half + 1, half_width - 1, height - half - 1);
    rules_->setGeometry(half_width + 1, half + 1, width - half_width - 1, height - half - 1);
}

}  // namespace corvimap
