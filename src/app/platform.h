#pragma once

namespace corvimap {

// True when the system counts as the NT family. Linux does: every facility the program looks for
// is present, which also makes the larger default number of scan threads apply.
bool PlatformIsNT();

}  // namespace corvimap
