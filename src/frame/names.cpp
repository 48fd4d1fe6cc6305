// names.cpp: the registry of load-time values.
#include "names.hpp"

#include "module.hpp"

namespace tk {

namespace {
// Constant-initialised, so registration from other static constructors is safe.
LoadValue* registry = nullptr;
}  // namespace

LoadValue::LoadValue(Kind kind, const char* text, long long value)
    : kind_(kind), text_(text), value_(value), next_(registry) {
    registry = this;
}

void make_constants() {
    for (LoadValue* v = registry; v; v = v->next_) {
        if (v->obj_ || v->kind_ == LoadValue::Kind::builtin) continue;
        PyObject* obj = v->kind_ == LoadValue::Kind::name ? PyUnicode_InternFromString(v->text_)
                                                          : PyLong_FromLongLong(v->value_);
        if (!obj) fail();
        if (v->kind_ == LoadValue::Kind::integer) compat::keep_forever(obj);  // (names are interned)
        v->obj_ = obj;
    }
}

void resolve_builtins() {
    PyObject* builtins = builtins_dict();
    for (LoadValue* v = registry; v; v = v->next_) {
        if (v->kind_ != LoadValue::Kind::builtin) continue;
        Object key = Object::check(PyUnicode_InternFromString(v->text_));
        PyObject* found = compat::dict_get_ref(builtins, key.get());
        if (!found) {
            if (!PyErr_Occurred())
                PyErr_Format(PyExc_NameError, "name '%s' is not defined", v->text_);
            fail();
        }
        Py_XSETREF(v->obj_, found);
    }
}

}  // namespace tk
