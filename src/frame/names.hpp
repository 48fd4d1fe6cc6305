// names.hpp: interned names, constants and builtins made once when the module loads.
#pragma once

#include "ref.hpp"

namespace tk {

// A value that the module needs on every call, made once at load and never freed
// (modules are never unloaded). Instances are static objects of a module source; they
// register themselves before the module loads.
class LoadValue {
public:
    LoadValue(const LoadValue&) = delete;
    LoadValue& operator=(const LoadValue&) = delete;
    operator Handle() const { return Handle(obj_); }
    PyObject* get() const { return obj_; }

protected:
    enum class Kind { name, integer, builtin };
    LoadValue(Kind kind, const char* text, long long value);
    const char* text() const { return text_; }

private:
    friend void make_constants();
    friend void resolve_builtins();
    Kind kind_;
    const char* text_;
    long long value_;
    PyObject* obj_ = nullptr;
    LoadValue* next_;
};

// An interned text: identifiers, keyword names and text constants (UTF-8 source text). A name
// remembers its last lookup as a module global and as an attribute of a module.
class Name : public LoadValue {
public:
    explicit Name(const char* text) : LoadValue(Kind::name, text, 0) {}
    // True for the empty name and names that begin with an underscore (dunder names among
    // them): only those can be attributes of a plain module that its dict does not decide.
    // Read from the source text, so that a lookup need not read the str.
    bool underscored() const { return text()[0] == '\0' || text()[0] == '_'; }
    compat::LookupCache global_cache;
    compat::LookupCache attr_cache;
};

// An integer constant.
class Int : public LoadValue {
public:
    explicit Int(long long value) : LoadValue(Kind::integer, nullptr, value) {}
};

// A builtin that the module uses, resolved from `builtins` once at load.
class Builtin : public LoadValue {
public:
    explicit Builtin(const char* name) : LoadValue(Kind::builtin, name, 0) {}
};

// Objects made on first use and kept for the life of the process, one per index below N: for
// immutable results, where a kept object cannot be told from a new one. Without the GIL, two
// threads may make the same one at once: the first one stored is kept (and made immortal, so
// that threads using it do not contend for its reference count).
template <std::size_t N>
class KeptObjects {
public:
    // The object at i (borrowed: it is kept for good), made by make() if there is none yet.
    template <typename Make>
    PyObject* get(std::size_t i, Make make) {
        if (PyObject* kept = slots_[i].load()) [[likely]]
            return kept;
        return made(i, make);
    }

private:
    template <typename Make>
    [[gnu::noinline, gnu::cold]] PyObject* made(std::size_t i, Make make) {
        return keep(i, make().release());
    }
    PyObject* keep(std::size_t i, PyObject* made) {
        if (PyUnicode_CheckExact(made))
            compat::keep_text_forever(made);
        else
            compat::keep_forever(made);
        PyObject* first = nullptr;
        if (slots_[i].store_if(first, made)) return made;
        Py_DECREF(made);
        return first;
    }
    compat::Shared<PyObject*> slots_[N];
};

// Load steps: make every Name and Int; then resolve every Builtin (NameError if missing).
void make_constants();
void resolve_builtins();

}  // namespace tk
