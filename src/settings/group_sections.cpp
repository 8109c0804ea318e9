#include "settings/group_sections.h"

namespace corvimap {
namespace {

std::string NamedGroupSection(std::string_view group) {
    return std::string(kGroupsSection) + "\\" + std::string(group);
}

}  // namespace

std::string NetsSection(std::string_view group) {
    return group == kDefaultGroupName ? std::string("Network\\Nets2") : NamedGroupSection(group);
}

std::string GroupFlagsSection(std::string_view group) {
    return group == kDefaultGroupName ? std::string("GlobalFlags") : NamedGroupSection(group);
}

std::string GroupTimingSection(std::string_view group) {
    return group == kDefaultGroupName ? std::string("Network") : NamedGroupSection(group);
}

}  // namespace corvimap
