#include "search/qt/search_pane.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/qt/list_view_state.h"
#include "controls/qt/markup_list.h"
#include "controls/qt/ui_handover.h"
#include "search/qt/search_results_model.h"

namespace corvimap {
namespace {

constexpr char kLayoutSection[] = "Search\\GSL";
// "Filename", "Size", "Date/Time", "Full path".
constexpr int kColumnWidths[SearchResultsModel::kColumnCount] = {130, 90, 90, 250};
constexpr int kDateColumn = 2;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QUrl SearchResultUrl(const std::string& unc_path) {
    QString text = FromUtf8(unc_path);
    if (!text.startsWith(QStringLiteral("\\\\"))) {
        return {};
    }
    text = text.mid(2);
    const qsizetype slash = text.indexOf(QLatin1Char('\\'));
    if (slash <= 0) {
        return {};
    }
    QString path = text.mid(slash);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QUrl url;
    url.setScheme(QStringLiteral("smb"));
    url.setHost(text.left(slash));
    // Decoded: a "%" in a name is a percent sign, not the start of an escape.
    url.setPath(path, QUrl::DecodedMode);
    return url.isValid() ? url : QUrl();
}

SearchPane::SearchPane(FileSearch& search, QObject* parent)
    : QObject(parent),
      search_(search),
      folder_(new QLabel),
      mask_(new QLineEdit),
      button_(new QPushButton),
      results_(new MarkupListCtrl),
      rows_(new SearchResultsModel(this)),
      opener_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    folder_->setObjectName("SearchFolder");
    folder_->setAccessibleName("Folder");
    mask_->setObjectName("SearchMask");
    mask_->setAccessibleName("Mask");
    mask_->setMaxLength(kMaskLimit);
    button_->setObjectName("SearchButton");
    results_->setObjectName("SearchResults");
    results_->setAccessibleName("Search results");
    results_->setModel(rows_);
    results_->header()->setSectionsMovable(true);
    // Linux fonts are wider than the ones the widths were made for; a date must still fit.
    const int date_width =
        results_->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 00:00")) +
        2 * results_->TextMargin();
    for (int column = 0; column < SearchResultsModel::kColumnCount; ++column) {
        const int width = kColumnWidths[column];
        results_->header()->resizeSection(
            column, column == kDateColumn ? std::max(width, date_width) : width);
    }
    SetCaption("Search");
    connect(button_, &QPushButton::clicked, this, &SearchPane::OnButton);
    connect(mask_, &QLineEdit::returnPressed, this, [this] {
        if (!search_.Running()) {
            OnButton();
        }
    });
    connect(results_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenRow(index.row()); });
}

SearchPane::~SearchPane() {
    // Controls the window never took are ours to free.
    for (QWidget* control : {static_cast<QWidget*>(folder_), static_cast<QWidget*>(mask_),
                             static_cast<QWidget*>(button_), static_cast<QWidget*>(results_)}) {
        if (control != nullptr && control->parent() == nullptr) {
            delete control;
        }
    }
}

void SearchPane::Started() {
    ended_shown_ = false;
    SetCaption("Stop");
    if (mask_) {
        mask_->setEnabled(false);
    }
    rows_->Clear();
}

void SearchPane::ShowFolder(const std::string& path) {
    if (folder_) {
        folder_->setText(FromUtf8(path));
    }
}

void SearchPane::AddResults(std::vector<SearchResult> rows) {
    rows_->Append(std::move(rows));
}

void SearchPane::ShowProgress(const std::string& text) {
    emit StatusUpdate(FromUtf8(text));
}

void SearchPane::Ended() {
    ended_shown_ = true;
    if (folder_) {
        folder_->setText("End");
    }
    SetCaption("Start");
    if (mask_) {
        mask_->setEnabled(true);
    }
}

void SearchPane::OnButton() {
    if (search_.Running() && !ended_shown_) {
        search_.RequestStop();
        return;
    }
    if (search_.Running()) {
        // The last search has handed over its end and only clears its flag: a press on "Start"
        // in that moment starts the next search instead of stopping the one that is ending.
        search_.WaitFinished(std::chrono::seconds(2));
    }
    if (mask_) {
        search_.Start(mask_->text().toStdString());
    }
}

void SearchPane::OpenRow(int row) {
    if (row < 0 || row >= rows_->RowCount()) {
        return;
    }
    const QUrl url = SearchResultUrl(rows_->Row(row).path);
    if (url.isValid()) {
        opener_(url);
    }
}

void SearchPane::ShowCaption() {
    SetCaption(caption_);
}

void SearchPane::SetCaption(const QString& caption) {
    caption_ = caption;
    if (button_) {
        button_->setText(caption);
        button_->setAccessibleName(caption);
    }
}

void SearchPane::SaveLayout(SettingsStore& store) const {
    if (results_) {
        ListViewState::SaveColumns(*results_->header(), store, kLayoutSection);
    }
}

void SearchPane::RestoreLayout(const SettingsStore& store) {
    if (results_) {
        ListViewState::LoadColumns(*results_->header(), store, kLayoutSection);
    }
}

void HandedOverSearchView::SearchStarted() {
    handover_.Run([this] {
        if (pane_) {
            pane_->Started();
        }
    });
}

void HandedOverSearchView::ShowFolder(const std::string& path) {
    {
        const std::lock_guard lock(folder_mutex_);
        latest_folder_ = path;
    }
    if (folder_posted_.exchange(true) || handover_.Closed()) {
        return;
    }
    // Posted events run in order, so the label is set before any later hand-over ("End").
    // The call is dropped with the hand-over object, which lives as long as this view.
    QMetaObject::invokeMethod(
        &handover_,
        [this] {
            folder_posted_ = false;
            std::string folder;
            {
                const std::lock_guard lock(folder_mutex_);
                folder = latest_folder_;
            }
            if (!handover_.Closed() && pane_) {
                pane_->ShowFolder(folder);
            }
        },
        Qt::QueuedConnection);
}

void HandedOverSearchView::AddResults(std::vector<SearchResult> rows) {
    handover_.Run([&] {
        if (pane_) {
            pane_->AddResults(std::move(rows));
        }
    });
}

void HandedOverSearchView::ShowProgress(const std::string& text) {
    handover_.Run([&] {
        if (pane_) {
            pane_->ShowProgress(text);
        }
    });
}

void HandedOverSearchView::SearchEnded() {
    handover_.Run([this] {
        if (pane_) {
            pane_->Ended();
        }
    });
}

}  // namespace corvimap
