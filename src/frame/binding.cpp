// binding.cpp: argument binding in the interpreter's order: positionals, then each required
// parameter by keyword, then the remaining keywords, then defaults from the tail.
#include "binding.hpp"

namespace tk {

namespace {

bool takes_no_keywords(const FunctionObject* f) {
    PyErr_Format(PyExc_TypeError, "%.200s() takes no keyword arguments", f->cname);
    return false;
}

bool positional_count_error(const FunctionObject* f, bool exact, Py_ssize_t min, Py_ssize_t max,
                            Py_ssize_t given) {
    Py_ssize_t expected = given < min ? min : max;
    const char* more_or_less = exact ? "exactly" : given < min ? "at least" : "at most";
    PyErr_Format(PyExc_TypeError, "%.200s() takes %.8s %zd positional argument%.1s (%zd given)",
                 f->cname, more_or_less, expected, expected == 1 ? "" : "s", given);
    return false;
}

bool unexpected_keyword(const FunctionObject* f, PyObject* key) {
    PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", f->cname, key);
    return false;
}

bool multiple_values(const FunctionObject* f, PyObject* key) {
    PyErr_Format(PyExc_TypeError, "%s() got multiple values for keyword argument '%U'", f->cname,
                 key);
    return false;
}

bool keywords_must_be_strings(const FunctionObject* f) {
    PyErr_Format(PyExc_TypeError, "%.200s() keywords must be strings", f->cname);
    return false;
}

// Equality of a parameter name with a str keyword (the identity test is done first).
bool same_name(PyObject* param, PyObject* key) {
    return param == key || (PyUnicode_GET_LENGTH(param) == PyUnicode_GET_LENGTH(key) &&
                            PyUnicode_Compare(param, key) == 0);
}

PyObject* find_keyword(const Keywords& kw, PyObject* param) {
    for (Py_ssize_t i = 0; i < kw.count; ++i)
        if (kw.names[i] == param) return kw.values[i];
    for (Py_ssize_t i = 0; i < kw.count; ++i)
        if (PyUnicode_Check(kw.names[i]) && same_name(param, kw.names[i])) return kw.values[i];
    return nullptr;
}

// Index of the parameter in [from, to) named `key`, or -1.
Py_ssize_t find_param(PyObject* const* params, Py_ssize_t from, Py_ssize_t to, PyObject* key) {
    for (Py_ssize_t j = from; j < to; ++j)
        if (params[j] == key) return j;
    for (Py_ssize_t j = from; j < to; ++j)
        if (same_name(params[j], key)) return j;
    return -1;
}

// Places every keyword after the positionals; a keyword matching a positional is a repeat.
bool bind_remaining_keywords(const FunctionObject* f, Py_ssize_t nargs, const Keywords& kw,
                             PyObject** bound) {
    PyObject* const* params = &PyTuple_GET_ITEM(f->varnames, 0);
    for (Py_ssize_t k = 0; k < kw.count; ++k) {
        PyObject* key = kw.names[k];
        if (!PyUnicode_Check(key)) return keywords_must_be_strings(f);
        Py_ssize_t j = find_param(params, nargs, f->nparams, key);
        if (j >= 0) {
            bound[j] = kw.values[k];
            continue;
        }
        if (find_param(params, 0, nargs, key) >= 0) return multiple_values(f, key);
        return unexpected_keyword(f, key);
    }
    return true;  // GCOVR_EXCL_LINE: callers pass a keyword that no free parameter took
}

}  // namespace

bool bind_arguments(const FunctionObject* f, PyObject* const* args, Py_ssize_t nargs,
                    const Keywords& kw, PyObject** bound) {
    switch (f->convention) {
        case Convention::no_args:
            if (kw.count) return takes_no_keywords(f);
            if (nargs != 0) {
                PyErr_Format(PyExc_TypeError, "%.200s() takes no arguments (%zd given)", f->cname,
                             nargs);
                return false;
            }
            return true;
        case Convention::one_arg:
            if (kw.count) return takes_no_keywords(f);
            if (nargs != 1) {
                PyErr_Format(PyExc_TypeError, "%.200s() takes exactly one argument (%zd given)",
                             f->cname, nargs);
                return false;
            }
            bound[0] = args[0];
            return true;
        case Convention::general:
            break;
    }
    const Py_ssize_t n = f->nparams;
    if (nargs == n && kw.count == 0) {  // every parameter given by position: the common call
        for (Py_ssize_t i = 0; i < n; ++i) bound[i] = args[i];
        return true;
    }
    const Py_ssize_t ndefaults = f->defaults ? PyTuple_GET_SIZE(f->defaults) : 0;
    const Py_ssize_t nrequired = n - ndefaults;
    const bool exact = ndefaults == 0;
    if (nargs > n) return positional_count_error(f, exact, nrequired, n, nargs);
    for (Py_ssize_t i = 0; i < n; ++i) bound[i] = i < nargs ? args[i] : nullptr;
    if (kw.count == 0) {
        if (nargs < nrequired) return positional_count_error(f, exact, nrequired, n, nargs);
    } else {
        PyObject* const* params = &PyTuple_GET_ITEM(f->varnames, 0);
        Py_ssize_t left = kw.count;
        for (Py_ssize_t i = nargs; i < n && (i < nrequired || left > 0); ++i) {
            if (PyObject* v = find_keyword(kw, params[i])) {
                bound[i] = v;
                --left;
            } else if (i < nrequired) {
                // the given count is the number of parameters supplied before the missing one
                return positional_count_error(f, exact, nrequired, n, i);
            }
        }
        if (left > 0 && !bind_remaining_keywords(f, nargs, kw, bound)) return false;
    }
    for (Py_ssize_t i = nargs; i < n; ++i)
        if (!bound[i]) bound[i] = PyTuple_GET_ITEM(f->defaults, i - nrequired);
    return true;
}

}  // namespace tk
