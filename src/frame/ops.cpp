// ops.cpp: the interpreter's operations, with failures turned into Error.
#include "ops.hpp"

#include "module.hpp"
#include "threads.hpp"

#include <vector>

namespace tk {

namespace {
const Name dot{"."};

Object checked(PyObject* p, Loc loc) { return Object::check(p, loc); }
}  // namespace

Object integer(long long v, Loc loc) { return checked(PyLong_FromLongLong(v), loc); }
Object text(const char* utf8, Loc loc) { return checked(PyUnicode_FromString(utf8), loc); }

std::optional<long long> exact_int64_multi_digit(Handle o) {
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(o.get(), &overflow);
    if (overflow) return std::nullopt;
    return v;
}

// ---- names -----------------------------------------------------------------------------
Object global(Handle name, Loc loc) {
    PyObject* v = compat::dict_get_ref(module_dict(), name.get());
    if (!v) {
        if (PyErr_Occurred()) fail(loc);
        v = compat::dict_get_ref(builtins_dict(), name.get());
        if (!v) {
            if (!PyErr_Occurred())
                PyErr_Format(PyExc_NameError, "name '%U' is not defined", name.get());
            fail(loc);
        }
    }
    return Object::steal(v);
}

namespace {
// The lookups below read the stamps before the dicts: a change during the lookup (a key's
// __eq__, another thread) leaves an entry that is never used. Without the GIL the stamps are
// read under the dicts' locks, which a change holds from its count to its store, so that a
// change is either complete before them or counted after them.

// The global `name` looked up afresh and remembered in `c` (borrowed from it), or nullptr when
// it is unbound (with an exception only if the lookup itself failed). Out of line: the cached
// lookup that calls it stays small enough to be inlined.
[[gnu::noinline, gnu::cold]] PyObject* remember_global(const Name& name, compat::CachedLookup& c,
                                            PyObject* module, PyObject* builtins) {
    bool watched;
    compat::DictStamp stamp, builtins_stamp;
    {
        compat::Locked lock(module, builtins);
        watched = compat::watch_dict(module) && compat::watch_dict(builtins);
        stamp = compat::dict_stamp(module);
        builtins_stamp = compat::dict_stamp(builtins);
    }
    PyObject* v = compat::dict_get_for_cache(module, name.get());
    if (!v && !PyErr_Occurred()) v = compat::dict_get_for_cache(builtins, name.get());
    compat::keep(c.value, v);
    c.stamp = watched ? stamp : compat::never_stamp;
    c.builtins_stamp = builtins_stamp;
    return v;
}

// The global `name` through this thread's cache entry (borrowed from it), or as above.
inline PyObject* cached_global(const Name& name) {
    compat::CachedLookup& c = name.global_cache.entry();
    PyObject* module = module_dict();
    PyObject* builtins = builtins_dict();
    if (c.value && c.stamp == compat::dict_stamp(module) &&
        c.builtins_stamp == compat::dict_stamp(builtins))
        return c.value;
    return remember_global(name, c, module, builtins);
}

// The attribute `name` of a plain module's dict looked up afresh and remembered in `c`
// (borrowed from it); nullptr when the dict lacks it (with an exception only if the lookup
// failed).
[[gnu::noinline, gnu::cold]] PyObject* remember_module_attr(const Name& name, compat::CachedLookup& c,
                                                 PyObject* dict) {
    bool watched;
    compat::DictStamp stamp;
    {
        compat::Locked lock(dict);
        watched = compat::watch_dict(dict);
        stamp = compat::dict_stamp(dict);
    }
    PyObject* v = compat::dict_get_for_cache(dict, name.get());
    compat::keep(c.value, v);
    c.dict = dict;
    c.stamp = watched ? stamp : compat::never_stamp;
    return v;
}

// The same through this thread's cache entry.
inline PyObject* cached_module_attr(PyObject* module, const Name& name) {
    compat::CachedLookup& c = name.attr_cache.entry();
    PyObject* dict = PyModule_GetDict(module);
    if (c.value && c.dict == dict && c.stamp == compat::dict_stamp(dict)) return c.value;
    return remember_module_attr(name, c, dict);
}

// Names that a plain module can only take from its dict: the module type defines dunder
// attributes only.
bool plain_module_attribute(Handle o, Handle name) {
    return PyModule_CheckExact(o.get()) && PyUnicode_Check(name.get()) &&
           PyUnicode_GET_LENGTH(name.get()) > 0 && PyUnicode_READ_CHAR(name.get(), 0) != '_';
}
bool plain_module_attribute(Handle o, const Name& name) {
    return PyModule_CheckExact(o.get()) && !name.underscored();
}
}  // namespace

Object global(const Name& name, Loc loc) {
    if (PyObject* v = cached_global(name)) return Object::borrow(v);
    if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name.get());
    fail(loc);
}

