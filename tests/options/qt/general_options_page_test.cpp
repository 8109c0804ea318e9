#include "options/qt/general_options_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "controls/qt/number_field.h"
#include "engine/network_groups.h"
#include "log/event_kinds.h"
#include "options/qt/add_network_dialog.h"
#include "options/qt/ipv4_field.h"
#include "options_test_helpers.h"
#include "settings/group_sections.h"
#include "settings/qt/qsettings_store.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

using testing::DeleteClosedDialogs;
using testing::SettingsFile;
using testing::WriteWholeFile;

class GeneralOptionsPageTest : public ::testing::Test {
protected:
    GeneralOptionsPageTest() { LoadScanSettings(store_, CurrentGroup(store_), settings_); }

    template <typename T>
    T* Child(const char* name) {
        T* child = page_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QComboBox* Groups() { return Child<QComboBox>("groupCombo"); }
    QCheckBox* Flag(int32_t text_id) {
        return page_.findChild<QCheckBox*>(QStringLiteral("flag%1").arg(text_id));
    }
    NumberField* Number(const char* name) { return Child<NumberField>(name); }
    QStringList ComboTexts(QComboBox* combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) {
            texts << combo->itemText(i);
        }
        return texts;
    }
    QStringList Networks() {
        QStringList texts;
        QListWidget* list = Child<QListWidget>("networks");
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text();
        }
        return texts;
    }
    bool NameFieldOpen() { return !Child<QLineEdit>("groupName")->isHidden(); }
    void TypeGroupName(const QString& name) {
        Child<QLineEdit>("groupName")->setText(name);
        Child<QPushButton>("groupNameOk")->click();
    }
    void PickGroup(const QString& name) {
        const int index = Groups()->findText(name, Qt::MatchExactly);
        ASSERT_GE(index, 0) << name.toStdString();
        Groups()->setCurrentIndex(index);
        emit Groups()->activated(index);
    }
    // Runs the "Add network" dialog the page opened: fills it and confirms.
    void ConfirmNetworkDialog(const std::function<void(AddNetworkDialog&)>& fill) {
        auto* dialog = page_.findChild<AddNetworkDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        fill(*dialog);
        dialog->accept();
        DeleteClosedDialogs();
        EXPECT_EQ(page_.findChild<AddNetworkDialog*>(), nullptr);
    }

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    ScanSettings settings_;
    GeneralOptionsPage page_{store_, settings_};
};

TEST_F(GeneralOptionsPageTest, FreshStoreShowsDefaultWhichCannotBeDeleted) {
    EXPECT_EQ(ComboTexts(Groups()), QStringList{"Default"});
    EXPECT_EQ(Groups()->currentText(), "Default");
    Child<QPushButton>("deleteGroup")->click();
    EXPECT_EQ(ComboTexts(Groups()), QStringList{"Default"});
    EXPECT_EQ(file_.Int("Network\\Groups", "GroupsNumb"), -12345) << "nothing was written";

    // Flags 0x11: fast search and name resolution; MAC detection is always on and fixed.
    EXPECT_TRUE(Flag(text_id::kFastSearchOption)->isChecked());
    EXPECT_FALSE(Flag(text_id::kPingOption)->isChecked());
    EXPECT_TRUE(Flag(text_id::kResolveHostName)->isChecked());
    EXPECT_TRUE(Flag(text_id::kDetectMacAddress)->isChecked());
    EXPECT_FALSE(Flag(text_id::kDetectMacAddress)->isEnabled());
    EXPECT_EQ(Number("pingTimeout")->Text(), "50");
    EXPECT_EQ(Number("scanEvery")->Text(), "0");
    EXPECT_EQ(Number("threadsOfScan")->Text(), "7");
    EXPECT_EQ(Flag(text_id::kPingOption)->text(), "Ping (standart ICMP packet)");
    EXPECT_EQ(Flag(text_id::kShowHostInfo)->text(), "Show host info");
}

