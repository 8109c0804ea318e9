#pragma once

// The small office of the scan tests: FILESRV (the workgroup's master browser) at .11, MEDIABOX
// in another workgroup at .12 and a host that only answers ICMP at .13.

#include <chrono>

#include "lab.h"

namespace corvimap::lab {

struct OfficeHosts {
    const LabHost* filesrv = nullptr;
    const LabHost* mediabox = nullptr;
    const LabHost* printer = nullptr;
};

OfficeHosts AddOfficeHosts(Lab& lab);

// Until both Samba hosts answer and FILESRV has won the browser election, so that it lists
// "\x01\x02__MSBROWSE__\x02" before its workgroup in every scan.
::testing::AssertionResult WaitForOffice(const Lab& lab, const OfficeHosts& office,
                                         std::chrono::milliseconds timeout);

}  // namespace corvimap::lab
