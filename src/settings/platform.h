#pragma once

#include <optional>

namespace corvimap {

// Asks the system which family it belongs to: true for the NT family, which Linux counts as
// (every facility the program looks for is present). Nothing when the query itself fails.
std::optional<bool> QueryPlatformIsNT();

// The answer of the first query, fixed for the life of the process. A failed query assumes the
// NT family, since the program runs on Linux either way.
bool PlatformIsNT();

}  // namespace corvimap
