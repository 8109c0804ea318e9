#include "app/qt/language_changed.h"

#include <QCoreApplication>
#include <QWidget>

namespace corvimap {

QEvent::Type LanguageChangedEvent() {
    // Any free number does: Qt hands out another one when this one is taken.
    static const auto type =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 264));
    return type;
}

void PostLanguageChanged(QWidget* widget) {
    if (widget != nullptr) {
        QCoreApplication::postEvent(widget->window(), new QEvent(LanguageChangedEvent()));
    }
}

}  // namespace corvimap
