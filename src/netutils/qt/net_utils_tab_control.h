#pragma once

#include <memory>

#include "controls/qt/tabbed_page_container.h"
#include "netutils/echo_source.h"
#include "netutils/host_lookup.h"
#include "settings/settings_store.h"

namespace corvimap {

class UtilityPage;

// The network utilities pane: the "Ping" and "Traceroute" pages in one tab control. The echo
// source and the name look-ups are shared by both pages' workers; the pages end their runs
// before the control lets go of them.
class NetUtilsTabControl final : public TabbedPageContainer {
    Q_OBJECT
public:
    enum PageIndex { kPingPage = 0, kTraceroutePage = 1 };

    NetUtilsTabControl(SettingsStore& store, std::unique_ptr<EchoSource> echo,
                       std::unique_ptr<HostLookup> lookup, QWidget* parent = nullptr);
    ~NetUtilsTabControl() override;

    UtilityPage& Ping() const { return *ping_; }
    UtilityPage& Traceroute() const { return *traceroute_; }

private:
    std::unique_ptr<EchoSource> echo_;
    std::unique_ptr<HostLookup> lookup_;
    UtilityPage* ping_;
    UtilityPage* traceroute_;
};

}  // namespace corvimap
