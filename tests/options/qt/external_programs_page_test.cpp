#include "options/qt/external_programs_page.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/qt/host_actions.h"
#include "options_test_helpers.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using testing::DeleteClosedDialogs;
using testing::ProcessEventsUntil;
using testing::ReadWholeFile;
using testing::SettingsFile;
using testing::SignalCounter;
using testing::WriteWholeFile;

class ExternalProgramsPageTest : public ::testing::Test {
protected:
    template <typename T>
    T* Child(const char* name) {
        return testing::Child<T>(*page_, name);
    }
    void SetFields(const char* description, const char* program, const char* parameters) {
        Child<QLineEdit>("description")->setText(QLatin1String(description));
        Child<QLineEdit>("program")->setText(QLatin1String(program));
        Child<QLineEdit>("parameters")->setText(QLatin1String(parameters));
    }
    void Press(const char* button) { Child<QPushButton>(button)->click(); }
    QTreeWidget* Rows() { return Child<QTreeWidget>("programs"); }
    QStringList RowTexts(int row) {
        QTreeWidgetItem* item = Rows()->topLevelItem(row);
        return {item->text(0), item->text(1), item->text(2)};
    }

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    std::unique_ptr<ExternalProgramsPage> page_ = std::make_unique<ExternalProgramsPage>(store_);
};

// The list's rules are the core's; here the controls reach them, the file and the next page.
TEST_F(ExternalProgramsPageTest, AddEditAndDeleteAreStoredAndComeBackWithTheLayout) {
    SignalCounter changed(page_.get(), &ExternalProgramsPage::externalProgramsChanged);
    // A chosen program fills the fields left empty.
    const QString telnet = QString::fromStdString(file_.Dir().File("telnet.exe").string());
    WriteWholeFile(telnet.toStdString(), "#!/bin/sh\n");
    SetFields("", "", "-c 1 %a");
    Press("chooseProgram");
    auto* chooser = page_->findChild<QFileDialog*>("programChooser");
    ASSERT_NE(chooser, nullptr);
    chooser->selectFile(telnet);
    QMetaObject::invokeMethod(chooser, "accept");
    DeleteClosedDialogs();
    Press("addProgram");
    SetFields("Trace", "/usr/bin/traceroute", "");
    Press("addProgram");
    SetFields("Ssh", "/usr/bin/ssh", "-l admin %a");
    Press("addProgram");
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(RowTexts(0), (QStringList{"telnet.exe", telnet, "-c 1 %a"}));

    // Selecting a row copies it into the fields.
    Rows()->setCurrentItem(Rows()->topLevelItem(2));
    EXPECT_EQ(Child<QLineEdit>("parameters")->text(), "-l admin %a");
    Child<QLineEdit>("parameters")->setText("-l root %a");
    Press("editProgram");
    Rows()->setCurrentItem(Rows()->topLevelItem(1));
    Press("deleteProgram");
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(file_.Int("Progs\\ProgsList", "ItemCount"), 2) << "stored at once";

    QHeaderView* header = Rows()->header();
    header->moveSection(2, 0);  // "Parametrs" shown first
    header->resizeSection(1, 177);
    page_.reset();
    page_ = std::make_unique<ExternalProgramsPage>(store_);
    ASSERT_EQ(Rows()->topLevelItemCount(), 2);
    EXPECT_EQ(RowTexts(0), (QStringList{"telnet.exe", telnet, "-c 1 %a"}));
    EXPECT_EQ(RowTexts(1), (QStringList{"Ssh", "/usr/bin/ssh", "-l root %a"}));
    EXPECT_EQ(Rows()->header()->logicalIndex(0), 2);
    EXPECT_EQ(Rows()->header()->sectionSize(1), 177);
}

TEST_F(ExternalProgramsPageTest, LaunchingPutsTheAddressForTheFirstPlaceholderOnly) {
    const auto out = file_.Dir().File("args.txt");
    const std::string parameters = "-c 'echo \"$0 $1\" > " + out.string() + "' %a %a";
    const ProgramLaunch echo =
        PrepareLaunch({"Echo", "/bin/sh", parameters}, MakeAddress(192, 168, 0, 5));
    ASSERT_TRUE(StartDetachedProgram(echo.program, echo.arguments));
    ASSERT_TRUE(ProcessEventsUntil([&out] { return ReadWholeFile(out).ends_with("\n"); }));
    EXPECT_EQ(ReadWholeFile(out), "192.168.0.5 %a\n");
}

}  // namespace
}  // namespace corvimap
