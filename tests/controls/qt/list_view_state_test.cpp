#include "controls/qt/list_view_state.h"

#include <gtest/gtest.h>

#include <QHeaderView>

#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"
#include "settings/memory_settings_store.h"
#include "settings/qt/qsettings_store.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

// A list as a page builds it: four columns of known widths.
struct List {
    List() : model({{"A"}, {"B"}, {"C"}, {"D"}}) {
        view.setModel(&model);
        const int widths[] = {110, 90, 70, 60};
        for (int column = 0; column < 4; ++column) {
            view.header()->resizeSection(column, widths[column]);
        }
    }
    QHeaderView& Header() { return *view.header(); }
    std::vector<int> Order() {
        std::vector<int> order;
        for (int position = 0; position < Header().count(); ++position) {
            order.push_back(Header().logicalIndex(position));
        }
        return order;
    }

    StoredRowsModel model;
    MarkupListCtrl view;
};

TEST(ListViewStateTest, ColumnLayoutWithAHiddenColumnComesBackAtTheNextStart) {
    testing::TempDir dir;
    const QString ini = QString::fromStdString(dir.File("settings.conf").string());
    {
        QSettingsStore store(ini);
        List list;
        list.Header().moveSection(3, 0);  // D first
        list.Header().resizeSection(1, 123);
        list.Header().hideSection(2);
        ListViewState::SaveColumns(list.Header(), store, "WorkList");
        EXPECT_EQ(store.GetProfileBinary("WorkList", "OrderOfColumn"),
                  (std::vector<uint8_t>{3, 0, 1, 2}));
    }
    QSettingsStore store(ini);  // the next start reads the file afresh
    List list;
    ASSERT_TRUE(ListViewState::LoadColumns(list.Header(), store, "WorkList"));
    EXPECT_EQ(list.Order(), (std::vector<int>{3, 0, 1, 2}));
    EXPECT_TRUE(list.Header().isSectionHidden(2));
    EXPECT_EQ(list.Header().sectionSize(1), 123);

    // Shown again with a width, it stays shown.
    store.WriteProfileInt("WorkList", "Column02Width", 70);
    ASSERT_TRUE(ListViewState::LoadColumns(list.Header(), store, "WorkList"));
    EXPECT_FALSE(list.Header().isSectionHidden(2));
    EXPECT_EQ(list.Header().sectionSize(2), 70);
}

TEST(ListViewStateTest, MissingSectionKeepWidthAndBadOrderLeaveTheListAlone) {
    MemorySettingsStore store;
    List list;
    EXPECT_FALSE(ListViewState::LoadColumns(list.Header(), store, "Nowhere"));
    EXPECT_EQ(list.Order(), (std::vector<int>{0, 1, 2, 3}));
    store.WriteProfileInt("S", "ColumnNumber", 4);
    store.WriteProfileBinary("S", "OrderOfColumn", {1, 0, 2, 3});
    store.WriteProfileInt("S", "Column00Width", 9999);
    store.WriteProfileInt("S", "Column01Width", 0x10000 + 50);  // low 16 bits count
    ASSERT_TRUE(ListViewState::LoadColumns(list.Header(), store, "S"));
    EXPECT_EQ(list.Order(), (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(list.Header().sectionSize(0), 110) << "9999 keeps the built-in width";
    EXPECT_EQ(list.Header().sectionSize(1), 50);
    EXPECT_EQ(list.Header().sectionSize(2), 70) << "no stored width: kept";

    // An order of the wrong size or with a repeated column is refused; widths still apply, for
    // as many columns as the order has entries.
    List other;
    store.WriteProfileBinary("T", "OrderOfColumn", {2, 2});
    store.WriteProfileInt("T", "ColumnNumber", 2);
    store.WriteProfileInt("T", "Column01Width", 41);
    store.WriteProfileInt("T", "Column02Width", 42);
    ASSERT_TRUE(ListViewState::LoadColumns(other.Header(), store, "T"));
    EXPECT_EQ(other.Order(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(other.Header().sectionSize(1), 41);
    EXPECT_EQ(other.Header().sectionSize(2), 70);

    // An order saved before the list gained columns at its end: those follow the stored ones.
    List grown;
    store.WriteProfileBinary("V", "OrderOfColumn", {2, 0, 1});
    store.WriteProfileInt("V", "ColumnNumber", 3);
    ASSERT_TRUE(ListViewState::LoadColumns(grown.Header(), store, "V"));
    EXPECT_EQ(grown.Order(), (std::vector<int>{2, 0, 1, 3}));

    // No stored order at all: the section counts as saved, but no width is read.
    List third;
    store.WriteProfileInt("U", "ColumnNumber", 4);
    store.WriteProfileInt("U", "Column00Width", 33);
    EXPECT_TRUE(ListViewState::LoadColumns(third.Header(), store, "U"));
    EXPECT_EQ(third.Header().sectionSize(0), 110);
}

}  // namespace
}  // namespace corvimap
