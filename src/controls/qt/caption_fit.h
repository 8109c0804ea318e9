#pragma once

#include <QCheckBox>
#include <QFont>
#include <functional>

namespace corvimap {

// The font made smaller in half-point steps until fits() accepts it, but no smaller than the
// smallest readable size; the font itself when it fits already. Captions of long languages
// ("Netzwerkwerkzeuge") then stay whole in controls sized for short ones.
QFont ShrinkFontToFit(QFont font, const std::function<bool(const QFont&)>& fits);

// A check box whose caption always fits its width: a layout may give it less than its caption
// needs (its minimum is the box and a few letters), and the caption is then drawn in a smaller
// font rather than cut or run under its neighbour.
class CaptionCheckBox final : public QCheckBox {
    Q_OBJECT
public:
    explicit CaptionCheckBox(QWidget* parent = nullptr);

    // Where the caption is drawn, and the font it is drawn in at the box's current size.
    QRect CaptionRect() const;
    QFont CaptionFont() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvimap
