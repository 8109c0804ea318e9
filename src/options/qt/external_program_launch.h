#pragma once

#include <string_view>

#include "options/external_programs.h"

namespace corvimap {

// Starts an entry's program for a host: the parameter line with its first "%a" replaced by the
// address, split into arguments the way a shell splits words (quotes group, nothing else is
// interpreted, no shell runs), the program detached with no working folder of its own. The
// result is for tests; the program's caller says nothing when a start fails.
bool LaunchExternalProgram(const ExternalProgram& entry, std::string_view address);

}  // namespace corvimap
