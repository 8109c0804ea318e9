#pragma once

// A /16 behind a router, for scans of 65,536 addresses where a handful answer:
//
//   scanner 198.18.0.1 --route 198.19.0.0/16--> router 198.18.0.<router octet>
//   router: forwards; 198.19.0.0/16 is a blackhole route, where every packet is dropped without
//           a word, so the silent addresses are silent without 65,536 ARP look-ups; each live
//           address has a /32 route to the lab host that holds it.
//   live hosts: lab hosts that also hold one 198.19.x.y/32 address each.
//
// Everything lives in the lab's namespaces, as the lab itself does.

#include <string>
#include <vector>

#include "lab.h"

namespace corvimap::lab {

inline constexpr const char* kScaleRange = "198.19.0.0>198.19.255.255";

// Turns `router` (a host of the lab) into the /16's router and gives each live host its address
// in the /16 ("198.19.x.y"). Throws when a command fails.
void BuildScaleSegment(const Lab& lab, const LabHost& router,
                       const std::vector<std::pair<const LabHost*, std::string>>& live);

}  // namespace corvimap::lab
