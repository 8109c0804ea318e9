#include "options/qt/general_options_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "controls/qt/number_field.h"
#include "log/event_kinds.h"
#include "options/qt/add_network_dialog.h"
#include "options/qt/ipv4_field.h"
#include "options_test_helpers.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

using testing::SettingsFile;
using testing::Texts;
using testing::WriteWholeFile;

class GeneralOptionsPageTest : public ::testing::Test {
protected:
    GeneralOptionsPageTest() { LoadScanSettings(store_, CurrentGroup(store_), settings_); }

    template <typename T>
    T* Child(const char* name) {
        return testing::Child<T>(page_, name);
    }
    QComboBox* Groups() { return Child<QComboBox>("groupCombo"); }
    QCheckBox* Flag(int32_t text_id) {
        return Child<QCheckBox>(("flag" + std::to_string(text_id)).c_str());
    }
    NumberField* Number(const char* name) { return Child<NumberField>(name); }
    QStringList Networks() { return Texts(Child<QListWidget>("networks")); }
    bool NameFieldOpen() { return !Child<QLineEdit>("groupName")->isHidden(); }
    void TypeGroupName(const QString& name) {
        Child<QLineEdit>("groupName")->setText(name);
        Child<QPushButton>("groupNameOk")->click();
    }
    void PickGroup(const QString& name) {
        const int index = Groups()->findText(name, Qt::MatchExactly);
        ASSERT_GE(index, 0) << name.toStdString();
        Groups()->setCurrentIndex(index);
    }
    // Runs the "Add network" dialog the page opened: sets its last byte and confirms.
    void ConfirmNetworkDialog(const char* first, const char* last_byte) {
        auto* dialog = page_.findChild<AddNetworkDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        if (first != nullptr) {
            dialog->findChild<Ipv4Field*>("firstAddress")->setText(QLatin1String(first));
        }
        dialog->findChild<QLineEdit*>("lastByte")->setText(QLatin1String(last_byte));
        dialog->accept();
        testing::DeleteClosedDialogs();
        EXPECT_EQ(page_.findChild<AddNetworkDialog*>(), nullptr);
    }

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    ScanSettings settings_;
    GeneralOptionsPage page_{store_, settings_};
};

// The group and network rules are the core's; here the page's controls reach them and the file.
TEST_F(GeneralOptionsPageTest, GroupsAndNetworksReachTheFileThroughTheirControls) {
    Child<QPushButton>("addNetwork")->click();
    ConfirmNetworkDialog("192.168.1.1", "254");
    Child<QPushButton>("addNetwork")->click();
    ConfirmNetworkDialog("10.0.0.1", "5");
    QListWidget* list = Child<QListWidget>("networks");
    emit list->itemDoubleClicked(list->item(0));
    ConfirmNetworkDialog(nullptr, "100");
    EXPECT_EQ(file_.String("Network\\Nets2", "Net_00"), "192.168.1.1-100");
    list->item(0)->setSelected(true);
    Child<QPushButton>("deleteNetwork")->click();
    EXPECT_EQ(Networks(), QStringList{"10.0.0.1-5"});
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
    EXPECT_EQ(Texts(Groups()), (QStringList{"Default", "Lab"}));
    EXPECT_TRUE(Networks().isEmpty());

    // Switching stores the outgoing group's settings and shows the incoming group's.
    PickGroup("Default");
    EXPECT_EQ(switched.count(), 1);
    EXPECT_EQ(file_.Int("Network\\Groups\\Lab", "PingTimeout"), 120);
    EXPECT_EQ(Number("pingTimeout")->Text(), "50");
    EXPECT_EQ(Networks(), QStringList{"10.0.0.1-5"});

    // Deleting the current group shows the first entry's own settings.
    PickGroup("Lab");
    Child<QPushButton>("deleteGroup")->click();
    EXPECT_EQ(Texts(Groups()), QStringList{"Default"});
    EXPECT_EQ(Number("pingTimeout")->Text(), "50");
    EXPECT_EQ(switched.count(), 3);
}

TEST_F(GeneralOptionsPageTest, BoxesNumbersAndTheLanguageReachTheSettingsAndTheFile) {
    const uint32_t log_bits = LogEventBits::kEnableLog | LogEventBits::kLogFoundNewHost;
    settings_.FlagsGroup0 |= log_bits;
    page_.FillPage();
    EXPECT_FALSE(Flag(text_id::kDetectMacAddress)->isEnabled()) << "MAC detection is fixed";
    // Each box and the bit it owns in FlagsGroup0; parallel ping has a value of its own.
    const std::pair<QCheckBox*, uint32_t> boxes[] = {
        {Flag(text_id::kFastSearchOption), 0x1}, {Flag(text_id::kPingOption), 0x2},
        {Flag(text_id::kMinimizeToTray), 0x4},   {Flag(text_id::kAutoloadHostList), 0x8},
        {Flag(text_id::kResolveHostName), 0x10}, {Flag(text_id::kScanShareResources), 0x20},
        {Flag(text_id::kShowHostInfo), 0x40},    {Child<QCheckBox>("parallelPing"), 0}};
    for (const auto way :
         {testing::ToggleWay::kSetChecked, testing::ToggleWay::kAccessibleAction}) {
        for (const auto& [box, flag] : boxes) {
            SCOPED_TRACE(box->text().toStdString() +
                         (way == testing::ToggleWay::kSetChecked ? "" : " accessibly"));
            const uint32_t before = settings_.FlagsGroup0;
            testing::Toggle(box, way);
            EXPECT_EQ(settings_.FlagsGroup0, before ^ flag) << "only its own bit";
            EXPECT_EQ(flag != 0 ? settings_.HasFlag(flag) : settings_.ParallelPing.load(),
                      box->isChecked());
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
    WriteWholeFile(languages.Dir().File("deutsch.lng"), "-1,\"Deutsch\"\n");
    StringTable::SetLanguageFolders({languages.Dir().Path()});
    store_.WriteProfileString("Main", "DefaultLng", "deu");
    testing::SignalCounter changed(&page_, &GeneralOptionsPage::languageChanged);
    page_.FillPage();
    QComboBox* combo = Child<QComboBox>("languageCombo");
    EXPECT_EQ(Texts(combo), (QStringList{"Deutsch", "English", "Zulu"}));
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