bool global_is(const Name& name, Handle original) {
    PyObject* v = cached_global(name);
    if (!v) PyErr_Clear();
    return v == original.get();
}

bool module_attr_is(Handle module, const Name& name, Handle original) {
    if (!plain_module_attribute(module, name)) return false;
    PyObject* v = cached_module_attr(module.get(), name);
    if (!v) PyErr_Clear();
    return v == original.get();
}

void set_global(Handle name, Handle value, Loc loc) {
    if (PyDict_SetItem(module_dict(), name.get(), value.get()) < 0) fail(loc);
}

// ---- attributes, calls -----------------------------------------------------------------
Object attr(Handle o, Handle name, Loc loc) {
    // An attribute of a plain module that is not a dunder name can only come from the
    // module's dict (the module type defines dunder attributes only); anything else, and a
    // name the dict lacks, takes the interpreter's full lookup.
    if (plain_module_attribute(o, name)) {
        PyObject* dict = PyModule_GetDict(o.get());
        if (PyObject* v = compat::dict_get_ref(dict, name.get())) return Object::steal(v);
        if (PyErr_Occurred()) fail(loc);
    }
    return checked(PyObject_GetAttr(o.get(), name.get()), loc);
}

Object attr(Handle o, const Name& name, Loc loc) {
    if (plain_module_attribute(o, name)) {
        if (PyObject* v = cached_module_attr(o.get(), name)) return Object::borrow(v);
        if (PyErr_Occurred()) fail(loc);
    }
    return checked(PyObject_GetAttr(o.get(), name.get()), loc);
}

void set_attr(Handle o, Handle name, Handle value, Loc loc) {
    if (PyObject_SetAttr(o.get(), name.get(), value.get()) < 0) fail(loc);
}

namespace {
// The interpreter checks this for ordinary calls; a direct vectorcall may skip it.
Object call_result(PyObject* r, Loc loc) {
    if (!r && !PyErr_Occurred())
        PyErr_SetString(PyExc_SystemError, "NULL result without error in PyObject_Call");
    return checked(r, loc);
}
}  // namespace

Object call(Handle f, std::initializer_list<Handle> args, Loc loc) {
    // Handle is a single pointer, so the list is the argument vector itself.
    static_assert(sizeof(Handle) == sizeof(PyObject*));
    auto argv = reinterpret_cast<PyObject* const*>(args.begin());
    return call_result(
        compat::vectorcall(f.get(), argv, static_cast<Py_ssize_t>(args.size()), nullptr), loc);
}

Object call_kw(Handle f, std::initializer_list<Handle> args, std::initializer_list<Keyword> kwargs,
               Loc loc) {
    const size_t n = args.size() + kwargs.size();
    PyObject* small[12];
    std::vector<PyObject*> large;
    PyObject** argv = small;
    if (n > 12) {
        large.resize(n);
        argv = large.data();
    }
    size_t i = 0;
    for (Handle a : args) argv[i++] = a.get();
    Object kwnames = checked(PyTuple_New(static_cast<Py_ssize_t>(kwargs.size())), loc);
    Py_ssize_t k = 0;
    for (const Keyword& kw : kwargs) {
        argv[i++] = kw.value.get();
        Py_INCREF(kw.name.get());
        PyTuple_SET_ITEM(kwnames.get(), k++, kw.name.get());
    }
    return call_result(compat::vectorcall(f.get(), argv, static_cast<Py_ssize_t>(args.size()),
                                          kwargs.size() ? kwnames.get() : nullptr),
                       loc);
}

