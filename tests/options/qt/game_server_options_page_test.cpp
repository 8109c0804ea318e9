#include "options/qt/game_server_options_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "options/qt/add_port_dialog.h"
#include "options_test_helpers.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using testing::DeleteClosedDialogs;
using testing::SettingsFile;

class GameServerOptionsPageTest : public ::testing::Test {
protected:
    template <typename T>
    T* Child(const char* name) {
        return testing::Child<T>(*page_, name);
    }
    void Select(const char* type) {
        QComboBox* types = Child<QComboBox>("gameTypes");
        types->setCurrentIndex(types->findText(QLatin1String(type)));
    }
    QStringList ListedPorts() { return testing::Texts(Child<QListWidget>("ports")); }
    std::vector<uint16_t> TypePorts(const char* type) { return *browser_->Find(type)->Ports(); }
    // "Add" with a number typed into the dialog, or the dialog cancelled.
    void AddPort(int port, bool confirm = true) {
        Child<QPushButton>("addPort")->click();
        auto* dialog = page_->findChild<AddPortDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        dialog->findChild<QSpinBox*>("port")->setValue(port);
        confirm ? dialog->accept() : dialog->reject();
        DeleteClosedDialogs();
    }
    void DeletePort(const QString& port) {
        QListWidget* list = Child<QListWidget>("ports");
        list->clearSelection();
        const auto found = list->findItems(port, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << port.toStdString();
        found.front()->setSelected(true);
        Child<QPushButton>("deletePort")->click();
    }

    // Quake III Arena is stored without ports.
    std::unique_ptr<GameServerBrowser> MakeBrowser() {
        store_.WriteProfileInt("GameServers\\Quake III Arena", "PortsNumb", -1);
        return std::make_unique<GameServerBrowser>(store_);
    }

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    std::unique_ptr<GameServerBrowser> browser_ = MakeBrowser();
    std::unique_ptr<GameServerOptionsPage> page_ =
        std::make_unique<GameServerOptionsPage>(*browser_);
};

TEST_F(GameServerOptionsPageTest, ChoosingATypeShowsItsFlagsAndPortsAndTheSwitchEnablesThem) {
    const char* type_controls[] = {"checkThisGame", "ports", "addPort", "deletePort",
                                   "checkDuringScan"};
    for (const char* name : type_controls) {
        EXPECT_FALSE(Child<QWidget>(name)->isEnabled()) << name << " before a type is chosen";
    }
    browser_->Find("Quake II")->SetPorts({27910, 27920});
    Select("Quake II");
    EXPECT_FALSE(Child<QCheckBox>("checkThisGame")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("checkDuringScan")->isChecked()) << "the default flags are 0x02";
    EXPECT_EQ(ListedPorts(), (QStringList{"27910", "27920"}));

    // Either way of ticking reaches the type; the browser stores it (tested there).
    const auto stored_flags = [this] { return browser_->Find("Quake II")->Flags(); };
    testing::Toggle(Child<QCheckBox>("checkThisGame"), testing::ToggleWay::kSetChecked);
    EXPECT_EQ(stored_flags(), 0x03u);
    for (const char* name : type_controls) {
        EXPECT_TRUE(Child<QWidget>(name)->isEnabled()) << name;
    }
    testing::Toggle(Child<QCheckBox>("checkDuringScan"), testing::ToggleWay::kAccessibleAction);
    EXPECT_EQ(stored_flags(), 0x01u);
    testing::Toggle(Child<QCheckBox>("checkThisGame"), testing::ToggleWay::kAccessibleAction);
    EXPECT_EQ(stored_flags(), 0x00u);
    EXPECT_FALSE(Child<QWidget>("checkDuringScan")->isEnabled());
    Select("QuakeWorld");
    EXPECT_EQ(ListedPorts(), QStringList{"27500"});
    EXPECT_FALSE(Child<QWidget>("checkDuringScan")->isEnabled()) << "QuakeWorld is not checked";
    Select("Quake II");
    EXPECT_EQ(browser_->Find("Quake II")->Flags(), 0x00u) << "showing a type writes nothing";
}

// Whether the scan asks these ports is the browser's; here the list shown is the type's list,
// also for a type stored without ports, which shows its default.
TEST_F(GameServerOptionsPageTest, PortsAddedRefusedAndDeletedAreTheTypesPortsAndStored) {
    ASSERT_TRUE(TypePorts("Quake III Arena").empty());
    Select("Quake III Arena");
    Child<QCheckBox>("checkThisGame")->click();
    EXPECT_EQ(ListedPorts(), QStringList{"27960"});
    DeletePort("27960");
    EXPECT_EQ(ListedPorts(), QStringList{"27960"}) << "the last entry stays";
    AddPort(27961);
    EXPECT_EQ(TypePorts("Quake III Arena"), (std::vector<uint16_t>{27960, 27961}));
    AddPort(70000);  // a port list keeps 16-bit ports
    AddPort(27961);  // refused as already listed
    AddPort(27777, false);
    EXPECT_EQ(ListedPorts(), (QStringList{"27960", "27961", "65535"}));
    EXPECT_EQ(TypePorts("Quake III Arena"), (std::vector<uint16_t>{27960, 27961, 65535}));

    // "Del" removes the port from the type too.
    DeletePort("27960");
    DeletePort("65535");
    EXPECT_EQ(ListedPorts(), QStringList{"27961"});
    EXPECT_EQ(TypePorts("Quake III Arena"), std::vector<uint16_t>{27961});
}

}  // namespace
}  // namespace corvimap
