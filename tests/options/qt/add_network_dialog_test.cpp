#include "options/qt/add_network_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "options/qt/ipv4_field.h"
#include "options_test_helpers.h"

namespace corvimap {
namespace {

// The dialog's controls by name.
struct Controls {
    explicit Controls(AddNetworkDialog& dialog)
        : first(dialog.findChild<Ipv4Field*>("firstAddress")),
          full_form(dialog.findChild<QCheckBox*>("fullForm")),
          last(dialog.findChild<Ipv4Field*>("lastAddress")),
          last_byte(dialog.findChild<QLineEdit*>("lastByte")),
          confirm(dialog.findChild<QPushButton*>("confirm")) {}
    Ipv4Field* first;
    QCheckBox* full_form;
    Ipv4Field* last;
    QLineEdit* last_byte;
    QPushButton* confirm;
};

TEST(AddNetworkDialogTest, EditingKeepsTheStoredRangeUntilTheFirstAddressChanges) {
    AddNetworkDialog full("10.0.0.250>10.0.1.5");
    Controls f(full);
    EXPECT_TRUE(f.full_form->isChecked());
    EXPECT_EQ(f.last->text(), "10.0.1.5") << "filling the first address must not overwrite it";
    full.accept();
    EXPECT_EQ(full.RangeText(), "10.0.0.250>10.0.1.5");

    // Only the filling's notification is skipped: the user's first change counts.
    AddNetworkDialog edited("10.0.0.250>10.0.1.5");
    Controls e(edited);
    e.first->setText("10.0.0.1");
    EXPECT_EQ(e.last->text(), "10.0.0.1");
    edited.accept();
    EXPECT_EQ(edited.RangeText(), "10.0.0.1>10.0.0.1");

    AddNetworkDialog last_byte("192.168.1.1-254");
    Controls l(last_byte);
    EXPECT_FALSE(l.full_form->isChecked());
    EXPECT_EQ(l.last_byte->text(), "254");
    // Switching to the full form offers the range's own last address.
    l.full_form->click();
    last_byte.accept();
    EXPECT_EQ(last_byte.RangeText(), "192.168.1.1>192.168.1.254");
}

// The coupling of the fields and which texts are refused are the core's; here: a refused number
// keeps the dialog open with a message, and the full form's typed last address ends the range
// while the number field it hides no longer counts.
TEST(AddNetworkDialogTest, ARefusedNumberIsToldAndTheShownFormMakesTheRange) {
    AddNetworkDialog dialog;
    Controls c(dialog);
    dialog.show();
    EXPECT_TRUE(c.last->isHidden());
    c.first->setText("10.0.0.9");
    c.last_byte->setText("256");
    c.confirm->click();
    EXPECT_TRUE(dialog.isVisible());
    auto* message = dialog.findChild<QMessageBox*>("lastByteMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    message->accept();

    c.full_form->click();
    EXPECT_TRUE(c.last_byte->isHidden());
    c.last->setText("10.0.1.5");
    c.confirm->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.RangeText(), "10.0.0.9>10.0.1.5");
}

TEST(AddNetworkDialogTest, AddressFieldsTakeDottedAddressesOnly) {
    Ipv4Field field;
    field.insert(" 10.1.2.3 ");
    EXPECT_EQ(field.text(), "10.1.2.3") << "a pasted address loses its blanks";
    EXPECT_TRUE(field.hasAcceptableInput());
    for (const char* refused : {"1.2.3.4.5", "1.2.3.256", "abc", "1234", "1,2"}) {
        field.clear();
        field.insert(QLatin1String(refused));
        EXPECT_EQ(field.text(), "") << refused;
    }
    field.clear();
    field.insert("172.16.");
    EXPECT_EQ(field.text(), "172.16.");
    EXPECT_FALSE(field.hasAcceptableInput());
    EXPECT_EQ(FormatOctetsText(field.Address()), "172.16.0.0");
}

}  // namespace
}  // namespace corvimap
