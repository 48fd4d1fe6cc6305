// function.cpp: the function object type: calling conventions, descriptor, attributes, code.
#include "function.hpp"

#include "binding.hpp"
#include "module.hpp"
#include "traceback.hpp"

#include <new>
#include <string>
#include <vector>

namespace tk {

namespace {

PyTypeObject function_type;

FunctionObject* as_function(PyObject* o) { return reinterpret_cast<FunctionObject*>(o); }

void add_traceback_entry(FunctionObject* f, int line) {
    if (const char* entry = PyUnicode_AsUTF8(f->entry)) tk::add_traceback_entry(entry, line);
}

// ---- calling -------------------------------------------------------------------------------

// Module functions call each other through globals (and through anything that calls back,
// such as a property or functools.partial), so runaway recursion must stay an error. Calls
// nested deeper than `free_depth` in this library count against the interpreter's recursion
// limit; the shallow ones, nearly all calls, skip that check and its thread-state lookups. With
// the GIL, which orders its updates, the count is shared by all threads, which only makes a
// thread's checks start sooner, never later; without the GIL each thread counts its own.
TK_PER_THREAD unsigned nesting = 0;
constexpr unsigned free_depth = 32;

// The one place where a module function's C++ exceptions stop: the pending Python exception
// gets the function's traceback entry and the interpreter gets NULL.
PyObject* run_bound(FunctionObject* f, PyObject* const* bound) {
    const bool counted = ++nesting > free_depth;
    if (counted && Py_EnterRecursiveCall(" while calling a Python object")) {
        --nesting;
        return nullptr;
    }
    PyObject* result = nullptr;
    int line = f->firstlineno;
    try {
        result = f->impl(bound);
        if (!result && !PyErr_Occurred())
            PyErr_SetString(PyExc_SystemError, "NULL result without error in PyObject_Call");
    } catch (const Error& e) {
        line = static_cast<int>(e.line);
        if (!PyErr_Occurred())
            PyErr_SetString(PyExc_SystemError, "NULL result without error in PyObject_Call");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unexpected C++ exception in a tallowkit function");
    }
    if (counted) Py_LeaveRecursiveCall();
    --nesting;
    if (!result) add_traceback_entry(f, line);
    return result;
}

PyObject* run_body(FunctionObject* f, PyObject* const* args, Py_ssize_t nargs,
                   const Keywords& kw) {
    PyObject* bound[max_params];
    if (!bind_arguments(f, args, nargs, kw, bound)) {
        add_traceback_entry(f, f->firstlineno);
        return nullptr;
    }
    return run_bound(f, bound);
}

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf,
                              PyObject* kwnames);

// The calls that the no- and one-parameter conventions accept need no binding: the arguments
// are the parameters. Anything else takes the general path, which reports the error.
PyObject* function_vectorcall_exact(PyObject* self, PyObject* const* args, size_t nargsf,
                                    PyObject* kwnames) {
    FunctionObject* f = as_function(self);
    if (compat::vectorcall_nargs(nargsf) == f->nparams && !kwnames) return run_bound(f, args);
    return function_vectorcall(self, args, nargsf, kwnames);
}

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf,
                              PyObject* kwnames) {
    Py_ssize_t nargs = compat::vectorcall_nargs(nargsf);
    Keywords kw{nullptr, args + nargs, 0};
    if (kwnames && PyTuple_GET_SIZE(kwnames)) {
        kw.names = &PyTuple_GET_ITEM(kwnames, 0);
        kw.count = PyTuple_GET_SIZE(kwnames);
    }
    return run_body(as_function(self), args, nargs, kw);
}

// The classic protocol (tuple and dict), used where the interpreter has no vectorcall.
PyObject* function_call(PyObject* self, PyObject* args, PyObject* kwargs) {
    std::vector<PyObject*> names, values;
    Py_ssize_t nkw = kwargs ? PyDict_Size(kwargs) : 0;
    if (nkw) {
        names.reserve(static_cast<size_t>(nkw));
        values.reserve(static_cast<size_t>(nkw));
        Py_ssize_t pos = 0;
        PyObject *key, *value;
        while (PyDict_Next(kwargs, &pos, &key, &value)) {
            names.push_back(key);
            values.push_back(value);
        }
    }
    Keywords kw{names.data(), values.data(), nkw};
    return run_body(as_function(self), &PyTuple_GET_ITEM(args, 0), PyTuple_GET_SIZE(args), kw);
}

// ---- descriptor: fetched through an instance, a function binds it -------------------------
PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) {
        Py_INCREF(self);
        return self;
    }
    return PyMethod_New(self, obj);
}

