// compat.hpp: every difference between interpreter versions lives here and nowhere else.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <frameobject.h>
#if PY_VERSION_HEX < 0x030B0000
#include <longintrepr.h>
#endif

#include <atomic>
#include <cstddef>
#include <cstdint>

// The version of the headers this module is compiled against, as "major.minor".
#define TK_STR2(x) #x
#define TK_STR(x) TK_STR2(x)
#ifndef TALLOWKIT_BUILD_VERSION
#define TALLOWKIT_BUILD_VERSION TK_STR(PY_MAJOR_VERSION) "." TK_STR(PY_MINOR_VERSION)
#endif

// 3.6 declares PyMODINIT_FUNC without a visibility attribute, and we build with hidden
// visibility, so the entry point is exported explicitly.
#if defined(_WIN32)
#define TALLOWKIT_EXPORT __declspec(dllexport)
#else
#define TALLOWKIT_EXPORT __attribute__((visibility("default")))
#endif

namespace tk::compat {

// Older headers declare the names in method and getset tables as char*.
inline char* table_name(const char* s) { return const_cast<char*>(s); }

#if PY_VERSION_HEX >= 0x03080000
inline constexpr bool has_vectorcall = true;
using VectorcallSlot = vectorcallfunc;
#else
inline constexpr bool has_vectorcall = false;
using VectorcallSlot = void*;
using vectorcallfunc = PyObject* (*)(PyObject*, PyObject* const*, size_t, PyObject*);
#endif

// Positional count of a vectorcall (the high bit may carry the arguments-offset flag).
inline Py_ssize_t vectorcall_nargs(size_t nargsf) {
#if PY_VERSION_HEX >= 0x03080000
    return PyVectorcall_NARGS(nargsf);
#else
    return static_cast<Py_ssize_t>(nargsf);
#endif
}

// Calls `callable` with positional `args[0..nargs)` followed by the values of the keyword
// names in `kwnames` (a tuple of str or NULL), the interpreter's fast protocol where it has one.
inline PyObject* vectorcall(PyObject* callable, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
#if PY_VERSION_HEX >= 0x03090000
    return PyObject_Vectorcall(callable, args, static_cast<size_t>(nargs), kwnames);
#elif PY_VERSION_HEX >= 0x03080000
    return _PyObject_Vectorcall(callable, args, static_cast<size_t>(nargs), kwnames);
#else
    // the interpreter's own fast call of these versions (kwnames: unique exact str)
    return _PyObject_FastCallKeywords(callable, const_cast<PyObject**>(args), nargs, kwnames);
#endif
}

// Makes a type's instances callable through the fast protocol and bindable as methods
// without a temporary bound method.
inline void enable_vectorcall(PyTypeObject* type, Py_ssize_t slot_offset, ternaryfunc fallback) {
#if PY_VERSION_HEX >= 0x03080000
    (void)fallback;
    type->tp_vectorcall_offset = slot_offset;
    type->tp_call = PyVectorcall_Call;
#if PY_VERSION_HEX >= 0x03090000
    type->tp_flags |= Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR;
#else
    type->tp_flags |= _Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR;
#endif
#else
    (void)slot_offset;
    type->tp_call = fallback;
#endif
}

inline void set_vectorcall(VectorcallSlot* slot, vectorcallfunc f) {
#if PY_VERSION_HEX >= 0x03080000
    *slot = f;
#else
    *slot = reinterpret_cast<void*>(f);
#endif
}

inline PyInterpreterState* current_interpreter() {
#if PY_VERSION_HEX >= 0x03090000
    return PyInterpreterState_Get();
#else
    return PyThreadState_Get()->interp;
#endif
}

// A code object that carries a function's names, argument count and local variable names;
// it holds no bytecode.
inline PyObject* make_code(int argcount, PyObject* varnames, PyObject* filename, PyObject* name,
                           PyObject* qualname, int firstlineno) {
    PyObject* empty_bytes = PyBytes_FromStringAndSize("", 0);
    PyObject* empty_tuple = PyTuple_New(0);
    PyObject* code = nullptr;
    if (empty_bytes && empty_tuple) {
        int nlocals = static_cast<int>(PyTuple_GET_SIZE(varnames));
        int flags = CO_OPTIMIZED | CO_NEWLOCALS;
#if PY_VERSION_HEX >= 0x030C0000
        code = reinterpret_cast<PyObject*>(PyUnstable_Code_New(
            argcount, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, qualname, firstlineno, empty_bytes,
            empty_bytes));
#elif PY_VERSION_HEX >= 0x030B0000
        code = reinterpret_cast<PyObject*>(PyCode_New(
            argcount, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, qualname, firstlineno, empty_bytes,
            empty_bytes));
#elif PY_VERSION_HEX >= 0x03080000
        (void)qualname;
        code = reinterpret_cast<PyObject*>(PyCode_NewWithPosOnlyArgs(
            argcount, 0, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, firstlineno, empty_bytes));
#else
        (void)qualname;
        code = reinterpret_cast<PyObject*>(PyCode_New(
            argcount, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, firstlineno, empty_bytes));
#endif
    }
    Py_XDECREF(empty_bytes);
    Py_XDECREF(empty_tuple);
    return code;
}

// Sets the pending exception aside while other C API calls run, then puts it back
// (dropping any exception those calls raised).
class ErrorStash {
public:
#if PY_VERSION_HEX >= 0x030C0000
    ErrorStash() : exc_(PyErr_GetRaisedException()) {}
    void restore() {
        PyErr_Clear();
        PyErr_SetRaisedException(exc_);
        exc_ = nullptr;
    }
#else
    ErrorStash() { PyErr_Fetch(&type_, &exc_, &tb_); }
    void restore() {
        PyErr_Clear();
        PyErr_Restore(type_, exc_, tb_);
        type_ = exc_ = tb_ = nullptr;
    }
#endif
    ErrorStash(const ErrorStash&) = delete;
    ErrorStash& operator=(const ErrorStash&) = delete;

private:
#if PY_VERSION_HEX < 0x030C0000
    PyObject* type_ = nullptr;
    PyObject* tb_ = nullptr;
#endif
    PyObject* exc_ = nullptr;
};

// The pending exception as one object (a new reference; nullptr when none is pending), with
// the error indicator cleared; give_exception puts such an object back, stealing it.
inline PyObject* take_exception() {
#if PY_VERSION_HEX >= 0x030C0000
    return PyErr_GetRaisedException();
#else
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    if (!type) return nullptr;
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb && value) PyException_SetTraceback(value, tb);
    Py_XDECREF(type);
    Py_XDECREF(tb);
    return value;
#endif
}
inline void give_exception(PyObject* exc) {
#if PY_VERSION_HEX >= 0x030C0000
    PyErr_SetRaisedException(exc);
#else
    if (!exc) return;
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(exc));
    Py_INCREF(type);
    PyErr_Restore(type, exc, PyException_GetTraceback(exc));
