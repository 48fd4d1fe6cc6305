// tallowkit.office.excel.openpyxl.abacleaf: a worksheet wrapper that hands out cell wrappers.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name abacpatch{"abacpatch"};
const Name AbacPatch{"AbacPatch"};
const Name AbacLeaf{"AbacLeaf"};
const Name wbe{"wbe"};
const Name wb{"wb"};
const Name ws{"ws"};
const Name cell{"cell"};
}  // namespace name

// __init__(self, wbe, ws): `wb` is read through the wrapper just stored, once.
Object AbacLeaf_init(Object self, Object wbe, Object ws) {
    set_attr(self, name::wbe, wbe);
    set_attr(self, name::wb, attr(attr(self, name::wbe), name::wb));
    set_attr(self, name::ws, ws);
    return none();
}

// init_abacleaf(cls, wbe, ws): always a plain AbacLeaf, whatever class it is called on.
Object AbacLeaf_init_abacleaf(Object /*cls*/, Object wbe, Object ws) {
    return call_kw(global(name::AbacLeaf), {}, {{name::wbe, wbe}, {name::ws, ws}});
}

// cells(self, row=1, col=1): a new cell wrapper on every call; row and col go to the
// worksheet unchanged (the library counts from 1).
Object AbacLeaf_cells(Object self, Object row, Object col) {
    Object AbacPatch = global(name::AbacPatch);
    Object cell = call_method(attr(self, name::ws), name::cell, {row, col});
    return call(AbacPatch, {self, cell});
}

void body() {
    // A relative import: the sibling module, never anything named like the package.
    set_global(name::AbacPatch, import_from(name::abacpatch, name::AbacPatch, 1));
    ClassDef leaf("AbacLeaf");
    leaf.def<AbacLeaf_init>({.name = "__init__", .vars = {"self", "wbe", "ws"}});
    leaf.classmethod<AbacLeaf_init_abacleaf>({.name = "init_abacleaf", .vars = {"cls", "wbe", "ws"}});
    leaf.def<AbacLeaf_cells>({.name = "cells",
                              .vars = {"self", "row", "col"},
                              .defaults = {integer(1), integer(1)}});
    leaf.create();
}

}  // namespace

TALLOWKIT_MODULE(abacleaf, "tallowkit.office.excel.openpyxl.abacleaf", "Worksheet wrapper.", body)
