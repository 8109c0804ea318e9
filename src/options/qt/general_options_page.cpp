#include "options/qt/general_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "controls/qt/caption_fit.h"
#include "controls/qt/number_field.h"
#include "controls/qt/option_texts.h"
#include "options/qt/add_network_dialog.h"
#include "settings/group_sections.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

constexpr std::string_view kMainSection = "Main";
constexpr std::string_view kDefaultLanguageValue = "DefaultLng";
// Not in the language files: their numbered texts belong to the files users already have.
constexpr const char* kParallelPingCaption = "Parallel ping";

std::string ToStdString(const QString& text) {
    return text.toUtf8().toStdString();
}

// Opens a dialog without blocking the page; apply runs on confirmation, then the dialog goes.
void OpenNetworkDialog(AddNetworkDialog* dialog, std::function<void(const std::string&)> apply) {
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, apply](int result) {
        if (result == QDialog::Accepted) {
            apply(dialog->RangeText());
        }
        dialog->deleteLater();
    });
    dialog->open();
}

}  // namespace

GeneralOptionsPage::GeneralOptionsPage(SettingsStore& store, ScanSettings& settings,
                                       QWidget* parent)
    : QWidget(parent), store_(store), settings_(settings), groups_(store, settings) {
    BuildControls();
    RetranslateTexts();
    FillPage();
}

void GeneralOptionsPage::BuildControls() {
    // Controls are made in the order focus moves through them, top to bottom.
    QHBoxLayout* group_row = BuildGroupRow();
    QHBoxLayout* name_row = BuildGroupNameRow();
    QHBoxLayout* network_row = BuildNetworkRow();
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    QGridLayout* flags = BuildFlagBoxes();
    QHBoxLayout* language_row = BuildLanguageRow();
    QHBoxLayout* ping_row = BuildNumberRow(ping_timeout_label_, ping_timeout_, "pingTimeout",
                                           QStringLiteral("msec"), &ScanSettings::PingTimeout);
    QHBoxLayout* every_row = BuildNumberRow(scan_every_label_, scan_every_, "scanEvery",
                                            QStringLiteral("min"), &ScanSettings::ScanEvery);
    QHBoxLayout* threads_row = BuildNumberRow(threads_label_, threads_, "threadsOfScan", QString(),
                                              &ScanSettings::ThreadsOfScan);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(group_row);
    layout->addLayout(name_row);
    layout->addWidget(networks_label_);
    layout->addLayout(network_row, 1);
    layout->addWidget(separator);
    layout->addLayout(flags);
    layout->addLayout(language_row);
    layout->addLayout(ping_row);
    layout->addLayout(every_row);
    layout->addLayout(threads_row);
    ConnectGroupsAndNetworks();
}

QHBoxLayout* GeneralOptionsPage::BuildGroupRow() {
    group_label_ = new QLabel(this);
    group_combo_ = new QComboBox(this);
    group_combo_->setObjectName(QStringLiteral("groupCombo"));
    group_combo_->addItem(ToQString(kDefaultGroupName));
    group_label_->setBuddy(group_combo_);
    add_group_ = new QPushButton(this);
    add_group_->setObjectName(QStringLiteral("addGroup"));
    delete_group_ = new QPushButton(this);
    delete_group_->setObjectName(QStringLiteral("deleteGroup"));

    auto* row = new QHBoxLayout;
    row->addWidget(group_label_);
    row->addWidget(group_combo_, 1);
    row->addWidget(add_group_);
    row->addWidget(delete_group_);
    return row;
}

