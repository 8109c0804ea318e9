#include "options/qt/add_port_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace corvimap {

AddPortDialog::AddPortDialog(uint16_t default_port, QWidget* parent)
    : QDialog(parent), port_(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("Add port"));
    port_->setObjectName(QStringLiteral("port"));
    port_->setRange(1, 65535);
    port_->setValue(default_port);
    port_->setAccessibleName(QStringLiteral("Port"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setAccessibleName(QStringLiteral("OK"));
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setText(QStringLiteral("Cancel"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Port"), port_);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

uint16_t AddPortDialog::Port() const {
    return static_cast<uint16_t>(port_->value());
}

}  // namespace corvimap
