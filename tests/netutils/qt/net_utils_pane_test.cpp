#include "netutils/qt/net_utils_tab_control.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <atomic>

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

constexpr NetAddress kTarget = MakeAddress(10, 1, 2, 3);

TEST(NetUtilsPaneTest, StoredFieldsARefusedStartAndAPingRun) {
    SettingsFile file;
    {
        QSettingsStore seed(file.Path());
        seed.WriteProfileString("NetUtils", "PingHostName", "target");
        seed.WriteProfileInt("NetUtils", "NumberOfPackets", 3);
    }
    QSettingsStore store(file.Path());
    // "target" is 10.1.2.3 and answers every ping, which is counted.
    std::atomic<int> requests{0};
    auto lookup = std::make_unique<ScriptedLookup>();
    lookup->names["target"] = {"target", kTarget};
    auto tabs = std::make_unique<NetUtilsTabControl>(
        store,
        std::make_unique<ScriptedEcho>(
            [&requests](const ScriptedEcho::Request&, const EchoCancel&) {
                ++requests;
                return Reply(icmp_status::kSuccess, kTarget, 2, 63);
            }),
        std::move(lookup));
    tabs->resize(500, 400);
    tabs->show();
    UtilityPage& ping = tabs->Ping();
    EXPECT_TRUE(ping.isVisible());
    EXPECT_EQ(ping.HostField()->text(), "target");
    EXPECT_EQ(ping.Number(0)->Number(), 3);

    // A field out of range refuses the start with its range message.
    ping.Number(1)->SetNumber(3);
    ping.Button()->click();
    auto* message = ping.findChild<QMessageBox*>("rangeMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    EXPECT_FALSE(ping.Running());
    EXPECT_EQ(requests, 0);
    message->close();
    ping.Number(1)->SetNumber(64);

    // A ping run fills the list and the statistics and gives the fields back.
    ping.Button()->click();
    EXPECT_EQ(ping.Button()->text(), "Stop");
    EXPECT_FALSE(ping.HostField()->isEnabled());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !ping.Running(); }));
    EXPECT_EQ(ping.Rows().RowCount(), 3);
    EXPECT_EQ(ping.Rows().Text(2, 1), "10.1.2.3");
    EXPECT_TRUE(ping.ShownText().contains("Sent = 3, Received = 3"))
        << ping.ShownText().toStdString();
    EXPECT_EQ(ping.Button()->text(), "Start");
    EXPECT_TRUE(ping.Number(0)->isEnabled());

    // The fields are stored when the pane goes; both pages share the host, and the traceroute
    // page goes last.
    ping.HostField()->setText("pinged");
    tabs.reset();
    EXPECT_EQ(file.Int("NetUtils", "PacketSize"), 64);
    EXPECT_EQ(file.String("NetUtils", "PingHostName"), "target");
    EXPECT_EQ(file.Int("NetUtils\\TracertList", "ColumnNumber"), 5);
}

}  // namespace
}  // namespace corvimap
