#include "app/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvimap {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 48.0, size / 48.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1d, 0x3b, 0x5c));
        painter.drawRoundedRect(QRectF(2, 2, 44, 44), 9, 9);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0x5f, 0xd0, 0x8c), 2.5));
        painter.drawEllipse(QPointF(24, 24), 16, 16);
        painter.drawEllipse(QPointF(24, 24), 8, 8);
        QPainterPath sweep;
        sweep.moveTo(24, 24);
        sweep.arcTo(QRectF(8, 8, 32, 32), 90, -55);
        sweep.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x5f, 0xd0, 0x8c, 140));
        painter.drawPath(sweep);
        painter.setBrush(QColor(0xf4, 0xc4, 0x30));
        painter.drawEllipse(QPointF(33, 17), 3.2, 3.2);
        painter.drawEllipse(QPointF(15, 31), 2.6, 2.6);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace corvimap