#endif
}

// The value of an exact int small enough to be held in one internal digit (30 bits), read
// without a call; false for larger ints.
inline bool small_int_value(PyObject* o, long long* out) {
#if PY_VERSION_HEX >= 0x030C0000
    auto* v = reinterpret_cast<PyLongObject*>(o);
    if (!PyUnstable_Long_IsCompact(v)) return false;
    *out = static_cast<long long>(PyUnstable_Long_CompactValue(v));
    return true;
#else
    Py_ssize_t size = Py_SIZE(o);
    if (size == 0) {  // zero has no digit at all
        *out = 0;
        return true;
    }
    if (size != 1 && size != -1) return false;
    *out = size * static_cast<long long>(reinterpret_cast<PyLongObject*>(o)->ob_digit[0]);
    return true;
#endif
}

// ---- threads --------------------------------------------------------------------------------
// Interpreters built without the GIL (3.13t) let threads run module code at the same time. What
// the frame keeps between calls is then per thread, atomic, or read under CPython's own lock of
// the object (a critical section); with the GIL, which orders every access, the same code
// compiles to what it was before, at no cost.
#ifdef Py_GIL_DISABLED
inline constexpr bool free_threaded = true;
// Storage of a variable that every thread has for itself.
#define TK_PER_THREAD thread_local
#else
inline constexpr bool free_threaded = false;
#define TK_PER_THREAD
#endif

