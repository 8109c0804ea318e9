// The program's window from a first start in the lab: a user makes a group, adds the lab's range
// through the "Add network" dialog, ticks the options, presses Refresh and sees the hosts, and
// nothing but widgets is touched on the way. Then the window is closed in the middle of a scan.
//
// Qt's widgets live on the process's main thread, so the test moves that thread into the lab's
// scanner namespace for the window's whole life (ScopedThreadNetns). Everything the window makes
// there, its sockets and the scan's threads, sees the lab only.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <chrono>
#include <functional>
#include <map>

#include "app/qt/app_engine.h"
#include "app/qt/host_list_pane.h"
#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "app/qt/status_line.h"
#include "controls/cell_markup.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/markup_list.h"
#include "engine/network_groups.h"
#include "engine/scan_flags.h"
#include "lab/lab.h"
#include "lab/lab_hosts.h"
#include "lab/lab_office.h"
#include "lab/qt/lab_window.h"
#include "settings/group_sections.h"
#include "settings/qt/qsettings_store.h"
#include "support/temp_dir.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::Lab;
using lab::LabHost;
using lab::MacText;
using lab::ProcessEventsUntil;
using testing::TempDir;

// ---- A user's hands: only what is on the screen is found and used ---------------------------

// Every shown widget of type T in the application's windows and dialogs that matches.
template <typename T>
std::vector<T*> Shown(const std::function<bool(T*)>& matches) {
    std::vector<T*> found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) {
            continue;
        }
        std::vector<T*> candidates;
        if (auto* self = qobject_cast<T*>(top)) {
            candidates.push_back(self);
        }
        for (T* child : top->findChildren<T*>()) {
            candidates.push_back(child);
        }
        for (T* widget : candidates) {
            // A dialog is a child of the page that opened it and a window of its own: each
            // widget counts once, under its own window.
            if (widget->window() == top && widget->isVisible() && matches(widget)) {
                found.push_back(widget);
            }
        }
    }
    return found;
}

// The one shown button with this caption (shortcut marks aside), or nothing.
QAbstractButton* Button(const QString& caption) {
    const auto found = Shown<QAbstractButton>([&caption](QAbstractButton* button) {
        return FlatButton::PlainCaption(button->text()) == caption;
    });
    return found.size() == 1 ? found.front() : nullptr;
}

// The one shown text field that assistive tools know by this name (its label), or nothing.
QLineEdit* Field(const QString& name) {
    const auto found =
        Shown<QLineEdit>([&name](QLineEdit* edit) { return edit->accessibleName() == name; });
    return found.size() == 1 ? found.front() : nullptr;
}

QCheckBox* CheckBox(const QString& caption) {
    const auto found =
        Shown<QCheckBox>([&caption](QCheckBox* box) { return box->text() == caption; });
    return found.size() == 1 ? found.front() : nullptr;
}

::testing::AssertionResult Click(const QString& caption) {
    QAbstractButton* button = Button(caption);
    if (button == nullptr) {
        return ::testing::AssertionFailure()
               << "no single shown button \"" << caption.toStdString() << "\"";
    }
    if (!button->isEnabled()) {
        return ::testing::AssertionFailure() << "\"" << caption.toStdString() << "\" is disabled";
    }
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    return ::testing::AssertionSuccess();
}

// A click on the box itself: a wide check box takes clicks only on its box and caption.
void Tick(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
    QApplication::processEvents();
}

// Selects what the field holds and types the text over it.
::testing::AssertionResult TypeInto(const QString& field_name, const QString& text) {
    QLineEdit* field = Field(field_name);
    if (field == nullptr) {
        return ::testing::AssertionFailure()
               << "no single shown field \"" << field_name.toStdString() << "\"";
    }
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
    QApplication::processEvents();
    if (field->text() != text) {
        return ::testing::AssertionFailure()
               << "\"" << field_name.toStdString() << "\" reads \"" << field->text().toStdString()
               << "\" after typing \"" << text.toStdString() << "\"";
    }
    return ::testing::AssertionSuccess();
}

