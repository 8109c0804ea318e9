#include "options/qt/log_options_page.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <system_error>

#include "controls/qt/caption_fit.h"
#include "controls/qt/number_field.h"
#include "controls/qt/option_texts.h"
#include "log/event_kinds.h"
#include "log/log_file_limit.h"
#include "log/log_rows.h"

namespace corvimap {
namespace {

constexpr std::string_view kLogOptionsSection = "LogOptions";

struct EventChoice {
    const char* text;
    uint32_t mask;  // 0 for a heading
};

// The event tree: three expanded headings, each followed by its choices.
constexpr EventChoice kEventTree[] = {
    {"Corvimap", 0},
    {"Start program", LogEventBits::kLogStartProgram},
    {"Close program", LogEventBits::kLogCloseProgram},
    {"Hide to tray", LogEventBits::kLogHideToTray},
    {"Internal errors", LogEventBits::kLogInternalErrors},
    {"Network scanner", 0},
    {"Start scan", LogEventBits::kLogStartScan},
    {"Stop scan", LogEventBits::kLogStopScan},
    {"Found new host", LogEventBits::kLogFoundNewHost},
    {"Dead host", LogEventBits::kLogDeadHost},
    {"Local shares info", 0},
    {"Add share", LogEventBits::kLogAddShare},
    {"Delete share", LogEventBits::kLogDeleteShare},
    {"Connect new User/Host", LogEventBits::kLogConnectUser},
    {"Disconnect User/Host", LogEventBits::kLogDisconnectUser},
    {"Open local file", LogEventBits::kLogOpenLocalFile},
};

constexpr int kMaskRole = Qt::UserRole;

void SetFlag(ScanSettings& settings, uint32_t mask, bool on) {
    if (on) {
        settings.FlagsGroup0.fetch_or(mask);
    } else {
        settings.FlagsGroup0.fetch_and(~mask);
    }
}

}  // namespace

LogOptionsPage::LogOptionsPage(SettingsStore& store, ScanSettings& settings, QWidget* parent)
    : QWidget(parent), store_(store), settings_(settings) {
    BuildControls();
    max_lines_->SetNumber(
        store_.GetProfileInt(kLogOptionsSection, "MaxLogLines", kDefaultMaxLogLines));
    max_size_->SetNumber(
        store_.GetProfileInt(kLogOptionsSection, "MaxLogfileSize", kDefaultMaxLogfileSizeKb));
    {
        const QSignalBlocker quiet(path_);
        path_->setText(
            QString::fromStdString(store_.GetProfileString(kLogOptionsSection, "LogFile", "")));
    }
    // Only what the user types from here on is stored.
    connect(max_lines_, &NumberField::textChanged, this, [this] {
        store_.WriteProfileInt(kLogOptionsSection, "MaxLogLines", max_lines_->Number());
    });
    connect(max_size_, &NumberField::textChanged, this, [this] {
        store_.WriteProfileInt(kLogOptionsSection, "MaxLogfileSize", max_size_->Number());
    });
    ShowFlags();
    RefreshFileSize();
}

void LogOptionsPage::BuildControls() {
    // Controls are made in the order focus moves through them, top to bottom.
    enable_log_ = MakeFlagBox("Enable log", "enableLog", LogEventBits::kEnableLog);
    QHBoxLayout* lines_row =
        BuildNumberRow(max_lines_label_, max_lines_, "Max line in log", "maxLogLines");
    enable_file_ = MakeFlagBox("Enable log file", "enableLogFile", LogEventBits::kEnableLogFile);
    QHBoxLayout* path_row = BuildPathRow();
    QHBoxLayout* file_size_row = BuildFileSizeRow();
    QHBoxLayout* size_row =
        BuildNumberRow(max_size_label_, max_size_, "Max log file size (kB)", "maxLogfileSize");
    auto_load_ =
        MakeFlagBox("Auto load log file", "autoLoadLogFile", LogEventBits::kAutoLoadLogFile);
    BuildNotifyBox();
    BuildEventTree();

    // The tree stretches to 2 pixels short of the page's right and bottom edges.
    auto* layout = new QVBoxLayout(this);
    const QMargins margins = layout->contentsMargins();
    layout->setContentsMargins(margins.left(), margins.top(), 2, 2);
    layout->addWidget(enable_log_);
    layout->addLayout(lines_row);
    layout->addWidget(enable_file_);
    layout->addLayout(path_row);
    layout->addLayout(file_size_row);
    layout->addLayout(size_row);
    layout->addWidget(auto_load_);
    layout->addWidget(notify_hosts_);
    layout->addWidget(tree_label_);
    layout->addWidget(tree_, 1);
    ConnectFileControls();
}

QCheckBox* LogOptionsPage::MakeFlagBox(const char* text, const char* name, uint32_t mask) {
    auto* box = new CaptionCheckBox(this);
    SetControlText(box, QLatin1String(text));
    box->setObjectName(QLatin1String(name));
    // The state, not the click: assistive tools toggle a box without clicking it.
    connect(box, &QCheckBox::toggled, this, [this, mask](bool checked) {
        if (showing_flags_) {
            return;
        }
        SetFlag(settings_, mask, checked);
        UpdateEnabledStates();
    });
    return box;
}

QHBoxLayout* LogOptionsPage::BuildNumberRow(QLabel*& label, NumberField*& field, const char* text,
                                            const char* name) {
    label = new QLabel(this);
    field = new NumberField(this);
    field->setObjectName(QLatin1String(name));
    label->setBuddy(field);
    SetControlText(label, QLatin1String(text));
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(field);
    return row;
}

QHBoxLayout* LogOptionsPage::BuildPathRow() {
    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("logFile"));
    path_->setAccessibleName(QStringLiteral("Log file"));
    browse_ = new QPushButton(this);
    browse_->setObjectName(QStringLiteral("chooseLogFile"));
    SetControlText(browse_, QStringLiteral(".."));
    browse_->setAccessibleName(QStringLiteral("Choose log file"));
    browse_->setMaximumWidth(30);

