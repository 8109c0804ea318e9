#include "options/qt/general_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <functional>

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
