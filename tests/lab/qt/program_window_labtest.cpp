// The program's window scanning the lab: Refresh lists the lab's hosts in the host list pane as
// the lab's Samba configuration names them. How the options pages reach the settings file is the
// options tests' business, the scan's findings against nmblookup and smbclient the scan lab
// test's, and closing during a lab scan the quit lab test's.
//
// Qt's widgets live on the process's main thread, so the test moves that thread into the lab's
// scanner namespace for the window's whole life (ScopedThreadNetns). Everything the window makes
// there, its sockets and the scan's threads, sees the lab only.

#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>

#include "app/qt/app_engine.h"
#include "app/qt/host_list_pane.h"
#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "app/qt/status_line.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/markup_list.h"
#include "engine/network_groups.h"
#include "engine/scan_flags.h"
#include "lab/lab.h"
#include "lab/lab_hosts.h"
#include "lab/lab_office.h"
#include "lab/qt/lab_window.h"
#include "options/qt/options_test_helpers.h"
#include "settings/group_sections.h"
#include "settings/qt/qsettings_store.h"
#include "settings/scan_settings.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::LabHost;
using lab::MacText;
using lab::ProcessEventsUntil;

TEST(ProgramWindowLabTest, RefreshListsTheLabHostsAsTheirConfigurationNamesThem) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
    lab::Lab lab;
    const lab::OfficeHosts office = lab::AddOfficeHosts(lab);
    // The browser election may go on meanwhile: the scan's names do not depend on it.
    ASSERT_TRUE(lab.WaitForSamba(90s));

    const testing::SettingsFile file;
    {
        QSettingsStore store(file.Path());
        ScanSettings settings;
        settings.FlagsGroup0 =
            ScanFlags::kFastSearch | ScanFlags::kPingPass | ScanFlags::kScanShares;
        settings.PingTimeout = 300;  // what a silent address costs; generous for sanitizer builds
        SaveScanSettings(store, kDefaultGroupName, settings);
        WriteGroupRanges(store, kDefaultGroupName, {"198.18.0.10-15"});
    }
    lab::ScopedThreadNetns in_scanner(lab.ScannerNetns());
    QSettingsStore store(file.Path());
    ProgramSession session(store, [](AppContext& context) { return MakeProgramWindow(context); });
    auto* window = qobject_cast<MainWindow*>(session.Window());
    ASSERT_NE(window, nullptr);
    auto engine = std::static_pointer_cast<AppEngine>(session.Context().engine);
    window->show();

    FlatButton* refresh = window->SideButton(control_id::kRefresh);
    refresh->click();
    ASSERT_TRUE(ProcessEventsUntil([refresh] { return refresh->text() == "Stop"; }));
    ASSERT_TRUE(ProcessEventsUntil([refresh] { return refresh->text() == "Refresh"; }))
        << "the scan did not end";
    ASSERT_TRUE(engine->WaitForWorkers(AppEngine::kShutdownWait));
    QApplication::processEvents();

    // Address -> name, workgroup, MAC and found items, as the list shows them.
    const QAbstractItemModel* model = window->findChild<HostListPane*>()->List().model();
    std::map<std::string, std::vector<std::string>> shown;
    for (int row = 0; row < model->rowCount(); ++row) {
        auto cell = [&](HostColumn column) {
            return model->index(row, static_cast<int>(column)).data().toString().toStdString();
        };
        shown[cell(HostColumn::Address)] = {cell(HostColumn::Name), cell(HostColumn::Workgroup),
                                            cell(HostColumn::Mac), cell(HostColumn::Found)};
    }
    std::map<std::string, std::vector<std::string>> expected;
    for (const LabHost* host : {office.filesrv, office.mediabox}) {
        expected[host->address] = {host->samba.netbios_name, host->samba.workgroup,
                                   MacText(lab.HostMac(*host)), "$IMG|4|"};
    }
    // The host that only answers ICMP has no name and no shares.
    expected[office.printer->address] = {"", "", MacText(lab.HostMac(*office.printer)), ""};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(model->index(0, 0).data().toString(), "198.18.0.11") << "sorted by address";
    EXPECT_TRUE(window->Status()->Text().startsWith("Hosts: 3/3"))
        << window->Status()->Text().toStdString();

    engine.reset();
    session.End();
}

}  // namespace
}  // namespace corvimap
