// tallowkit.office.word.pydocx.scrivblock: the wrapper of one paragraph of a Word document.
#include "scrivnames.hpp"

using namespace tk;

namespace {

namespace name {
const Name scrivspan{"scrivspan"};
const Name ScrivSpan{"ScrivSpan"};
const Name parae{"parae"};
const Name rng{"rng"};
const Name runs{"runs"};
}  // namespace name

// `from .scrivspan import ScrivSpan`, the first step of both run getters.
Object import_ScrivSpan(Loc loc = Loc::current()) {
    return import_from(name::scrivspan, name::ScrivSpan, 1, loc);
}

// ScrivSpan(parae=self, rng=run).
Object new_span(Handle ScrivSpan, Handle self, Handle run, Loc loc = Loc::current()) {
    return call_kw(ScrivSpan, {}, {{name::parae, self}, {name::rng, run}}, loc);
}

// __init__(self, doce, para, parent): stored unchanged, in this order.
Object ScrivBlock_init(Object self, Object doce, Object para, Object parent) {
    set_attr(self, name::doce, doce);
    set_attr(self, name::para, para);
    set_attr(self, name::parent, parent);
    return none();
}

// get_range(self, index=0): the runs are read anew and subscripted unchanged, so a negative
// index counts from the end.
Object ScrivBlock_get_range(Object self, Object index) {
    Object ScrivSpan = import_ScrivSpan();
    Object run = getitem(attr(attr(self, name::para), name::runs), index);
    return new_span(ScrivSpan, self, run);
}

// get_ranges(self): one new run wrapper per run, in the paragraph's order.
Object ScrivBlock_get_ranges(Object self) {
    Object ScrivSpan = import_ScrivSpan();
    Object ranges = new_list();
    for (Object run : iterate(attr(attr(self, name::para), name::runs)))
        append(ranges, new_span(ScrivSpan, self, run));
    return ranges;
}

void body() {
    set_global(name::docx, import_module(name::docx));
    ClassDef ScrivBlock("ScrivBlock");
    ScrivBlock.def<ScrivBlock_init>({.name = "__init__", .vars = {"self", "doce", "para", "parent"}});
    ScrivBlock.def<ScrivBlock_get_range>(
        {.name = "get_range", .vars = {"self", "index", "ScrivSpan", "run"}, .defaults = {integer(0)}});
    ScrivBlock.def<ScrivBlock_get_ranges>(
        {.name = "get_ranges", .vars = {"self", "ScrivSpan", "ranges", "run"}});
    ScrivBlock.create();
}

}  // namespace

TALLOWKIT_MODULE(scrivblock, "tallowkit.office.word.pydocx.scrivblock",
                 "Paragraph wrapper: the runs of one Word paragraph.", body)
