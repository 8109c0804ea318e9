#include "controls/qt/accessible_controls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QVariant>

#include "controls/qt/flat_button.h"

namespace corvimap {
namespace {

// The property that marks a widget's accessible kind; absent for ordinary widgets.
constexpr char kKindProperty[] = "corvimapAccessibleKind";
enum Kind { kPageTabList = 1, kPageTab = 2 };

class NamedComboAccessible final : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override {
        const QString value = Combo()->isEditable() && Combo()->lineEdit() != nullptr
                                  ? Combo()->lineEdit()->text()
                                  : Combo()->currentText();
        if (kind == QAccessible::Value) {
            return value;
        }
        if (kind == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? value : name;
        }
        return QAccessibleWidget::text(kind);
    }

    // The entry list, and the text field of an editable combo.
    int childCount() const override { return Combo()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0 && Combo()->view() != nullptr) {
            return QAccessible::queryAccessibleInterface(Combo()->view());
        }
        if (index == 1 && Combo()->isEditable()) {
            return QAccessible::queryAccessibleInterface(Combo()->lineEdit());
        }
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) {
            return -1;
        }
        if (child->object() == Combo()->view()) {
            return 0;
        }
        if (Combo()->isEditable() && child->object() == Combo()->lineEdit()) {
            return 1;
        }
        return -1;
    }

    QStringList actionNames() const override {
        return {QAccessibleActionInterface::showMenuAction(),
                QAccessibleActionInterface::pressAction()};
    }
    void doAction(const QString& action) override {
        if (action == QAccessibleActionInterface::showMenuAction() ||
            action == QAccessibleActionInterface::pressAction()) {
            if (Combo()->view() != nullptr && Combo()->view()->isVisible()) {
                Combo()->hidePopup();
            } else {
                Combo()->showPopup();
            }
        }
    }

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

class PageTabAccessible final : public QAccessibleWidget {
public:
    explicit PageTabAccessible(QAbstractButton* tab)
        : QAccessibleWidget(tab, QAccessible::PageTab) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? FlatButton::PlainCaption(Tab()->text()) : name;
        }
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = Tab()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{QAccessibleActionInterface::pressAction()} +
               QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == QAccessibleActionInterface::pressAction()) {
            if (Tab()->isEnabled()) {
                Tab()->click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* Tab() const { return static_cast<QAbstractButton*>(widget()); }
};

int KindOf(const QObject* object) {
    return object->property(kKindProperty).toInt();
}

QAccessibleInterface* MakeInterface(const QString& class_name, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    if (class_name == QLatin1String("QComboBox")) {
        return new NamedComboAccessible(static_cast<QComboBox*>(object));
    }
    // A marked widget is asked by its own class name first; answering there keeps Qt's
    // interfaces of the base classes out.
    if (class_name != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    switch (KindOf(object)) {
        case kPageTabList:
            return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::PageTabList);
        case kPageTab:
            if (auto* tab = qobject_cast<QAbstractButton*>(object)) {
                return new PageTabAccessible(tab);
            }
            return nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

void InstallAccessibleFactories() {
    static const bool installed = [] {
        QAccessible::installFactory(&MakeInterface);
        return true;
    }();
    (void)installed;
}

void MarkAsPageTabList(QWidget* strip) {
    InstallAccessibleFactories();
    strip->setProperty(kKindProperty, kPageTabList);
}

void MarkAsPageTab(QWidget* tab_button) {
    InstallAccessibleFactories();
    tab_button->setProperty(kKindProperty, kPageTab);
}

void AnnounceTabSelection(QWidget* tab_button) {
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(tab_button, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace corvimap
