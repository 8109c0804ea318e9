#pragma once

#include <QEvent>

class QWidget;

namespace corvimap {

// The one notification of the program's own: the user chose another language, already stored
// as "Main"/"DefaultLng". The main window reloads the language and sets its texts again.
QEvent::Type LanguageChangedEvent();

// Posts the notification to the top-level window of widget.
void PostLanguageChanged(QWidget* widget);

}  // namespace corvimap
