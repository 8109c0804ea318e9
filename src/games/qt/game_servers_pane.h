#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "games/server_report.h"
#include "games/server_report_sink.h"
#include "settings/settings_store.h"

namespace corvimap {

class MarkupListCtrl;
class StoredRowsModel;
class UiHandover;

// The game servers pane: every server the scans found, and the players and rules of the one the
// user clicked. Reports arrive from probe threads and are handed to the UI thread, where each
// update is one step (find, insert, fill), so one address never gets two rows.
class GameServersPane final : public QWidget, public ServerReportSink {
    Q_OBJECT
public:
    GameServersPane(UiHandover& handover, SettingsStore& store, QWidget* parent = nullptr);
    ~GameServersPane() override;

    // From any thread.
    void UpdateServer(uint8_t image_index, ServerReport report) override;

    // The server list's row was clicked: fill the players and rules lists from its report.
    void ShowDetails(int row);

    // Column layouts, under "GameServers\GSL1" to "GSL3".
    void SaveLayout();
    void RestoreLayout();

    MarkupListCtrl& Servers() { return *servers_; }
    MarkupListCtrl& Players() { return *players_; }
    MarkupListCtrl& Rules() { return *rules_; }
    StoredRowsModel& ServerRows() { return *server_rows_; }
    StoredRowsModel& PlayerRows() { return *player_rows_; }
    StoredRowsModel& RuleRows() { return *rule_rows_; }

    // "Last update" of a report received at the given time: "%H:%M / %d.%m.%Y".
    static QString LastUpdateText(const QDateTime& when);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyUpdate(uint8_t image_index, ServerReport report);
    void LayOut();

    UiHandover& handover_;
    SettingsStore& store_;
    StoredRowsModel* server_rows_;
    StoredRowsModel* player_rows_;
    StoredRowsModel* rule_rows_;
    MarkupListCtrl* servers_;
    MarkupListCtrl* players_;
    MarkupListCtrl* rules_;
    // The latest report of each server row, by row.
    std::vector<ServerReport> reports_;
};

}  // namespace corvimap
