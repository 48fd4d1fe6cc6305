// tallowkit.ui.tkinter.slatepane: a tkinter root window made and placed in one call.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name tk{"tk"};
const Name tkinter{"tkinter"};
const Name tkhlp{"tkhlp"};
const Name slatekit{"tallowkit.ui.tkinter.slatekit"};
const Name root{"root"};
const Name Tk{"Tk"};
const Name title{"title"};
const Name geometry{"geometry"};
const Name mainloop{"mainloop"};
const Name set_wm_center{"set_wm_center"};
const Name set_wm_overrideredirect{"set_wm_overrideredirect"};
const Name get_geometry{"get_geometry"};
}  // namespace name

const Int k_zero{0};

// self.root.geometry(tkhlp.get_geometry(width, height, left, top))
void place(Handle self, Handle width, Handle height, Handle left, Handle top) {
    Object geometry = attr(attr(self, name::root), name::geometry);
    Object get_geometry = attr(global(name::tkhlp), name::get_geometry);
    call(geometry, {call(get_geometry, {width, height, left, top})});
}

Object SlatePane_init(Object self, Object overrideredirect, Object center, Object title,
                      Object width, Object height, Object left, Object top) {
    set_attr(self, name::root, call_method(global(name::tk), name::Tk));
    if (!truthy(overrideredirect)) {
        call_method(attr(self, name::root), name::title, {title});
        if (truthy(center)) {
            Object set_wm_center = attr(global(name::tkhlp), name::set_wm_center);
            call(set_wm_center, {attr(self, name::root), width, height});
        } else {
            place(self, width, height, left, top);
        }
    } else {
        Object set_wm_overrideredirect = attr(global(name::tkhlp), name::set_wm_overrideredirect);
        call(set_wm_overrideredirect, {attr(self, name::root), overrideredirect});
        if (truthy(center)) {
            Object set_wm_center = attr(global(name::tkhlp), name::set_wm_center);
            call(set_wm_center, {attr(self, name::root), width, height, k_zero, k_zero});
        } else {
            place(self, width, height, left, top);
        }
    }
    return none();
}

Object SlatePane_mainloop(Object self) {
    call_method(attr(self, name::root), name::mainloop);
    return none();
}

void body() {
    // An absolute import: the standard library's tkinter, not the package this module is in.
    set_global(name::tk, import_module_as(name::tkinter));
    set_global(name::tkhlp, import_module_as(name::slatekit));
    ClassDef pane("SlatePane");
    pane.def<SlatePane_init>(
        {.name = "__init__",
         .vars = {"self", "overrideredirect", "center", "title", "width", "height", "left", "top"},
         .defaults = {boolean(false), boolean(true), text("Form"), integer(600), integer(400),
                      integer(0), integer(0)}});
    pane.def<SlatePane_mainloop>({.name = "mainloop", .vars = {"self"}});
    pane.create();
}

}  // namespace

TALLOWKIT_MODULE(slatepane, "tallowkit.ui.tkinter.slatepane", "A tkinter root window wrapper.", body)
