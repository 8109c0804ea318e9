#pragma once

#include <filesystem>

namespace corvimap {

// The folder that holds the running program, or an empty path when it can't be found out.
std::filesystem::path ExecutableDir();
// The running program's own file, or an empty path when it can't be found out.
std::filesystem::path ExecutablePath();

}  // namespace corvimap