Object call_method(Handle o, Handle name, std::initializer_list<Handle> args, Loc loc) {
    Object m = attr(o, name, loc);
    return call(m, args, loc);
}

Object call_method(Handle o, const Name& name, std::initializer_list<Handle> args, Loc loc) {
    Object m = attr(o, name, loc);
    return call(m, args, loc);
}

// ---- arithmetic and comparison ---------------------------------------------------------------
Object add(Handle a, Handle b, Loc loc) { return checked(PyNumber_Add(a.get(), b.get()), loc); }
Object sub(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_Subtract(a.get(), b.get()), loc);
}
Object mul(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_Multiply(a.get(), b.get()), loc);
}
Object truediv(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_TrueDivide(a.get(), b.get()), loc);
}
Object floordiv(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_FloorDivide(a.get(), b.get()), loc);
}
Object mod(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_Remainder(a.get(), b.get()), loc);
}
Object power(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_Power(a.get(), b.get(), Py_None), loc);
}
Object lshift(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_Lshift(a.get(), b.get()), loc);
}
Object rshift(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_Rshift(a.get(), b.get()), loc);
}
Object bit_and(Handle a, Handle b, Loc loc) {
    return checked(PyNumber_And(a.get(), b.get()), loc);
}
Object neg(Handle a, Loc loc) { return checked(PyNumber_Negative(a.get()), loc); }

Object lt(Handle a, Handle b, Loc loc) {
    return checked(PyObject_RichCompare(a.get(), b.get(), Py_LT), loc);
}
Object le(Handle a, Handle b, Loc loc) {
    return checked(PyObject_RichCompare(a.get(), b.get(), Py_LE), loc);
}
Object eq(Handle a, Handle b, Loc loc) {
    return checked(PyObject_RichCompare(a.get(), b.get(), Py_EQ), loc);
}
Object ne(Handle a, Handle b, Loc loc) {
    return checked(PyObject_RichCompare(a.get(), b.get(), Py_NE), loc);
}
Object gt(Handle a, Handle b, Loc loc) {
    return checked(PyObject_RichCompare(a.get(), b.get(), Py_GT), loc);
}
Object ge(Handle a, Handle b, Loc loc) {
    return checked(PyObject_RichCompare(a.get(), b.get(), Py_GE), loc);
}

bool truthy(Handle o, Loc loc) {
    if (o.get() == Py_True) return true;
    if (o.get() == Py_False || o.get() == Py_None) return false;
    int r = PyObject_IsTrue(o.get());
    if (r < 0) fail(loc);
    return r != 0;
}

// ---- containers ----------------------------------------------------------------------------
Object getitem(Handle o, Handle key, Loc loc) {
    return checked(PyObject_GetItem(o.get(), key.get()), loc);
}

void setitem(Handle o, Handle key, Handle value, Loc loc) {
    if (PyObject_SetItem(o.get(), key.get(), value.get()) < 0) fail(loc);
}

Object length(Handle o, Loc loc) {
    Py_ssize_t n = PyObject_Size(o.get());
    if (n < 0) fail(loc);
    return checked(PyLong_FromSsize_t(n), loc);
}

Object new_list(Loc loc) { return checked(PyList_New(0), loc); }

void append(Handle list, Handle item, Loc loc) {
    if (PyList_Append(list.get(), item.get()) < 0) fail(loc);
}

Object new_dict(Loc loc) { return checked(PyDict_New(), loc); }

Object tuple(std::initializer_list<Handle> items, Loc loc) {
    Object t = checked(PyTuple_New(static_cast<Py_ssize_t>(items.size())), loc);
    Py_ssize_t i = 0;
    for (Handle h : items) {
        Py_INCREF(h.get());
        PyTuple_SET_ITEM(t.get(), i++, h.get());
    }
    return t;
}

