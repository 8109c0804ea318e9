#pragma once

#include <QDialog>
#include <string>
#include <string_view>

#include "options/add_network_fields.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;

namespace corvimap {

class Ipv4Field;

// The "Add network" dialog: a range as a first address and either a full last address or the
// last byte of the first one. Opened empty to add a range, or on a range text to edit it.
class AddNetworkDialog final : public QDialog {
    Q_OBJECT
public:
    // Empty, for an add.
    explicit AddNetworkDialog(QWidget* parent = nullptr);
    // Filled from a stored range, for an edit; the confirm button reads "Edit".
    AddNetworkDialog(std::string_view range_text, QWidget* parent = nullptr);

    const AddNetworkFields& Fields() const { return fields_; }
    // The range the dialog was confirmed with; empty before.
    const std::string& RangeText() const { return range_text_; }

    // Confirms: a last byte that is not an integer from 0 to 255 is refused with a message, and
    // the dialog stays open.
    void accept() override;

private:
    void BuildControls();
    void ShowFields();
    void ShowForm();
    void FirstAddressChanged();
    void LastAddressChanged();
    void LastByteChanged();

    AddNetworkFields fields_;
    std::string range_text_;
    bool updating_ = false;             // the dialog is setting its own fields
    bool ignore_first_change_ = false;  // the first address was just filled from the edited range

    Ipv4Field* first_ = nullptr;
    QCheckBox* full_form_ = nullptr;
    Ipv4Field* last_ = nullptr;
    QLabel* last_byte_prefix_ = nullptr;
    QLineEdit* last_byte_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QMessageBox* range_message_ = nullptr;
};

}  // namespace corvimap
