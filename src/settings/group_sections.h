#pragma once

#include <string>
#include <string_view>

namespace corvimap {

// The built-in group. It always exists, cannot be deleted and keeps its values in sections of
// its own; the comparison with its name is exact and case-sensitive.
inline constexpr std::string_view kDefaultGroupName = "Default";
inline constexpr std::string_view kGroupsSection = "Network\\Groups";

// Where a group keeps its ranges ("NetsNumbers", "Net_%2.2d").
std::string NetsSection(std::string_view group);
// Where a group keeps "FlagsGroup0" and "FlagsGroup1".
std::string GroupFlagsSection(std::string_view group);
// Where a group keeps "PingTimeout", "ScanEvery" and "ThreadsOfScan".
std::string GroupTimingSection(std::string_view group);

}  // namespace corvimap
