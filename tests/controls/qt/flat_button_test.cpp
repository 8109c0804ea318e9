#include "controls/qt/flat_button.h"

#include <gtest/gtest.h>

#include "support/accessible_name.h"

namespace corvimap {
namespace {

TEST(FlatButtonTest, CaptionGivesToolTipAndAccessibleNameWithoutShortcutMarks) {
    EXPECT_EQ(FlatButton::PlainCaption("E&xit"), "Exit");
    EXPECT_EQ(FlatButton::PlainCaption("Save && quit"), "Save & quit");
    EXPECT_EQ(FlatButton::PlainCaption("Trailing&"), "Trailing&");
    FlatButton button;
    button.SetCaption("&Beenden");
    EXPECT_EQ(button.text(), "&Beenden");
    EXPECT_EQ(button.toolTip(), "Beenden");
    EXPECT_EQ(testing::AccessibleName(&button), "Beenden");
    // The name is the caption however it changes: a start button that now stops says "Stop".
    button.setText("Stop");
    EXPECT_EQ(testing::AccessibleName(&button), "Stop");
    button.setAccessibleName("Stale");
    button.SetCaption("&Refresh");
    EXPECT_EQ(testing::AccessibleName(&button), "Refresh");
}

}  // namespace
}  // namespace corvimap
