// function.hpp: the function object type and the templates that adapt module functions to it.
#pragma once

#include "ops.hpp"

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace tk {

// A module function after binding: exactly as many borrowed arguments as it has parameters.
using Impl = PyObject* (*)(PyObject* const* args);

// How a function is declared: its simple name, its code-object variable names (parameters
// first, then locals, in order), the defaults of its trailing parameters, its docstring.
struct FunctionInfo {
    const char* name;
    std::initializer_list<const char*> vars;
    std::initializer_list<Object> defaults = {};
    const char* doc = nullptr;
};

enum class Convention { no_args, one_arg, general };

// The function object: behaves toward callers like the interpreter's own functions.
struct FunctionObject {
    PyObject_HEAD
    compat::VectorcallSlot vectorcall;
    Impl impl;
    Py_ssize_t nparams;
    Convention convention;
    const char* cname;   // simple name as given at definition, for argument messages
    PyObject* name;      // __name__
    PyObject* qualname;  // __qualname__
    PyObject* module;    // __module__
    PyObject* doc;       // __doc__
    PyObject* dict;      // instance __dict__ (lazily made)
    PyObject* globals;   // the module dict
    PyObject* code;      // __code__
    PyObject* defaults;  // tuple or NULL
    PyObject* annotations;
    PyObject* varnames;  // parameters then locals; the first nparams are the parameter names
    PyObject* entry;     // traceback entry name: "<module dotted name>.<qualname>"
    int firstlineno;
};

// Makes a function object; `owner` is the class name for a method, or nullptr.
Object make_function(Impl impl, Py_ssize_t nparams, const FunctionInfo& info, const char* owner,
                     unsigned line);

// ---- adapting a C++ function `Object f(Object a, Object b, ...)` -----------------------------
template <typename T>
struct arity;
template <typename R, typename... A>
struct arity<R (*)(A...)> {
    static constexpr std::size_t value = sizeof...(A);
};

template <auto F, std::size_t... I>
PyObject* invoke(PyObject* const* args, std::index_sequence<I...>) {
    return F(Object::borrow(args[I])...).release();
}

template <auto F>
PyObject* trampoline(PyObject* const* args) {
    return invoke<F>(args, std::make_index_sequence<arity<decltype(F)>::value>{});
}

template <auto F>
constexpr Py_ssize_t arity_of() {
    return static_cast<Py_ssize_t>(arity<decltype(F)>::value);
}

// `def name(...)` in the module body: creates the function and binds it as a module global.
Object define_function(Impl impl, Py_ssize_t nparams, const FunctionInfo& info, unsigned line);

template <auto F>
Object def(const FunctionInfo& info, Loc loc = Loc::current()) {
    return define_function(&trampoline<F>, arity_of<F>(), info, loc.line());
}

}  // namespace tk
