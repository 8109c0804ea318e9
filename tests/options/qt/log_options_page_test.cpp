#include "options/qt/log_options_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "controls/qt/number_field.h"
#include "log/event_kinds.h"
#include "options_test_helpers.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using testing::DeleteClosedDialogs;
using testing::ProcessEventsUntil;
using testing::SettingsFile;
using testing::WriteWholeFile;

// Event choices set before the page is made, so the tree has something to show.
constexpr uint32_t kChosenEvents = LogEventBits::kLogStartProgram | LogEventBits::kLogFoundNewHost |
                                   LogEventBits::kLogDeadHost | LogEventBits::kLogConnectUser;

class LogOptionsPageTest : public ::testing::Test {
protected:
    LogOptionsPageTest() {
        store_.WriteProfileString("LogOptions", "LogFile", log_path_.string());
        settings_.FlagsGroup0 = 0x11 | kChosenEvents;
        page_ = std::make_unique<LogOptionsPage>(store_, settings_);
    }

    template <typename T>
    T* Child(const char* name) {
        return testing::Child<T>(*page_, name);
    }
    QTreeWidgetItem* Choice(const QString& text) {
        const auto found =
            Child<QTreeWidget>("events")->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_EQ(found.size(), 1) << text.toStdString();
        return found.isEmpty() ? nullptr : found.front();
    }
    // The bits the tree shows ticked, and the bits it has a choice for.
    std::pair<uint32_t, uint32_t> TreeBits() {
        uint32_t ticked = 0;
        uint32_t shown = 0;
        for (QTreeWidgetItemIterator it(Child<QTreeWidget>("events"),
                                        QTreeWidgetItemIterator::NoChildren);
             *it != nullptr; ++it) {
            const uint32_t mask = (*it)->data(0, Qt::UserRole).toUInt();
            shown |= mask;
            ticked |= (*it)->checkState(0) == Qt::Checked ? mask : 0;
        }
        return {ticked, shown};
    }
    void ShowAndWaitForTree() {
        page_->show();
        ASSERT_TRUE(ProcessEventsUntil([this] { return page_->TreeFilled(); }));
    }

    SettingsFile file_;
    std::filesystem::path log_path_ = file_.Dir().File("corvimap.log");
    QSettingsStore store_{file_.Path()};
    ScanSettings settings_;
    std::unique_ptr<LogOptionsPage> page_;
};

TEST_F(LogOptionsPageTest, TheEventTreeShowsAndWritesExactlyItsBits) {
    EXPECT_EQ(Child<QTreeWidget>("events")->topLevelItemCount(), 0) << "filled only when shown";
    page_->show();
    page_->hide();
    EXPECT_EQ(settings_.FlagsGroup0, 0x11 | kChosenEvents) << "hidden before the tree is filled";
    ShowAndWaitForTree();
    QTreeWidget* tree = Child<QTreeWidget>("events");
    auto [ticked, shown] = TreeBits();
    EXPECT_EQ(shown, LogEventBits::kAll & ~0x380u) << "every event bit has its choice";
    EXPECT_EQ(ticked, kChosenEvents);

    // Hiding the page reads the whole tree back, also ticks no click reported.
    {
        const QSignalBlocker quiet(tree);
        Choice("Hide to tray")->setCheckState(0, Qt::Checked);
        Choice("Dead host")->setCheckState(0, Qt::Unchecked);
    }
    settings_.FlagsGroup0 |= LogEventBits::kEnableLog;
    page_->hide();
    std::tie(ticked, shown) = TreeBits();
    EXPECT_EQ(settings_.FlagsGroup0 & shown, ticked);
    EXPECT_EQ(settings_.FlagsGroup0 & ~shown, 0x11u | LogEventBits::kEnableLog)
        << "scan bits and the three switches stay as they were";

    // Shown again after another group's flags came in: the page shows those.
    settings_.FlagsGroup0 = 0x11 | LogEventBits::kLogStopScan;
    page_->show();
    EXPECT_EQ(TreeBits().first, LogEventBits::kLogStopScan);
    EXPECT_FALSE(Child<QCheckBox>("enableLog")->isChecked());
    page_->hide();
    EXPECT_EQ(settings_.FlagsGroup0, 0x11 | LogEventBits::kLogStopScan);
}

