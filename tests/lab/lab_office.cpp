#include "lab_office.h"

#include "lab_browse.h"
#include "lab_hosts.h"

namespace corvimap::lab {

OfficeHosts AddOfficeHosts(Lab& lab) {
    SambaHostOptions master_browser = FileServer();
    master_browser.master_browser = true;
    OfficeHosts office;
    office.filesrv = &lab.AddSambaHost("h1", 11, master_browser);
    office.mediabox = &lab.AddSambaHost("h2", 12, MediaBox());
    office.printer = &lab.AddIcmpHost("icmp", 13);
    return office;
}

::testing::AssertionResult WaitForOffice(const Lab& lab, const OfficeHosts& office,
                                         std::chrono::milliseconds timeout) {
    if (::testing::AssertionResult samba = lab.WaitForSamba(timeout); !samba) {
        return samba;
    }
    return WaitForMasterBrowser(lab, *office.filesrv, timeout);
}

}  // namespace corvimap::lab
