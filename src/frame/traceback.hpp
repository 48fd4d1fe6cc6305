// traceback.hpp: traceback entries that name a package function.
#pragma once

#include "ref.hpp"

namespace tk {

// Appends an entry "<funcname>" at <module file>:<line> to the pending exception's traceback.
void add_traceback_entry(const char* funcname, int line);

}  // namespace tk