// One row of the host list as the list shows it.
struct ShownHost {
    std::string mac;
    std::string name;
    std::string found;
    std::string workgroup;
};

std::map<std::string, ShownHost> ShownHosts(const MarkupListCtrl& list) {
    std::map<std::string, ShownHost> hosts;
    const QAbstractItemModel* model = list.model();
    auto cell = [model](int row, HostColumn column) {
        return model->index(row, static_cast<int>(column)).data().toString().toStdString();
    };
    for (int row = 0; row < model->rowCount(); ++row) {
        hosts[cell(row, HostColumn::Address)] = {
            cell(row, HostColumn::Mac), cell(row, HostColumn::Name), cell(row, HostColumn::Found),
            cell(row, HostColumn::Workgroup)};
    }
    return hosts;
}

TEST(ProgramWindowLabTest, FirstStartToAScannedHostListThroughTheWindowAlone) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
    Lab lab;
    const lab::OfficeHosts office = lab::AddOfficeHosts(lab);
    ASSERT_TRUE(lab::WaitForOffice(lab, office, 90s));

    TempDir dir;
    const QString file = QString::fromStdString(dir.File("Corvimap.conf").string());
    ASSERT_FALSE(std::filesystem::exists(dir.File("Corvimap.conf")));
    // What reached the file, read by a store of its own.
    auto stored = [&file] { return std::make_unique<QSettingsStore>(file); };

    lab::ScopedThreadNetns in_scanner(lab.ScannerNetns());
    QSettingsStore store(file);
    ProgramSession session(store, [](AppContext& context) { return MakeProgramWindow(context); });
    auto* window = qobject_cast<MainWindow*>(session.Window());
    ASSERT_NE(window, nullptr);
    auto engine = std::static_pointer_cast<AppEngine>(session.Context().engine);
    window->show();
    QApplication::processEvents();
    auto* hosts = window->findChild<HostListPane*>();
    ASSERT_NE(hosts, nullptr);
    EXPECT_EQ(hosts->List().model()->rowCount(), 0);

    // Options: a group of its own.
    ASSERT_TRUE(Click("Options"));
    ASSERT_TRUE(Click("Add group"));
    ASSERT_TRUE(TypeInto("Add group", "Lab"));
    ASSERT_TRUE(Click("Ok"));
    EXPECT_EQ(Field("Add group"), nullptr) << "the name field closes after Ok";
    EXPECT_EQ(CurrentGroup(*stored()), "Lab");
    EXPECT_EQ(ReadGroupList(*stored()), (std::vector<std::string>{"Default", "Lab"}));

    // The lab's range through the "Add network" dialog: first address typed, last byte typed.
    ASSERT_TRUE(Click("Add network"));
    ASSERT_TRUE(TypeInto("First IP", "198.18.0.10"));
    EXPECT_EQ(Field("Last IP (last byte)")->text(), "10") << "the last byte follows the first";
    ASSERT_TRUE(TypeInto("Last IP (last byte)", "15"));
    ASSERT_TRUE(Click("Add"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Shown<QDialog>([](QDialog*) { return true; }).empty()) << "the dialog closed";
    EXPECT_EQ(ReadGroupRanges(*stored(), "Lab"), std::vector<std::string>{"198.18.0.10-15"});

    // The options to scan with. Fast search is on from the first start.
    QCheckBox* fast = CheckBox("Fast search (Win host only)");
    QCheckBox* shares = CheckBox("Scan share resources");
    QCheckBox* ping = CheckBox("Ping (standart ICMP packet)");
    ASSERT_TRUE(fast && shares && ping);
    EXPECT_TRUE(fast->isChecked());
    EXPECT_FALSE(shares->isChecked());
    EXPECT_FALSE(ping->isChecked());
    Tick(shares);
    Tick(ping);
    EXPECT_TRUE(shares->isChecked());
    EXPECT_TRUE(ping->isChecked());
    // Silent addresses cost this much each; generous for sanitizer builds.
    ASSERT_TRUE(TypeInto("Ping timeout", "300"));

    // Refresh: the host list pane comes up and the button reads "Stop" until the scan ends.
    ASSERT_TRUE(Click("Refresh"));
    EXPECT_EQ(window->CurrentPane(), kHostListPane);
    FlatButton* refresh = window->SideButton(control_id::kRefresh);
    ASSERT_TRUE(ProcessEventsUntil([refresh] { return refresh->text() == "Stop"; }));
    ASSERT_TRUE(ProcessEventsUntil([refresh] { return refresh->text() == "Refresh"; }))
        << "the scan did not end";
    ASSERT_TRUE(engine->WaitForWorkers(AppEngine::kShutdownWait));
    QApplication::processEvents();

    MarkupListCtrl& list = hosts->List();
    const auto shown = ShownHosts(list);
    ASSERT_EQ(shown.size(), 3u) << "two Samba hosts and the host that only answers ICMP";
    for (const LabHost* host : {office.filesrv, office.mediabox}) {
        SCOPED_TRACE(host->samba.netbios_name);
        ASSERT_EQ(shown.count(host->address), 1u);
        const ShownHost& row = shown.at(host->address);
        EXPECT_EQ(row.name, host->samba.netbios_name);
        EXPECT_EQ(row.workgroup, host->samba.workgroup);
        EXPECT_EQ(row.mac, MacText(lab.HostMac(*host)));
        EXPECT_EQ(row.found, "$IMG|4|") << "shares were found";
    }
    ASSERT_EQ(shown.count(office.printer->address), 1u);
    EXPECT_EQ(shown.at(office.printer->address).name, "");
    EXPECT_EQ(shown.at(office.printer->address).mac, MacText(lab.HostMac(*office.printer)));
    EXPECT_EQ(ImageCellItems(shown.at(office.printer->address).found).value_or(std::vector<int>{}),
              std::vector<int>{})
        << "no shares on the host that only answers ICMP";
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), "198.18.0.11") << "sorted by address";
    EXPECT_TRUE(window->Status()->Text().startsWith("Hosts: 3/3"))
        << window->Status()->Text().toStdString();

    // A second scan, and the window closed by its Exit button while it runs.
    ASSERT_TRUE(Click("Refresh"));
    ASSERT_TRUE(ProcessEventsUntil([refresh] { return refresh->text() == "Stop"; }));
    ASSERT_TRUE(engine->Driver().Running());
    ASSERT_TRUE(Click("Exit"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(engine->WaitForWorkers(AppEngine::kShutdownWait))
        << "the scan went on after the window closed";
    engine.reset();
    session.End();

    // What the file holds after the program's end.
    const auto after = stored();
    EXPECT_EQ(CurrentGroup(*after), "Lab");
    EXPECT_EQ(ReadGroupRanges(*after, "Lab"), std::vector<std::string>{"198.18.0.10-15"});
    const auto flags =
        static_cast<uint32_t>(after->GetProfileInt(GroupFlagsSection("Lab"), "FlagsGroup0", 0));
    EXPECT_EQ(flags & (ScanFlags::kFastSearch | ScanFlags::kPingPass | ScanFlags::kScanShares),
              ScanFlags::kFastSearch | ScanFlags::kPingPass | ScanFlags::kScanShares);
    EXPECT_EQ(after->GetProfileInt(GroupTimingSection("Lab"), "PingTimeout", 0), 300);
    EXPECT_EQ(after->GetProfileInt("Network\\Nets2", "NetsNumbers", -1), -1)
        << "the Default group got no range";
}

}  // namespace
}  // namespace corvimap
