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

// A lookup remembered with the stamp of the dict(s) it read (see compat::dict_stamp).
struct CachedLookup {
    PyObject* dict = nullptr;   // for attributes: the module dict the value came from
    PyObject* value = nullptr;  // borrowed from that dict; nullptr: nothing remembered
    compat::DictStamp stamp = 0;
    compat::DictStamp builtins_stamp = 0;
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
    mutable CachedLookup global_cache;
    mutable CachedLookup attr_cache;
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

// Load steps: make every Name and Int; then resolve every Builtin (NameError if missing).
void make_constants();
void resolve_builtins();

}  // namespace tk
