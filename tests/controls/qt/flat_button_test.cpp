#include "controls/qt/flat_button.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>

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

TEST(FlatButtonTest, HoverPaintsTheHoverColour) {
    FlatButton button;
    button.SetCaption("About");
    button.resize(87, 23);
    const QColor hover(0x40, 0x80, 0xc0);
    button.SetHoverColor(hover);
    button.show();
    const QPoint inside(4, 4);  // clear of the caption and the border
    EXPECT_NE(button.grab().toImage().pixelColor(inside), hover);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.Hovered());
    EXPECT_EQ(button.grab().toImage().pixelColor(inside), hover);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.Hovered());
    EXPECT_NE(button.grab().toImage().pixelColor(inside), hover);
}

}  // namespace
}  // namespace corvimap
