#include "controls/qt/number_field.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <limits>

#include "text/leading_int.h"

namespace corvimap {
namespace {

constexpr int64_t kLargest = std::numeric_limits<int32_t>::max();

// Digits only, and no more of them than a 32-bit number holds, so that what is typed is what
// is stored.
class DigitsValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.size() > 10) {
            return Invalid;
        }
        for (QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return Invalid;
            }
        }
        if (!input.isEmpty() && input.toLongLong() > kLargest) {
            return Invalid;
        }
        return Acceptable;
    }
};

QToolButton* ArrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    return button;
}

}  // namespace

NumberField::NumberField(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      up_(ArrowButton(Qt::UpArrow, this)),
      down_(ArrowButton(Qt::DownArrow, this)) {
    edit_->setValidator(new DigitsValidator(edit_));
    edit_->installEventFilter(this);
    setFocusProxy(edit_);

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_, 1);
    layout->addLayout(arrows);

    connect(edit_, &QLineEdit::textChanged, this, &NumberField::textChanged);
    connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

QString NumberField::Text() const {
    return edit_->text();
}

void NumberField::SetText(const QString& text) {
    edit_->setText(text);
}

void NumberField::SetNumber(int32_t value) {
    edit_->setText(QString::number(value));
}

int32_t NumberField::Number() const {
    return AtoiValue(edit_->text().toStdString());
}

void NumberField::StepBy(int steps) {
    const int64_t value = std::clamp<int64_t>(int64_t{Number()} + steps, 0, kLargest);
    SetNumber(static_cast<int32_t>(value));
}

void NumberField::SetAccessibleLabel(const QString& label) {
    setAccessibleName(label);
    edit_->setAccessibleName(label);
    up_->setAccessibleName(label + QStringLiteral(" up"));
    down_->setAccessibleName(label + QStringLiteral(" down"));
}

bool NumberField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvimap
