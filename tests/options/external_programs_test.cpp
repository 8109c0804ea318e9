#include "options/external_programs.h"

#include <gtest/gtest.h>

#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

TEST(ExternalProgramsTest, ChoosingAProgramFillsOnlyEmptyFields) {
    ExternalProgram fresh = FieldsForChosenProgram({}, "/usr/bin/telnet.exe");
    EXPECT_EQ(fresh, (ExternalProgram{"telnet.exe", "/usr/bin/telnet.exe", "%a"}));
    ExternalProgram kept = FieldsForChosenProgram({"Remote", "old", "-x"}, "/opt/ssh");
    EXPECT_EQ(kept, (ExternalProgram{"Remote", "/opt/ssh", "-x"}));
}

TEST(ExternalProgramsTest, EditsNeedDescriptionProgramAndAnEntryAndStopAt256) {
    ExternalProgramList list;
    EXPECT_FALSE(list.Add({"", "/bin/ping", "%a"}));
    EXPECT_FALSE(list.Add({"Ping", "", "%a"}));
    EXPECT_TRUE(list.Add({"Ping", "/bin/ping", ""}));
    EXPECT_TRUE(list.Add({"Trace", "/bin/traceroute", "%a"}));
    EXPECT_FALSE(list.Edit(2, {"X", "/x", ""})) << "no third entry";
    EXPECT_FALSE(list.Edit(0, {"X", "", ""}));
    EXPECT_TRUE(list.Edit(0, {"Ping 3", "/bin/ping", "-c 3 %a"}));
    EXPECT_FALSE(list.Delete(2));
    EXPECT_TRUE(list.Delete(1));
    EXPECT_EQ(list.Entries(), (std::vector<ExternalProgram>{{"Ping 3", "/bin/ping", "-c 3 %a"}}));

    while (list.Count() < kMaxExternalPrograms) {
        ASSERT_TRUE(list.Add({"P", "/p", ""}));
    }
    EXPECT_FALSE(list.Add({"One too many", "/p", ""}));
    EXPECT_EQ(list.Count(), 256u);
}

TEST(ExternalProgramsTest, RowsAreStoredAsListRows) {
    MemorySettingsStore store;
    EXPECT_FALSE(ReadExternalPrograms(store, kProgsListSection)) << "nothing saved yet";

    std::vector<ExternalProgram> five;
    for (int i = 0; i < 5; ++i) {
        five.push_back({"Tool " + std::to_string(i), "/bin/tool" + std::to_string(i), ""});
    }
    WriteExternalPrograms(store, kProgsListSection, five);
    EXPECT_EQ(store.GetProfileInt("Progs\\ProgsList", "ItemCount", -1), 5);
    EXPECT_EQ(store.GetProfileInt("Progs\\ProgsList", "SubItemCount", -1), 3);
    EXPECT_EQ(store.GetProfileString("Progs\\ProgsList", "Item0003_01", "?"), "/bin/tool3");
    EXPECT_EQ(store.GetProfileString("Progs\\ProgsList", "Item0004_02", "?"), "")
        << "an empty cell is stored as an empty text";
    EXPECT_EQ(store.GetProfileInt("Progs\\ProgsList", "ItemData0004", -1), 0);

    const std::vector<ExternalProgram> three(five.begin(), five.begin() + 3);
    WriteExternalPrograms(store, kProgsListSection, three);
    EXPECT_TRUE(store.Contains("Progs\\ProgsList", "Item0004_00")) << "old rows stay";
    EXPECT_EQ(ReadExternalPrograms(store, kProgsListSection), three);

    // Rows past the launchable 256 are not taken in; missing cells read as empty texts.
    store.WriteProfileInt("Progs\\ProgsList", "ItemCount", 300);
    std::optional<std::vector<ExternalProgram>> many =
        ReadExternalPrograms(store, kProgsListSection);
    ASSERT_TRUE(many);
    EXPECT_EQ(many->size(), 256u);
    EXPECT_EQ((*many)[4].program, "/bin/tool4");
    EXPECT_EQ((*many)[255], ExternalProgram{});
}

}  // namespace
}  // namespace corvimap
