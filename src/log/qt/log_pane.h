#pragma once

#include <QIcon>
#include <QWidget>
#include <vector>

#include "log/log_rows.h"
#include "settings/settings_store.h"

namespace corvimap {

class MarkupListCtrl;
class StoredRowsModel;

// The log pane's message list: "Date/Time" and "Messages", one row per log message with the
// message's kind as its row picture, at most a fixed number of rows, the newest scrolled into
// view. A right double click empties it. The width of the first column is kept in
// "Main"/"Log0Column". Rows arrive on the UI thread (the event log's sink hands them over).
class LogPane final : public QWidget {
    Q_OBJECT
public:
    LogPane(SettingsStore& store, int32_t max_rows, QWidget* parent = nullptr);
    // Stores the first column's width.
    ~LogPane() override;

    void AddRow(const LogRow& row);
    void Clear();

    std::size_t RowCount() const { return rows_.Size(); }
    const LogRows& Rows() const { return rows_; }
    int DateColumnWidth() const;
    int MessageColumnWidth() const;

    // The list and its rows, for tests and the window's accessibility names.
    MarkupListCtrl* View() const { return view_; }
    StoredRowsModel& Model() const { return *model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitMessageColumn();

    SettingsStore& store_;
    LogRows rows_;
    StoredRowsModel* model_ = nullptr;
    MarkupListCtrl* view_ = nullptr;
};

}  // namespace corvimap
