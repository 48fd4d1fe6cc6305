// binding.hpp: argument binding and its exact messages.
#pragma once

#include "function.hpp"

namespace tk {

// The most parameters a package function has; definitions with more are refused at load.
inline constexpr Py_ssize_t max_params = 16;

// Keyword arguments as two parallel arrays (names are str, or whatever a caller passed).
struct Keywords {
    PyObject* const* names;
    PyObject* const* values;
    Py_ssize_t count;
};

// Binds positional `args` and `kw` to the parameters of `f` into `bound` (borrowed
// references, defaults filled in). Returns false with TypeError set.
bool bind_arguments(const FunctionObject* f, PyObject* const* args, Py_ssize_t nargs,
                    const Keywords& kw, PyObject** bound);

}  // namespace tk
