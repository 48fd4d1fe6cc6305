// tallowkit._selftest.frametest: signatures and failures that the real modules lack, for the
// frame's tests.
#include "tallowkit.hpp"

#include <new>

using namespace tk;

namespace {

namespace name {
const Name inner{"inner"};
const Name Widget{"Widget"};
const Name value{"value"};
const Name write{"write"};
const Name close{"close"};
const Name keywords[] = {Name{"a"}, Name{"b"}, Name{"c"}, Name{"d"}, Name{"e"}, Name{"f"}, Name{"g"},
                         Name{"h"}, Name{"i"}, Name{"j"}, Name{"k"}, Name{"l"}, Name{"m"}};
}  // namespace name

const Int k_one{1};
const Name k_write_bytes{"wb"};
const Builtin open_{"open"};

Object two(Object a, Object b) { return tuple({a, b}); }
Object opt(Object a, Object b, Object c) { return tuple({a, b, c}); }
Object only_default(Object x) { return x; }
Object single(Object x) { return x; }
Object nothing() { return none(); }
Object plus_one(Object x) { return add(x, k_one); }
Object outer(Object x) { return call(global(name::inner), {x}); }
Object inner(Object x) { return floordiv(k_one, x); }

// The ways a body can fail that only C++ code has; the frame must turn each into an exception.
Object misbehave(Object how) {
    auto is = [&](const char* what) { return PyUnicode_CompareWithASCIIString(how.get(), what) == 0; };
    if (is("null")) return Object();                      // no result, no exception
    if (is("silent")) fail();                              // a failure with no exception set
    if (is("memory")) throw std::bad_alloc();
    if (is("baddef")) def<two>({.name = "bad", .vars = {"a"}});   // fewer names than parameters
    throw 42;                                              // anything else a C++ call may throw
}

// f called with thirteen keywords, more than a call keeps on the stack.
Object many_keywords(Object f) {
    const Name* names = name::keywords;
    Object v[13];
    for (int i = 0; i < 13; ++i) v[i] = integer(i);
    return call_kw(f, {}, {{names[0], v[0]}, {names[1], v[1]}, {names[2], v[2]},
                           {names[3], v[3]}, {names[4], v[4]}, {names[5], v[5]},
                           {names[6], v[6]}, {names[7], v[7]}, {names[8], v[8]},
                           {names[9], v[9]}, {names[10], v[10]}, {names[11], v[11]},
                           {names[12], v[12]}});
}

Object shift(Object a, Object b) { return lshift(a, b); }

// list(range(count)) filled into room for `expected` items, letting the GIL go after every tenth
// item; at item `fail_at` the call that makes it fails.
Object filled(Object expected, Object count, Object fail_at) {
    ListFiller list(PyLong_AsSsize_t(expected.get()));
    Py_ssize_t n = PyLong_AsSsize_t(count.get()), failing = PyLong_AsSsize_t(fail_at.get());
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (i % 10 == 0) Unlocked let_go(true);
        if (i == failing) PyErr_SetString(PyExc_ValueError, "no item");
        list.push(i == failing ? nullptr : PyLong_FromSsize_t(i));
    }
    return list.finish();
}

Object Widget_init(Object self, Object value) {
    set_attr(self, name::value, value);
    return none();
}
Object Widget_get(Object self) { return attr(self, name::value); }
Object Widget_scaled(Object self, Object k) {
    Object value = attr(self, name::value);
    return mul(value, k);
}
Object Widget_make(Object, Object value) { return call(global(name::Widget), {value}); }

// write_replaced(path, data, sync): data written through the frame's replacement of a file.
Object write_replaced(Object path, Object data, Object sync) {
    Replacement out(path, {.sync = truthy(sync)});
    Object f = call(open_, {out.path(), k_write_bytes});
    out.close_on_failure(f);
    call_method(f, name::write, {data});
    call_method(f, name::close);
    out.commit();
    return none();
}

void body() {
    def<two>({.name = "two", .vars = {"a", "b"}});
    def<opt>({.name = "opt", .vars = {"a", "b", "c", "local"}, .defaults = {integer(2), integer(3)},
              .doc = "opt doc"});
    def<only_default>({.name = "only_default", .vars = {"x"}, .defaults = {integer(1)}});
    def<single>({.name = "single", .vars = {"x"}});
    def<nothing>({.name = "nothing", .vars = {}});
    def<plus_one>({.name = "plus_one", .vars = {"x"}});
    def<outer>({.name = "outer", .vars = {"x"}});
    def<inner>({.name = "inner", .vars = {"x"}});
    def<misbehave>({.name = "misbehave", .vars = {"how"}});
    def<many_keywords>({.name = "many_keywords", .vars = {"f"}});
    def<shift>({.name = "shift", .vars = {"a", "b"}});
    def<filled>({.name = "filled", .vars = {"expected", "count", "fail_at"}});
    def<write_replaced>({.name = "write_replaced", .vars = {"path", "data", "sync", "out", "f"}});
    ClassDef widget("Widget");
    widget.def<Widget_init>({.name = "__init__", .vars = {"self", "value"}});
    widget.def<Widget_get>({.name = "get", .vars = {"self"}});
    widget.def<Widget_scaled>({.name = "scaled", .vars = {"self", "k"}, .defaults = {integer(2)}});
    widget.classmethod<Widget_make>({.name = "make", .vars = {"cls", "value"}});
    widget.create();
}

}  // namespace

TALLOWKIT_MODULE(frametest, "tallowkit._selftest.frametest", "Frame self-test module.", body)
