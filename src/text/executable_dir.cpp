#include "text/executable_dir.h"

#include <system_error>

namespace corvimap {

std::filesystem::path ExecutableDir() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return program.parent_path();
}

}  // namespace corvimap
