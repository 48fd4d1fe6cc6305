// traceback.cpp: one traceback entry per package function that an exception passes.
#include "traceback.hpp"

#include "module.hpp"

namespace tk {

void add_traceback_entry(const char* funcname, int line) {
    // Building the entry must not disturb the pending exception.
    compat::ErrorStash stash;
    PyCodeObject* code = PyCode_NewEmpty(this_module().filename, funcname, line);
    PyFrameObject* frame =
        code ? PyFrame_New(PyThreadState_Get(), code, module_dict(), nullptr) : nullptr;
    stash.restore();
    if (frame) PyTraceBack_Here(frame);
    Py_XDECREF(frame);
    Py_XDECREF(code);
}

}  // namespace tk