// A value that threads read while another may write it: atomic without the GIL (a load
// acquires what a store released); with it, a plain value, which the GIL orders and compilers
// optimise around as before.
template <typename T>
class Shared {
public:
    constexpr Shared() : v_{} {}
    constexpr explicit Shared(T v) : v_{v} {}
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    T load() const {
        if constexpr (free_threaded) return v_.load(std::memory_order_acquire);
        else return v_;
    }
    void store(T v) {
        if constexpr (free_threaded) v_.store(v, std::memory_order_release);
        else v_ = v;
    }
    // Adds one; the count of what happened, where nothing is published with it.
    void count() {
        if constexpr (free_threaded) v_.fetch_add(1, std::memory_order_relaxed);
        else ++v_;
    }
    // Stores `v` if the value is still `expected`; else `expected` becomes the value.
    bool store_if(T& expected, T v) {
        if constexpr (free_threaded) return v_.compare_exchange_strong(expected, v, std::memory_order_acq_rel);
        if (v_ != expected) {
            expected = v_;
            return false;
        }
        v_ = v;
        return true;
    }

private:
    std::conditional_t<free_threaded, std::atomic<T>, T> v_;
};

// Makes an object that this thread has just made, and that lives as long as the process,
// immortal where there is no GIL: its reference count is then never written, so threads that
// use it at once do not contend for it (CPython does the same to its own functions and modules
// once a second thread starts). A reference count beyond 32 bits makes an object immortal
// there; as CPython's own immortal objects, it is left out of the collector's sight. With the
// GIL, nothing.
inline void keep_forever(PyObject* o) {
#ifdef Py_GIL_DISABLED
    if (PyObject_IS_GC(o)) PyObject_GC_UnTrack(o);
    Py_SET_REFCNT(o, static_cast<Py_ssize_t>(UINT32_MAX) + 1);
#else
    (void)o;
#endif
}

// The same for a str that every thread may use: interned, which makes it immortal where there
// is no GIL (`s` may become the equal str interned before). With the GIL, nothing.
inline void keep_text_forever(PyObject*& s) {
#ifdef Py_GIL_DISABLED
    PyUnicode_InternInPlace(&s);
#else
    (void)s;
#endif
}

// The module slots that follow create and exec: without the GIL, the declaration that the
// module runs without it (else importing it would turn the GIL back on). With the GIL, none.
inline constexpr int gil_slot_count = free_threaded ? 1 : 0;
inline void gil_slots(PyModuleDef_Slot* out) {
#ifdef Py_GIL_DISABLED
    out[0] = {Py_mod_gil, Py_MOD_GIL_NOT_USED};
#else
    (void)out;
#endif
}

// Holds CPython's lock of one object, or of two, for the life of the guard (without the GIL;
// with it, nothing). The code it guards must not raise C++ exceptions and should not block:
// CPython lets the lock go while a thread waits, as it does its own.
class Locked {
public:
#ifdef Py_GIL_DISABLED
    explicit Locked(PyObject* a) : pair_(false) { PyCriticalSection_Begin(&cs_.one, a); }
    Locked(PyObject* a, PyObject* b) : pair_(true) { PyCriticalSection2_Begin(&cs_.two, a, b); }
    ~Locked() {
        if (pair_)
            PyCriticalSection2_End(&cs_.two);
        else
            PyCriticalSection_End(&cs_.one);
    }
#else
    explicit Locked(PyObject*) {}
    Locked(PyObject*, PyObject*) {}
#endif
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
#ifdef Py_GIL_DISABLED
    union {
        PyCriticalSection one;
        PyCriticalSection2 two;
    } cs_;
    bool pair_;
#endif
};

// The value of `dict[key]` as a new reference; nullptr when the key is missing (no exception)
// or when the lookup failed (exception set). A borrowed value could die under another thread.
inline PyObject* dict_get_ref(PyObject* dict, PyObject* key) {
#if PY_VERSION_HEX >= 0x030D0000
    PyObject* value = nullptr;
    PyDict_GetItemRef(dict, key, &value);
    return value;
#else
    PyObject* value = PyDict_GetItemWithError(dict, key);
    Py_XINCREF(value);
    return value;
#endif
}

// dict.setdefault(key, value) as a new reference; nullptr with an exception set on failure.
inline PyObject* dict_setdefault_ref(PyObject* dict, PyObject* key, PyObject* value) {
#if PY_VERSION_HEX >= 0x030D0000
    PyObject* result = nullptr;
    PyDict_SetDefaultRef(dict, key, value, &result);
    return result;
#else
    PyObject* result = PyDict_SetDefault(dict, key, value);
    Py_XINCREF(result);
    return result;
#endif
}

