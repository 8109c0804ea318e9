// The network utilities pane of the program's window with real ICMP through the routed chain of
// lab_routes.h: the window lives in the scanner namespace (see program_window_labtest.cpp).

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/number_field.h"
#include "controls/qt/stored_rows_model.h"
#include "controls/window_layout.h"
#include "lab/lab.h"
#include "lab/lab_routes.h"
#include "netutils/qt/net_utils_tab_control.h"
#include "netutils/qt/utility_page.h"
#include "options/qt/options_test_helpers.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using lab::RouteChain;
using testing::ProcessEventsUntil;

TEST(NetUtilsWindowLabTest, TraceFromThePaneShowsTheRoutersHops) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kNamespaces);
    lab::Lab lab;
    const RouteChain chain(lab);
    const testing::SettingsFile file;
    const lab::ScopedThreadNetns in_scanner(lab.ScannerNetns());
    QSettingsStore store(file.Path());
    ProgramSession session(store, [](AppContext& context) { return MakeProgramWindow(context); });
    auto* window = static_cast<MainWindow*>(session.Window());
    window->show();
    window->SideButton(control_id::kNetUtils)->click();
    auto* tabs = window->findChild<NetUtilsTabControl*>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_TRUE(tabs->isVisible());

    // Both pages are one UtilityPage; the quit lab test closes the window during a ping.
    tabs->Tab(NetUtilsTabControl::kTraceroutePage)->click();
    UtilityPage& trace = tabs->Traceroute();
    ASSERT_TRUE(trace.isVisible());
    trace.HostField()->setText(RouteChain::kTarget);
    trace.Number(1)->SetNumber(300);
    trace.Button()->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !trace.Running(); }));
    ASSERT_EQ(trace.Rows().RowCount(), 4) << trace.ShownText().toStdString();
    EXPECT_EQ(trace.Rows().Text(0, 4), RouteChain::kRouter1);
    EXPECT_EQ(trace.Rows().Text(2, 1), "*");
    EXPECT_EQ(trace.Rows().Text(3, 4), RouteChain::kTarget);
    EXPECT_TRUE(trace.ShownText().endsWith(" Trace complete."));

    window->close();
    session.End();
}

}  // namespace
}  // namespace corvimap
