#include "options/qt/options_tab_control.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "options/qt/external_programs_page.h"
#include "options/qt/game_server_options_page.h"
#include "options/qt/general_options_page.h"
#include "options/qt/log_options_page.h"
#include "options_test_helpers.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using testing::SettingsFile;
using testing::SignalCounter;

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

TEST_F(OptionsTabControlTest, PagesArePlacedBelowEveryRowOfTabs) {
    const int height = tabs_.TabHeight();
    ASSERT_EQ(tabs_.TabRows(), 1);
    const int one_row_top = Page(0)->geometry().top();
    EXPECT_GT(one_row_top, height);

    // Too narrow for the tabs in one row: they wrap and the pages move down by whole rows.
    tabs_.resize(tabs_.Tab(2)->width() + tabs_.Tab(3)->width() - 1, 520);
    ASSERT_GE(tabs_.TabRows(), 2);
    const int rows = tabs_.TabRows();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Page(i)->geometry().top(), one_row_top + (rows - 1) * height) << i;
    }
    EXPECT_EQ(tabs_.Tab(3)->y(), (rows - 1) * height);
}

TEST_F(OptionsTabControlTest, SwitchingHidesTheLeftPageAndKeepsItsState) {
    SignalCounter changed(&tabs_, &TabbedPageContainer::currentChanged);
    tabs_.Tab(1)->click();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(Page(0)->isVisible());
    auto* enable_log = Page(1)->findChild<QCheckBox*>("enableLog");
    enable_log->click();
    tabs_.Tab(3)->click();
    EXPECT_FALSE(Page(1)->isVisible());
    EXPECT_TRUE(Page(3)->isVisible());

    // Clicking the selected tab again changes nothing; the arrow keys move along the tabs.
    tabs_.Tab(3)->click();
    EXPECT_EQ(changed.count(), 2);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QCoreApplication::sendEvent(tabs_.Tab(3), &left);
    EXPECT_EQ(tabs_.CurrentIndex(), 2);
    tabs_.Tab(1)->click();
    EXPECT_TRUE(enable_log->isChecked()) << "the same page, not a new one";
}

TEST_F(OptionsTabControlTest, ProgramAndLanguageChangesOfThePagesAreAnnounced) {
    SignalCounter programs(&tabs_, &OptionsTabControl::externalProgramsChanged);
    QWidget* page = Page(2);
    page->findChild<QLineEdit*>("description")->setText("Ping");
    page->findChild<QLineEdit*>("program")->setText("/bin/ping");
    page->findChild<QAbstractButton*>("addProgram")->click();
    EXPECT_EQ(programs.count(), 1);

    SignalCounter language(&tabs_, &OptionsTabControl::languageChanged);
    auto* combo = Page(0)->findChild<QComboBox*>("languageCombo");
    ASSERT_GT(combo->count(), 0);
    combo->setCurrentIndex(-1);
    combo->setCurrentIndex(0);
    EXPECT_EQ(language.count(), 1);
}

}  // namespace
}  // namespace corvimap
