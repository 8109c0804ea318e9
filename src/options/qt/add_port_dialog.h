#pragma once

#include <QDialog>
#include <cstdint>

class QSpinBox;

namespace corvimap {

// The "Add port" dialog: one port number, starting at the game's default port. Only numbers
// from 1 to 65535 can be entered, since a port list keeps 16-bit ports.
class AddPortDialog final : public QDialog {
    Q_OBJECT
public:
    explicit AddPortDialog(uint16_t default_port, QWidget* parent = nullptr);

    uint16_t Port() const;

private:
    QSpinBox* port_;
};

}  // namespace corvimap
