#include "controls/qt/flat_button.h"

#include <gtest/gtest.h>

#include <QAccessible>

namespace corvimap {
namespace {

TEST(FlatButtonTest, CaptionGivesToolTipAndAccessibleNameWithoutShortcutMarks) {
    EXPECT_EQ(FlatButton::PlainCaption("E&xit"), "Exit");
    EXPECT_EQ(FlatButton::PlainCaption("Save && quit"), "Save & quit");
    EXPECT_EQ(FlatButton::PlainCaption("Trailing&"), "Trailing&");
    FlatButton button;
    const auto name = [&button] {
        return QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name);
    };
    button.SetCaption("&Beenden");
    EXPECT_EQ(button.text(), "&Beenden");
    EXPECT_EQ(button.toolTip(), "Beenden");
    EXPECT_EQ(name(), "Beenden");
    // The name is the caption however it changes: a start button that now stops says "Stop".
    button.setText("Stop");
    EXPECT_EQ(name(), "Stop");
    button.setAccessibleName("Stale");
    button.SetCaption("&Refresh");
    EXPECT_EQ(name(), "Refresh");
}

}  // namespace
}  // namespace corvimap
