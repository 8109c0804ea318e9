#include "text/executable_dir.h"

#include <system_error>

namespace corvimap {

std::filesystem::path ExecutablePath() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program;
}

std::filesystem::path ExecutableDir() {
    return ExecutablePath().parent_path();
}

}  // namespace corvimap
