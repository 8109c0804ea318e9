#include "options/qt/external_programs_page.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/qt/host_actions.h"
#include "controls/qt/column_widths.h"
#include "options_test_helpers.h"
#include "settings/memory_settings_store.h"
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
        T* child = page_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
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

    // A designed column width for the list's font.
    int Designed(int width) { return ScaleDesignX(width, BaseUnitsOf(Rows()->fontMetrics())); }

    SettingsFile file_;
    QSettingsStore store_{file_.Path()};
    std::unique_ptr<ExternalProgramsPage> page_ = std::make_unique<ExternalProgramsPage>(store_);
};

TEST_F(ExternalProgramsPageTest, AddEditAndDeleteFollowTheirRulesAndAreStored) {
    SignalCounter changed(page_.get(), &ExternalProgramsPage::externalProgramsChanged);
    EXPECT_EQ(Rows()->headerItem()->text(0), "Description");
    EXPECT_EQ(Rows()->headerItem()->text(1), "Program");
    EXPECT_EQ(Rows()->headerItem()->text(2), "Parametrs");
    EXPECT_EQ(Rows()->header()->sectionSize(1), Designed(90)) << "grown with the font";

    SetFields("", "/bin/ping", "%a");
    Press("addProgram");
    SetFields("Ping", "", "%a");
    Press("addProgram");
    EXPECT_EQ(Rows()->topLevelItemCount(), 0);
    EXPECT_EQ(changed.count(), 0);

    SetFields("Ping", "/bin/ping", "-c 1 %a");
    Press("addProgram");
    SetFields("Trace", "/usr/bin/traceroute", "");
    Press("addProgram");
    EXPECT_EQ(changed.count(), 2);
    ASSERT_EQ(Rows()->topLevelItemCount(), 2);
    EXPECT_EQ(RowTexts(1), (QStringList{"Trace", "/usr/bin/traceroute", ""}));
    EXPECT_FALSE(Rows()->topLevelItem(0)->icon(0).isNull()) << "every row shows its picture";
    EXPECT_EQ(page_->Entries().size(), 2u);
    EXPECT_EQ(file_.Int("Progs\\ProgsList", "ItemCount"), 2) << "stored at once";
    EXPECT_EQ(file_.Int("Progs\\ProgsList", "SubItemCount"), 3);
    EXPECT_EQ(file_.String("Progs\\ProgsList", "Item0000_02"), "-c 1 %a");
    EXPECT_EQ(file_.String("Progs\\ProgsList", "Item0001_02"), "");

    // Edit and Delete need a selected row.
    SetFields("X", "/x", "");
    Press("editProgram");
    Press("deleteProgram");
    EXPECT_EQ(Rows()->topLevelItemCount(), 2);
    EXPECT_EQ(changed.count(), 2);

    // Selecting a row copies it into the fields.
    Rows()->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(Child<QLineEdit>("description")->text(), "Ping");
    EXPECT_EQ(Child<QLineEdit>("parameters")->text(), "-c 1 %a");
    Child<QLineEdit>("parameters")->setText("-c 3 %a");
    Child<QLineEdit>("program")->clear();
    Press("editProgram");
    EXPECT_EQ(RowTexts(0), (QStringList{"Ping", "/bin/ping", "-c 1 %a"})) << "program missing";
    Child<QLineEdit>("program")->setText("/bin/ping");
    Press("editProgram");
    EXPECT_EQ(RowTexts(0), (QStringList{"Ping", "/bin/ping", "-c 3 %a"}));
    EXPECT_EQ(file_.String("Progs\\ProgsList", "Item0000_02"), "-c 3 %a");
    EXPECT_EQ(changed.count(), 3);

    Press("deleteProgram");
    ASSERT_EQ(Rows()->topLevelItemCount(), 1);
    EXPECT_TRUE(Rows()->selectedItems().isEmpty());
    EXPECT_EQ(RowTexts(0), (QStringList{"Trace", "/usr/bin/traceroute", ""}));
    EXPECT_EQ(page_->Entries().front().description, "Trace");
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(file_.Int("Progs\\ProgsList", "ItemCount"), 1);
    EXPECT_EQ(file_.String("Progs\\ProgsList", "Item0000_00"), "Trace");
    EXPECT_EQ(file_.String("Progs\\ProgsList", "Item0001_00"), "Trace") << "old keys stay";
}