Iterate::Iterate(Handle o, Loc loc) : it_(checked(PyObject_GetIter(o.get()), loc)), loc_(loc) {}

void Iterate::advance() {
    check_interrupts(loc_);
    item_ = Object::steal(PyIter_Next(it_.get()));
    if (!item_ && PyErr_Occurred()) fail(loc_);
}

void check_interrupts(Loc loc) {
    if (PyErr_CheckSignals() < 0 || !share_now_and_then()) fail(loc);
}

// ---- raising -------------------------------------------------------------------------------
void raise(Handle type, std::initializer_list<Handle> args, Loc loc) {
    Object exc = call(type, args, loc);
    if (PyExceptionInstance_Check(exc.get()))
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc.get())), exc.get());
    else
        PyErr_SetString(PyExc_TypeError, "exceptions must derive from BaseException");
    fail(loc);
}

// ---- imports -------------------------------------------------------------------------------
Object import_module(Handle dotted, Loc loc) {
    return checked(PyImport_ImportModuleLevelObject(dotted.get(), module_dict(), Py_None,
                                                    nullptr, 0),
                   loc);
}

Object import_module_as(Handle dotted, Loc loc) {
    Object m = import_module(dotted, loc);
    // Walk down the dotted name by attribute; a submodule that is still being imported is
    // not yet an attribute of its package, so fall back to sys.modules for the whole name.
    Object parts = checked(PyUnicode_Split(dotted.get(), dot.get(), -1), loc);
    for (Py_ssize_t i = 1; i < PyList_GET_SIZE(parts.get()); ++i) {
        PyObject* next = PyObject_GetAttr(m.get(), PyList_GET_ITEM(parts.get(), i));
        if (!next) {
            if (!PyErr_ExceptionMatches(PyExc_AttributeError)) fail(loc);
            PyErr_Clear();
            PyObject* found = compat::dict_get_ref(PyImport_GetModuleDict(), dotted.get());
            if (!found) {
                if (!PyErr_Occurred())
                    PyErr_Format(PyExc_ImportError, "cannot import name %S", dotted.get());
                fail(loc);
            }
            return Object::steal(found);
        }
        m = Object::steal(next);
    }
    return m;
}

Object import_from(Handle module, Handle name, int level, Loc loc) {
    Object fromlist = tuple({name}, loc);
    Object m = checked(PyImport_ImportModuleLevelObject(module.get(), module_dict(), Py_None,
                                                        fromlist.get(), level),
                       loc);
    PyObject* v = PyObject_GetAttr(m.get(), name.get());
    if (!v) {
        if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
            PyErr_Clear();
            PyErr_Format(PyExc_ImportError, "cannot import name %S", name.get());
        }
        fail(loc);
    }
    return Object::steal(v);
}

void import_star(Handle module, int level, Loc loc) {
    Object star = text("*", loc);
    Object fromlist = tuple({star}, loc);
    Object m = checked(PyImport_ImportModuleLevelObject(module.get(), module_dict(), Py_None,
                                                        fromlist.get(), level),
                       loc);
    // Public names: __all__ when the module has one, else every name not starting with "_".
    Object all = Object::steal(PyObject_GetAttrString(m.get(), "__all__"));
    bool skip_private = false;
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) fail(loc);
        PyErr_Clear();
        Object dict = checked(PyObject_GetAttrString(m.get(), "__dict__"), loc);
        all = checked(PyMapping_Keys(dict.get()), loc);
        skip_private = true;
    }
    for (Object n : iterate(all, loc)) {
        if (skip_private && PyUnicode_Check(n.get()) && PyUnicode_GET_LENGTH(n.get()) > 0 &&
            PyUnicode_READ_CHAR(n.get(), 0) == '_')
            continue;
        Object v = attr(m, n, loc);
        set_global(n, v, loc);
    }
}

}  // namespace tk