TEST_F(LogOptionsPageTest, EachControlIsStoredAsItChangesAndTheSwitchesEnableTheRest) {
    ShowAndWaitForTree();
    const auto expect_enabled = [this](bool log, bool file) {
        for (const char* name : {"maxLogLines", "enableLogFile", "events"}) {
            EXPECT_EQ(Child<QWidget>(name)->isEnabled(), log) << name;
        }
        for (const char* name :
             {"logFile", "chooseLogFile", "deleteLogFile", "maxLogfileSize", "autoLoadLogFile"}) {
            EXPECT_EQ(Child<QWidget>(name)->isEnabled(), file) << name;
        }
    };
    // Saving the flags to the file is the scan settings' (tested there).
    const auto flags = [this] { return settings_.FlagsGroup0.load(); };
    expect_enabled(false, false);
    // Each switch enables the next one; either way of ticking counts.
    const std::tuple<const char*, uint32_t, testing::ToggleWay> boxes[] = {
        {"enableLog", LogEventBits::kEnableLog, testing::ToggleWay::kSetChecked},
        {"enableLogFile", LogEventBits::kEnableLogFile, testing::ToggleWay::kAccessibleAction},
        {"autoLoadLogFile", LogEventBits::kAutoLoadLogFile, testing::ToggleWay::kSetChecked}};
    for (const auto& [name, mask, way] : boxes) {
        testing::Toggle(Child<QCheckBox>(name), way);
        EXPECT_EQ(flags() & mask, mask) << name;
        expect_enabled(true, mask != LogEventBits::kEnableLog);
    }

    // An event choice ticked with the space key, as a screen reader's user ticks it (an item's
    // accessible action selects it rather than ticking it).
    auto* tree = Child<QTreeWidget>("events");
    tree->setCurrentItem(Choice("Hide to tray"));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(tree, &space);
    EXPECT_EQ(flags() & LogEventBits::kLogHideToTray, LogEventBits::kLogHideToTray);
    testing::Toggle(Child<QCheckBox>("enableLog"), testing::ToggleWay::kAccessibleAction);
    EXPECT_EQ(flags() & LogEventBits::kEnableLog, 0u);
    expect_enabled(false, false);  // the log off disables the file controls too

    // Sizes and the notification box go to the file at once, and a new page shows them.
    Child<NumberField>("maxLogLines")->Edit()->setText("321");
    auto* notify = Child<QCheckBox>("notifyHosts");
    EXPECT_TRUE(notify->isEnabled()) << "notifications are not part of the log";
    testing::Toggle(notify, testing::ToggleWay::kAccessibleAction);
    EXPECT_EQ(file_.Int("LogOptions", "NotifyHosts"), 1);
    page_ = std::make_unique<LogOptionsPage>(store_, settings_);
    EXPECT_EQ(Child<NumberField>("maxLogLines")->Text(), "321");
    EXPECT_TRUE(Child<QCheckBox>("notifyHosts")->isChecked());
}

TEST_F(LogOptionsPageTest, TheLogFileIsShownSizedChosenAndDeleted) {
    settings_.FlagsGroup0 |= LogEventBits::kEnableLog | LogEventBits::kEnableLogFile;
    page_ = std::make_unique<LogOptionsPage>(store_, settings_);
    EXPECT_EQ(Child<QLineEdit>("logFile")->text().toStdString(), log_path_.string());
    WriteWholeFile(log_path_, std::string(1234, 'x'));
    page_->show();
    EXPECT_EQ(Child<QLabel>("logFileSize")->text(), "1234") << "refreshed when shown";

    Child<QPushButton>("deleteLogFile")->click();
    EXPECT_FALSE(std::filesystem::exists(log_path_));
    EXPECT_EQ(Child<QLabel>("logFileSize")->text(), "None");

    // The chooser offers "Corvimap" with ".log" added, and stores the choice at once.
    Child<QPushButton>("chooseLogFile")->click();
    auto* chooser = page_->findChild<QFileDialog*>("logFileChooser");
    ASSERT_NE(chooser, nullptr);
    EXPECT_FALSE(chooser->testOption(QFileDialog::DontConfirmOverwrite));
    const auto chosen = file_.Dir().File("scanner");
    chooser->selectFile(QString::fromStdString(chosen.string()));
    QMetaObject::invokeMethod(chooser, "accept");
    DeleteClosedDialogs();
    EXPECT_EQ(file_.String("LogOptions", "LogFile"), chosen.string() + ".log");
    EXPECT_EQ(Child<QLineEdit>("logFile")->text().toStdString(), chosen.string() + ".log");

    // A path put into the field is stored at once, however it got there.
    WriteWholeFile(log_path_, "12345");
    Child<QLineEdit>("logFile")->setText(QString::fromStdString(log_path_.string()));
    EXPECT_EQ(file_.String("LogOptions", "LogFile"), log_path_.string());
    EXPECT_EQ(Child<QLabel>("logFileSize")->text(), "5");
}

}  // namespace
}  // namespace corvimap
