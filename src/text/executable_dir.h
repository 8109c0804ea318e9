#pragma once

#include <filesystem>

namespace corvimap {

// The folder that holds the running program, or an empty path when it can't be found out.
std::filesystem::path ExecutableDir();

}  // namespace corvimap
