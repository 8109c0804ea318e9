#include "controls/qt/option_texts.h"

#include <QAbstractButton>
#include <QLabel>

#include "controls/qt/accessible_controls.h"
#include "controls/qt/number_field.h"
#include "text/string_table.h"

namespace corvimap {

QString LookupText(int32_t id) {
    return QString::fromUtf8(StringTable::Lookup(id));
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SetControlText(QAbstractButton* button, const QString& text) {
    button->setText(text);
    // Assistive tools read the caption itself, so a later caption ("Stop") is what they say.
    button->setAccessibleName(QString());
}

void SetControlText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text);
    // The control the label names is known by the same text.
    if (auto* field = qobject_cast<NumberField*>(label->buddy())) {
        field->SetAccessibleLabel(text);
    } else if (QWidget* buddy = label->buddy()) {
        // A combo box is then known by this name, with its entry as the value.
        InstallAccessibleFactories();
        buddy->setAccessibleName(text);
    }
}

}  // namespace corvimap
