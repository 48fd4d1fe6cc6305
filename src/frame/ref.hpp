// ref.hpp: owning (Object) and borrowed (Handle) references, and the one C++ exception type.
#pragma once

#include "compat.hpp"

#include <source_location>
#include <utility>

namespace tk {

using Loc = std::source_location;

// Thrown when a Python exception is pending; carries the line of the failing statement.
struct Error {
    unsigned line;
};

// Throws Error for the statement at `loc`; the Python exception must already be set.
[[noreturn]] inline void fail(Loc loc = Loc::current()) { throw Error{loc.line()}; }

class Object;

// A borrowed reference: valid while its owner lives.
class Handle {
public:
    Handle(PyObject* p) : p_(p) {}
    Handle(const Object& o);
    PyObject* get() const { return p_; }
    PyTypeObject* type() const { return Py_TYPE(p_); }
    bool is(Handle other) const { return p_ == other.p_; }

private:
    PyObject* p_;
};

// An owning reference.
class Object {
public:
    Object() = default;
    Object(const Object& o) : p_(o.p_) { Py_XINCREF(p_); }
    Object(Object&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~Object() { Py_XDECREF(p_); }
    Object& operator=(Object o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    static Object steal(PyObject* p) { return Object(p); }
    static Object borrow(PyObject* p) {
        Py_XINCREF(p);
        return Object(p);
    }
    // Takes ownership of a new reference, throwing if the call that made it failed.
    static Object check(PyObject* p, Loc loc = Loc::current()) {
        if (!p) fail(loc);
        return Object(p);
    }

    PyObject* get() const { return p_; }
    PyObject* release() { return std::exchange(p_, nullptr); }
    explicit operator bool() const { return p_ != nullptr; }
    bool is(Handle other) const { return p_ == other.get(); }
    PyTypeObject* type() const { return Py_TYPE(p_); }

private:
    explicit Object(PyObject* p) : p_(p) {}
    PyObject* p_ = nullptr;
};

inline Handle::Handle(const Object& o) : p_(o.get()) {}

}  // namespace tk