TEST_F(GeneralOptionsPageTest, GroupsAreAddedRefusedSwitchedAndDeletedWithTheirSettings) {
    testing::SignalCounter switched(&page_, &GeneralOptionsPage::groupSwitched);
    Number("pingTimeout")->SetText("120");
    EXPECT_EQ(settings_.PingTimeout, 120);

    // Add Lab: the settings in memory now belong to Lab; Default's are not stored.
    Child<QPushButton>("addGroup")->click();
    EXPECT_TRUE(NameFieldOpen());
    EXPECT_FALSE(Child<QPushButton>("addGroup")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("deleteGroup")->isEnabled());
    TypeGroupName("Lab");
    EXPECT_FALSE(NameFieldOpen());
    EXPECT_TRUE(Child<QPushButton>("addGroup")->isEnabled());
    EXPECT_EQ(ComboTexts(Groups()), (QStringList{"Default", "Lab"}));
    EXPECT_EQ(Groups()->currentText(), "Lab");
    EXPECT_EQ(file_.Int("Network\\Groups", "GroupsNumb"), 2);
    EXPECT_EQ(file_.String("Network\\Groups", "Group00"), "Default");
    EXPECT_EQ(file_.String("Network\\Groups", "Group01"), "Lab");
    EXPECT_EQ(file_.String("Network\\Groups", "DefaultGroup"), "Lab");
    EXPECT_EQ(file_.Int("Network", "PingTimeout"), -12345);
    EXPECT_EQ(switched.count(), 0);

    // Names that an existing name begins with are refused and the field stays open.
    Child<QPushButton>("addGroup")->click();
    for (const char* refused : {"lab", "default", "DEF", ""}) {
        TypeGroupName(QLatin1String(refused));
        EXPECT_TRUE(NameFieldOpen()) << refused;
    }
    TypeGroupName("Laboratory");
    EXPECT_FALSE(NameFieldOpen());
    Child<QPushButton>("addGroup")->click();
    Child<QPushButton>("groupNameNo")->click();
    EXPECT_FALSE(NameFieldOpen());
    EXPECT_TRUE(Child<QPushButton>("deleteGroup")->isEnabled());
    EXPECT_EQ(ComboTexts(Groups()), (QStringList{"Default", "Lab", "Laboratory"}));
    EXPECT_EQ(file_.String("Network\\Groups", "Group02"), "Laboratory");
    EXPECT_EQ(file_.String("Network\\Groups", "DefaultGroup"), "Laboratory");

    // Switch to Default: the outgoing group's settings are stored under its name.
    PickGroup("Default");
    EXPECT_EQ(switched.count(), 1);
    EXPECT_EQ(file_.Int("Network\\Groups\\Laboratory", "PingTimeout"), 120);
    EXPECT_EQ(file_.Int("Network\\Groups\\Laboratory", "FlagsGroup0"), 0x11);
    EXPECT_EQ(file_.String("Network\\Groups", "DefaultGroup"), "Default");
    EXPECT_EQ(Number("pingTimeout")->Text(), "50") << "Default's own (default) timeout";
    EXPECT_EQ(settings_.PingTimeout, 50);

    // Default gets options of its own: resolve off, ping on, 3 threads, a scan every 5 minutes.
    Flag(text_id::kResolveHostName)->click();
    Flag(text_id::kPingOption)->click();
    Number("threadsOfScan")->SetText("3");
    Number("scanEvery")->StepBy(5);
    EXPECT_EQ(settings_.FlagsGroup0, 0x03u);
    EXPECT_EQ(settings_.ThreadsOfScan, 3);
    EXPECT_EQ(settings_.ScanEvery, 5);

    PickGroup("Laboratory");
    EXPECT_EQ(file_.Int("GlobalFlags", "FlagsGroup0"), 0x03);
    EXPECT_EQ(file_.Int("Network", "ThreadsOfScan"), 3);
    EXPECT_EQ(file_.Int("Network", "ScanEvery"), 5);
    EXPECT_EQ(Number("pingTimeout")->Text(), "120");
    EXPECT_EQ(Number("threadsOfScan")->Text(), "7");
    EXPECT_TRUE(Flag(text_id::kResolveHostName)->isChecked());
    EXPECT_FALSE(Flag(text_id::kPingOption)->isChecked());

    // Deleting the current group makes the first entry current with its own settings; the
    // deleted group's settings in memory are not stored anywhere.
    Number("pingTimeout")->SetText("999");
    Child<QPushButton>("deleteGroup")->click();
    EXPECT_EQ(switched.count(), 3);
    EXPECT_EQ(ComboTexts(Groups()), (QStringList{"Default", "Lab"}));
    EXPECT_EQ(Groups()->currentText(), "Default");
    EXPECT_EQ(file_.Int("Network\\Groups", "GroupsNumb"), 2);
    EXPECT_EQ(file_.String("Network\\Groups", "DefaultGroup"), "Default");
    EXPECT_EQ(file_.String("Network\\Groups", "Group02"), "Laboratory") << "left in the store";
    EXPECT_EQ(file_.Int("Network\\Groups\\Laboratory", "PingTimeout"), 120);
    EXPECT_EQ(settings_.FlagsGroup0, 0x03u);
    EXPECT_EQ(settings_.ThreadsOfScan, 3);
    EXPECT_EQ(settings_.PingTimeout, 50);
    EXPECT_EQ(Number("threadsOfScan")->Text(), "3");
    EXPECT_EQ(Number("scanEvery")->Text(), "5");
    EXPECT_FALSE(Flag(text_id::kResolveHostName)->isChecked());
}

