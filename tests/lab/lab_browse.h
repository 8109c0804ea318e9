#pragma once

// The NetBIOS names of lab Samba hosts as `nmblookup -A` shows them, with the master browser's
// special group name told apart from the workgroup.

#include <chrono>
#include <string>

#include "lab.h"

namespace corvimap::lab {

// "\x01\x02__MSBROWSE__\x02" <01>, the group name a local master browser registers; nmblookup
// shows it as "..__MSBROWSE__.".
bool IsMasterBrowserName(const NbName& entry);

// A host's name and workgroup as nmblookup shows them: its first unique name and its first group
// name other than the master browser's (empty when there is none).
struct NmbIdentity {
    std::string name;
    std::string workgroup;
    bool master_browser = false;  // the master browser's name is listed too
};
NmbIdentity NmbLookupIdentity(const Lab& lab, const LabHost& host);

// Polls until the host lists the master browser's name: it won the browser election.
::testing::AssertionResult WaitForMasterBrowser(const Lab& lab, const LabHost& host,
                                                std::chrono::milliseconds timeout);

}  // namespace corvimap::lab
