#include "options/qt/add_network_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "controls/qt/option_texts.h"
#include "options/qt/ipv4_field.h"
#include "text/leading_int.h"

namespace corvimap {
AddNetworkDialog::AddNetworkDialog(QWidget* parent) : QDialog(parent), fields_(NewNetworkFields()) {
    BuildControls();
    ShowFields();
}

AddNetworkDialog::AddNetworkDialog(std::string_view range_text, QWidget* parent)
    : QDialog(parent), fields_(FieldsFromRangeText(range_text)) {
    BuildControls();
    ShowFields();
}

void AddNetworkDialog::BuildControls() {
    setWindowTitle(ToQString(kAddNetworkTitle));

    auto* first_label = new QLabel(ToQString(kFirstIpLabel), this);
    first_ = new Ipv4Field(this);
    first_->setObjectName(QStringLiteral("firstAddress"));
    first_->setAccessibleName(ToQString(kFirstIpLabel));
    first_label->setBuddy(first_);

    full_form_ = new QCheckBox(ToQString(kFullFormCheckLabel), this);
    full_form_->setObjectName(QStringLiteral("fullForm"));
    full_form_->setAccessibleName(ToQString(kFullFormCheckLabel));

    last_ = new Ipv4Field(this);
    last_->setObjectName(QStringLiteral("lastAddress"));
    last_->setAccessibleName(QStringLiteral("Last IP"));

    last_byte_prefix_ = new QLabel(this);
    last_byte_prefix_->setObjectName(QStringLiteral("lastBytePrefix"));
    last_byte_ = new QLineEdit(this);
    last_byte_->setObjectName(QStringLiteral("lastByte"));
    last_byte_->setAccessibleName(QStringLiteral("Last IP (last byte)"));
    last_byte_->setMaxLength(16);
    last_byte_prefix_->setBuddy(last_byte_);

    confirm_ = new QPushButton(this);
    confirm_->setObjectName(QStringLiteral("confirm"));
    confirm_->setDefault(true);
    cancel_ = new QPushButton(ToQString(kCancelButtonText), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setAccessibleName(ToQString(kCancelButtonText));

    auto* last_byte_row = new QHBoxLayout;
    last_byte_row->addWidget(last_byte_prefix_);
    last_byte_row->addWidget(last_byte_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirm_);
    buttons->addWidget(cancel_);

    auto* layout = new QGridLayout(this);
    layout->addWidget(first_label, 0, 0);
    layout->addWidget(first_, 0, 1);
    layout->addWidget(full_form_, 1, 0, 1, 2);
    layout->addWidget(last_, 2, 1);
    layout->addLayout(last_byte_row, 3, 1);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setColumnStretch(1, 1);

    connect(first_, &QLineEdit::textChanged, this, &AddNetworkDialog::FirstAddressChanged);
    connect(last_, &QLineEdit::textChanged, this, &AddNetworkDialog::LastAddressChanged);
    connect(last_byte_, &QLineEdit::textChanged, this, &AddNetworkDialog::LastByteChanged);
    connect(full_form_, &QCheckBox::toggled, this, [this](bool checked) {
        fields_.full_form = checked;
        ShowForm();
    });
    connect(confirm_, &QPushButton::clicked, this, &AddNetworkDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &AddNetworkDialog::reject);
}

void AddNetworkDialog::ShowFields() {
    updating_ = true;
    full_form_->setChecked(fields_.full_form);
    if (fields_.editing) {
        last_->SetAddress(fields_.last);
        last_byte_->setText(QString::number(fields_.last_byte));
        // Filling the first address announces a change like typing would; that one must not
        // overwrite the last address just read from the range.
        ignore_first_change_ = true;
        first_->SetAddress(fields_.first);
        ignore_first_change_ = false;
    } else {
        last_byte_->setText(QString::number(fields_.last_byte));
    }
    last_byte_prefix_->setText(ToQString(fields_.last_byte_label));
    last_byte_prefix_->setAccessibleName(last_byte_prefix_->text());
    updating_ = false;

    const QString confirm_text = ToQString(ConfirmButtonText(fields_));
    confirm_->setText(confirm_text);
    confirm_->setAccessibleName(confirm_text);
    ShowForm();
}

void AddNetworkDialog::ShowForm() {
    last_->setVisible(fields_.full_form);
    last_byte_prefix_->setVisible(!fields_.full_form);
    last_byte_->setVisible(!fields_.full_form);
}

void AddNetworkDialog::FirstAddressChanged() {
    if (ignore_first_change_) {
        ignore_first_change_ = false;
        return;
    }
    SetFirstAddress(fields_, first_->Address());
    updating_ = true;
    last_->SetAddress(fields_.last);
    last_byte_->setText(QString::number(fields_.last_byte));
    last_byte_prefix_->setText(ToQString(fields_.last_byte_label));
    last_byte_prefix_->setAccessibleName(last_byte_prefix_->text());
    updating_ = false;
}

void AddNetworkDialog::LastAddressChanged() {
    if (!updating_) {
        fields_.last = last_->Address();
    }
}

void AddNetworkDialog::LastByteChanged() {
    if (updating_) {
        return;
    }
    SetLastByte(fields_, AtoiValue(last_byte_->text().toStdString()));
    updating_ = true;
    last_->SetAddress(fields_.last);
    updating_ = false;
}

void AddNetworkDialog::accept() {
    fields_.first = first_->Address();
    fields_.last = last_->Address();
    fields_.full_form = full_form_->isChecked();
    // The number field counts only in the form that shows it.
    if (!fields_.full_form) {
        const std::optional<int> last_byte = ParseLastByteText(last_byte_->text().toStdString());
        if (!last_byte) {
            if (range_message_ == nullptr) {
                range_message_ =
                    new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    ToQString(kLastByteRangeMessage), QMessageBox::Ok, this);
                range_message_->setObjectName(QStringLiteral("lastByteMessage"));
            }
            range_message_->open();
            last_byte_->setFocus();
            last_byte_->selectAll();
            return;
        }
        fields_.last_byte = *last_byte;
    }
    range_text_ = ComposeRangeText(fields_);
    QDialog::accept();
}

}  // namespace corvimap
