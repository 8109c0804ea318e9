#pragma once

#include <algorithm>
#include <cctype>
#include <string>

#include "lab.h"

namespace corvimap::lab {

// The two Samba hosts the scan tests and demos put into the lab: different names, workgroups
// and disk shares (one of them hidden).
inline SambaHostOptions FileServer() {
    SambaHostOptions options;
    options.netbios_name = "FILESRV";
    options.workgroup = "LABGROUP";
    options.shares = {{"public", "Public files", {"empty"}, {{"readme.txt", "hello\n"}}},
                      {"media", "Songs", {}, {{"album/track01.mp3", "ID3"}}}};
    return options;
}

inline SambaHostOptions MediaBox() {
    SambaHostOptions options;
    options.netbios_name = "MEDIABOX";
    options.workgroup = "OTHERWG";
    options.shares = {{"projects", "", {"src"}, {{"plan.txt", "plan\n"}}},
                      {"backup$", "Hidden one", {}, {{"old.zip", "PK"}}}};
    return options;
}

// A lab MAC ("02:00:c6:12:00:0b") as the host list shows it ("02-00-C6-12-00-0B").
inline std::string MacText(std::string mac) {
    std::replace(mac.begin(), mac.end(), ':', '-');
    std::transform(mac.begin(), mac.end(), mac.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return mac;
}

}  // namespace corvimap::lab
