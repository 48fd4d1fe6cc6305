// module.cpp: multi-phase initialisation: the create slot, the exec slot (the module body)
// and the cleanup that lets a failed load be tried again.
#include "module.hpp"

#include "names.hpp"
#include "traceback.hpp"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace tk {

namespace {

struct State {
    const ModuleDef* def = nullptr;
    PyInterpreterState* interpreter = nullptr;  // the first interpreter that created us
    PyObject* module = nullptr;                 // recorded once the body starts (strong)
    PyObject* dict = nullptr;                   // the module's dict (strong, see module_exec)
    PyObject* builtins = nullptr;               // builtins module dict (strong)
    PyObject* dotted = nullptr;                 // dotted name (strong)
    PyObject* filename = nullptr;               // source file name (strong)
};
State state;
PyModuleDef module_def;
PyModuleDef_Slot module_slots[3 + compat::gil_slot_count];

// Copies spec.<from> to module.<to>; a missing spec attribute is skipped, and None is
// copied only when `copy_none`.
int copy_spec_attr(PyObject* spec, PyObject* dict, const char* from, const char* to,
                   bool copy_none) {
    PyObject* value = PyObject_GetAttrString(spec, from);
    if (!value) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return -1;
        PyErr_Clear();
        return 0;
    }
    int r = 0;
    if (copy_none || value != Py_None) r = PyDict_SetItemString(dict, to, value);
    Py_DECREF(value);
    return r;
}

PyObject* module_create(PyObject* spec, PyModuleDef*) {
    PyInterpreterState* current = compat::current_interpreter();
    if (state.interpreter && state.interpreter != current) {
        PyErr_SetString(PyExc_ImportError,
                        "Interpreter change detected - this module can only be loaded into one "
                        "interpreter per process.");
        return nullptr;
    }
    state.interpreter = current;
    if (state.module) {
        Py_INCREF(state.module);
        return state.module;
    }
    PyObject* name = PyObject_GetAttrString(spec, "name");
    if (!name) return nullptr;
    PyObject* module = PyModule_NewObject(name);
    Py_DECREF(name);
    if (!module) return nullptr;
    PyObject* dict = PyModule_GetDict(module);
    if (copy_spec_attr(spec, dict, "loader", "__loader__", true) < 0 ||
        copy_spec_attr(spec, dict, "origin", "__file__", true) < 0 ||
        copy_spec_attr(spec, dict, "parent", "__package__", true) < 0 ||
        copy_spec_attr(spec, dict, "submodule_search_locations", "__path__", false) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}

// Warns when the interpreter's major.minor differs from the headers' (a module built for
// 3.11 must not load silently into 3.12, so the whole minor number is compared).
int check_version(const ModuleDef& def) {
    char runtime[16];
    compat::runtime_version(runtime, sizeof runtime);
    if (std::strcmp(runtime, def.build_version) == 0) return 0;
    char message[200];
    std::snprintf(message, sizeof message,
                  "compiletime version %s of module '%.100s' does not match runtime version %s",
                  def.build_version, def.dotted_name, runtime);
    return PyErr_WarnEx(PyExc_RuntimeWarning, message, 1);
}

void ensure_in_sys_modules(PyObject* module) {
    PyObject* modules = PyImport_GetModuleDict();
    PyObject* found = PyDict_GetItemWithError(modules, state.dotted);
    if (found) return;
    if (PyErr_Occurred() || PyDict_SetItem(modules, state.dotted, module) < 0) fail();
}

void run_body(PyObject* module) {
    PyObject* builtins_module = PyImport_AddModule("builtins");
    if (!builtins_module || PyObject_SetAttrString(module, "__builtins__", builtins_module) < 0)
        fail();  // GCOVR_EXCL_LINE: only out of memory (builtins is always there)
    Py_INCREF(PyModule_GetDict(builtins_module));
    Py_XSETREF(state.builtins, PyModule_GetDict(builtins_module));
    make_constants();
    ensure_in_sys_modules(module);
    resolve_builtins();
    state.def->body();
    Object test = Object::check(PyDict_New());
    if (PyDict_SetItemString(state.dict, "__test__", test.get()) < 0) fail();
}

// The name of the traceback entry for a failed load: "init <dotted name>".
std::string init_entry_name() { return std::string("init ") + state.def->dotted_name; }

int module_exec(PyObject* module) {
    if (state.module) {
        if (state.module == module) return 0;
        PyErr_Format(PyExc_RuntimeError,
                     "Module '%s' has already been imported. Re-initialisation is not supported.",
                     state.def->short_name);
        return -1;
    }
    if (check_version(*state.def) < 0) return -1;
    Py_INCREF(module);
    state.module = module;
    // The dict outlives a failed load: functions defined before the failure can still be
    // reached (through the traceback's frames) and look their globals up in it.
    PyObject* dict = PyModule_GetDict(module);
    Py_INCREF(dict);
    Py_XSETREF(state.dict, dict);
    int line = 0;
    try {
        run_body(module);
        return 0;
    } catch (const Error& e) {
        line = static_cast<int>(e.line);
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unexpected C++ exception while loading the module");
    }
    // No half-initialised module stays recorded: the next import runs the body afresh.
    std::string entry = init_entry_name();
    if (PyErr_Occurred())
        add_traceback_entry(entry.c_str(), line);
    else
        PyErr_SetString(PyExc_ImportError, entry.c_str());
    Py_CLEAR(state.module);
    return -1;
}

}  // namespace

PyObject* module_init(const ModuleDef* def) {
    state.def = def;
    if (!state.dotted) state.dotted = PyUnicode_FromString(def->dotted_name);
    if (!state.filename) state.filename = PyUnicode_FromString(def->filename);
    if (!state.dotted || !state.filename) return nullptr;
    if (!module_def.m_name) {  // the definition object lives once per process
        module_slots[0] = {Py_mod_create, reinterpret_cast<void*>(module_create)};
        module_slots[1] = {Py_mod_exec, reinterpret_cast<void*>(module_exec)};
        compat::gil_slots(&module_slots[2]);
        module_slots[2 + compat::gil_slot_count] = {0, nullptr};
        module_def = PyModuleDef{PyModuleDef_HEAD_INIT, def->short_name, def->doc, 0, nullptr,
                                 module_slots, nullptr, nullptr, nullptr};
    }
    return PyModuleDef_Init(&module_def);
}

const ModuleDef& this_module() { return *state.def; }
PyObject* module_dict() { return state.dict; }
PyObject* builtins_dict() { return state.builtins; }
PyObject* dotted_name_object() { return state.dotted; }
PyObject* filename_object() { return state.filename; }

}  // namespace tk
