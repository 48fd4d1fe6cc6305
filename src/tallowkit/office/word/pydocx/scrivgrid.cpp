// tallowkit.office.word.pydocx.scrivgrid: the wrapper of one table of a Word document.
#include "scrivnames.hpp"

using namespace tk;

namespace {

namespace name {
const Name table{"table"};
const Name cell{"cell"};
const Name rows{"rows"};
const Name cells{"cells"};
}  // namespace name

// The paragraphs of one cell as a new list of paragraph wrappers whose parent is the table
// wrapper; `self.doce` is read again for every paragraph.
Object cell_paragraphs_of(Handle self, Handle ScrivBlock, Handle cell, Loc loc = Loc::current()) {
    Object cell_paragraphs = new_list(loc);
    for (Object paragraph : iterate(attr(cell, name::paragraphs, loc), loc))
        append(cell_paragraphs, new_block(ScrivBlock, attr(self, name::doce, loc), paragraph, self, loc),
               loc);
    return cell_paragraphs;
}

// __init__(self, doce, table, parent): stored unchanged, in this order.
Object ScrivGrid_init(Object self, Object doce, Object table, Object parent) {
    set_attr(self, name::doce, doce);
    set_attr(self, name::table, table);
    set_attr(self, name::parent, parent);
    return none();
}

// get_cell_paragraphs(self, row=0, col=0): the cell is looked up before the import, so a bad
// index fails first.
Object ScrivGrid_get_cell_paragraphs(Object self, Object row, Object col) {
    Object cell = call_method(attr(self, name::table), name::cell, {row, col});
    Object ScrivBlock = import_ScrivBlock();
    return cell_paragraphs_of(self, ScrivBlock, cell);
}

// get_cells_paragraphs(self): the paragraphs of every cell, row by row, as one flat list.
Object ScrivGrid_get_cells_paragraphs(Object self) {
    Object ScrivBlock = import_ScrivBlock();
    Object cells_paragraphs = new_list();
    Object rows = attr(attr(self, name::table), name::rows);
    for (Object row : iterate(rows))
        for (Object cell : iterate(attr(row, name::cells))) {
            Object cell_paragraphs = cell_paragraphs_of(self, ScrivBlock, cell);
            call_method(cells_paragraphs, name::extend, {cell_paragraphs});
        }
    return cells_paragraphs;
}

void body() {
    ClassDef ScrivGrid("ScrivGrid");
    ScrivGrid.def<ScrivGrid_init>({.name = "__init__", .vars = {"self", "doce", "table", "parent"}});
    ScrivGrid.def<ScrivGrid_get_cell_paragraphs>(
        {.name = "get_cell_paragraphs",
         .vars = {"self", "row", "col", "cell", "ScrivBlock", "cell_paragraphs", "paragraph"},
         .defaults = {integer(0), integer(0)}});
    ScrivGrid.def<ScrivGrid_get_cells_paragraphs>(
        {.name = "get_cells_paragraphs",
         .vars = {"self", "ScrivBlock", "cells_paragraphs", "rows", "row", "cell",
                  "cell_paragraphs", "paragraph"}});
    ScrivGrid.create();
}

}  // namespace

TALLOWKIT_MODULE(scrivgrid, "tallowkit.office.word.pydocx.scrivgrid",
                 "Table wrapper: the paragraphs of a Word table's cells.", body)
