// tallowkit.office.word.pydocx.scrivspan: the wrapper of one run of a Word paragraph.
#include "scrivnames.hpp"

using namespace tk;

namespace {

namespace name {
const Name parae{"parae"};
const Name rng{"rng"};
const Name text{"text"};
}  // namespace name

// __init__(self, parae, rng): the root document wrapper is read from the paragraph wrapper once,
// before anything is stored.
Object ScrivSpan_init(Object self, Object parae, Object rng) {
    Object doce = attr(parae, name::doce);
    set_attr(self, name::doce, doce);
    set_attr(self, name::parae, parae);
    set_attr(self, name::rng, rng);
    return none();
}

// set_text(self, text): the run's text is replaced through the library, unchanged.
Object ScrivSpan_set_text(Object self, Object text) {
    set_attr(attr(self, name::rng), name::text, text);
    return self;
}

// get_text(self): the run's text as the library reports it now; nothing is cached.
Object ScrivSpan_get_text(Object self) { return attr(attr(self, name::rng), name::text); }

void body() {
    set_global(name::docx, import_module(name::docx));
    ClassDef ScrivSpan("ScrivSpan");
    ScrivSpan.def<ScrivSpan_init>({.name = "__init__", .vars = {"self", "parae", "rng"}});
    ScrivSpan.def<ScrivSpan_set_text>({.name = "set_text", .vars = {"self", "text"}});
    ScrivSpan.def<ScrivSpan_get_text>({.name = "get_text", .vars = {"self"}});
    ScrivSpan.create();
}

}  // namespace

TALLOWKIT_MODULE(scrivspan, "tallowkit.office.word.pydocx.scrivspan",
                 "Run wrapper: the text of one run of a Word paragraph.", body)
