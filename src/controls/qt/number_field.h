#pragma once

#include <QWidget>
#include <cstdint>

class QLineEdit;
class QToolButton;

namespace corvimap {

// A number field with a spin: a text field that takes digits only, with up and down arrows
// beside it (and the arrow keys) that step its number. The text may be empty, which reads as 0;
// every change of the text is announced, typed or stepped.
class NumberField final : public QWidget {
    Q_OBJECT
public:
    explicit NumberField(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    void SetNumber(int32_t value);
    // The text read as a signed decimal integer like atoi: 0 when empty.
    int32_t Number() const;
    // Steps the number, staying within 0 and the largest 32-bit number.
    void StepBy(int steps);

    // Names the field and its arrows for assistive tools after the label in front of it.
    void SetAccessibleLabel(const QString& label);
    QLineEdit* Edit() const { return edit_; }

signals:
    void textChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace corvimap
