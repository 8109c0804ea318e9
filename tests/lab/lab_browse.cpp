#include "lab_browse.h"

namespace corvimap::lab {

bool IsMasterBrowserName(const NbName& entry) {
    return entry.group && entry.suffix == 0x01 &&
           entry.name.find("__MSBROWSE__") != std::string::npos;
}

NmbIdentity NmbLookupIdentity(const Lab& lab, const LabHost& host) {
    NmbIdentity identity;
    for (const NbName& entry :
         ParseNmbLookupStatus(lab.NodeStatus(host.address, std::chrono::seconds(10)).out)) {
        if (IsMasterBrowserName(entry)) {
            identity.master_browser = true;
        } else if (entry.group && identity.workgroup.empty()) {
            identity.workgroup = entry.name;
        } else if (!entry.group && identity.name.empty()) {
            identity.name = entry.name;
        }
    }
    return identity;
}

::testing::AssertionResult WaitForMasterBrowser(const Lab& lab, const LabHost& host,
                                                std::chrono::milliseconds timeout) {
    if (WaitUntil([&] { return NmbLookupIdentity(lab, host).master_browser; }, timeout,
                  std::chrono::milliseconds(500))) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << host.name << " (" << host.address << ") did not become the master browser: "
           << lab.NodeStatus(host.address, std::chrono::seconds(10)).Describe();
}

}  // namespace corvimap::lab
