#include "app/qt/find_host_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

#include "app/qt/host_list_model.h"
#include "controls/qt/list_images.h"
#include "controls/qt/markup_list.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

struct Hosts {
    Hosts() {
        // Table order is the list order.
        Add(10, 0, 1, 10, "SERVER-A", "HOME");
        Add(10, 0, 1, 2, "alpha", "work");
        Add(192, 168, 1, 20, "printer", "HOME");
        Add(192, 168, 1, 2, "Serv2", "Office");
        Add(192, 168, 7, 7, "zeta", "Workgroup7");
        model = std::make_unique<HostListModel>(table);
        QApplication::processEvents();
        list.setModel(model.get());
        list.SetImageList(&ListImages::Standard());
        list.show();
        QApplication::processEvents();
    }
    void Add(uint8_t a, uint8_t b, uint8_t c, uint8_t d, const char* name, const char* group) {
        table.AddOrUpdate(MakeAddress(a, b, c, d), 0, name, group, {}, HostState::Known);
    }

    HostTable table;
    std::unique_ptr<HostListModel> model;
    MarkupListCtrl list;
};

TEST(FindHostDialogTest, TypingFindsTheFirstRowThatBeginsWithTheText) {
    Hosts hosts;
    MemorySettingsStore store;
    FindHostDialog dialog(hosts.list, store);
    EXPECT_TRUE(dialog.ChoiceButton(0).isChecked()) << "IP by default";

    dialog.TextField().setText("192.168.1.2");
    EXPECT_EQ(hosts.list.FlashingRow(), 2) << "192.168.1.20 comes first and begins with it";
    dialog.TextField().setText("192.168.1.2 ");
    EXPECT_EQ(hosts.list.FlashingRow(), 2) << "no match: nothing changes";
    dialog.TextField().setText("192.168.7");
    EXPECT_EQ(hosts.list.FlashingRow(), 4);
    EXPECT_TRUE(hosts.list.selectionModel()->selectedRows().isEmpty()) << "selection unchanged";

    // Changing the field alone does not search; the next change of the text does.
    dialog.ChoiceButton(1).setChecked(true);
    EXPECT_EQ(hosts.list.FlashingRow(), 4);
    dialog.TextField().setText("serv");
    EXPECT_EQ(hosts.list.FlashingRow(), 0) << "SERVER-A, letter case aside";

    dialog.ChoiceButton(2).setChecked(true);
    dialog.TextField().setText("WORK");
    EXPECT_EQ(hosts.list.FlashingRow(), 1);
    dialog.TextField().setText("");
    EXPECT_EQ(hosts.list.FlashingRow(), 0) << "an empty text matches the first row";
}

TEST(FindHostDialogTest, OkRemembersTheChoiceAndCancelDoesNot) {
    Hosts hosts;
    MemorySettingsStore store;
    {
        FindHostDialog dialog(hosts.list, store);
        dialog.ChoiceButton(2).setChecked(true);
        dialog.reject();
    }
    EXPECT_EQ(store.GetProfileInt("Network", "SearchWLType", -1), -1);
    {
        FindHostDialog dialog(hosts.list, store);
        EXPECT_EQ(dialog.Choice(), 0);
        dialog.ChoiceButton(1).setChecked(true);
        dialog.accept();
    }
    EXPECT_EQ(FindHostDialog(hosts.list, store).Choice(), 1);

    store.WriteProfileInt("Network", "SearchWLType", 7);
    EXPECT_EQ(FindHostDialog(hosts.list, store).Choice(), 0) << "an odd stored value";
}

}  // namespace
}  // namespace corvimap
