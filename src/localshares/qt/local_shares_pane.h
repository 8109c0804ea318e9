#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

#include "controls/qt/markup_list.h"
#include "localshares/local_share_lists.h"
#include "localshares/local_shares_monitor.h"
#include "settings/scan_settings.h"
#include "settings/settings_store.h"

namespace corvimap {

class EventLog;
class StoredRowsModel;

// The local shares pane's three lists (shares, sessions, open files) and the monitor that reads
// the local Samba server for them. The window installs the lists in its pane and calls Tick on
// its 160 ms timer; a tick only compares the monitor's latest snapshot with the lists, the
// enumeration itself runs on the monitor's thread. Everything here runs on the UI thread.
//
// The window owns the lists once installed; this object only watches them, so it may outlive
// them. Its destruction, or Stop, ends the monitor's thread.
class LocalSharesPane final : public QObject {
    Q_OBJECT
public:
    // The monitor's settings: "SmbConf" of section "LocalSharesInfo" (empty: Samba's default).
    static LocalSharesMonitor::Options OptionsFromStore(const SettingsStore& store);

    LocalSharesPane(SettingsStore& store, const ScanSettings& settings, EventLog& log,
                    LocalSharesMonitor::Options options, QObject* parent = nullptr);
    ~LocalSharesPane() override;

    void Start();
    void Stop();

    using TickResult = LocalSharesRefresh::Result;
    // One refresh of the three lists from the latest snapshot; writes the log entries of new
    // and removed rows. `pane_shown` paces the monitor.
    TickResult Tick(bool pane_shown);

    // What could not be read and why; empty when all was read.
    const QString& Note() const { return note_; }

    MarkupListCtrl* Shares() const { return shares_; }
    MarkupListCtrl* Sessions() const { return sessions_; }
    MarkupListCtrl* Files() const { return files_; }
    StoredRowsModel& ShareRows() const { return *share_rows_; }
    StoredRowsModel& SessionRows() const { return *session_rows_; }
    StoredRowsModel& FileRows() const { return *file_rows_; }
    LocalSharesMonitor& Monitor() { return *monitor_; }

    // Column layouts under "LocalSharesInfo\SharesList", "...\SessionsList", "...\FilesList".
    void SaveLayout();
    void RestoreLayout();

private:
    SettingsStore& store_;
    const ScanSettings& settings_;
    EventLog& log_;
    std::unique_ptr<LocalSharesMonitor> monitor_;
    StoredRowsModel* share_rows_;
    StoredRowsModel* session_rows_;
    StoredRowsModel* file_rows_;
    QPointer<MarkupListCtrl> shares_;
    QPointer<MarkupListCtrl> sessions_;
    QPointer<MarkupListCtrl> files_;
    std::unique_ptr<RowTable> share_table_;
    std::unique_ptr<RowTable> session_table_;
    std::unique_ptr<RowTable> file_table_;
    std::unique_ptr<LocalSharesRefresh> refresh_;
    QString note_;
};

}  // namespace corvimap