TEST_F(GeneralOptionsPageTest, NetworksAreAddedEditedAndDeletedInTheCurrentGroup) {
    Child<QPushButton>("addNetwork")->click();
    ConfirmNetworkDialog([](AddNetworkDialog& dialog) {
        dialog.findChild<Ipv4Field*>("firstAddress")->setText("192.168.1.1");
        dialog.findChild<QLineEdit*>("lastByte")->setText("254");
    });
    Child<QPushButton>("addNetwork")->click();
    ConfirmNetworkDialog([](AddNetworkDialog& dialog) {
        dialog.findChild<Ipv4Field*>("firstAddress")->setText("10.0.0.250");
        dialog.findChild<QCheckBox*>("fullForm")->click();
        dialog.findChild<Ipv4Field*>("lastAddress")->setText("10.0.1.5");
    });
    EXPECT_EQ(Networks(), (QStringList{"192.168.1.1-254", "10.0.0.250>10.0.1.5"}));
    EXPECT_EQ(file_.Int("Network\\Nets2", "NetsNumbers"), 2);
    EXPECT_EQ(file_.String("Network\\Nets2", "Net_01"), "10.0.0.250>10.0.1.5");

    // Cancel changes nothing.
    Child<QPushButton>("addNetwork")->click();
    page_.findChild<AddNetworkDialog*>()->reject();
    DeleteClosedDialogs();
    EXPECT_EQ(Networks().size(), 2);

    // A double click edits the range in its place; the dialog opens on it.
    QListWidget* list = Child<QListWidget>("networks");
    emit list->itemDoubleClicked(list->item(0));
    ConfirmNetworkDialog([](AddNetworkDialog& dialog) {
        EXPECT_EQ(dialog.findChild<Ipv4Field*>("firstAddress")->text(), "192.168.1.1");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("lastByte")->text(), "254");
        EXPECT_EQ(dialog.findChild<QPushButton*>("confirm")->text(), "Edit");
        dialog.findChild<QLineEdit*>("lastByte")->setText("100");
    });
    EXPECT_EQ(Networks(), (QStringList{"192.168.1.1-100", "10.0.0.250>10.0.1.5"}));
    EXPECT_EQ(file_.String("Network\\Nets2", "Net_00"), "192.168.1.1-100");

    // Delete needs a selection.
    Child<QPushButton>("deleteNetwork")->click();
    EXPECT_EQ(Networks().size(), 2);
    list->item(0)->setSelected(true);
    Child<QPushButton>("deleteNetwork")->click();
    EXPECT_EQ(Networks(), QStringList{"10.0.0.250>10.0.1.5"});
    EXPECT_EQ(file_.Int("Network\\Nets2", "NetsNumbers"), 1);
    EXPECT_EQ(file_.String("Network\\Nets2", "Net_00"), "10.0.0.250>10.0.1.5");

    // A new group starts without networks; switching back shows Default's again.
    Child<QPushButton>("addGroup")->click();
    TypeGroupName("Lab");
    EXPECT_TRUE(Networks().isEmpty());
    Child<QPushButton>("addNetwork")->click();
    ConfirmNetworkDialog([](AddNetworkDialog& dialog) {
        dialog.findChild<Ipv4Field*>("firstAddress")->setText("172.16.0.1");
    });
    EXPECT_EQ(file_.String("Network\\Groups\\Lab", "Net_00"), "172.16.0.1-1");
    PickGroup("Default");
    EXPECT_EQ(Networks(), QStringList{"10.0.0.250>10.0.1.5"});
}

