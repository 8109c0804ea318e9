#include "app/qt/host_list_pane.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <cerrno>
#include <climits>
#include <cstring>

#include "app/qt/column_menu.h"
#include "app/qt/find_host_dialog.h"
#include "app/qt/host_info_window.h"
#include "app/qt/host_list_model.h"
#include "controls/qt/column_widths.h"
#include "controls/qt/list_images.h"
#include "controls/qt/list_view_state.h"
#include "controls/qt/markup_list.h"
#include "engine/host_list_file.h"
#include "engine/scan_flags.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/text_fill.h"

namespace corvimap {
namespace {

constexpr const char* kNetworkSection = "Network";
constexpr const char* kLastSaveKey = "LastSave";
constexpr const char* kNoLastSave = "!!!ERROR!!!";
// The list starts this far below the top of the pane.
constexpr int kListOffset = 22;
constexpr int kButtonGap = 4;

constexpr int32_t kButtonTexts[4] = {text_id::kLoad, text_id::kSave, text_id::kClear,
                                     text_id::kSearch};

QString Text(int32_t id) {
    return QString::fromUtf8(StringTable::Lookup(id));
}

std::filesystem::path ToPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

}  // namespace

void ConfigureHostListDialog(QFileDialog& dialog, bool save) {
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // "*" rather than "*.*": here file names need no dot.
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    dialog.setDefaultSuffix(QString());
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectFile(QString::fromLatin1(kDefaultHostListFile));
}

HostListPane::HostListPane(HostTable& table, SettingsStore& store,
                           const ScanSettings& scan_settings, QWidget* parent)
    : QWidget(parent), table_(table), store_(store), scan_settings_(scan_settings) {
    model_ = new HostListModel(table_, this);
    list_ = new MarkupListCtrl(this);
    list_->setModel(model_);
    list_->setAccessibleName(QStringLiteral("Host list"));
    list_->SetImageList(&ListImages::Standard());
    list_->SetCellMarkup(true);
    QHeaderView* header = list_->header();
    UseDefaultColumnWidths(*list_, HostListModel::DefaultColumns());
    ListViewState::LoadColumns(*header, store_, kHostListSection);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(0, Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, this, &HostListPane::SortByColumn);

    column_menu_ =
        new ColumnMenu(*header, HostListModel::kColumnCount, &HostListModel::ColumnTitle, this);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& at) { column_menu_->ShowAt(header->mapToGlobal(at)); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, &HostListPane::ShowHostMenuAt);

    for (int button = 0; button < 4; ++button) {
        buttons_[button] = new QPushButton(Text(kButtonTexts[button]), this);
    }
    connect(buttons_[kLoadButton], &QPushButton::clicked, this, &HostListPane::OnLoadClicked);
    connect(buttons_[kSaveButton], &QPushButton::clicked, this, &HostListPane::OnSaveClicked);
    connect(buttons_[kClearButton], &QPushButton::clicked, this, &HostListPane::ClearHostList);
    connect(buttons_[kSearchButton], &QPushButton::clicked, this, &HostListPane::OpenFindDialog);

    shell_open_ = new ShellOpenWorker(store_, this);
    connect(shell_open_, &ShellOpenWorker::openFailed, this, &HostListPane::ActionFailed);
    info_ = new HostInfoWindow(table_, this);
    connect(info_, &HostInfoWindow::ShareActivated, this,
            [this](const QString& path) { shell_open_->Open(path.toStdString()); });

    // The host info window follows the cursor over the rows.
    list_->setMouseTracking(true);
    list_->viewport()->setMouseTracking(true);
    list_->viewport()->installEventFilter(this);
    header->viewport()->setMouseTracking(true);
    header->viewport()->installEventFilter(this);
    // A row that changed or went away is filled afresh when the cursor comes back to it.
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                ForgetHoveredRow(first.row(), last.row());
            });
    connect(model_, &QAbstractItemModel::rowsRemoved, this,
            [this] { ForgetHoveredRow(0, INT_MAX); });

    file_chooser_ = [this](bool save) {
        QFileDialog dialog(this);
        ConfigureHostListDialog(dialog, save);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().front();
    };
    program_starter_ = &StartDetachedProgram;
    programs_ = [this] { return ReadExternalPrograms(store_); };
}

HostListPane::~HostListPane() = default;

void HostListPane::SetButtonsEnabled(bool enabled) {
    for (const Button button : {kLoadButton, kSaveButton, kClearButton}) {
        buttons_[button]->setEnabled(enabled);
    }
}

void HostListPane::RetranslateUi() {
    for (int button = 0; button < 4; ++button) {
        buttons_[button]->setText(Text(kButtonTexts[button]));
    }
    model_->Retranslate();
    column_menu_->Retranslate();
}

void HostListPane::SaveLayout() {
    ListViewState::SaveColumns(*list_->header(), store_, kHostListSection);
}

bool HostListPane::AutoloadHostList() {
    if (!scan_settings_.HasFlag(ScanFlags::kAutoloadHostList)) {
        return false;
    }
    const std::string path = store_.GetProfileString(kNetworkSection, kLastSaveKey, kNoLastSave);
    if (path == kNoLastSave) {
        return false;
    }
    return HostListFile::Read(table_, std::filesystem::path(path));
}

bool HostListPane::LoadHostListFrom(const QString& path) {
    const std::optional<std::size_t> records = HostListFile::ReadRecords(table_, ToPath(path));
    emit StatusUpdate(QString());
    // A file of something else (or one that cannot be read) changes nothing; the user learns
    // why the list did not grow.
    if (!records || *records == 0) {
        emit ActionFailed(QString::fromStdString(
            FillText(StringTable::Lookup(text_id::kHostListUnreadable), {path.toStdString()})));
    }
    return records.has_value();
}

