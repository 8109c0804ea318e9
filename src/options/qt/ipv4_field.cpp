#include "options/qt/ipv4_field.h"

#include <QValidator>

namespace corvimap {
namespace {

class Ipv4Validator final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        const QString trimmed = input.trimmed();
        if (trimmed.size() != input.size()) {
            pos = std::min<int>(pos, static_cast<int>(trimmed.size()));
            input = trimmed;
        }
        const QStringList octets = input.split(QLatin1Char('.'));
        if (octets.size() > 4) {
            return Invalid;
        }
        bool complete = octets.size() == 4;
        for (const QString& octet : octets) {
            if (octet.size() > 3) {
                return Invalid;
            }
            for (QChar c : octet) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                    return Invalid;
                }
            }
            if (octet.isEmpty()) {
                complete = false;
            } else if (octet.toInt() > 255) {
                return Invalid;
            }
        }
        return complete ? Acceptable : Intermediate;
    }
};

}  // namespace

Octets ParseOctetsText(const QString& text) {
    Octets address{};
    const QStringList parts = text.split(QLatin1Char('.'));
    for (int i = 0; i < parts.size() && i < 4; ++i) {
        const int value = parts[i].trimmed().toInt();  // empty or junk reads 0
        address[static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
    }
    return address;
}

QString FormatOctetsText(const Octets& address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address[0])
        .arg(address[1])
        .arg(address[2])
        .arg(address[3]);
}

Ipv4Field::Ipv4Field(QWidget* parent) : QLineEdit(parent) {
    setValidator(new Ipv4Validator(this));
    setMaxLength(64);  // room for a pasted address with blanks around it
}

Octets Ipv4Field::Address() const {
    return ParseOctetsText(text());
}

void Ipv4Field::SetAddress(const Octets& address) {
    setText(FormatOctetsText(address));
}

}  // namespace corvimap
