#include "controls/qt/flat_button.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "controls/qt/caption_fit.h"

namespace corvimap {

FlatButton::FlatButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

QString FlatButton::PlainCaption(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;  // "&&" stands for one "&"; "&x" for x
        }
        plain += caption[i];
    }
    return plain;
}

void FlatButton::SetCaption(const QString& caption) {
    setText(caption);
    setToolTip(PlainCaption(caption));
    // No fixed name: assistive tools then read the caption itself, so "Refresh" becoming "Stop"
    // is what they announce, even when the caption is set without this function.
    setAccessibleName(QString());
}

QRect FlatButton::CaptionRect() const {
    // Long captions of other languages need every pixel; the border is one pixel wide.
    return rect().adjusted(2, 1, -2, -1);
}

QFont FlatButton::CaptionFont() const {
    const QRect room = CaptionRect();
    return ShrinkFontToFit(font(), [this, room](const QFont& font) {
        const QRect needed = QFontMetrics(font).boundingRect(room, kCaptionFlags, text());
        return needed.width() <= room.width() && needed.height() <= room.height();
    });
}

void FlatButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QPushButton::enterEvent(event);
}

void FlatButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QPushButton::leaveEvent(event);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colors = palette();
    const QRect area = rect();
    QColor fill = colors.color(QPalette::Button);
    if (!isEnabled()) {
        fill = colors.color(QPalette::Window);
    } else if (isDown()) {
        fill = hover_color_.darker(115);
    } else if (hovered_) {
        fill = hover_color_;
    }
    painter.fillRect(area, fill);
    painter.setPen(hovered_ && isEnabled() ? hover_color_.darker(160)
                                           : colors.color(QPalette::Mid));
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    painter.setPen(
        colors.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QRect text_area = CaptionRect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0);
    painter.setFont(CaptionFont());
    painter.drawText(text_area, kCaptionFlags, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace corvimap