bool HostListPane::SaveHostListTo(const QString& path) {
    errno = 0;
    const bool saved = HostListFile::Save(table_, ToPath(path));
    const int why = errno != 0 ? errno : EIO;
    store_.WriteProfileString(kNetworkSection, kLastSaveKey, path.toStdString());
    if (!saved) {
        emit ActionFailed(
            QString::fromStdString(FillText(StringTable::Lookup(text_id::kHostListNotSaved),
                                            {path.toStdString(), std::strerror(why)})));
    }
    return saved;
}

void HostListPane::ClearHostList() {
    table_.Clear();
    emit StatusUpdate(QString());
    list_->viewport()->update();
}

void HostListPane::OnLoadClicked() {
    const QString path = file_chooser_ ? file_chooser_(false) : QString();
    if (!path.isEmpty()) {
        LoadHostListFrom(path);
    }
}

void HostListPane::OnSaveClicked() {
    const QString path = file_chooser_ ? file_chooser_(true) : QString();
    if (!path.isEmpty()) {
        SaveHostListTo(path);
    }
}

void HostListPane::SortByColumn(int column) {
    if (column < 0 || column >= HostListModel::kColumnCount) {
        return;
    }
    sort_descending_ = column == sort_column_ ? !sort_descending_ : false;
    sort_column_ = column;
    table_.Sort(static_cast<HostColumn>(column), sort_descending_);
    list_->header()->setSortIndicator(column,
                                      sort_descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

QMenu* HostListPane::BuildHostMenu(int row) {
    host_menu_.reset();
    if (row < 0) {
        return nullptr;
    }
    const std::optional<HostMenuTarget> target =
        ReadHostMenuTarget(table_, static_cast<std::size_t>(row));
    if (!target) {
        return nullptr;
    }
    const std::string verb = store_.GetProfileString(kNetworkSection, "OpenExplore", "open");
    HostMenuActions actions;
    actions.open_path = [this](const std::string& path) { shell_open_->Open(path); };
    actions.run_program = [this](const ExternalProgram& entry, NetAddress address) {
        RunProgram(entry, address);
    };
    const std::vector<ExternalProgram> programs =
        programs_ ? programs_() : std::vector<ExternalProgram>{};
    host_menu_ = BuildHostContextMenu(*target, verb, programs, actions, this);
    return host_menu_.get();
}

void HostListPane::ShowHostMenuAt(const QPoint& viewport_pos) {
    const QModelIndex index = list_->indexAt(viewport_pos);
    if (!index.isValid()) {
        host_menu_.reset();
        return;
    }
    if (QMenu* menu = BuildHostMenu(index.row())) {
        menu->popup(list_->viewport()->mapToGlobal(viewport_pos));
    }
}

void HostListPane::RunProgram(const ExternalProgram& entry, NetAddress address) {
    const ProgramLaunch launch = PrepareLaunch(entry, address);
    if (program_starter_ && !program_starter_(launch.program, launch.arguments)) {
        emit ActionFailed(QString::fromStdString(FillText(
            StringTable::Lookup(text_id::kProgramNotStarted), {launch.program.toStdString()})));
    }
}

void HostListPane::HoverAt(const QPoint& viewport_pos, int screen_y) {
    const QModelIndex index = list_->indexAt(viewport_pos);
    if (!index.isValid()) {
        info_->StartHideTimer();
        return;
    }
    if (!scan_settings_.HasFlag(ScanFlags::kShowHostInfo)) {
        return;
    }
    const int row = index.row();
    if (row == last_hovered_row_) {
        info_->ShowAgain();
        return;
    }
    last_hovered_row_ = row;
    const QRect list_rect(list_->mapToGlobal(QPoint(0, 0)), list_->size());
    info_->FillForRow(static_cast<std::size_t>(row), list_rect, screen_y);
    list_->setFocus();
}

void HostListPane::StartHostInfoHideTimer() {
    info_->StartHideTimer();
}

void HostListPane::ForgetHoveredRow(int first, int last) {
    if (last_hovered_row_ >= first && last_hovered_row_ <= last) {
        last_hovered_row_ = -1;
    }
}

void HostListPane::OpenFindDialog() {
    FindHostDialog dialog(*list_, store_, this);
    dialog.exec();
}

QSize HostListPane::ButtonSize() const {
    // Dialog base units of the font: average width of the letters, and the line height.
    const QFontMetrics metrics = fontMetrics();
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int base_x = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    const int base_y = metrics.height();
    return QSize((50 * base_x + 2) / 4, (11 * base_y + 4) / 8);
}

int HostListPane::ListTop() const {
    // Large fonts make the buttons taller; the list then moves down rather than under them.
    return std::max(kListOffset, ButtonSize().height() + 2);
}

void HostListPane::LayOut() {
    const QSize button = ButtonSize();
    int x = 0;
    for (QPushButton* each : buttons_) {
        each->setGeometry(x, 0, button.width(), button.height());
        x += button.width() + kButtonGap;
    }
    const int top = ListTop();
    list_->setGeometry(0, top, width(), std::max(0, height() - top));
}

void HostListPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

bool HostListPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            HoverAt(move->position().toPoint(), move->globalPosition().toPoint().y());
        } else if (event->type() == QEvent::Leave) {
            // Qt reports no moves over the list's frame and scroll bars: leaving the rows is the
            // same as resting on no row.
            info_->StartHideTimer();
        }
    } else if (watched == list_->header()->viewport() && event->type() == QEvent::MouseMove) {
        info_->StartHideTimer();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvimap
