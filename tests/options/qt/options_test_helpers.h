#pragma once

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAccessible>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>  // the lab tests that use these helpers type into fields
#include <QStringList>
#include <functional>
#include <ostream>
#include <string>

#include "settings/qt/qsettings_store.h"
#include "support/temp_dir.h"

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace corvimap::testing {

// A settings file in a fresh folder. Checks read it through a store of their own, so they see
// what reached the file and not what a store holds in memory.
class SettingsFile {
public:
    QString Path() const { return QString::fromStdString(dir_.File("Corvimap.conf").string()); }
    const TempDir& Dir() const { return dir_; }

    int32_t Int(std::string_view section, std::string_view name, int32_t fallback = -12345) const {
        return QSettingsStore(Path()).GetProfileInt(section, name, fallback);
    }
    std::string String(std::string_view section, std::string_view name,
                       std::string_view fallback = "<none>") const {
        return QSettingsStore(Path()).GetProfileString(section, name, fallback);
    }

private:
    TempDir dir_;
};

// A control of a page by its object name; a missing one fails the test.
template <typename T>
T* Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// The entries of a list or a combo box.
template <typename View>
QStringList Texts(const View* view) {
    QStringList texts;
    for (int i = 0; i < view->model()->rowCount(); ++i) {
        texts << view->model()->index(i, 0).data().toString();
    }
    return texts;
}

// Counts how often a signal was sent.
class SignalCounter {
public:
    template <typename Sender, typename Signal>
    SignalCounter(Sender* sender, Signal signal) {
        QObject::connect(sender, signal, &context_, [this] { ++count_; });
    }
    int count() const { return count_; }

private:
    QObject context_;
    int count_ = 0;
};

// Lets dialogs that closed go away (they delete themselves later).
inline void DeleteClosedDialogs() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs the event loop until done() or a generous 30 seconds have passed; true when done.
inline bool ProcessEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 30000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The two ways a box changes without a click: from code, and through the toggle action that an
// assistive tool calls.
enum class ToggleWay { kSetChecked, kAccessibleAction };

inline void Toggle(QAbstractButton* box, ToggleWay way) {
    if (way == ToggleWay::kSetChecked) {
        box->setChecked(!box->isChecked());
        return;
    }
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
    ASSERT_TRUE(accessible != nullptr && accessible->actionInterface() != nullptr);
    ASSERT_TRUE(accessible->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::toggleAction()));
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

}  // namespace corvimap::testing
