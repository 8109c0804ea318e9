#include "options/qt/game_server_options_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <mutex>

#include "games/host_check.h"
#include "lab/fake_quake_server.h"
#include "options/qt/add_port_dialog.h"
#include "options_test_helpers.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using testing::DeleteClosedDialogs;
using testing::FakeGame;
using testing::FakeQuakeServer;
using testing::SettingsFile;

class IgnoredRecord final : public GameHostRecord {
public:
    void SetState(uint8_t) override {}
    void AttachGameMarker(uint8_t) override {}
    void FinishProbe() override {}
};

class CountingSink final : public ServerReportSink {
public:
    void UpdateServer(uint8_t, ServerReport) override {
        std::lock_guard lock(mutex_);
        ++reports_;
    }
    int Reports() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    mutable std::mutex mutex_;
    int reports_ = 0;
};

class GameServerOptionsPageTest : public ::testing::Test {
protected:
    template <typename T>
    T* Child(const char* name) {
        T* child = page_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Select(const char* type) {
        QComboBox* types = Child<QComboBox>("gameTypes");
        types->setCurrentIndex(types->findText(QLatin1String(type)));
    }
    QStringList ListedPorts() {
        QStringList ports;
        for (int i = 0; i < Child<QListWidget>("ports")->count(); ++i) {
            ports << Child<QListWidget>("ports")->item(i)->text();
        }
        return ports;
    }
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

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    std::unique_ptr<GameServerBrowser> browser_ = std::make_unique<GameServerBrowser>(store_);
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

    // Either way of ticking reaches what the window writes when it closes.
    const auto stored_flags = [this] {
        browser_->SaveAll();
        return file_.Int("GameServers\\Quake II", "Flags");
    };
    for (const auto way :
         {testing::ToggleWay::kSetChecked, testing::ToggleWay::kAccessibleAction}) {
        testing::Toggle(Child<QCheckBox>("checkThisGame"), way);
        EXPECT_EQ(stored_flags(), 0x03) << testing::ToggleWayName(way);
        for (const char* name : type_controls) {
            EXPECT_TRUE(Child<QWidget>(name)->isEnabled()) << name;
        }
        testing::Toggle(Child<QCheckBox>("checkDuringScan"), way);
        EXPECT_EQ(stored_flags(), 0x01);
        testing::Toggle(Child<QCheckBox>("checkDuringScan"), way);
        testing::Toggle(Child<QCheckBox>("checkThisGame"), way);
        EXPECT_EQ(stored_flags(), 0x02);
        EXPECT_FALSE(Child<QWidget>("checkDuringScan")->isEnabled());
    }
    Select("QuakeWorld");
    EXPECT_EQ(ListedPorts(), QStringList{"27500"});
    EXPECT_FALSE(Child<QWidget>("checkDuringScan")->isEnabled()) << "QuakeWorld is not checked";
    Select("Quake II");
    EXPECT_EQ(browser_->Find("Quake II")->Flags(), 0x02u) << "showing a type writes nothing";
}

TEST_F(GameServerOptionsPageTest, PortsAddedRefusedAndDeletedAreExactlyThePortsTheScanAsks) {
    FakeQuakeServer kept(FakeGame::kQuakeWorld, testing::RealisticQuakeWorldServer());
    FakeQuakeServer dropped(FakeGame::kQuakeWorld, testing::RealisticQuakeWorldServer());
    ASSERT_TRUE(kept.Ok() && dropped.Ok());
    const QString kept_port = QString::number(kept.Port());
    const QString dropped_port = QString::number(dropped.Port());

    Select("QuakeWorld");
    Child<QCheckBox>("checkThisGame")->click();
    // The dialog starts at the default port, which is refused like a port already listed.
    Child<QPushButton>("addPort")->click();
    EXPECT_EQ(page_->findChild<AddPortDialog*>()->Port(), 27500);
    page_->findChild<AddPortDialog*>()->accept();
    DeleteClosedDialogs();
    EXPECT_EQ(ListedPorts(), QStringList{"27500"});

    AddPort(kept.Port());
    AddPort(dropped.Port());
    AddPort(kept.Port());
    AddPort(27777, false);
    EXPECT_EQ(ListedPorts(), (QStringList{"27500", kept_port, dropped_port}));
    EXPECT_EQ(TypePorts("QuakeWorld"), (std::vector<uint16_t>{27500, kept.Port(), dropped.Port()}));

    // "Del" removes the port from the type too; the last entry stays.
    DeletePort("27500");
    DeletePort(dropped_port);
    DeletePort(kept_port);
    EXPECT_EQ(ListedPorts(), QStringList{kept_port});
    EXPECT_EQ(TypePorts("QuakeWorld"), std::vector<uint16_t>{kept.Port()});

    // The next check of a host asks exactly the listed port.
    IgnoredRecord record;
    CountingSink sink;
    CheckHostForGameServers(*browser_, MakeAddress(127, 0, 0, 1), std::chrono::milliseconds(500),
                            record, sink);
    EXPECT_EQ(kept.RequestCount("status"), 1);
    EXPECT_EQ(dropped.RequestCount("status"), 0);
    EXPECT_EQ(sink.Reports(), 1);

    // Switched off, the game is asked no more.
    Child<QCheckBox>("checkThisGame")->click();
    CheckHostForGameServers(*browser_, MakeAddress(127, 0, 0, 1), std::chrono::milliseconds(500),
                            record, sink);
    EXPECT_EQ(kept.RequestCount("status"), 1);
    Child<QCheckBox>("checkThisGame")->click();

    // The types are written when the browser goes.
    page_.reset();
    browser_.reset();
    EXPECT_EQ(file_.Int("GameServers\\QuakeWorld", "PortsNumb"), 1);
    EXPECT_EQ(file_.Int("GameServers\\QuakeWorld", "Port_00"), kept.Port());
    EXPECT_EQ(file_.Int("GameServers\\QuakeWorld", "Flags"), 0x03);
}

TEST_F(GameServerOptionsPageTest, ATypeWithoutPortsShowsItsDefaultAndKeepsItWhenOneIsAdded) {
    page_.reset();
    browser_.reset();
    store_.WriteProfileInt("GameServers\\Quake III Arena", "PortsNumb", -1);
    browser_ = std::make_unique<GameServerBrowser>(store_);
    page_ = std::make_unique<GameServerOptionsPage>(*browser_);
    ASSERT_TRUE(TypePorts("Quake III Arena").empty());

    Select("Quake III Arena");
    Child<QCheckBox>("checkThisGame")->click();
    EXPECT_EQ(ListedPorts(), QStringList{"27960"});
    DeletePort("27960");
    EXPECT_EQ(ListedPorts(), QStringList{"27960"}) << "the last entry stays";
    AddPort(27961);
    EXPECT_EQ(ListedPorts(), (QStringList{"27960", "27961"}));
    EXPECT_EQ(TypePorts("Quake III Arena"), (std::vector<uint16_t>{27960, 27961}))
        << "the list shown is the list asked";
}

TEST_F(GameServerOptionsPageTest, TheAddPortDialogKeepsPortsInSixteenBits) {
    AddPortDialog dialog(27500);
    auto* port = dialog.findChild<QSpinBox*>("port");
    port->setValue(70000);
    EXPECT_EQ(dialog.Port(), 65535) << "a port list keeps 16-bit ports";
}

}  // namespace
}  // namespace corvimap
