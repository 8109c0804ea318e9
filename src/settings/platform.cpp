#include "settings/platform.h"

#include <sys/utsname.h>

#include <cstring>

namespace corvimap {

std::optional<bool> QueryPlatformIsNT() {
    utsname name{};
    if (uname(&name) != 0) {
        return std::nullopt;
    }
    return std::strcmp(name.sysname, "Linux") == 0;
}

bool PlatformIsNT() {
    static const bool is_nt = QueryPlatformIsNT().value_or(true);
    return is_nt;
}

}  // namespace corvimap