TEST_F(GeneralOptionsPageTest, FlagsAndNumbersGoToTheSettingsAtOnce) {
    const uint32_t log_bits =
        LogEventBits::kEnableLog | LogEventBits::kLogFoundNewHost | LogEventBits::kLogOpenLocalFile;
    settings_.FlagsGroup0 |= log_bits | 0x2;
    page_.FillPage();
    ASSERT_TRUE(Flag(text_id::kPingOption)->isChecked());
    Flag(text_id::kPingOption)->click();
    EXPECT_EQ(settings_.FlagsGroup0, 0x11u | log_bits) << "only bit 1 changed";
    const std::pair<int32_t, uint32_t> boxes[] = {
        {text_id::kFastSearchOption, 0x1},    {text_id::kMinimizeToTray, 0x4},
        {text_id::kAutoloadHostList, 0x8},    {text_id::kResolveHostName, 0x10},
        {text_id::kScanShareResources, 0x20}, {text_id::kShowHostInfo, 0x40}};
    for (const auto& [id, mask] : boxes) {
        const uint32_t before = settings_.FlagsGroup0;
        Flag(id)->click();
        EXPECT_EQ(settings_.FlagsGroup0, before ^ mask) << id;
    }

    // Digits only; an empty field stores 0; the arrows step.
    NumberField* timeout = Number("pingTimeout");
    timeout->Edit()->selectAll();
    timeout->Edit()->insert("12a");
    EXPECT_EQ(timeout->Text(), "50") << "a letter is refused";
    timeout->Edit()->selectAll();
    timeout->Edit()->insert("-5");
    EXPECT_EQ(timeout->Text(), "50") << "a sign is refused";
    timeout->Edit()->selectAll();
    timeout->Edit()->insert("99999999999");
    EXPECT_EQ(timeout->Text(), "50") << "more than a 32-bit number";
    timeout->Edit()->selectAll();
    timeout->Edit()->del();
    EXPECT_EQ(timeout->Text(), "");
    EXPECT_EQ(settings_.PingTimeout, 0);
    timeout->Edit()->insert("75");
    EXPECT_EQ(settings_.PingTimeout, 75);
    timeout->StepBy(-100);
    EXPECT_EQ(settings_.PingTimeout, 0) << "stepping stops at 0";
    Number("threadsOfScan")->Edit()->clear();
    EXPECT_EQ(settings_.ThreadsOfScan, 0);
}

TEST_F(GeneralOptionsPageTest, WhatTheControlsShowIsWhatTheFileHoldsHoweverTheyChanged) {
    const std::pair<int32_t, uint32_t> boxes[] = {
        {text_id::kFastSearchOption, 0x1}, {text_id::kPingOption, 0x2},
        {text_id::kMinimizeToTray, 0x4},   {text_id::kAutoloadHostList, 0x8},
        {text_id::kResolveHostName, 0x10}, {text_id::kScanShareResources, 0x20},
        {text_id::kShowHostInfo, 0x40}};
    const auto stored_flags = [this] {
        // What the program writes when it ends or the group changes.
        SaveScanSettings(store_, "Default", settings_);
        return static_cast<uint32_t>(file_.Int(GroupFlagsSection("Default"), "FlagsGroup0"));
    };
    for (const auto way :
         {testing::ToggleWay::kSetChecked, testing::ToggleWay::kAccessibleAction}) {
        for (const auto& [id, mask] : boxes) {
            testing::Toggle(Flag(id), way);
            EXPECT_EQ((stored_flags() & mask) != 0, Flag(id)->isChecked())
                << id << " " << testing::ToggleWayName(way);
        }
    }

    // Fields and combos changed without a click or a key.
    Number("scanEvery")->Edit()->setText("12");
    Number("threadsOfScan")->SetNumber(3);
    SaveScanSettings(store_, "Default", settings_);
    EXPECT_EQ(file_.Int(GroupTimingSection("Default"), "ScanEvery"), 12);
    EXPECT_EQ(file_.Int(GroupTimingSection("Default"), "ThreadsOfScan"), 3);
    Child<QPushButton>("addGroup")->click();
    TypeGroupName("Lab");
    Groups()->setCurrentIndex(Groups()->findText("Default"));
    EXPECT_EQ(file_.String("Network\\Groups", "DefaultGroup"), "Default");
    EXPECT_EQ(Number("scanEvery")->Text(), "12") << "Default's own settings are shown again";
    QComboBox* languages = Child<QComboBox>("languageCombo");
    testing::SignalCounter changed(&page_, &GeneralOptionsPage::languageChanged);
    page_.FillPage();
    EXPECT_EQ(changed.count(), 0) << "showing the stored language stores nothing";
    languages->setCurrentIndex(-1);
    languages->setCurrentIndex(0);
    EXPECT_EQ(file_.String("Main", "DefaultLng"), languages->currentText().toStdString());
}