TEST_F(ExternalProgramsPageTest, RowsAndColumnLayoutComeBackWithTheNextPage) {
    SetFields("Ping", "/bin/ping", "%a");
    Press("addProgram");
    SetFields("Ssh", "/usr/bin/ssh", "-l admin %a");
    Press("addProgram");
    QHeaderView* header = Rows()->header();
    header->moveSection(2, 0);  // "Parametrs" shown first
    header->resizeSection(1, 177);
    page_.reset();
    EXPECT_EQ(file_.Int("Progs\\ProgsListColumn", "ColumnNumber"), 3);
    EXPECT_EQ(file_.Int("Progs\\ProgsListColumn", "Column01Width"), 177);
    const auto order =
        QSettingsStore(file_.Path()).GetProfileBinary("Progs\\ProgsListColumn", "OrderOfColumn");
    EXPECT_EQ(order, (std::vector<uint8_t>{2, 0, 1}));

    page_ = std::make_unique<ExternalProgramsPage>(store_);
    ASSERT_EQ(Rows()->topLevelItemCount(), 2);
    EXPECT_EQ(RowTexts(1), (QStringList{"Ssh", "/usr/bin/ssh", "-l admin %a"}));
    EXPECT_FALSE(Rows()->topLevelItem(1)->icon(0).isNull());
    EXPECT_EQ(Rows()->header()->logicalIndex(0), 2);
    EXPECT_EQ(Rows()->header()->sectionSize(1), 177);
    EXPECT_EQ(Rows()->header()->sectionSize(0), Designed(130));
}

TEST_F(ExternalProgramsPageTest, AWidthOf9999OrABrokenOrderLeavesTheColumnsAsBuilt) {
    store_.WriteProfileInt("Progs\\ProgsListColumn", "ColumnNumber", 3);
    store_.WriteProfileBinary("Progs\\ProgsListColumn", "OrderOfColumn", {1, 1, 0});
    store_.WriteProfileInt("Progs\\ProgsListColumn", "Column00Width", 9999);
    store_.WriteProfileInt("Progs\\ProgsListColumn", "Column02Width", 60);
    page_ = std::make_unique<ExternalProgramsPage>(store_);
    EXPECT_EQ(Rows()->header()->logicalIndex(0), 0);
    EXPECT_EQ(Rows()->header()->sectionSize(0), Designed(130));
    EXPECT_EQ(Rows()->header()->sectionSize(2), 60);
}

TEST_F(ExternalProgramsPageTest, TheListStopsAt256Entries) {
    // In memory: the settings file would make 256 adds slow for no gain here.
    MemorySettingsStore memory;
    page_ = std::make_unique<ExternalProgramsPage>(memory);
    for (int i = 0; i < 256; ++i) {
        SetFields("Tool", "/bin/true", "");
        Press("addProgram");
    }
    SetFields("One too many", "/bin/true", "");
    Press("addProgram");
    EXPECT_EQ(Rows()->topLevelItemCount(), 256);
    EXPECT_EQ(page_->Entries().size(), 256u);
    EXPECT_EQ(memory.GetProfileInt("Progs\\ProgsList", "ItemCount", -1), 256);
    EXPECT_FALSE(memory.Contains("Progs\\ProgsList", "Item0256_00"));
    page_.reset();
}

TEST_F(ExternalProgramsPageTest, ChoosingAProgramFillsTheEmptyFields) {
    const auto program = file_.Dir().File("telnet.exe");
    WriteWholeFile(program, "#!/bin/sh\n");
    Press("chooseProgram");
    auto* chooser = page_->findChild<QFileDialog*>("programChooser");
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->selectedNameFilter(), "All Files (*)");
    chooser->selectFile(QString::fromStdString(program.string()));
    QMetaObject::invokeMethod(chooser, "accept");
    DeleteClosedDialogs();
    EXPECT_EQ(Child<QLineEdit>("program")->text().toStdString(), program.string());
    EXPECT_EQ(Child<QLineEdit>("description")->text(), "telnet.exe");
    EXPECT_EQ(Child<QLineEdit>("parameters")->text(), "%a");
}

TEST_F(ExternalProgramsPageTest, LaunchingPutsTheAddressForTheFirstPlaceholderOnly) {
    const auto out = file_.Dir().File("args.txt");
    const std::string parameters = "-c 'echo \"$0 $1\" > " + out.string() + "' %a %a";
    const ProgramLaunch echo =
        PrepareLaunch({"Echo", "/bin/sh", parameters}, MakeAddress(192, 168, 0, 5));
    ASSERT_TRUE(StartDetachedProgram(echo.program, echo.arguments));
    ASSERT_TRUE(ProcessEventsUntil([&out] { return ReadWholeFile(out).ends_with("\n"); }));
    EXPECT_EQ(ReadWholeFile(out), "192.168.0.5 %a\n");
    const ProgramLaunch none =
        PrepareLaunch({"None", "/no/such/program", "%a"}, MakeAddress(10, 0, 0, 1));
    EXPECT_FALSE(StartDetachedProgram(none.program, none.arguments));
}

TEST_F(ExternalProgramsPageTest, EveryControlHasAName) {
    EXPECT_EQ(testing::UnnamedControls(page_.get()), "");
    EXPECT_EQ(Child<QLineEdit>("program")->accessibleName(), "External program");
}

}  // namespace
}  // namespace corvimap
