#include "controls/qt/flat_button.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

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
    setAccessibleName(PlainCaption(caption));
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
    const QRect text_area =
        area.adjusted(3, 1, -3, -1).translated(isDown() ? 1 : 0, isDown() ? 1 : 0);
    painter.drawText(text_area, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextWordWrap, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace corvimap
