// tallowkit.office.excel.openpyxl.abacpatch: a cell wrapper that remembers its worksheet and
// workbook wrappers and the cell's value when it was made.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name AbacPatch{"AbacPatch"};
const Name wbe{"wbe"};
const Name wb{"wb"};
const Name wse{"wse"};
const Name ws{"ws"};
const Name rng{"rng"};
const Name value{"value"};
}  // namespace name

// __init__(self, wse, rng): every attribute is copied now; `value` is a snapshot of the cell.
Object AbacPatch_init(Object self, Object wse, Object rng) {
    set_attr(self, name::wbe, attr(wse, name::wbe));
    set_attr(self, name::wb, attr(attr(self, name::wbe), name::wb));
    set_attr(self, name::wse, wse);
    set_attr(self, name::ws, attr(wse, name::ws));
    set_attr(self, name::rng, rng);
    set_attr(self, name::value, attr(rng, name::value));
    return none();
}

// init_abacpatch(cls, wse, rng): always a plain AbacPatch, whatever class it is called on.
Object AbacPatch_init_abacpatch(Object /*cls*/, Object wse, Object rng) {
    return call_kw(global(name::AbacPatch), {}, {{name::wse, wse}, {name::rng, rng}});
}

void body() {
    ClassDef patch("AbacPatch");
    patch.def<AbacPatch_init>({.name = "__init__", .vars = {"self", "wse", "rng"}});
    patch.classmethod<AbacPatch_init_abacpatch>(
        {.name = "init_abacpatch", .vars = {"cls", "wse", "rng"}});
    patch.create();
}

}  // namespace

TALLOWKIT_MODULE(abacpatch, "tallowkit.office.excel.openpyxl.abacpatch", "Cell wrapper.", body)