TEST_F(GeneralOptionsPageTest, ParallelPingBoxIsStoredPerGroupWhateverTogglesIt) {
    auto* box = Child<QCheckBox>("parallelPing");
    EXPECT_FALSE(box->isChecked()) << "off by default";
    EXPECT_EQ(box->accessibleName(), "Parallel ping");
    EXPECT_EQ(box->accessibleName(), box->text());
    const auto stored = [this] {
        SaveScanSettings(store_, "Default", settings_);
        return file_.Int(GroupTimingSection("Default"), "ParallelPing");
    };
    for (const auto way :
         {testing::ToggleWay::kSetChecked, testing::ToggleWay::kAccessibleAction}) {
        testing::Toggle(box, way);
        EXPECT_TRUE(settings_.ParallelPing) << testing::ToggleWayName(way);
        EXPECT_EQ(stored(), 1);
        testing::Toggle(box, way);
        EXPECT_EQ(stored(), 0);
    }

    box->setChecked(true);
    Child<QPushButton>("addGroup")->click();
    TypeGroupName("Lab");
    PickGroup("Default");
    EXPECT_EQ(file_.Int(GroupTimingSection("Lab"), "ParallelPing"), 1) << "Lab took the shown box";
    EXPECT_FALSE(box->isChecked()) << "Default's own value is shown again";
    PickGroup("Lab");
    EXPECT_TRUE(box->isChecked());
}

TEST_F(GeneralOptionsPageTest, LanguageListIsSortedAndPickingOneIsStoredAndAnnounced) {
    SettingsFile languages;
    WriteWholeFile(languages.Dir().File("zulu.lng"), "-1,\"Zulu\"\n25,\"Iqembu\"\n");
    WriteWholeFile(languages.Dir().File("deutsch.lng"), "-1,\"Deutsch\"\n25,\"Gruppe\"\n");
    StringTable::SetLanguageFolders({languages.Dir().Path()});
    store_.WriteProfileString("Main", "DefaultLng", "deu");
    page_.FillPage();
    QComboBox* combo = Child<QComboBox>("languageCombo");
    EXPECT_EQ(ComboTexts(combo), (QStringList{"Deutsch", "English", "Zulu"}));
    EXPECT_EQ(combo->currentText(), "Deutsch") << "the first entry that begins with DefaultLng";

    testing::SignalCounter changed(&page_, &GeneralOptionsPage::languageChanged);
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(file_.String("Main", "DefaultLng"), "Zulu");

    // The window loads the language and has the page set its texts again.
    StringTable::LoadLanguage("Zulu");
    page_.RetranslateTexts();
    EXPECT_EQ(Groups()->accessibleName(), "Iqembu");
    StringTable::UseBuiltIn();
    StringTable::SetLanguageFolders(StringTable::DefaultLanguageFolders());
    page_.RetranslateTexts();
    EXPECT_EQ(Groups()->accessibleName(), "Group");
}

TEST_F(GeneralOptionsPageTest, EveryControlIsNamedAfterItsLabel) {
    Child<QPushButton>("addGroup")->click();
    EXPECT_EQ(testing::UnnamedControls(&page_), "");
    EXPECT_EQ(Number("pingTimeout")->Edit()->accessibleName(), "Ping timeout");
    EXPECT_EQ(Child<QListWidget>("networks")->accessibleName(), "Networks");
    EXPECT_EQ(Child<QComboBox>("languageCombo")->accessibleName(), "Language");

    Child<QPushButton>("addNetwork")->click();
    auto* dialog = page_.findChild<AddNetworkDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(testing::UnnamedControls(dialog), "");
    dialog->reject();
    DeleteClosedDialogs();
}

}  // namespace
}  // namespace corvimap
