#pragma once

#include <QColor>
#include <QPushButton>

namespace corvimap {

// A push button drawn flat: the window's own colour at rest, a hover colour under the mouse,
// a darker one while pressed. Its tool tip and accessible name follow its caption (the name is
// the caption itself, whatever set it).
class FlatButton final : public QPushButton {
    Q_OBJECT
public:
    explicit FlatButton(QWidget* parent = nullptr);

    // Sets the caption ("&" marks the shortcut letter) and the tool tip.
    void SetCaption(const QString& caption);

    // Where the caption is drawn (wrapped at blanks), and the font it is drawn in: the button's
    // font, or a smaller one when a long caption would not fit otherwise.
    QRect CaptionRect() const;
    QFont CaptionFont() const;
    static constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextWordWrap;

    // The caption without its shortcut marks, as a tool tip shows it.
    static QString PlainCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor hover_color_{0xd6, 0xe3, 0xf5};
    bool hovered_ = false;
};

}  // namespace corvimap
