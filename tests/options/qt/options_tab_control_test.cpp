#include "options/qt/options_tab_control.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QTreeWidget>
#include <tuple>

#include "log/event_kinds.h"
#include "options/qt/add_network_dialog.h"
#include "options/qt/external_programs_page.h"
#include "options/qt/game_server_options_page.h"
#include "options/qt/general_options_page.h"
#include "options/qt/log_options_page.h"
#include "options_test_helpers.h"
#include "settings/qt/qsettings_store.h"
#include "support/accessible_name.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;
using testing::SettingsFile;
using testing::SignalCounter;
using testing::WriteWholeFile;

TEST(PageRectTest, PagesSitBelowTheTabRowsInsideTheFrame) {
    EXPECT_EQ(PageRectFor(QRect(0, 0, 500, 400), 1, 20), QRect(QPoint(3, 27), QPoint(495, 395)));
    EXPECT_EQ(PageRectFor(QRect(0, 0, 500, 400), 2, 20), QRect(QPoint(3, 47), QPoint(495, 395)));
}

class OptionsTabControlTest : public ::testing::Test {
protected:
    OptionsTabControlTest() {
        LoadScanSettings(store_, "Default", settings_);
        tabs_.resize(700, 520);
        tabs_.show();
    }
    QWidget* Page(int index) { return tabs_.Page(index); }

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    ScanSettings settings_;
    GameServerBrowser browser_{store_};
    OptionsTabControl tabs_{store_, settings_, browser_};
};

TEST_F(OptionsTabControlTest, FourTabsWithTheFirstPageShown) {
    ASSERT_EQ(tabs_.Count(), 4);
    EXPECT_EQ(tabs_.Caption(0), "Networks");
    EXPECT_EQ(tabs_.Caption(1), "Log");
    EXPECT_EQ(tabs_.Caption(2), "External programs");
    EXPECT_EQ(tabs_.Caption(3), "Game servers");
    EXPECT_EQ(Page(0), &tabs_.General());
    EXPECT_EQ(Page(1), &tabs_.Log());
    EXPECT_EQ(Page(2), &tabs_.ExternalPrograms());
    EXPECT_EQ(Page(3), &tabs_.GameServers());
    EXPECT_EQ(tabs_.CurrentIndex(), 0);
    EXPECT_TRUE(Page(0)->isVisible());
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(Page(i)->isVisible()) << i;
    }
    EXPECT_TRUE(tabs_.Tab(0)->isChecked());
    EXPECT_EQ(tabs_.objectName(), "OptionsTabControl");
}

TEST_F(OptionsTabControlTest, PagesArePlacedBelowEveryRowOfTabs) {
    const int height = tabs_.TabHeight();
    ASSERT_GT(height, 0);
    EXPECT_EQ(tabs_.TabRows(), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Page(i)->geometry(), QRect(3, height + 7, 700 - 7, 520 - height - 11)) << i;
    }

    // Too narrow for the tabs in one row: they wrap and the pages move down by whole rows.
    tabs_.resize(tabs_.Tab(2)->width() + tabs_.Tab(3)->width() - 1, 520);
    ASSERT_GE(tabs_.TabRows(), 2);
    const int rows = tabs_.TabRows();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Page(i)->geometry().top(), rows * height + 7) << i;
    }
    EXPECT_EQ(tabs_.Tab(3)->y(), (rows - 1) * height);

    // The frame around the pages is drawn below the last row of tabs.
    QImage image(tabs_.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    tabs_.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    EXPECT_NE(image.pixel(0, rows * height + 2), QColor(Qt::magenta).rgb());
}

TEST_F(OptionsTabControlTest, SwitchingHidesTheLeftPageAndKeepsItsState) {
    SignalCounter changed(&tabs_, &TabbedPageContainer::currentChanged);
    tabs_.Tab(1)->click();
    EXPECT_EQ(tabs_.CurrentIndex(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(Page(0)->isVisible());
    EXPECT_TRUE(Page(1)->isVisible());
    ASSERT_TRUE(ProcessEventsUntil([this] { return tabs_.Log().TreeFilled(); }));

    auto* enable_log = Page(1)->findChild<QCheckBox*>("enableLog");
    enable_log->click();
    ASSERT_TRUE(settings_.HasFlag(LogEventBits::kEnableLog));
    // A tick the tree never reported is read back when the tab is left.
    auto* tree = Page(1)->findChild<QTreeWidget*>("events");
    const auto found = tree->findItems("Found new host", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    {
        const QSignalBlocker quiet(tree);
        found.front()->setCheckState(0, Qt::Checked);
    }
    const uint32_t before = settings_.FlagsGroup0;
    tabs_.Tab(3)->click();
    EXPECT_FALSE(Page(1)->isVisible());
    EXPECT_TRUE(Page(3)->isVisible());
    EXPECT_EQ(settings_.FlagsGroup0, before | LogEventBits::kLogFoundNewHost);

    // Clicking the selected tab again changes nothing; the arrow keys move along the tabs.
    tabs_.Tab(3)->click();
    EXPECT_TRUE(tabs_.Tab(3)->isChecked());
    EXPECT_EQ(changed.count(), 2);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QCoreApplication::sendEvent(tabs_.Tab(3), &left);
    EXPECT_EQ(tabs_.CurrentIndex(), 2);
    tabs_.Tab(1)->click();
    EXPECT_TRUE(enable_log->isChecked());
    EXPECT_EQ(found.front()->checkState(0), Qt::Checked);
    EXPECT_EQ(Page(1)->findChild<QTreeWidget*>("events"), tree) << "the same page, not a new one";
}

TEST_F(OptionsTabControlTest, ALanguageChangeRenamesOnlyTheFirstTabAndTheGeneralPage) {
    SettingsFile languages;
    WriteWholeFile(languages.Dir().File("Deutsch.lng"),
                   "-1,\"Deutsch\"\n23,\"Netzwerke\"\n25,\"Gruppe\"\n");
    StringTable::SetLanguageFolders({languages.Dir().Path()});
    tabs_.General().FillPage();
    SignalCounter changed(&tabs_, &OptionsTabControl::languageChanged);
    auto* combo = Page(0)->findChild<QComboBox*>("languageCombo");
    const int deutsch = combo->findText("Deutsch");
    ASSERT_GE(deutsch, 0);
    combo->setCurrentIndex(deutsch);
    emit combo->activated(deutsch);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(file_.String("Main", "DefaultLng"), "Deutsch");

    StringTable::LoadLanguage("Deutsch");
    tabs_.UpdateCaptions();
    EXPECT_EQ(tabs_.Caption(0), "Netzwerke");
    EXPECT_EQ(testing::AccessibleName(tabs_.Tab(0)), "Netzwerke");
    EXPECT_EQ(tabs_.Caption(1), "Log");
    EXPECT_EQ(tabs_.Caption(3), "Game servers");
    EXPECT_EQ(testing::AccessibleName(Page(0)->findChild<QComboBox*>("groupCombo")), "Gruppe");

    StringTable::UseBuiltIn();
    StringTable::SetLanguageFolders(StringTable::DefaultLanguageFolders());
    tabs_.UpdateCaptions();
    EXPECT_EQ(tabs_.Caption(0), "Networks");
}

TEST_F(OptionsTabControlTest, ExternalProgramChangesAreAnnounced) {
    SignalCounter changed(&tabs_, &OptionsTabControl::externalProgramsChanged);
    QWidget* page = Page(2);
    page->findChild<QLineEdit*>("description")->setText("Ping");
    page->findChild<QLineEdit*>("program")->setText("/bin/ping");
    page->findChild<QAbstractButton*>("addProgram")->click();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(tabs_.ExternalPrograms().Entries().size(), 1u);
}

TEST_F(OptionsTabControlTest, EveryControlOfEveryPageHasAName) {
    ASSERT_TRUE(ProcessEventsUntil([this] {
        tabs_.Tab(1)->click();
        return tabs_.Log().TreeFilled();
    }));
    EXPECT_EQ(testing::UnnamedControls(&tabs_), "");

    // Combos are known by their label, with their entry as the value.
    for (const auto& [name, label, value] : {std::tuple{"groupCombo", "Group", "Default"},
                                             std::tuple{"languageCombo", "Language", "English"}}) {
        QAccessibleInterface* combo =
            QAccessible::queryAccessibleInterface(Page(0)->findChild<QComboBox*>(name));
        ASSERT_NE(combo, nullptr) << name;
        EXPECT_EQ(combo->role(), QAccessible::ComboBox) << name;
        EXPECT_EQ(combo->text(QAccessible::Name), label) << name;
        EXPECT_EQ(combo->text(QAccessible::Value), value) << name;
    }
}

TEST_F(OptionsTabControlTest, TheTabStripIsAListOfPageTabs) {
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(tabs_.Tab(0))->parent();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->role(), QAccessible::PageTabList);
    ASSERT_EQ(strip->childCount(), 4) << "only the tabs, so a reader says \"1 of 4\"";
    for (int selected : {0, 2}) {
        for (int i = 0; i < 4; ++i) {
            QAccessibleInterface* tab = strip->child(i);
            EXPECT_EQ(tab->role(), QAccessible::PageTab) << i;
            EXPECT_EQ(tab->text(QAccessible::Name), tabs_.Caption(i)) << i;
            EXPECT_TRUE(tab->state().selectable) << i;
            EXPECT_EQ(tab->state().selected, i == selected) << i;
        }
        // A reader selects a tab with its press action.
        strip->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(tabs_.CurrentIndex(), 2);
    }
}

}  // namespace
}  // namespace corvimap