// A value that a lookup cache keeps: borrowed from its dict where the GIL keeps the dict from
// dropping it while the cache's user holds it; owned without the GIL, where another thread may
// drop the dict's reference at any moment (the cache then keeps it alive until it is replaced).
// `dict_get_for_cache` looks one up for `keep`; nullptr as dict_get_ref.
inline PyObject* dict_get_for_cache(PyObject* dict, PyObject* key) {
    if constexpr (free_threaded) return dict_get_ref(dict, key);
    return PyDict_GetItemWithError(dict, key);
}
inline void keep(PyObject*& slot, PyObject* found) {
    if constexpr (free_threaded) Py_XSETREF(slot, found);
    else slot = found;
}

// ---- change stamps of watched dicts --------------------------------------------------------
// The frame caches lookups in dicts that rarely change (module globals, builtins, the dicts of
// imported modules). A cached entry keeps the stamp of its dict(s) and is used only while the
// stamp is unchanged; every change of a watched dict (set, delete, clear, update, dealloc)
// changes the stamp before anyone can read the dict again.
using DictStamp = std::uint64_t;
// A stamp that no dict ever has: an entry that carries it is never used.
inline constexpr DictStamp never_stamp = ~DictStamp{0};

// A lookup remembered with the stamp of the dict(s) it read.
struct CachedLookup {
    PyObject* dict = nullptr;   // for attributes: the module dict the value came from
    PyObject* value = nullptr;  // kept as `keep` says; nullptr: nothing remembered
    DictStamp stamp = 0;
    DictStamp builtins_stamp = 0;
};

// The cache of one lookup (a static object of a library): with the GIL, one entry that every
// thread uses. Without it, each thread has an entry of its own, so that no thread ever reads
// an entry that another is writing and the value it holds stays alive while the thread uses
// it; a thread's entries live in one table per library, made at its first lookup and released
// with the thread's state (CPython clears the thread's dict, which holds them, as it ends).
#ifdef Py_GIL_DISABLED
class LookupCache {
public:
    LookupCache() : index_(count()++) {}  // static constructors run before any thread starts
    LookupCache(const LookupCache&) = delete;
    LookupCache& operator=(const LookupCache&) = delete;
    CachedLookup& entry() const {
        CachedLookup* table = mine();
        return (table ? table : made())[index_];
    }

private:
    struct Table {
        CachedLookup* entries;
        std::size_t size;
        CachedLookup** owner;  // the owning thread's pointer to it
    };
    static std::size_t& count() {
        static std::size_t n = 0;
        return n;
    }
    static CachedLookup*& mine() {
        static thread_local CachedLookup* table = nullptr;
        return table;
    }
    static void release(PyObject* capsule) {
        auto* t = static_cast<Table*>(PyCapsule_GetPointer(capsule, nullptr));
        // (CPython may clear a thread's state from another thread as the interpreter ends)
        if (t->owner == &mine()) mine() = nullptr;
        for (std::size_t i = 0; i < t->size; ++i) Py_XDECREF(t->entries[i].value);
        delete[] t->entries;
        delete t;
    }
    // This thread's table, made now: registered in the thread's state dict under a key of this
    // library's own (if that fails, it is kept without being released).
    static CachedLookup* made() {
        auto* t = new Table{new CachedLookup[count()](), count(), &mine()};
        mine() = t->entries;
        ErrorStash stash;
        PyObject* dict = PyThreadState_GetDict();
        PyObject* key = PyLong_FromVoidPtr(&count());
        PyObject* capsule = PyCapsule_New(t, nullptr, release);
        if (!dict || !key || !capsule || PyDict_SetItem(dict, key, capsule) < 0) {
            if (capsule) PyCapsule_SetDestructor(capsule, nullptr);
        }
        Py_XDECREF(key);
        Py_XDECREF(capsule);
        stash.restore();
        return t->entries;
    }
    std::size_t index_;
};
#else
class LookupCache {
public:
    LookupCache() = default;
    LookupCache(const LookupCache&) = delete;
    LookupCache& operator=(const LookupCache&) = delete;
    CachedLookup& entry() const { return entry_; }

private:
    mutable CachedLookup entry_;
};
#endif

