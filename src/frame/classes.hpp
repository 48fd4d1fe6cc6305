// classes.hpp: class statements in a module body.
#pragma once

#include "function.hpp"

namespace tk {

// A class statement, executed as the interpreter does: the metaclass is chosen from the bases,
// its __prepare__ makes the namespace, which receives __module__, __qualname__, __doc__ and
// then each method in definition order; create() calls the metaclass and binds the class.
class ClassDef {
public:
    explicit ClassDef(const char* name, std::initializer_list<Handle> bases = {},
                      const char* doc = nullptr, Loc loc = Loc::current());

    template <auto F>
    void def(const FunctionInfo& info, Loc loc = Loc::current()) {
        add(make_function(&trampoline<F>, arity_of<F>(), info, name_, loc.line()), loc);
    }
    // A method with the class-method decorator applied.
    template <auto F>
    void classmethod(const FunctionInfo& info, Loc loc = Loc::current()) {
        add_classmethod(make_function(&trampoline<F>, arity_of<F>(), info, name_, loc.line()),
                        loc);
    }
    Object create(Loc loc = Loc::current());

private:
    void add(Object method, Loc loc);
    void add_classmethod(Object method, Loc loc);
    const char* name_;
    Object name_obj_;
    Object bases_;
    Object metaclass_;
    Object namespace_;
};

}  // namespace tk
