#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

class QAbstractButton;
class QLabel;

namespace corvimap {

// A text of the string table in the current language.
QString LookupText(int32_t id);
QString ToQString(std::string_view text);

// Sets a button's or label's text and the name that assistive tools read, so the two never
// differ after a change of language: a button is known by its caption, the control a label
// names (its buddy) by the label's text.
void SetControlText(QAbstractButton* button, const QString& text);
void SetControlText(QLabel* label, const QString& text);

}  // namespace corvimap
