#include "cli/scan_output.h"

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

// Names from the wire reach the output escaped, and bytes that are not UTF-8 become U+FFFD, so
// a reader always gets valid JSON holding the same text.
TEST(ScanOutputTest, WireTextStaysValidJson) {
    MemorySettingsStore store;
    GameServerBrowser browser(store);
    HostTable hosts;
    hosts.AddOrUpdate(MakeAddress(198, 18, 0, 11), 0, "a\"b\\c\nd\te\x01",
                      "Gr\xC3\xBC\xC3\x9F"
                      "e q\xE9k\xC3",
                      MacBlock{}, HostState::Known);
    const auto json = nlohmann::json::parse(ScanResultJson(hosts, {}, browser));
    EXPECT_EQ(json["hosts"][0]["name"], "a\"b\\c\nd\te\x01");
    EXPECT_EQ(json["hosts"][0]["workgroup"],
              "Gr\xC3\xBC\xC3\x9F"
              "e q\xEF\xBF\xBDk\xEF\xBF\xBD");
}

TEST(ScanOutputTest, HostsAndServersAsOneJsonObject) {
    MemorySettingsStore store;
    GameServerBrowser browser(store);
    HostTable hosts;
    const HostHandle filesrv =
        hosts.AddOrUpdate(MakeAddress(198, 18, 0, 11), 1000, "FILESRV", "LAB",
                          MacBlock{1, 0x02, 0, 0xC6, 0x12, 0, 0x0B}, HostState::Known);
    hosts.AttachMarker(filesrv, HostMarker{kSharesMarker, "public|backup$"});
    hosts.AttachMarker(filesrv, HostMarker{8, std::nullopt});
    hosts.AddOrUpdate(MakeAddress(198, 18, 0, 13), 0, "", "", MacBlock{}, HostState::Known);
    auto vendors = std::make_shared<MacVendors>();
    vendors->AddCsv("MA-L,00000C,Cisco,x\n");
    hosts.SetVendors(vendors);

    ServerCollector servers;
    servers.UpdateServer(6, ServerReport("198.18.0.11:27500|Old name|dm2|0/8|||end"));
    servers.UpdateServer(8, ServerReport("198.18.0.11:27960|^1Red|q3dm17|1/16|Bot \"X\"|5|0|||"
                                         "end|sv_hostname|Red"));
    servers.UpdateServer(6, ServerReport("198.18.0.11:27500|Lab|dm4|1/8|a|b|7|||end"));
    servers.UpdateServer(6, ServerReport(""));

    EXPECT_EQ(ScanResultJson(hosts, servers.Servers(), browser),
              R"({"schema":1,"hosts":[{"address":"198.18.0.11","name":"FILESRV","workgroup":"LAB",)"
              R"("mac":"02-00-C6-12-00-0B","vendor":"Private / random","time_us":1000,)"
              R"("shares":["public","backup$"],)"
              R"("games":["Quake III Arena"]},{"address":"198.18.0.13","name":"","workgroup":"",)"
              R"("mac":"","vendor":"","time_us":0,"shares":[],"games":[]}],"servers":[)"
              R"({"type":"QuakeWorld","address":"198.18.0.11:27500","name":"Lab","map":"dm4",)"
              R"("players":"1/8","player_list":[{"name":"a","frags":"b","ping":7}],"rules":{}},)"
              R"({"type":"Quake III Arena","address":"198.18.0.11:27960","name":"^1Red",)"
              R"("map":"q3dm17","players":"1/16","player_list":[{"name":"Bot \"X\"","frags":5,)"
              R"("ping":0}],"rules":{"sv_hostname":"Red"}}]})"
              "\n");
}

}  // namespace
}  // namespace corvimap
