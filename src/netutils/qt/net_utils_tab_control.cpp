#include "netutils/qt/net_utils_tab_control.h"

#include "netutils/ping_run.h"
#include "netutils/qt/utility_page.h"
#include "netutils/trace_run.h"

namespace corvimap {
namespace {

UtilityPageSpec PingSpec(EchoSource& echo, HostLookup& lookup) {
    return {kPingSettings,
            1,
            "NetUtils\\PingList",
            {{"#", 34}, {"IP", 90}, {"Time", 70}, {"Ttl", 70}, {"Status", 130}},
            "Ping replies",
            "Ping statistics",
            "Statistic...",
            75,
            56,
            57,
            [&echo, &lookup](const std::string& host, const std::vector<int32_t>& values,
                             UtilitySink& sink, RunControl& control) {
                const PingParameters parameters{host, values[0], static_cast<uint16_t>(values[1]),
                                                static_cast<uint32_t>(values[2]),
                                                static_cast<uint8_t>(values[3])};
                RunPing(parameters, echo, lookup, sink, control);
            }};
}

UtilityPageSpec TraceSpec(EchoSource& echo, HostLookup& lookup) {
    return {kTraceSettings,
            0,
            "NetUtils\\TracertList",
            {{"#", 34}, {"", 70}, {"", 70}, {"", 70}, {"Host", 230}},
            "Route",
            "Trace result",
            "",
            54,
            57,
            58,
            [&echo, &lookup](const std::string& host, const std::vector<int32_t>& values,
                             UtilitySink& sink, RunControl& control) {
                const TraceParameters parameters{host, values[0], static_cast<uint32_t>(values[1])};
                RunTrace(parameters, echo, lookup, sink, control);
            }};
}

}  // namespace

NetUtilsTabControl::NetUtilsTabControl(SettingsStore& store, std::unique_ptr<EchoSource> echo,
                                       std::unique_ptr<HostLookup> lookup, QWidget* parent)
    : TabbedPageContainer(parent),
      echo_(std::move(echo)),
      lookup_(std::move(lookup)),
      ping_(new UtilityPage(PingSpec(*echo_, *lookup_), store, this)),
      traceroute_(new UtilityPage(TraceSpec(*echo_, *lookup_), store, this)) {
    setObjectName(QStringLiteral("NetUtilsTabControl"));
    ping_->setObjectName(QStringLiteral("PingPage"));
    traceroute_->setObjectName(QStringLiteral("TraceroutePage"));
    AddPage(ping_, QStringLiteral("Ping"));
    AddPage(traceroute_, QStringLiteral("Traceroute"));
}

NetUtilsTabControl::~NetUtilsTabControl() {
    // The pages' workers use the echo source and the look-ups: they end first.
    delete ping_;
    delete traceroute_;
}

}  // namespace corvimap
