#include "options/qt/game_server_options_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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

TEST_F(GameServerOptionsPageTest, BeforeATypeIsChosenOnlyTheListCanBeUsed) {
    QComboBox* types = Child<QComboBox>("gameTypes");
    EXPECT_EQ(types->currentIndex(), -1);
    ASSERT_EQ(types->count(), 3);
    EXPECT_EQ(types->itemText(0), "QuakeWorld");
    EXPECT_EQ(types->itemText(2), "Quake III Arena");
    EXPECT_TRUE(types->isEnabled());
    EXPECT_EQ(ListedPorts(), QStringList{});
    EXPECT_FALSE(Child<QCheckBox>("checkDuringScan")->isChecked());
    for (const char* name :
         {"checkThisGame", "ports", "addPort", "deletePort", "checkDuringScan"}) {
        EXPECT_FALSE(Child<QWidget>(name)->isEnabled()) << name;
    }
    // The controls no part acts on are never shown.
    page_->show();
    for (const char* name : {"addToLog", "checkLocal", "soundIfFound"}) {
        EXPECT_FALSE(Child<QWidget>(name)->isVisible()) << name;
    }
    EXPECT_EQ(page_->findChildren<QLineEdit*>().size(), 2);
    for (QLineEdit* path : page_->findChildren<QLineEdit*>()) {
        EXPECT_FALSE(path->isVisible());
    }
    EXPECT_EQ(testing::UnnamedControls(page_.get()), "");
}

TEST_F(GameServerOptionsPageTest, ChoosingATypeShowsItsFlagsAndPortsAndTheSwitchEnablesThem) {
    browser_->Find("Quake II")->SetPorts({27910, 27920});
    Select("Quake II");
    EXPECT_TRUE(Child<QCheckBox>("checkThisGame")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>("checkThisGame")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("checkDuringScan")->isChecked()) << "the default flags are 0x02";
    EXPECT_FALSE(Child<QCheckBox>("checkDuringScan")->isEnabled());
    EXPECT_EQ(ListedPorts(), (QStringList{"27910", "27920"}));

    Child<QCheckBox>("checkThisGame")->click();
    EXPECT_EQ(browser_->Find("Quake II")->Flags(), 0x03u);
    for (const char* name : {"ports", "addPort", "deletePort", "checkDuringScan"}) {
        EXPECT_TRUE(Child<QWidget>(name)->isEnabled()) << name;
    }
    Child<QCheckBox>("checkDuringScan")->click();
    EXPECT_EQ(browser_->Find("Quake II")->Flags(), 0x01u);
    Child<QCheckBox>("checkThisGame")->click();
    EXPECT_EQ(browser_->Find("Quake II")->Flags(), 0x00u);
    EXPECT_FALSE(Child<QWidget>("checkDuringScan")->isEnabled());

    Select("QuakeWorld");
    EXPECT_EQ(ListedPorts(), QStringList{"27500"});
    EXPECT_TRUE(Child<QCheckBox>("checkDuringScan")->isChecked());
}

TEST_F(GameServerOptionsPageTest, WhatTheBoxesShowIsWhatTheFileHoldsHoweverTheyChanged) {
    const std::pair<const char*, uint32_t> boxes[] = {{"checkThisGame", kGameCheckThisGame},
                                                      {"checkDuringScan", kGameCheckDuringScan}};
    Select("Quake II");
    const auto stored_flags = [this] {
        browser_->SaveAll();  // what the window does when it closes
        return static_cast<uint32_t>(file_.Int("GameServers\\Quake II", "Flags"));
    };
    // "Check this game" enables the other box: on first, then the other; off in reverse.
    for (const auto way :
         {testing::ToggleWay::kSetChecked, testing::ToggleWay::kAccessibleAction}) {
        for (size_t i = 0; i < std::size(boxes); ++i) {
            const bool forward = way == testing::ToggleWay::kSetChecked;
            const auto& [name, mask] = boxes[forward ? i : std::size(boxes) - 1 - i];
            auto* box = Child<QCheckBox>(name);
            const bool was = box->isChecked();
            testing::Toggle(box, way);
            EXPECT_NE(box->isChecked(), was) << name;
            EXPECT_EQ((stored_flags() & mask) != 0, box->isChecked())
                << name << " " << testing::ToggleWayName(way);
        }
    }
    EXPECT_FALSE(Child<QCheckBox>("checkDuringScan")->isEnabled());
    // Showing another type and coming back writes nothing.
    const uint32_t before = browser_->Find("Quake II")->Flags();
    Select("QuakeWorld");
    Select("Quake II");
    EXPECT_EQ(browser_->Find("Quake II")->Flags(), before);
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
    Child<QListWidget>("ports")->clearSelection();
    Child<QPushButton>("deletePort")->click();
    EXPECT_EQ(ListedPorts(), QStringList{kept_port}) << "nothing selected";

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

TEST_F(GameServerOptionsPageTest, TheAddPortDialogNamesItsControls) {
    AddPortDialog dialog(27500);
    EXPECT_EQ(dialog.windowTitle(), "Add port");
    EXPECT_EQ(testing::UnnamedControls(&dialog), "");
    auto* port = dialog.findChild<QSpinBox*>("port");
    port->setValue(70000);
    EXPECT_EQ(dialog.Port(), 65535) << "a port list keeps 16-bit ports";
}

}  // namespace
}  // namespace corvimap
