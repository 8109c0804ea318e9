#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

namespace corvimap::testing {

// The name an assistive tool reads for the object; empty when it has no accessible interface.
inline QString AccessibleName(QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

}  // namespace corvimap::testing
