#include "app/platform.h"

#include <sys/utsname.h>

#include <cstring>

namespace corvimap {

bool PlatformIsNT() {
    static const bool is_nt = [] {
        utsname name{};
        // A failed query still leaves a working Linux system: assume the full family.
        if (uname(&name) != 0) {
            return true;
        }
        return std::strcmp(name.sysname, "Linux") == 0;
    }();
    return is_nt;
}

}  // namespace corvimap
