#include "text/list_state_keys.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

// Stored list states are found by these names: a padding change would lose every saved layout.
TEST(ListStateKeysTest, NumbersArePaddedToAMinimumWidth) {
    EXPECT_EQ(ColumnWidthKey(7), "Column07Width");
    EXPECT_EQ(ColumnWidthKey(123), "Column123Width");
    EXPECT_EQ(ItemKey(12, 3), "Item0012_03");
    EXPECT_EQ(ItemKey(12345, 100), "Item12345_100");
    EXPECT_EQ(ItemDataKey(-3), "ItemData-0003");
}

}  // namespace
}  // namespace corvimap
