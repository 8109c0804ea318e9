#include "app/qt/language_changed.h"

#include <QCoreApplication>
#include <QWidget>

namespace corvimap {

QEvent::Type LanguageChangedEvent() {
    // The number the notification always had, if no one else took it.
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