    auto* row = new QHBoxLayout;
    row->addWidget(path_, 1);
    row->addWidget(browse_);
    return row;
}

QHBoxLayout* LogOptionsPage::BuildFileSizeRow() {
    size_label_ = new QLabel(this);
    size_ = new QLabel(this);
    size_->setObjectName(QStringLiteral("logFileSize"));
    size_label_->setBuddy(size_);
    SetControlText(size_label_, QStringLiteral("Log file size:"));
    delete_file_ = new QPushButton(this);
    delete_file_->setObjectName(QStringLiteral("deleteLogFile"));
    SetControlText(delete_file_, QStringLiteral("Delete log file"));

    auto* row = new QHBoxLayout;
    row->addWidget(size_label_);
    row->addWidget(size_, 1);
    row->addWidget(delete_file_);
    return row;
}

void LogOptionsPage::BuildNotifyBox() {
    // Desktop notifications do not depend on the log, so this box is never disabled with it.
    notify_hosts_ = new CaptionCheckBox(this);
    SetControlText(notify_hosts_, QStringLiteral("Notify new and dead hosts"));
    notify_hosts_->setAccessibleName(notify_hosts_->text());
    notify_hosts_->setObjectName(QStringLiteral("notifyHosts"));
    notify_hosts_->setChecked(store_.GetProfileInt(kLogOptionsSection, "NotifyHosts", 0) == 1);
    connect(notify_hosts_, &QCheckBox::toggled, this, [this](bool checked) {
        store_.WriteProfileInt(kLogOptionsSection, "NotifyHosts", checked ? 1 : 0);
    });
}

void LogOptionsPage::BuildEventTree() {
    tree_label_ = new QLabel(this);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("events"));
    tree_->setHeaderHidden(true);
    tree_label_->setBuddy(tree_);
    SetControlText(tree_label_, QStringLiteral("Add to log...."));
}

void LogOptionsPage::ConnectFileControls() {
    connect(browse_, &QPushButton::clicked, this, &LogOptionsPage::ChooseLogFile);
    // Every change of the shown path is the stored path, however the text was changed.
    connect(path_, &QLineEdit::textChanged, this, [this](const QString& path) {
        store_.WriteProfileString(kLogOptionsSection, "LogFile", path.toStdString());
        RefreshFileSize();
    });
    connect(delete_file_, &QPushButton::clicked, this, &LogOptionsPage::DeleteLogFile);
    connect(tree_, &QTreeWidget::itemChanged, this, [this] {
        if (!showing_flags_) {
            ReadBackTree();
        }
    });
}

void LogOptionsPage::ShowFlags() {
    const uint32_t flags = settings_.FlagsGroup0.load();
    showing_flags_ = true;
    enable_log_->setChecked(flags & LogEventBits::kEnableLog);
    enable_file_->setChecked(flags & LogEventBits::kEnableLogFile);
    auto_load_->setChecked(flags & LogEventBits::kAutoLoadLogFile);
    for (int top = 0; top < tree_->topLevelItemCount(); ++top) {
        QTreeWidgetItem* heading = tree_->topLevelItem(top);
        for (int i = 0; i < heading->childCount(); ++i) {
            QTreeWidgetItem* choice = heading->child(i);
            const uint32_t mask = choice->data(0, kMaskRole).toUInt();
            choice->setCheckState(0, (flags & mask) ? Qt::Checked : Qt::Unchecked);
        }
    }
    showing_flags_ = false;
    UpdateEnabledStates();
}