QHBoxLayout* GeneralOptionsPage::BuildGroupNameRow() {
    group_name_ = new QLineEdit(this);
    group_name_->setObjectName(QStringLiteral("groupName"));
    group_name_ok_ = new QPushButton(QStringLiteral("Ok"), this);
    group_name_ok_->setObjectName(QStringLiteral("groupNameOk"));
    group_name_ok_->setAccessibleName(QStringLiteral("Ok"));
    group_name_no_ = new QPushButton(QStringLiteral("No"), this);
    group_name_no_->setObjectName(QStringLiteral("groupNameNo"));
    group_name_no_->setAccessibleName(QStringLiteral("No"));
    group_name_->hide();
    group_name_ok_->hide();
    group_name_no_->hide();

    auto* row = new QHBoxLayout;
    row->addWidget(group_name_, 1);
    row->addWidget(group_name_ok_);
    row->addWidget(group_name_no_);
    return row;
}

QHBoxLayout* GeneralOptionsPage::BuildNetworkRow() {
    networks_label_ = new QLabel(this);
    networks_ = new QListWidget(this);
    networks_->setObjectName(QStringLiteral("networks"));
    networks_->setSelectionMode(QAbstractItemView::SingleSelection);
    networks_label_->setBuddy(networks_);
    add_network_ = new QPushButton(this);
    add_network_->setObjectName(QStringLiteral("addNetwork"));
    delete_network_ = new QPushButton(this);
    delete_network_->setObjectName(QStringLiteral("deleteNetwork"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_network_);
    buttons->addWidget(delete_network_);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(networks_, 1);
    row->addLayout(buttons);
    return row;
}

QGridLayout* GeneralOptionsPage::BuildFlagBoxes() {
    flag_boxes_ = {{
        {nullptr, text_id::kFastSearchOption, 0x1},
        {nullptr, text_id::kPingOption, 0x2},
        {nullptr, text_id::kResolveHostName, 0x10},
        {nullptr, text_id::kDetectMacAddress, 0},
        {nullptr, text_id::kScanShareResources, 0x20},
        {nullptr, text_id::kAutoloadHostList, 0x8},
        {nullptr, text_id::kMinimizeToTray, 0x4},
        {nullptr, text_id::kShowHostInfo, 0x40},
    }};
    for (FlagBox& flag : flag_boxes_) {
        flag.box = new CaptionCheckBox(this);
        flag.box->setObjectName(QStringLiteral("flag%1").arg(flag.text_id));
        if (flag.mask == 0) {
            // MAC addresses are always looked up; the box only says so.
            flag.box->setChecked(true);
            flag.box->setEnabled(false);
            continue;
        }
        const uint32_t mask = flag.mask;
        // The state, not the click: assistive tools toggle a box without clicking it.
        connect(flag.box, &QCheckBox::toggled, this, [this, mask](bool checked) {
            if (loading_) {
                return;
            }
            if (checked) {
                settings_.FlagsGroup0.fetch_or(mask);
            } else {
                settings_.FlagsGroup0.fetch_and(~mask);
            }
        });
    }

    parallel_ping_ = new CaptionCheckBox(this);
    parallel_ping_->setObjectName(QStringLiteral("parallelPing"));
    connect(parallel_ping_, &QCheckBox::toggled, this, [this](bool checked) {
        if (!loading_) {
            settings_.ParallelPing = checked;
        }
    });

    auto* grid = new QGridLayout;
    for (size_t i = 0; i < flag_boxes_.size(); ++i) {
        grid->addWidget(flag_boxes_[i].box, static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    // Beside the ping box, whose pass it changes.
    grid->addWidget(parallel_ping_, 1, 2);
    return grid;
}

QHBoxLayout* GeneralOptionsPage::BuildLanguageRow() {
    language_label_ = new QLabel(this);
    language_combo_ = new QComboBox(this);
    language_combo_->setObjectName(QStringLiteral("languageCombo"));
    language_label_->setBuddy(language_combo_);

    auto* row = new QHBoxLayout;
    row->addWidget(language_label_);
    row->addWidget(language_combo_, 1);
    return row;
}

QHBoxLayout* GeneralOptionsPage::BuildNumberRow(QLabel*& label, NumberField*& field,
                                                const char* name, const QString& unit,
                                                NumberSetting setting) {
    label = new QLabel(this);
    field = new NumberField(this);
    field->setObjectName(QLatin1String(name));
    label->setBuddy(field);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(field);
    auto* unit_label = new QLabel(unit, this);
    unit_label->setMinimumWidth(30);
    row->addWidget(unit_label);
    // Each change of a field's text stores its own number, once the page is filled.
    connect(field, &NumberField::textChanged, this, [this, field, setting] {
        if (filled_ && !loading_) {
            (settings_.*setting) = field->Number();
        }
    });
    return row;
}

void GeneralOptionsPage::ConnectGroupsAndNetworks() {
    // Any change of the shown entry counts (keyboard, wheel, assistive tools), not only a pick
    // from the list; the page's own fills block these signals.
    connect(group_combo_, &QComboBox::currentIndexChanged, this, &GeneralOptionsPage::GroupPicked);
    connect(add_group_, &QPushButton::clicked, this, &GeneralOptionsPage::OpenGroupName);
    connect(delete_group_, &QPushButton::clicked, this, &GeneralOptionsPage::DeleteGroup);
    connect(group_name_ok_, &QPushButton::clicked, this, &GeneralOptionsPage::ConfirmGroupName);
    connect(group_name_, &QLineEdit::returnPressed, this, &GeneralOptionsPage::ConfirmGroupName);
    connect(group_name_no_, &QPushButton::clicked, this, &GeneralOptionsPage::CloseGroupName);
    connect(add_network_, &QPushButton::clicked, this, &GeneralOptionsPage::AddNetwork);
    connect(delete_network_, &QPushButton::clicked, this, &GeneralOptionsPage::DeleteNetwork);
    connect(networks_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { EditNetwork(networks_->row(item)); });
    connect(language_combo_, &QComboBox::currentIndexChanged, this,
            &GeneralOptionsPage::LanguagePicked);
}

void GeneralOptionsPage::RetranslateTexts() {
    SetControlText(group_label_, LookupText(text_id::kGroup));
    SetControlText(add_group_, LookupText(text_id::kAddGroup));
    SetControlText(delete_group_, LookupText(text_id::kDeleteGroup));
    group_name_->setAccessibleName(LookupText(text_id::kAddGroup));
    SetControlText(networks_label_, LookupText(text_id::kNetworks));
    SetControlText(add_network_, LookupText(text_id::kAddNetwork));
    SetControlText(delete_network_, LookupText(text_id::kDeleteNetwork));
    for (FlagBox& flag : flag_boxes_) {
        SetControlText(flag.box, LookupText(flag.text_id));
    }
    SetControlText(parallel_ping_, QString::fromUtf8(kParallelPingCaption));
    parallel_ping_->setAccessibleName(parallel_ping_->text());
    SetControlText(language_label_, LookupText(text_id::kLanguage));
    SetControlText(ping_timeout_label_, LookupText(text_id::kPingTimeout));
    SetControlText(scan_every_label_, LookupText(text_id::kScanEvery));
    SetControlText(threads_label_, LookupText(text_id::kThreadsOfScan));
}

void GeneralOptionsPage::FillPage() {
    // Showing the stored values must not write them back (a group's flags into another group).
    loading_ = true;
    const uint32_t flags = settings_.FlagsGroup0.load();
    for (FlagBox& flag : flag_boxes_) {
        flag.box->setChecked(flag.mask == 0 || (flags & flag.mask) != 0);
    }
    parallel_ping_->setChecked(settings_.ParallelPing.load());
    ping_timeout_->SetNumber(settings_.PingTimeout.load());
    scan_every_->SetNumber(settings_.ScanEvery.load());
    threads_->SetNumber(settings_.ThreadsOfScan.load());
    FillLanguages();
    ShowGroups(groups_.Groups());
    ShowNetworks(groups_.Ranges());
    loading_ = false;
    filled_ = true;
    StoreNumbers();
}

void GeneralOptionsPage::ShowGroups(const GroupListState& groups) {
    const QSignalBlocker quiet(group_combo_);
    group_combo_->clear();
    for (const std::string& name : groups.names) {
        group_combo_->addItem(ToQString(name));
    }
    group_combo_->setCurrentIndex(groups.selected ? static_cast<int>(*groups.selected) : -1);
}

void GeneralOptionsPage::ShowNetworks(const std::vector<std::string>& ranges) {
    networks_->clear();
    for (const std::string& range : ranges) {
        networks_->addItem(ToQString(range));
    }
}

void GeneralOptionsPage::FillLanguages() {
    std::vector<std::string> names = StringTable::ListLanguages();
    std::stable_sort(names.begin(), names.end(), GroupNameLess);
    const QSignalBlocker quiet(language_combo_);
    language_combo_->clear();
    for (const std::string& name : names) {
        language_combo_->addItem(ToQString(name));
    }
    const std::string wanted =
        store_.GetProfileString(kMainSection, kDefaultLanguageValue, kBuiltinLanguageName);
    const std::optional<size_t> entry = FindGroupEntry(names, wanted);
    language_combo_->setCurrentIndex(entry ? static_cast<int>(*entry) : -1);
}

void GeneralOptionsPage::StoreNumbers() {
    settings_.PingTimeout = ping_timeout_->Number();
    settings_.ScanEvery = scan_every_->Number();
    settings_.ThreadsOfScan = threads_->Number();
}

void GeneralOptionsPage::GroupPicked(int index) {
    if (index < 0) {
        return;
    }
    groups_.SwitchGroup(ToStdString(group_combo_->itemText(index)));
    FillPage();
    emit groupSwitched();
}

void GeneralOptionsPage::OpenGroupName() {
    add_group_->setEnabled(false);
    delete_group_->setEnabled(false);
    group_name_->clear();
    group_name_->show();
    group_name_ok_->show();
    group_name_no_->show();
    group_name_->setFocus();
}

void GeneralOptionsPage::CloseGroupName() {
    group_name_->hide();
    group_name_ok_->hide();
    group_name_no_->hide();
    add_group_->setEnabled(true);
    delete_group_->setEnabled(true);
}

void GeneralOptionsPage::ConfirmGroupName() {
    const GroupChange change = groups_.AddGroup(ToStdString(group_name_->text()));
    if (!change.accepted()) {
        group_name_->setFocus();
        group_name_->selectAll();
        return;
    }
    ShowGroups(change.list);
    CloseGroupName();
    ShowNetworks(groups_.Ranges());
}

void GeneralOptionsPage::DeleteGroup() {
    const int index = group_combo_->currentIndex();
    if (index < 0) {
        return;
    }
    const GroupChange change = groups_.DeleteGroup(ToStdString(group_combo_->itemText(index)));
    if (!change.accepted()) {
        return;
    }
    FillPage();
    emit groupSwitched();
}

void GeneralOptionsPage::AddNetwork() {
    OpenNetworkDialog(new AddNetworkDialog(this), [this](const std::string& range) {
        ShowNetworks(groups_.AddNetwork(range));
    });
}

void GeneralOptionsPage::EditNetwork(int row) {
    if (row < 0) {
        return;
    }
    const std::string range = ToStdString(networks_->item(row)->text());
    OpenNetworkDialog(new AddNetworkDialog(range, this), [this, row](const std::string& edited) {
        if (auto ranges = groups_.EditNetwork(static_cast<size_t>(row), edited)) {
            ShowNetworks(*ranges);
        }
    });
}

void GeneralOptionsPage::DeleteNetwork() {
    const QList<QListWidgetItem*> selected = networks_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    if (auto ranges = groups_.DeleteNetwork(static_cast<size_t>(networks_->row(selected[0])))) {
        ShowNetworks(*ranges);
    }
}

void GeneralOptionsPage::LanguagePicked(int index) {
    if (index < 0) {
        return;
    }
    store_.WriteProfileString(kMainSection, kDefaultLanguageValue,
                              ToStdString(language_combo_->itemText(index)));
    emit languageChanged();
}

}  // namespace corvimap
