#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "engine/network_groups.h"
#include "settings/scan_settings.h"
#include "settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace corvimap {

class NumberField;

// The "Networks" page of the options: the current group, its networks, its scan options and
// timings, and the language. Every change counts at once: flags and timings go into the scan
// settings in memory (stored with the group when it is switched and at exit), groups, networks
// and the language straight into the store.
class GeneralOptionsPage final : public QWidget {
    Q_OBJECT
public:
    GeneralOptionsPage(SettingsStore& store, ScanSettings& settings, QWidget* parent = nullptr);

    // Puts the scan settings, the languages, the group list and the current group's networks into
    // the controls (when the page is made, and again after each change of group).
    void FillPage();
    // Sets every text from the string table again, after a change of language.
    void RetranslateTexts();

signals:
    // "DefaultLng" was written: the window loads that language and sets its texts again.
    void languageChanged();
    // Another group became current and its scan settings replaced those in memory.
    void groupSwitched();

private:
    struct FlagBox {
        QCheckBox* box;
        int32_t text_id;
        uint32_t mask;  // 0: "Detect MAC address", which has no bit
    };

    using NumberSetting = std::atomic<int32_t> ScanSettings::*;

    // The page's controls (general_options_page_controls.cpp), one function per group of them;
    // each makes its controls in focus order and returns their layout.
    void BuildControls();
    QHBoxLayout* BuildGroupRow();
    QHBoxLayout* BuildGroupNameRow();
    QHBoxLayout* BuildNetworkRow();
    // The scan flag boxes in two columns of four, and the parallel ping box beside them.
    QGridLayout* BuildFlagBoxes();
    QHBoxLayout* BuildLanguageRow();
    // A labelled number field with its unit; its changes go to setting once the page is filled.
    QHBoxLayout* BuildNumberRow(QLabel*& label, NumberField*& field, const char* name,
                                const QString& unit, NumberSetting setting);
    void ConnectGroupsAndNetworks();
    void ShowGroups(const GroupListState& groups);
    void ShowNetworks(const std::vector<std::string>& ranges);
    void FillLanguages();
    void StoreNumbers();

    void GroupPicked(int index);
    void OpenGroupName();
    void CloseGroupName();
    void ConfirmGroupName();
    void DeleteGroup();
    void AddNetwork();
    void EditNetwork(int row);
    void DeleteNetwork();
    void LanguagePicked(int index);

    SettingsStore& store_;
    ScanSettings& settings_;
    NetworkGroups groups_;
    bool filled_ = false;
    bool loading_ = false;  // the controls are being set from the settings

    QLabel* group_label_ = nullptr;
    QComboBox* group_combo_ = nullptr;
    QPushButton* add_group_ = nullptr;
    QPushButton* delete_group_ = nullptr;
    QLineEdit* group_name_ = nullptr;
    QPushButton* group_name_ok_ = nullptr;
    QPushButton* group_name_no_ = nullptr;
    QLabel* networks_label_ = nullptr;
    QListWidget* networks_ = nullptr;
    QPushButton* add_network_ = nullptr;
    QPushButton* delete_network_ = nullptr;
    std::array<FlagBox, 8> flag_boxes_{};
    QCheckBox* parallel_ping_ = nullptr;
    QLabel* language_label_ = nullptr;
    QComboBox* language_combo_ = nullptr;
    QLabel* ping_timeout_label_ = nullptr;
    NumberField* ping_timeout_ = nullptr;
    QLabel* scan_every_label_ = nullptr;
    NumberField* scan_every_ = nullptr;
    QLabel* threads_label_ = nullptr;
    NumberField* threads_ = nullptr;
};

}  // namespace corvimap