#if PY_VERSION_HEX >= 0x030C0000
// Dict watchers: one watcher per interpreter, shared by every tallowkit library through the
// interpreter's own state dict (an interpreter has only a few watcher ids), counting the
// changes of every dict that any of them watches. Without the GIL the count is atomic; with
// it, a plain increment.
struct SharedDictWatch {
    int id;                   // the watcher id; -1 when the interpreter had none left
    Shared<DictStamp> epoch;  // changes of the watched dicts so far
};
inline constexpr int unregistered = -2;  // the id of a watcher before its first use
inline Shared<SharedDictWatch*>& shared_dict_watch_slot() {
    static Shared<SharedDictWatch*> shared;
    return shared;
}
inline int count_dict_change(PyDict_WatchEvent, PyObject*, PyObject*, PyObject*) {
    shared_dict_watch_slot().load()->epoch.count();
    return 0;
}
// The shared watcher, found or made on first use; nullptr only when that failed. Without the
// GIL, other libraries and threads may be doing the same: the first watcher stored in the state
// dict is everyone's, and the first library to lock it registers its callback.
inline SharedDictWatch* shared_dict_watch() {
    Shared<SharedDictWatch*>& slot = shared_dict_watch_slot();
    if (SharedDictWatch* shared = slot.load()) return shared;
    static const char key[] = "tallowkit.frame.dict_watch.v1";
    PyObject* state = PyInterpreterState_GetDict(PyInterpreterState_Get());
    if (!state) return nullptr;
    // never freed: libraries are never unloaded, and the callback lives in one of them
    auto* made = new SharedDictWatch{unregistered, {}};
    PyObject* capsule = PyCapsule_New(made, key, nullptr);
    PyObject* name = capsule ? PyUnicode_FromString(key) : nullptr;
    PyObject* found = name ? dict_setdefault_ref(state, name, capsule) : nullptr;
    Py_XDECREF(name);
    Py_XDECREF(capsule);
    SharedDictWatch* shared = found ? static_cast<SharedDictWatch*>(PyCapsule_GetPointer(found, key))
                                    : nullptr;
    if (shared != made) delete made;
    if (shared) {
        Locked one_at_a_time(found);
        if (shared->id == unregistered && (shared->id = PyDict_AddWatcher(count_dict_change)) < 0) {
            PyErr_Clear();
            shared->id = -1;
        }
        // set before this library's callback can be called: no dict is watched with the id
        // before this
        slot.store(shared);
    } else {
        PyErr_Clear();
    }
    Py_XDECREF(found);
    return shared;
}
// Starts watching `dict`; false when changes of it cannot be seen (then nothing is cached).
// Without the GIL the caller holds the dict's lock (the mark is a plain write in its header).
inline bool watch_dict(PyObject* dict) {
    SharedDictWatch* w = shared_dict_watch();
    if (!w || w->id < 0) return false;
    if (PyDict_Watch(w->id, dict) < 0) {
        PyErr_Clear();
        return false;
    }
    return true;
}
inline DictStamp dict_stamp(PyObject*) {
    const SharedDictWatch* w = shared_dict_watch_slot().load();
    return w ? w->epoch.load() : 0;  // without a watcher nothing is cached
}
#else
// Version tags: every change of any dict gives it a new, process-wide unique version.
inline bool watch_dict(PyObject*) { return true; }
inline DictStamp dict_stamp(PyObject* dict) {
    return reinterpret_cast<PyDictObject*>(dict)->ma_version_tag;
}
#endif

// Sets the item count of a list (or another variable-size object) that its owner fills.
inline void set_size(PyObject* o, Py_ssize_t n) {
#if PY_VERSION_HEX >= 0x03090000
    Py_SET_SIZE(reinterpret_cast<PyVarObject*>(o), n);
#else
    Py_SIZE(o) = n;
#endif
}

// The running interpreter's "major.minor", e.g. "3.11"; at most `size - 1` characters.
inline void runtime_version(char* out, size_t size) {
    const char* v = Py_GetVersion();
    size_t n = 0;
    int dots = 0;
    while (v[n] && n + 1 < size) {
        if (v[n] == '.' && ++dots == 2) break;
        if (v[n] != '.' && (v[n] < '0' || v[n] > '9')) break;
        out[n] = v[n];
        ++n;
    }
    out[n] = '\0';
}

}  // namespace tk::compat