// ---- attributes ----------------------------------------------------------------------------
// Read and replaced under the function's lock: without the GIL, another thread may be setting
// the field (the replaced value is released after the lock, as it may run any code).
PyObject* get_field(PyObject* self, PyObject* FunctionObject::*field) {
    compat::Locked lock(self);
    PyObject* v = as_function(self)->*field;
    v = v ? v : Py_None;
    Py_INCREF(v);
    return v;
}

int set_field(PyObject* self, PyObject* FunctionObject::*field, PyObject* value) {
    Py_XINCREF(value);
    PyObject* old;
    {
        compat::Locked lock(self);
        old = std::exchange(as_function(self)->*field, value);
    }
    Py_XDECREF(old);
    return 0;
}

int set_str_field(PyObject* self, PyObject* FunctionObject::*field, PyObject* value,
                  const char* what) {
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
        return -1;
    }
    return set_field(self, field, value);
}

PyObject* func_get_name(PyObject* self, void*) { return get_field(self, &FunctionObject::name); }
int func_set_name(PyObject* self, PyObject* value, void*) {
    return set_str_field(self, &FunctionObject::name, value, "__name__");
}
PyObject* func_get_qualname(PyObject* self, void*) {
    return get_field(self, &FunctionObject::qualname);
}
int func_set_qualname(PyObject* self, PyObject* value, void*) {
    return set_str_field(self, &FunctionObject::qualname, value, "__qualname__");
}
PyObject* func_get_doc(PyObject* self, void*) { return get_field(self, &FunctionObject::doc); }
int func_set_doc(PyObject* self, PyObject* value, void*) {
    return set_field(self, &FunctionObject::doc, value);
}
PyObject* func_get_module(PyObject* self, void*) {
    return get_field(self, &FunctionObject::module);
}
int func_set_module(PyObject* self, PyObject* value, void*) {
    return set_field(self, &FunctionObject::module, value);
}
PyObject* func_get_defaults(PyObject* self, void*) {
    return get_field(self, &FunctionObject::defaults);
}
PyObject* func_get_globals(PyObject* self, void*) {
    return get_field(self, &FunctionObject::globals);
}
PyObject* func_get_code(PyObject* self, void*) { return get_field(self, &FunctionObject::code); }
PyObject* func_get_none(PyObject*, void*) { Py_RETURN_NONE; }
// inspect.signature wants a dict here on every interpreter.
PyObject* func_get_annotations(PyObject* self, void*) {
    FunctionObject* f = as_function(self);
    compat::Locked lock(self);
    if (!f->annotations && !(f->annotations = PyDict_New())) return nullptr;
    Py_INCREF(f->annotations);
    return f->annotations;
}
int func_set_annotations(PyObject* self, PyObject* value, void*) {
    if (value && value != Py_None && !PyDict_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__annotations__ must be set to a dict object");
        return -1;
    }
    return set_field(self, &FunctionObject::annotations, value == Py_None ? nullptr : value);
}

