// module.hpp: module definition, the create and exec slots, and the module's own state.
#pragma once

#include "ref.hpp"

namespace tk {

struct ModuleDef {
    const char* short_name;     // "prime"
    const char* dotted_name;    // "tallowkit.math.prime"
    const char* filename;       // "prime.cpp", shown in tracebacks
    const char* doc;            // module docstring, or nullptr for none
    const char* build_version;  // "major.minor" of the headers compiled against
    void (*body)();             // the module body, in source order
};

// The entry point's work: returns the definition for multi-phase initialisation.
PyObject* module_init(const ModuleDef* def);

// State of the module this shared library holds (one per library, never freed).
const ModuleDef& this_module();
PyObject* module_dict();    // borrowed; valid from the start of the body on
PyObject* builtins_dict();  // borrowed
PyObject* dotted_name_object();
PyObject* filename_object();

}  // namespace tk

// Defines the module's one exported entry point, PyInit_<short name>.
#define TALLOWKIT_MODULE(short_name, dotted, doc, body)                                     \
    extern "C" TALLOWKIT_EXPORT PyObject* PyInit_##short_name(void) {                      \
        static const ::tk::ModuleDef def{#short_name,      dotted, #short_name ".cpp", doc, \
                                         TALLOWKIT_BUILD_VERSION, body};                   \
        return ::tk::module_init(&def);                                                    \
    }
