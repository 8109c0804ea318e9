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

// The group and network rules are the core's; here the page's controls reach them and the file.
TEST_F(GeneralOptionsPageTest, GroupsAndNetworksReachTheFileThroughTheirControls) {
    Child<QPushButton>("deleteGroup")->click();
    EXPECT_EQ(ComboTexts(Groups()), QStringList{"Default"}) << "Default cannot be deleted";
    EXPECT_EQ(file_.Int("Network\\Groups", "GroupsNumb"), -12345) << "nothing was written";

    // Networks of Default, in both forms of the dialog, then edited by a double click.
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
    QListWidget* list = Child<QListWidget>("networks");
    emit list->itemDoubleClicked(list->item(0));
    ConfirmNetworkDialog([](AddNetworkDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("lastByte")->text(), "254") << "opens on the range";
        dialog.findChild<QLineEdit*>("lastByte")->setText("100");
    });
    EXPECT_EQ(Networks(), (QStringList{"192.168.1.1-100", "10.0.0.250>10.0.1.5"}));
    EXPECT_EQ(file_.String("Network\\Nets2", "Net_00"), "192.168.1.1-100");
    list->item(0)->setSelected(true);
    Child<QPushButton>("deleteNetwork")->click();
    EXPECT_EQ(file_.Int("Network\\Nets2", "NetsNumbers"), 1);

    // A new group takes the settings in memory; a refused name keeps the field open.
    testing::SignalCounter switched(&page_, &GeneralOptionsPage::groupSwitched);
    Number("pingTimeout")->SetText("120");
    Child<QPushButton>("addGroup")->click();
    EXPECT_FALSE(Child<QPushButton>("deleteGroup")->isEnabled()) << "while a name is typed";
    TypeGroupName("default");
    EXPECT_TRUE(NameFieldOpen());
    TypeGroupName("Lab");
    EXPECT_FALSE(NameFieldOpen());
    EXPECT_EQ(ComboTexts(Groups()), (QStringList{"Default", "Lab"}));
    EXPECT_EQ(file_.String("Network\\Groups", "DefaultGroup"), "Lab");
    EXPECT_TRUE(Networks().isEmpty());

    // Switching stores the outgoing group's settings and shows the incoming group's.
    PickGroup("Default");
    EXPECT_EQ(switched.count(), 1);
    EXPECT_EQ(file_.Int("Network\\Groups\\Lab", "PingTimeout"), 120);
    EXPECT_EQ(Number("pingTimeout")->Text(), "50");
    EXPECT_EQ(Networks(), QStringList{"10.0.0.250>10.0.1.5"});
    Number("threadsOfScan")->SetText("3");
    PickGroup("Lab");
    EXPECT_EQ(file_.Int("Network", "ThreadsOfScan"), 3);
    EXPECT_EQ(Number("pingTimeout")->Text(), "120");

    // Deleting the current group shows the first entry's own settings; Lab's are not stored.
    Number("pingTimeout")->SetText("999");
    Child<QPushButton>("deleteGroup")->click();
    EXPECT_EQ(ComboTexts(Groups()), QStringList{"Default"});
    EXPECT_EQ(file_.Int("Network\\Groups\\Lab", "PingTimeout"), 120);
    EXPECT_EQ(Number("threadsOfScan")->Text(), "3");
}

