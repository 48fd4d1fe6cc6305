// classes.cpp: class statements.
#include "classes.hpp"

#include "module.hpp"

namespace tk {

namespace {

const Name k_module{"__module__"};
const Name k_qualname{"__qualname__"};
const Name k_doc{"__doc__"};
const Name k_name{"__name__"};
const Name k_prepare{"__prepare__"};

// The most derived metaclass of `type` and the bases' types; TypeError on a conflict.
Object calculate_metaclass(Handle bases, Loc loc) {
    PyTypeObject* winner = &PyType_Type;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(bases.get()); ++i) {
        PyTypeObject* t = Py_TYPE(PyTuple_GET_ITEM(bases.get(), i));
        if (PyType_IsSubtype(winner, t)) continue;
        if (PyType_IsSubtype(t, winner)) {
            winner = t;
            continue;
        }
        PyErr_SetString(PyExc_TypeError,
                        "metaclass conflict: the metaclass of a derived class must be a "
                        "(non-strict) subclass of the metaclasses of all its bases");
        fail(loc);
    }
    return Object::borrow(reinterpret_cast<PyObject*>(winner));
}

}  // namespace

ClassDef::ClassDef(const char* name, std::initializer_list<Handle> bases, const char* doc,
                   Loc loc)
    : name_(name),
      name_obj_(Object::check(PyUnicode_InternFromString(name), loc)),
      bases_(tuple(bases, loc)),
      metaclass_(calculate_metaclass(bases_, loc)) {
    PyObject* prepare = PyObject_GetAttr(metaclass_.get(), k_prepare.get());
    if (prepare) {
        Py_DECREF(prepare);
        namespace_ = call_method(metaclass_, k_prepare, {name_obj_, bases_}, loc);
    } else {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) fail(loc);
        PyErr_Clear();
        namespace_ = new_dict(loc);
    }
    setitem(namespace_, k_module, dotted_name_object(), loc);
    setitem(namespace_, k_qualname, name_obj_, loc);
    if (doc) setitem(namespace_, k_doc, text(doc, loc), loc);
}

void ClassDef::add(Object method, Loc loc) {
    setitem(namespace_, attr(method, k_name, loc), method, loc);
}

void ClassDef::add_classmethod(Object method, Loc loc) {
    Object name = attr(method, k_name, loc);
    Object wrapped = Object::check(PyClassMethod_New(method.get()), loc);
    setitem(namespace_, name, wrapped, loc);
}

Object ClassDef::create(Loc loc) {
    Object cls = call(metaclass_, {name_obj_, bases_, namespace_}, loc);
    set_global(name_obj_, cls, loc);
    return cls;
}

}  // namespace tk
