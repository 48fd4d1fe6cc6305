// tallowkit.ui.tkinter.slatekit: placing a tkinter window on the screen.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name get_geometry{"get_geometry"};
const Name geometry{"geometry"};
const Name winfo_screenwidth{"winfo_screenwidth"};
const Name winfo_screenheight{"winfo_screenheight"};
const Name overrideredirect{"overrideredirect"};
}  // namespace name

namespace str {
const Name geometry_format{"%dx%d+%d+%d"};
}  // namespace str

const Int k_zero{0};
const Int k_two{2};
const Builtin max_{"max"};
const Builtin bool_{"bool"};

// max((screen - extent) // 2, 0) + offset: one coordinate of a centred window. A window
// larger than the screen keeps its top-left corner on it, so its title bar stays reachable.
Object centred(Handle screen, Handle extent, Handle offset) {
    Object start = floordiv(sub(screen, extent), k_two);
    return add(call(max_, {start, k_zero}), offset);
}

Object set_wm_center(Object root, Object width, Object height, Object dx, Object dy) {
    Object screen_width = call_method(root, name::winfo_screenwidth);
    Object screen_height = call_method(root, name::winfo_screenheight);
    Object left = centred(screen_width, width, dx);
    Object top = centred(screen_height, height, dy);
    Object geometry = attr(root, name::geometry);
    call(geometry, {call(global(name::get_geometry), {width, height, left, top})});
    return none();
}

Object set_wm_overrideredirect(Object root, Object flag) {
    Object overrideredirect = attr(root, name::overrideredirect);
    call(overrideredirect, {call(bool_, {flag})});
    return none();
}

Object get_geometry(Object width, Object height, Object left, Object top) {
    return mod(str::geometry_format, tuple({width, height, left, top}));
}

void body() {
    def<set_wm_center>(
        {.name = "set_wm_center",
         .vars = {"root", "width", "height", "dx", "dy", "screen_width", "screen_height", "left",
                  "top"},
         .defaults = {integer(0), integer(0)},
         .doc = "Centre a window of width x height pixels on the screen of root.\n\n"
                "    dx and dy move the centred window right and down by that many pixels\n"
                "    (negative values move it left and up). A window larger than the screen\n"
                "    is put against the screen's left or top edge before the move, so that\n"
                "    its top-left corner stays on the screen. Returns None.\n    "});
    def<set_wm_overrideredirect>(
        {.name = "set_wm_overrideredirect",
         .vars = {"root", "flag"},
         .doc = "Take root out of the window manager's hands (flag true) or give it back\n"
                "    (flag false): no title bar, border or placement by the window manager.\n"
                "    flag counts for its truth value. Returns None.\n    "});
    def<get_geometry>(
        {.name = "get_geometry",
         .vars = {"width", "height", "left", "top"},
         .defaults = {integer(0), integer(0)},
         .doc = "Return the geometry text \"WxH+X+Y\" that a Tk window's geometry() takes.\n\n"
                "    width and height are the size in pixels, left and top the position of\n"
                "    the window's top-left corner on the screen; each must be a number and\n"
                "    is written as a whole number (a fraction is cut off).\n    "});
}

}  // namespace

TALLOWKIT_MODULE(slatekit, "tallowkit.ui.tkinter.slatekit", "Placing tkinter windows on the screen.",
                 body)
