// ops.hpp: the interpreter's operations, each throwing Error (with the caller's line) on failure.
#pragma once

#include "names.hpp"

#include <initializer_list>
#include <optional>
#include <utility>

namespace tk {

// ---- singletons and small values --------------------------------------------------------
inline Object none() { return Object::borrow(Py_None); }
inline Object boolean(bool b) { return Object::borrow(b ? Py_True : Py_False); }
inline bool is_none(Handle o) { return o.get() == Py_None; }
Object integer(long long v, Loc loc = Loc::current());
Object text(const char* utf8, Loc loc = Loc::current());

// The value of an exact int (not bool, not a subclass) that fits in 64 bits. Inline: the
// common one-digit case is answered without a call, whose optional would go through memory.
std::optional<long long> exact_int64_multi_digit(Handle o);
inline std::optional<long long> exact_int64(Handle o) {
    if (!PyLong_CheckExact(o.get())) return std::nullopt;
    if (long long small = 0; compat::small_int_value(o.get(), &small)) return small;
    return exact_int64_multi_digit(o);
}

// ---- names -----------------------------------------------------------------------------
// A module-level name at call time: the module dict, then builtins; NameError otherwise.
Object global(Handle name, Loc loc = Loc::current());
// The same for a Name, through its cache while neither the module dict nor builtins changed.
Object global(const Name& name, Loc loc = Loc::current());
// True while the module global `name` is still bound to `original` (fast-path guard).
bool global_is(const Name& name, Handle original);
void set_global(Handle name, Handle value, Loc loc = Loc::current());

// ---- attributes, calls -----------------------------------------------------------------
Object attr(Handle o, Handle name, Loc loc = Loc::current());
// The same for a Name; an attribute of a plain module is read through the name's cache while
// that module's dict is unchanged.
Object attr(Handle o, const Name& name, Loc loc = Loc::current());
// True while `module` is a plain module whose attribute `name` is `original` (fast-path guard).
bool module_attr_is(Handle module, const Name& name, Handle original);
void set_attr(Handle o, Handle name, Handle value, Loc loc = Loc::current());

struct Keyword {
    Handle name;  // an interned Name
    Handle value;
};
Object call(Handle f, std::initializer_list<Handle> args = {}, Loc loc = Loc::current());
Object call_kw(Handle f, std::initializer_list<Handle> args, std::initializer_list<Keyword> kwargs,
               Loc loc = Loc::current());
// o.name(args...): the attribute is looked up, then called.
Object call_method(Handle o, Handle name, std::initializer_list<Handle> args = {},
                   Loc loc = Loc::current());
Object call_method(Handle o, const Name& name, std::initializer_list<Handle> args = {},
                   Loc loc = Loc::current());

// ---- arithmetic and comparison (the interpreter's binary operators) -------------------------
Object add(Handle a, Handle b, Loc loc = Loc::current());
Object sub(Handle a, Handle b, Loc loc = Loc::current());
Object mul(Handle a, Handle b, Loc loc = Loc::current());
Object truediv(Handle a, Handle b, Loc loc = Loc::current());
Object floordiv(Handle a, Handle b, Loc loc = Loc::current());
Object mod(Handle a, Handle b, Loc loc = Loc::current());
Object power(Handle a, Handle b, Loc loc = Loc::current());
Object lshift(Handle a, Handle b, Loc loc = Loc::current());
Object rshift(Handle a, Handle b, Loc loc = Loc::current());
Object bit_and(Handle a, Handle b, Loc loc = Loc::current());
Object neg(Handle a, Loc loc = Loc::current());

Object lt(Handle a, Handle b, Loc loc = Loc::current());
Object le(Handle a, Handle b, Loc loc = Loc::current());
Object eq(Handle a, Handle b, Loc loc = Loc::current());
Object ne(Handle a, Handle b, Loc loc = Loc::current());
Object gt(Handle a, Handle b, Loc loc = Loc::current());
Object ge(Handle a, Handle b, Loc loc = Loc::current());
// The interpreter's truth test (`if x:`).
bool truthy(Handle o, Loc loc = Loc::current());

// ---- containers ----------------------------------------------------------------------------
Object getitem(Handle o, Handle key, Loc loc = Loc::current());
void setitem(Handle o, Handle key, Handle value, Loc loc = Loc::current());
Object length(Handle o, Loc loc = Loc::current());  // len(o) as an int
Object new_list(Loc loc = Loc::current());
void append(Handle list, Handle item, Loc loc = Loc::current());  // on a list of our own
Object new_dict(Loc loc = Loc::current());
Object tuple(std::initializer_list<Handle> items, Loc loc = Loc::current());

// Iteration: `for (Object x : iterate(o))`; an error from the iterator throws with `loc`.
class Iterate {
public:
    class iterator {
    public:
        iterator(Iterate* owner) : owner_(owner) {}
        Object& operator*() { return owner_->item_; }
        iterator& operator++() {
            owner_->advance();
            return *this;
        }
        bool operator!=(const iterator&) const { return owner_ && owner_->item_; }

    private:
        Iterate* owner_;
    };
    Iterate(Handle o, Loc loc);
    iterator begin() {
        advance();
        return iterator(this);
    }
    iterator end() { return iterator(nullptr); }

private:
    void advance();
    Object it_;
    Object item_;
    Loc loc_;
};
inline Iterate iterate(Handle o, Loc loc = Loc::current()) { return Iterate(o, loc); }

// Lets a long loop be interrupted (Ctrl-C) as an interpreted loop would be: call once per pass.
void check_interrupts(Loc loc = Loc::current());

// ---- raising -------------------------------------------------------------------------------
// raise type(args...): the exception is built by calling `type`.
[[noreturn]] void raise(Handle type, std::initializer_list<Handle> args, Loc loc = Loc::current());

// ---- imports (at load and at call time, with the module's globals) --------------------------
// `import a.b`: binds and returns the top-level package, as the statement does.
Object import_module(Handle dotted, Loc loc = Loc::current());
// `import a.b as c`: returns the module a.b itself.
Object import_module_as(Handle dotted, Loc loc = Loc::current());
// `from <level dots>module import name`.
Object import_from(Handle module, Handle name, int level = 0, Loc loc = Loc::current());
// `from <level dots>module import *` into the module globals.
void import_star(Handle module, int level, Loc loc = Loc::current());

}  // namespace tk
