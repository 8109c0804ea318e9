#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "controls/qt/markup_list.h"
#include "search/file_search.h"
#include "settings/settings_store.h"

namespace corvimap {

class SearchResultsModel;
class UiHandover;

// "\\addr\share\dir\name" as the smb:// URL the desktop opens, every byte of the names that a
// URL path cannot hold as it is percent-encoded (blanks, "#", "%", non-ASCII letters).
QUrl SearchResultUrl(const std::string& unc_path);

// The global search pane's controls: the folder label, the mask field, the Search/Stop/Start
// button and the results list. The main window places them (and owns them from then on); this
// object drives them and the search. UI thread only; the search reaches it through
// HandedOverSearchView.
class SearchPane final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaskLimit = 254;

    SearchPane(FileSearch& search, QObject* parent = nullptr);
    ~SearchPane() override;

    QLabel* Folder() const { return folder_; }
    QLineEdit* Mask() const { return mask_; }
    QPushButton* Button() const { return button_; }
    MarkupListCtrl* Results() const { return results_; }
    SearchResultsModel& Rows() const { return *rows_; }

    // What the search shows, in its order.
    void Started();
    void ShowFolder(const std::string& path);
    void AddResults(std::vector<SearchResult> rows);
    void ShowProgress(const std::string& text);
    void Ended();

    // The button: stops a running search, else starts one over the mask field's masks.
    void OnButton();
    // Opens the row's file ("Full path") with the desktop.
    void OpenRow(int row);
    // Instead of the desktop (tests).
    void SetOpener(std::function<void(const QUrl&)> opener) { opener_ = std::move(opener); }

    // The button's caption again, after the window set its captions.
    void ShowCaption();

    // Column layout under "Search\GSL".
    void SaveLayout(SettingsStore& store) const;
    void RestoreLayout(const SettingsStore& store);

signals:
    // A progress text for the status line (the search pane).
    void StatusUpdate(const QString& text);

private:
    void SetCaption(const QString& caption);

    FileSearch& search_;
    QPointer<QLabel> folder_;
    QPointer<QLineEdit> mask_;
    QPointer<QPushButton> button_;
    QPointer<MarkupListCtrl> results_;
    SearchResultsModel* rows_;
    QString caption_;
    // True from the moment the window shows a search's end until the next one starts.
    bool ended_shown_ = true;
    std::function<void(const QUrl&)> opener_;
};

// What the search thread shows, handed over to the pane on the UI thread; dropped once the pane
// is detached or the hand-over closed, so the search never touches a freed widget. The folder
// label is posted without waiting and shows the latest folder when the UI thread gets to it:
// a walk passes hundreds of folders a second, and a wait for the UI thread at each would cost
// the walk more than its network round trips.
class HandedOverSearchView final : public SearchView {
public:
    explicit HandedOverSearchView(UiHandover& handover) : handover_(handover) {}

    // UI thread.
    void Attach(SearchPane* pane) { pane_ = pane; }

    void SearchStarted() override;
    void ShowFolder(const std::string& path) override;
    void AddResults(std::vector<SearchResult> rows) override;
    void ShowProgress(const std::string& text) override;
    void SearchEnded() override;

private:
    UiHandover& handover_;
    QPointer<SearchPane> pane_;  // read on the UI thread only
    std::mutex folder_mutex_;
    std::string latest_folder_;  // guarded by folder_mutex_
    std::atomic<bool> folder_posted_{false};
};

}  // namespace corvimap