TEST_F(GeneralOptionsPageTest, BoxesNumbersAndTheLanguageReachTheSettingsAndTheFile) {
    const uint32_t log_bits = LogEventBits::kEnableLog | LogEventBits::kLogFoundNewHost;
    settings_.FlagsGroup0 |= log_bits;
    page_.FillPage();
    EXPECT_FALSE(Flag(text_id::kDetectMacAddress)->isEnabled()) << "MAC detection is fixed";
    // Each box, its stored value and the bit it owns in FlagsGroup0 (none for parallel ping).
    struct Box {
        QCheckBox* box;
        const char* key;
        uint32_t flag;
    };
    const Box boxes[] = {{Flag(text_id::kFastSearchOption), "FlagsGroup0", 0x1},
                         {Flag(text_id::kPingOption), "FlagsGroup0", 0x2},
                         {Flag(text_id::kMinimizeToTray), "FlagsGroup0", 0x4},
                         {Flag(text_id::kAutoloadHostList), "FlagsGroup0", 0x8},
                         {Flag(text_id::kResolveHostName), "FlagsGroup0", 0x10},
                         {Flag(text_id::kScanShareResources), "FlagsGroup0", 0x20},
                         {Flag(text_id::kShowHostInfo), "FlagsGroup0", 0x40},
                         {Child<QCheckBox>("parallelPing"), "ParallelPing", 0}};
    const auto stored = [this](const Box& b) {
        // What the program writes when it ends or the group changes.
        SaveScanSettings(store_, "Default", settings_);
        const int32_t value = file_.Int(
            b.flag != 0 ? GroupFlagsSection("Default") : GroupTimingSection("Default"), b.key);
        return (static_cast<uint32_t>(value) & (b.flag != 0 ? b.flag : 1u)) != 0;
    };
    for (const auto way :
         {testing::ToggleWay::kSetChecked, testing::ToggleWay::kAccessibleAction}) {
        for (const Box& b : boxes) {
            SCOPED_TRACE(b.box->text().toStdString() + " " + testing::ToggleWayName(way));
            const uint32_t before = settings_.FlagsGroup0;
            testing::Toggle(b.box, way);
            EXPECT_EQ(settings_.FlagsGroup0, before ^ b.flag) << "only its own bit";
            EXPECT_EQ(stored(b), b.box->isChecked());
        }
    }
    EXPECT_EQ(settings_.FlagsGroup0 & log_bits, log_bits) << "the log's bits stay";

    // Numbers: digits only, an empty field stores 0, the arrows stop at 0.
    NumberField* timeout = Number("pingTimeout");
    for (const char* refused : {"12a", "-5", "99999999999"}) {
        timeout->Edit()->selectAll();
        timeout->Edit()->insert(QLatin1String(refused));
        EXPECT_EQ(timeout->Text(), "50") << refused;
    }
    timeout->Edit()->clear();
    EXPECT_EQ(settings_.PingTimeout, 0);
    timeout->Edit()->insert("75");
    timeout->StepBy(-100);
    EXPECT_EQ(settings_.PingTimeout, 0);

    // The language list is sorted, shows the stored choice, stores and announces a pick, and
    // the page takes the loaded language's texts.
    SettingsFile languages;
    WriteWholeFile(languages.Dir().File("zulu.lng"), "-1,\"Zulu\"\n25,\"Iqembu\"\n");
    WriteWholeFile(languages.Dir().File("deutsch.lng"), "-1,\"Deutsch\"\n25,\"Gruppe\"\n");
    StringTable::SetLanguageFolders({languages.Dir().Path()});
    store_.WriteProfileString("Main", "DefaultLng", "deu");
    testing::SignalCounter changed(&page_, &GeneralOptionsPage::languageChanged);
    page_.FillPage();
    QComboBox* combo = Child<QComboBox>("languageCombo");
    EXPECT_EQ(ComboTexts(combo), (QStringList{"Deutsch", "English", "Zulu"}));
    EXPECT_EQ(combo->currentText(), "Deutsch") << "the first entry that begins with DefaultLng";
    EXPECT_EQ(changed.count(), 0) << "showing the stored language stores nothing";
    combo->setCurrentIndex(2);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(file_.String("Main", "DefaultLng"), "Zulu");
    StringTable::LoadLanguage("Zulu");
    page_.RetranslateTexts();
    EXPECT_EQ(Groups()->accessibleName(), "Iqembu");
    StringTable::UseBuiltIn();
    StringTable::SetLanguageFolders(StringTable::DefaultLanguageFolders());
}

}  // namespace
}  // namespace corvimap
