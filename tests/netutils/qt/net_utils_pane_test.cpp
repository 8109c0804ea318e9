#include "netutils/qt/net_utils_tab_control.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <atomic>
#include <chrono>

#include "controls/qt/markup_list.h"
#include "controls/qt/number_field.h"
#include "controls/qt/stored_rows_model.h"
#include "netutils/qt/utility_page.h"
#include "options/qt/options_test_helpers.h"
#include "support/scripted_echo.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;
using testing::Reply;
using testing::ScriptedEcho;
using testing::ScriptedLookup;
using testing::SettingsFile;
using testing::UnnamedControls;

constexpr NetAddress kTarget = MakeAddress(10, 1, 2, 3);

// Pings and traces of "target" through the scripted route 10.0.0.1 -> target. While hold is
// set, each request waits for the run's cancel, like a silent host with an endless time-out.
struct Network {
    std::atomic<bool> hold{false};
    std::atomic<int> requests{0};
};

std::unique_ptr<ScriptedEcho> MakeEcho(Network& network) {
    return std::make_unique<ScriptedEcho>(
        [&network](const ScriptedEcho::Request& request, const EchoCancel& cancel) {
            ++network.requests;
            if (network.hold) {
                return testing::WaitForCancel(cancel);
            }
            return request.ttl == 1
                       ? Reply(icmp_status::kTtlExpiredTransit, MakeAddress(10, 0, 0, 1), 1)
                       : Reply(icmp_status::kSuccess, kTarget, 2, 63);
        });
}

std::unique_ptr<ScriptedLookup> MakeLookup() {
    auto lookup = std::make_unique<ScriptedLookup>();
    lookup->names["target"] = {"target", kTarget};
    return lookup;
}

TEST(NetUtilsPaneTest, PagesFieldsRunsAndClosingDuringARun) {
    SettingsFile file;
    {
        QSettingsStore seed(file.Path());
        seed.WriteProfileString("NetUtils", "PingHostName", "target");
        seed.WriteProfileInt("NetUtils", "NumberOfPackets", 3);
        seed.WriteProfileInt("NetUtils\\PingList", "ColumnNumber", 5);
        seed.WriteProfileBinary("NetUtils\\PingList", "OrderOfColumn", {0, 1, 2, 3, 4});
        seed.WriteProfileInt("NetUtils\\PingList", "Column04Width", 211);
    }
    QSettingsStore store(file.Path());
    Network network;
    auto tabs = std::make_unique<NetUtilsTabControl>(store, MakeEcho(network), MakeLookup());
    tabs->resize(500, 400);
    tabs->show();
    UtilityPage& ping = tabs->Ping();
    UtilityPage& trace = tabs->Traceroute();

    // Tabs, stored values, names for assistive tools, places by the pixel rules.
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->Caption(0), "Ping");
    EXPECT_EQ(tabs->Caption(1), "Traceroute");
    EXPECT_TRUE(ping.isVisible());
    EXPECT_FALSE(trace.isVisible());
    EXPECT_EQ(ping.HostField()->text(), "target");
    EXPECT_EQ(ping.Number(0)->Number(), 3);
    EXPECT_EQ(ping.Number(3)->Number(), 255);
    EXPECT_EQ(trace.Number(1)->Number(), 9000);
    EXPECT_EQ(ping.List()->header()->sectionSize(4), 211);
    EXPECT_EQ(trace.List()->header()->sectionSize(4), 230);
    for (UtilityPage* page : {&ping, &trace}) {
        EXPECT_EQ(UnnamedControls(page), "");
        EXPECT_FALSE(page->TextArea()->accessibleName().isEmpty());
    }
    EXPECT_EQ(ping.HostField()->accessibleName(), "Host");
    EXPECT_EQ(ping.Number(0)->Edit()->accessibleName(), "Number of packets to send");
    EXPECT_EQ(ping.List()->accessibleName(), "Ping replies");
    EXPECT_EQ(trace.List()->accessibleName(), "Route");
    const int w = ping.width();
    const int h = ping.height();
    EXPECT_EQ(ping.TextArea()->geometry(), QRect(2, 75, w - 4, 56));
    EXPECT_EQ(ping.List()->geometry(), QRect(QPoint(2, 132), QPoint(w - 3, h - 3)));
    EXPECT_EQ(ping.ShownText(), "Statistic...");

    // A field out of range refuses the start with its range message.
    ping.Number(1)->SetNumber(3);
    ping.Button()->click();
    auto* message = ping.findChild<QMessageBox*>("rangeMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "Please enter an integer between 4 and 256.");
    EXPECT_FALSE(ping.Running());
    EXPECT_EQ(network.requests, 0);
    message->close();
    ping.Number(1)->SetNumber(64);

    // A ping run fills the list and the statistics and gives the fields back.
    ping.Button()->click();
    EXPECT_EQ(ping.Button()->text(), "Stop");
    EXPECT_FALSE(ping.HostField()->isEnabled());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !ping.Running(); }));
    EXPECT_EQ(ping.Rows().RowCount(), 3);
    EXPECT_EQ(ping.Rows().Text(2, 1), "10.1.2.3");
    EXPECT_EQ(ping.Rows().Text(2, 3), "63");
    EXPECT_TRUE(ping.ShownText().startsWith(
        " Pinging target [10.1.2.3] with 64 bytes of data...\n   Packets: Sent = 3, Received = 3,"))
        << ping.ShownText().toStdString();
    EXPECT_EQ(ping.Button()->text(), "Start");
    // What a screen reader announces follows the caption.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ping.Button())->text(QAccessible::Name),
              "Start");
    EXPECT_TRUE(ping.Number(0)->isEnabled());

    // A trace on the other page.
    tabs->SetCurrentIndex(NetUtilsTabControl::kTraceroutePage);
    EXPECT_EQ(trace.TextArea()->geometry(), QRect(2, 54, w - 4, 57));
    EXPECT_EQ(trace.List()->geometry(), QRect(QPoint(2, 112), QPoint(w - 3, h - 3)));
    trace.HostField()->setText("target");
    trace.Button()->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !trace.Running(); }));
    ASSERT_EQ(trace.Rows().RowCount(), 2);
    EXPECT_EQ(trace.Rows().Text(0, 4), "10.0.0.1");
    EXPECT_EQ(trace.Rows().Text(1, 4), "10.1.2.3");
    EXPECT_TRUE(trace.ShownText().endsWith("\n\n Trace complete."))
        << trace.ShownText().toStdString();

    // Closing while a request waits without end neither hangs nor waits for its time-out.
    network.hold = true;
    trace.Number(1)->SetNumber(999999);
    trace.Button()->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return network.requests > 8; }));
    ASSERT_TRUE(trace.Running());
    trace.Button()->click();  // Stop waits for the hop in progress, which does not end
    ping.HostField()->setText("pinged");
    const auto before = std::chrono::steady_clock::now();
    tabs.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(file.Int("NetUtils", "TracertTimeout"), 999999);
    EXPECT_EQ(file.Int("NetUtils", "PacketSize"), 64);
    EXPECT_EQ(file.String("NetUtils", "PingHostName"), "target") << "the traceroute page goes last";
    EXPECT_EQ(file.Int("NetUtils\\TracertList", "ColumnNumber"), 5);
}

}  // namespace
}  // namespace corvimap
