// The program ends within 2 seconds, with its settings saved, when its window is closed or it
// gets SIGTERM while a scan or a ping waits on silent addresses of the lab, however long the
// time-out the user set.

#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <csignal>

#include "app/qt/app_engine.h"
#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/number_field.h"
#include "engine/network_groups.h"
#include "engine/scan_flags.h"
#include "lab/lab.h"
#include "netutils/qt/net_utils_tab_control.h"
#include "netutils/qt/utility_page.h"
#include "options/qt/options_test_helpers.h"
#include "settings/qt/qsettings_store.h"
#include "settings/scan_settings.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;

TEST(QuitLabTest, CloseOrSigtermDuringAScanOrAPingEndsWithinTwoSecondsAndSaves) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kNamespaces);
    lab::Lab lab;
    const lab::ScopedThreadNetns in_scanner(lab.ScannerNetns());
    struct QuitCase {
        bool by_signal;
        bool scanning;
        int32_t timeout_ms;
    };
    const QuitCase cases[] = {
        {false, true, 1000},   {false, false, 1000}, {true, true, 1000},
        {true, false, 120000}, {false, true, 20000},
    };
    for (const auto [by_signal, scanning, timeout_ms] : cases) {
        SCOPED_TRACE(std::string(by_signal ? "SIGTERM" : "close") +
                     (scanning ? " during a scan" : " during a ping") + " with a time-out of " +
                     std::to_string(timeout_ms) + " ms");
        const testing::SettingsFile file;
        {
            QSettingsStore store(file.Path());
            ScanSettings settings;
            // Silent addresses at a second or more each: the passes would take minutes.
            // Probes under way are woken by the close, not waited for.
            settings.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass;
            settings.PingTimeout = timeout_ms;
            SaveScanSettings(store, "Default", settings);
            WriteGroupRanges(store, "Default", {"198.18.0.100-254"});
        }
        QSettingsStore store(file.Path());
        ProgramSession session(store,
                               [](AppContext& context) { return MakeProgramWindow(context); });
        auto* window = static_cast<MainWindow*>(session.Window());
        auto engine = std::static_pointer_cast<AppEngine>(session.Context().engine);
        window->show();
        if (scanning) {
            window->SideButton(control_id::kRefresh)->click();
            ASSERT_TRUE(ProcessEventsUntil([&] { return engine->Driver().Running(); }));
        } else {
            window->SideButton(control_id::kNetUtils)->click();
            UtilityPage& ping = window->findChild<NetUtilsTabControl*>()->Ping();
            ping.HostField()->setText("198.18.0.200");
            ping.Number(0)->SetNumber(100);
            ping.Number(2)->SetNumber(timeout_ms);  // the page's own time-out per echo
            ping.Button()->click();
            ASSERT_TRUE(ping.Running());
        }
        // Into the long waits.
        const auto waited = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
        ProcessEventsUntil([&] { return std::chrono::steady_clock::now() > waited; });

        const auto start = std::chrono::steady_clock::now();
        if (by_signal) {
            std::raise(SIGTERM);
            ASSERT_TRUE(ProcessEventsUntil([&] { return !window->isVisible(); }));
        } else {
            window->close();
        }
        engine.reset();
        session.End();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(file.Int("Network", "PingTimeout"), timeout_ms);
        EXPECT_NE(file.Int("Main", "WindowW"), -12345) << "the window's place was saved";
    }
}

}  // namespace
}  // namespace corvimap
