#include "controls/qt/caption_fit.h"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace corvimap {
namespace {

constexpr double kSmallestPointSize = 5.0;
constexpr int kSmallestPixelSize = 7;

}  // namespace

QFont ShrinkFontToFit(QFont font, const std::function<bool(const QFont&)>& fits) {
    if (font.pointSizeF() > 0) {
        while (!fits(font) && font.pointSizeF() - 0.5 >= kSmallestPointSize) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
        }
    } else {
        while (!fits(font) && font.pixelSize() - 1 >= kSmallestPixelSize) {
            font.setPixelSize(font.pixelSize() - 1);
        }
    }
    return font;
}

CaptionCheckBox::CaptionCheckBox(QWidget* parent) : QCheckBox(parent) {}

QRect CaptionCheckBox::CaptionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
}

QFont CaptionCheckBox::CaptionFont() const {
    const QSize room = CaptionRect().size();
    return ShrinkFontToFit(font(), [this, room](const QFont& font) {
        const QSize needed = QFontMetrics(font).size(Qt::TextShowMnemonic, text());
        return needed.width() <= room.width() && needed.height() <= room.height();
    });
}

QSize CaptionCheckBox::minimumSizeHint() const {
    // The box and a few letters; the rest of the caption shrinks into what the layout gives.
    const QSize full = sizeHint();
    const int letters = fontMetrics().horizontalAdvance(QStringLiteral("Mmmm"));
    return QSize(std::min(full.width(), CaptionRect().left() + letters), full.height());
}

void CaptionCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QFont caption = CaptionFont();
    painter.setFont(caption);
    option.fontMetrics = QFontMetrics(caption);
    painter.drawControl(QStyle::CE_CheckBox, option);
}

}  // namespace corvimap