PyGetSetDef function_getset[] = {
    {compat::table_name("__name__"), func_get_name, func_set_name, nullptr, nullptr},
    {compat::table_name("__qualname__"), func_get_qualname, func_set_qualname, nullptr, nullptr},
    {compat::table_name("__doc__"), func_get_doc, func_set_doc, nullptr, nullptr},
    {compat::table_name("__module__"), func_get_module, func_set_module, nullptr, nullptr},
    {compat::table_name("__defaults__"), func_get_defaults, nullptr, nullptr, nullptr},
    {compat::table_name("__kwdefaults__"), func_get_none, nullptr, nullptr, nullptr},
    {compat::table_name("__closure__"), func_get_none, nullptr, nullptr, nullptr},
    {compat::table_name("__globals__"), func_get_globals, nullptr, nullptr, nullptr},
    {compat::table_name("__code__"), func_get_code, nullptr, nullptr, nullptr},
    {compat::table_name("__annotations__"), func_get_annotations, func_set_annotations, nullptr, nullptr},
    {compat::table_name("__dict__"), PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// Pickled by reference: the simple name, found again in the module.
PyObject* func_reduce(PyObject* self, PyObject*) { return get_field(self, &FunctionObject::name); }

PyMethodDef function_methods[] = {
    {compat::table_name("__reduce__"), func_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* function_repr(PyObject* self) {
    PyObject* qualname = get_field(self, &FunctionObject::qualname);
    PyObject* repr = PyUnicode_FromFormat("<function %U at %p>", qualname, self);
    Py_DECREF(qualname);
    return repr;
}

// ---- lifetime ------------------------------------------------------------------------------
#define TK_FUNCTION_FIELDS(X) \
    X(name) X(qualname) X(module) X(doc) X(dict) X(globals) X(code) X(defaults) X(annotations) \
    X(varnames) X(entry)

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    FunctionObject* f = as_function(self);
#define TK_VISIT(field) Py_VISIT(f->field);
    TK_FUNCTION_FIELDS(TK_VISIT)
#undef TK_VISIT
    return 0;
}

int function_clear(PyObject* self) {
    FunctionObject* f = as_function(self);
#define TK_CLEAR(field) Py_CLEAR(f->field);
    TK_FUNCTION_FIELDS(TK_CLEAR)
#undef TK_CLEAR
    return 0;
}

void function_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    function_clear(self);
    PyObject_GC_Del(self);
}

PyTypeObject* ready_function_type() {
    if (function_type.tp_flags & Py_TPFLAGS_READY) return &function_type;
    PyTypeObject& t = function_type;
    t.tp_name = "tallowkit.function";
    t.tp_basicsize = sizeof(FunctionObject);
    t.tp_dealloc = function_dealloc;
    t.tp_repr = function_repr;
    t.tp_getattro = PyObject_GenericGetAttr;
    t.tp_setattro = PyObject_GenericSetAttr;
    t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    t.tp_traverse = function_traverse;
    t.tp_clear = function_clear;
    t.tp_methods = function_methods;
    t.tp_getset = function_getset;
    t.tp_descr_get = function_descr_get;
    t.tp_dictoffset = offsetof(FunctionObject, dict);
    compat::enable_vectorcall(&t, offsetof(FunctionObject, vectorcall), function_call);
    if (PyType_Ready(&t) < 0) fail();
    return &t;
}

Object make_tuple_of_names(std::initializer_list<const char*> names) {
    Object t = Object::check(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
    Py_ssize_t i = 0;
    for (const char* n : names) PyTuple_SET_ITEM(t.get(), i++, Object::check(PyUnicode_InternFromString(n)).release());
    return t;
}

}  // namespace

Object make_function(Impl impl, Py_ssize_t nparams, const FunctionInfo& info, const char* owner,
                     unsigned line) {
    PyTypeObject* type = ready_function_type();
    auto ndefaults = static_cast<Py_ssize_t>(info.defaults.size());
    if (nparams > max_params || static_cast<Py_ssize_t>(info.vars.size()) < nparams ||
        ndefaults > nparams) {
        PyErr_Format(PyExc_SystemError, "bad definition of function %s", info.name);
        fail();
    }
    std::string qualname = owner ? std::string(owner) + "." + info.name : std::string(info.name);
    std::string entry = std::string(this_module().dotted_name) + "." + qualname;
    Object name = Object::check(PyUnicode_InternFromString(info.name));
    Object qual = Object::check(PyUnicode_FromString(qualname.c_str()));
    Object varnames = make_tuple_of_names(info.vars);
    Object code = Object::check(compat::make_code(static_cast<int>(nparams), varnames.get(),
                                                  filename_object(), name.get(), qual.get(),
                                                  static_cast<int>(line)));
    Object defaults;
    if (ndefaults) {
        defaults = Object::check(PyTuple_New(ndefaults));
        Py_ssize_t i = 0;
        for (const Object& d : info.defaults) PyTuple_SET_ITEM(defaults.get(), i++, Object(d).release());
    }
    Object doc = info.doc ? Object::check(PyUnicode_FromString(info.doc)) : none();
    Object entry_obj = Object::check(PyUnicode_FromString(entry.c_str()));

    auto* f = PyObject_GC_New(FunctionObject, type);
    if (!f) fail();
    f->impl = impl;
    f->nparams = nparams;
    f->convention = nparams == 0                     ? Convention::no_args
                    : nparams == 1 && ndefaults == 0 ? Convention::one_arg
                                                     : Convention::general;
    compat::set_vectorcall(&f->vectorcall, f->convention == Convention::general
                                               ? function_vectorcall
                                               : function_vectorcall_exact);
    f->cname = info.name;
    f->name = name.release();
    f->qualname = qual.release();
    f->module = Object::borrow(dotted_name_object()).release();
    f->doc = doc.release();
    f->dict = nullptr;
    f->globals = Object::borrow(module_dict()).release();
    f->code = code.release();
    f->defaults = defaults.release();
    f->annotations = nullptr;
    f->varnames = varnames.release();
    f->entry = entry_obj.release();
    f->firstlineno = static_cast<int>(line);
    PyObject_GC_Track(reinterpret_cast<PyObject*>(f));
    // functions live as long as their module, which lives as long as the process
    compat::keep_forever(reinterpret_cast<PyObject*>(f));
    return Object::steal(reinterpret_cast<PyObject*>(f));
}

Object define_function(Impl impl, Py_ssize_t nparams, const FunctionInfo& info, unsigned line) {
    Object f = make_function(impl, nparams, info, nullptr, line);
    Object name = Object::borrow(as_function(f.get())->name);
    set_global(name, f);
    return f;
}

}  // namespace tk
