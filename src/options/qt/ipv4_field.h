#pragma once

#include <QLineEdit>

#include "options/add_network_fields.h"

namespace corvimap {

// An IPv4 address field: one text field that takes a dotted address, typed or pasted whole.
// Only digits and up to three dots get in, no octet above 255; surrounding blanks of a pasted
// address are dropped. Octets not typed yet read as 0.
class Ipv4Field final : public QLineEdit {
    Q_OBJECT
public:
    explicit Ipv4Field(QWidget* parent = nullptr);

    Octets Address() const;
    void SetAddress(const Octets& address);
};

// The octets of a dotted text as the field reads it: missing or empty octets are 0.
Octets ParseOctetsText(const QString& text);
QString FormatOctetsText(const Octets& address);

}  // namespace corvimap
