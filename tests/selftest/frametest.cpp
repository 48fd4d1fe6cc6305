// tallowkit._selftest.frametest: signatures and failures that the real modules lack, for the
// frame's tests.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name inner{"inner"};
const Name Widget{"Widget"};
const Name value{"value"};
}  // namespace name

const Int k_one{1};

Object two(Object a, Object b) { return tuple({a, b}); }
Object opt(Object a, Object b, Object c) { return tuple({a, b, c}); }
Object only_default(Object x) { return x; }
Object single(Object x) { return x; }
Object nothing() { return none(); }
Object plus_one(Object x) { return add(x, k_one); }
Object outer(Object x) { return call(global(name::inner), {x}); }
Object inner(Object x) { return floordiv(k_one, x); }

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
    ClassDef widget("Widget");
    widget.def<Widget_init>({.name = "__init__", .vars = {"self", "value"}});
    widget.def<Widget_get>({.name = "get", .vars = {"self"}});
    widget.def<Widget_scaled>({.name = "scaled", .vars = {"self", "k"}, .defaults = {integer(2)}});
    widget.classmethod<Widget_make>({.name = "make", .vars = {"cls", "value"}});
    widget.create();
}

}  // namespace

TALLOWKIT_MODULE(frametest, "tallowkit._selftest.frametest", "Frame self-test module.", body)