void LogOptionsPage::UpdateEnabledStates() {
    const bool log = enable_log_->isChecked();
    const bool file = log && enable_file_->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(max_lines_label_),
                             static_cast<QWidget*>(max_lines_), static_cast<QWidget*>(enable_file_),
                             static_cast<QWidget*>(tree_label_), static_cast<QWidget*>(tree_)}) {
        control->setEnabled(log);
    }
    for (QWidget* control :
         {static_cast<QWidget*>(path_), static_cast<QWidget*>(browse_),
          static_cast<QWidget*>(size_label_), static_cast<QWidget*>(size_),
          static_cast<QWidget*>(delete_file_), static_cast<QWidget*>(max_size_label_),
          static_cast<QWidget*>(max_size_), static_cast<QWidget*>(auto_load_)}) {
        control->setEnabled(file);
    }
}

void LogOptionsPage::FillTree() {
    showing_flags_ = true;
    QTreeWidgetItem* heading = nullptr;
    for (const EventChoice& choice : kEventTree) {
        if (choice.mask == 0) {
            heading = new QTreeWidgetItem(tree_, {QLatin1String(choice.text)});
            continue;
        }
        auto* item = new QTreeWidgetItem(heading, {QLatin1String(choice.text)});
        item->setData(0, kMaskRole, choice.mask);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    tree_->expandAll();
    showing_flags_ = false;
    tree_filled_ = true;
    ShowFlags();
}

void LogOptionsPage::ReadBackTree() {
    // An empty tree shows no choice: reading it back would clear every event bit.
    if (!tree_filled_) {
        return;
    }
    for (int top = 0; top < tree_->topLevelItemCount(); ++top) {
        QTreeWidgetItem* heading = tree_->topLevelItem(top);
        for (int i = 0; i < heading->childCount(); ++i) {
            QTreeWidgetItem* choice = heading->child(i);
            SetFlag(settings_, choice->data(0, kMaskRole).toUInt(),
                    choice->checkState(0) == Qt::Checked);
        }
    }
}

std::filesystem::path LogOptionsPage::LogFile() const {
    return store_.GetProfileString(kLogOptionsSection, "LogFile", "");
}

QString LogOptionsPage::LogFileSizeText() const {
    std::error_code error;
    const std::filesystem::path path = LogFile();
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return QStringLiteral("None");
    }
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? QStringLiteral("None") : QString::number(size);
}

void LogOptionsPage::RefreshFileSize() {
    size_->setText(LogFileSizeText());
    size_->setAccessibleName(size_label_->text() + QLatin1Char(' ') + size_->text());
}

void LogOptionsPage::ChooseLogFile() {
    if (chooser_ == nullptr) {
        chooser_ = new QFileDialog(this);
        chooser_->setObjectName(QStringLiteral("logFileChooser"));
        chooser_->setAcceptMode(QFileDialog::AcceptSave);
        chooser_->setFileMode(QFileDialog::AnyFile);
        chooser_->setNameFilters(
            {QStringLiteral("Log Files (*.log)"), QStringLiteral("All Files (*)")});
        chooser_->setDefaultSuffix(QStringLiteral("log"));
        connect(chooser_, &QFileDialog::fileSelected, this, &LogOptionsPage::StoreLogFile);
    }
    const std::filesystem::path current = LogFile();
    if (!current.empty() && current.has_parent_path()) {
        chooser_->setDirectory(QString::fromStdString(current.parent_path().string()));
    }
    chooser_->selectFile(QStringLiteral("Corvimap"));
    chooser_->open();
}

void LogOptionsPage::StoreLogFile(const QString& path) {
    store_.WriteProfileString(kLogOptionsSection, "LogFile", path.toStdString());
    const QSignalBlocker quiet(path_);
    path_->setText(path);
    RefreshFileSize();
}

void LogOptionsPage::DeleteLogFile() {
    const std::filesystem::path path = LogFile();
    std::error_code error;
    // A missing file leaves nothing to do; a folder typed as the path is not the log's to delete.
    if (!path.empty() && !std::filesystem::is_directory(path, error)) {
        std::filesystem::remove(path, error);
    }
    RefreshFileSize();
}

void LogOptionsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShowFlags();
    RefreshFileSize();
    if (!shown_once_) {
        shown_once_ = true;
        QTimer::singleShot(kTreeFillDelayMs, this, &LogOptionsPage::FillTree);
    }
}

void LogOptionsPage::hideEvent(QHideEvent* event) {
    ReadBackTree();
    QWidget::hideEvent(event);
}

}  // namespace corvimap
