#include "options/qt/add_network_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
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
          prefix(dialog.findChild<QLabel*>("lastBytePrefix")),
          last_byte(dialog.findChild<QLineEdit*>("lastByte")),
          confirm(dialog.findChild<QPushButton*>("confirm")) {}
    Ipv4Field* first;
    QCheckBox* full_form;
    Ipv4Field* last;
    QLabel* prefix;
    QLineEdit* last_byte;
    QPushButton* confirm;
};

TEST(AddNetworkDialogTest, AddingCouplesTheFieldsAndComposesTheLastByteForm) {
    AddNetworkDialog dialog;
    Controls c(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Add network");
    EXPECT_EQ(c.first->text(), "");
    EXPECT_EQ(c.last->text(), "");
    EXPECT_FALSE(c.full_form->isChecked());
    EXPECT_EQ(c.last_byte->text(), "0");
    EXPECT_EQ(c.prefix->text(), "0.0.0.");
    EXPECT_EQ(c.confirm->text(), "Add");
    EXPECT_TRUE(c.last->isHidden());
    EXPECT_FALSE(c.last_byte->isHidden());
    EXPECT_FALSE(c.prefix->isHidden());

    // Typing the first address sets the last one, the number field and the label as it goes.
    c.first->setText("192.168.");
    EXPECT_EQ(c.last->text(), "192.168.0.0");
    EXPECT_EQ(c.prefix->text(), "192.168.0.");
    c.first->setText("192.168.1.10");
    EXPECT_EQ(c.last->text(), "192.168.1.10");
    EXPECT_EQ(c.last_byte->text(), "10");
    EXPECT_EQ(c.prefix->text(), "192.168.1.");

    // The number field sets the last address's fourth octet only.
    c.last_byte->setText("200");
    EXPECT_EQ(c.last->text(), "192.168.1.200");
    EXPECT_EQ(c.first->text(), "192.168.1.10");

    c.confirm->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.RangeText(), "192.168.1.10-200");
}

TEST(AddNetworkDialogTest, TheFullFormShowsTheLastAddressAndComposesIt) {
    AddNetworkDialog dialog;
    Controls c(dialog);
    c.first->setText("10.0.0.250");
    c.full_form->click();
    EXPECT_FALSE(c.last->isHidden());
    EXPECT_TRUE(c.last_byte->isHidden());
    EXPECT_TRUE(c.prefix->isHidden());
    EXPECT_EQ(c.last->text(), "10.0.0.250");
    c.last->setText("10.0.1.5");
    EXPECT_EQ(c.last_byte->text(), "250") << "editing the last address leaves the number field";

    // A last address below the first is taken as it stands.
    dialog.accept();
    EXPECT_EQ(dialog.RangeText(), "10.0.0.250>10.0.1.5");

    AddNetworkDialog backwards;
    Controls b(backwards);
    b.first->setText("10.0.0.9");
    b.last_byte->setText("junk");  // typed, then hidden by the switch: it no longer counts
    b.full_form->click();
    b.last->setText("10.0.0.1");
    backwards.accept();
    EXPECT_EQ(backwards.result(), QDialog::Accepted);
    EXPECT_EQ(backwards.RangeText(), "10.0.0.9>10.0.0.1");
}

TEST(AddNetworkDialogTest, EditingKeepsTheStoredRangeUntilTheFirstAddressChanges) {
    AddNetworkDialog full("10.0.0.250>10.0.1.5");
    Controls f(full);
    EXPECT_EQ(f.confirm->text(), "Edit");
    EXPECT_EQ(full.windowTitle(), "Add network");
    EXPECT_TRUE(f.full_form->isChecked());
    EXPECT_EQ(f.first->text(), "10.0.0.250");
    EXPECT_EQ(f.last->text(), "10.0.1.5") << "filling the first address must not overwrite it";
    EXPECT_EQ(f.prefix->text(), "10.0.1.");
    EXPECT_EQ(f.last_byte->text(), "5");
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
    EXPECT_EQ(l.first->text(), "192.168.1.1");
    EXPECT_EQ(l.last->text(), "192.168.1.254");
    EXPECT_EQ(l.last_byte->text(), "254");
    EXPECT_EQ(l.prefix->text(), "192.168.1.");
    // Switching to the full form offers the range's own last address.
    l.full_form->click();
    last_byte.accept();
    EXPECT_EQ(last_byte.RangeText(), "192.168.1.1>192.168.1.254");
}

TEST(AddNetworkDialogTest, ALastByteOutsideZeroTo255IsRefusedWithAMessage) {
    AddNetworkDialog dialog;
    Controls c(dialog);
    dialog.show();
    c.first->setText("192.168.1.1");
    for (const char* refused : {"300", "-5", "abc", "", "1.5"}) {
        c.last_byte->setText(QLatin1String(refused));
        c.confirm->click();
        EXPECT_TRUE(dialog.isVisible()) << refused;
        EXPECT_EQ(dialog.RangeText(), "") << refused;
        auto* message = dialog.findChild<QMessageBox*>("lastByteMessage");
        ASSERT_NE(message, nullptr);
        EXPECT_TRUE(message->isVisible());
        EXPECT_EQ(message->text(), "Please enter an integer between 0 and 255.");
        message->accept();
    }
    c.last_byte->setText(" 255");
    c.confirm->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.RangeText(), "192.168.1.1-255");
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

TEST(AddNetworkDialogTest, EveryControlHasAName) {
    AddNetworkDialog dialog("10.0.0.1-20");
    EXPECT_EQ(testing::UnnamedControls(&dialog), "");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("firstAddress")->accessibleName(), "First IP");
}

}  // namespace
}  // namespace corvimap
