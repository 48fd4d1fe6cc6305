// tallowkit.office.word.pydocx.scrivmargin: the wrapper of one header or footer of a section.
#include "scrivnames.hpp"

using namespace tk;

namespace {

namespace name {
const Name secte{"secte"};
const Name header{"header"};
const Name footer{"footer"};
const Name headerfooter_type{"headerfooter_type"};
}  // namespace name

// The wrapper stands for its header when one is set, else for its footer; decided on every
// call, so reassigning either attribute takes effect at once.
Object source_of(Handle self, Loc loc = Loc::current()) {
    Object header = attr(self, name::header, loc);
    if (!is_none(header)) return header;
    return attr(self, name::footer, loc);
}

// __init__(self, secte, header=None, footer=None, headerfooter_type=None): the root document
// wrapper is read from the section wrapper once, before anything is stored.
Object ScrivMargin_init(Object self, Object secte, Object header, Object footer,
                        Object headerfooter_type) {
    Object doce = attr(secte, name::doce);
    set_attr(self, name::doce, doce);
    set_attr(self, name::secte, secte);
    set_attr(self, name::header, header);
    set_attr(self, name::footer, footer);
    set_attr(self, name::headerfooter_type, headerfooter_type);
    return none();
}

// get_headerfooter_paragraph(self, index=0): the paragraph list is subscripted unchanged, so a
// negative index counts from the end.
Object ScrivMargin_get_headerfooter_paragraph(Object self, Object index) {
    Object ScrivBlock = import_ScrivBlock();
    Object source = source_of(self);
    Object paragraph = getitem(attr(source, name::paragraphs), index);
    return new_block(ScrivBlock, attr(self, name::doce), paragraph, self);
}

// get_headerfooter_paragraphs(self): one new paragraph wrapper per paragraph, in order.
Object ScrivMargin_get_headerfooter_paragraphs(Object self) {
    Object ScrivBlock = import_ScrivBlock();
    Object paragraphs = new_list();
    Object source = source_of(self);
    for (Object paragraph : iterate(attr(source, name::paragraphs)))
        append(paragraphs, new_block(ScrivBlock, attr(self, name::doce), paragraph, self));
    return paragraphs;
}

void body() {
    ClassDef ScrivMargin("ScrivMargin");
    ScrivMargin.def<ScrivMargin_init>(
        {.name = "__init__",
         .vars = {"self", "secte", "header", "footer", "headerfooter_type"},
         .defaults = {none(), none(), none()}});
    ScrivMargin.def<ScrivMargin_get_headerfooter_paragraph>(
        {.name = "get_headerfooter_paragraph",
         .vars = {"self", "index", "ScrivBlock", "source", "paragraph"},
         .defaults = {integer(0)}});
    ScrivMargin.def<ScrivMargin_get_headerfooter_paragraphs>(
        {.name = "get_headerfooter_paragraphs",
         .vars = {"self", "ScrivBlock", "paragraphs", "source", "paragraph"}});
    ScrivMargin.create();
}

}  // namespace

TALLOWKIT_MODULE(scrivmargin, "tallowkit.office.word.pydocx.scrivmargin",
                 "Header and footer wrapper: the paragraphs of one header or footer.", body)
