// tallowkit.office.word.pydocx.scrivpart: the wrapper of one section of a Word document.
#include "scrivnames.hpp"

using namespace tk;

namespace {

namespace name {
const Name scrivcodes{"scrivcodes"};
const Name scrivmargin{"scrivmargin"};
const Name ScrivMargin{"ScrivMargin"};
const Name sect{"sect"};
const Name secte{"secte"};
const Name doc{"doc"};
const Name settings{"settings"};
const Name odd_and_even_pages_header_footer{"odd_and_even_pages_header_footer"};
const Name different_first_page_header_footer{"different_first_page_header_footer"};
const Name is_odd_and_even_pages_header_footer{"is_odd_and_even_pages_header_footer"};
const Name is_different_first_page_header_footer{"is_different_first_page_header_footer"};
const Name header{"header"};
const Name footer{"footer"};
const Name first_page_header{"first_page_header"};
const Name first_page_footer{"first_page_footer"};
const Name even_page_header{"even_page_header"};
const Name even_page_footer{"even_page_footer"};
const Name headerfooter_type{"headerfooter_type"};
const Name get_primary_page_header{"get_primary_page_header"};
const Name get_primary_page_footer{"get_primary_page_footer"};
const Name get_first_page_header{"get_first_page_header"};
const Name get_first_page_footer{"get_first_page_footer"};
const Name get_even_page_header{"get_even_page_header"};
const Name get_even_page_footer{"get_even_page_footer"};
const Name get_header_paragraphs{"get_header_paragraphs"};
const Name get_footer_paragraphs{"get_footer_paragraphs"};
// The kind constants, bound by `from .scrivcodes import *` and looked up at every call.
const Name wdconst_scrivmargin_type_primary{"wdconst_scrivmargin_type_primary"};
const Name wdconst_scrivmargin_type_firstpage{"wdconst_scrivmargin_type_firstpage"};
const Name wdconst_scrivmargin_type_evenpages{"wdconst_scrivmargin_type_evenpages"};
}  // namespace name

// The shape of the six header/footer getters:
// ScrivMargin(secte=self, <side>=self.sect.<attribute>, headerfooter_type=<kind>).
Object new_margin(Handle self, const Name& side, const Name& attribute, const Name& kind,
                  Loc loc = Loc::current()) {
    Object ScrivMargin = import_from(name::scrivmargin, name::ScrivMargin, 1, loc);
    Object value = attr(attr(self, name::sect, loc), attribute, loc);
    Object headerfooter_type = global(kind, loc);
    return call_kw(ScrivMargin, {},
                   {{name::secte, self}, {side, value}, {name::headerfooter_type, headerfooter_type}},
                   loc);
}

// A setting asked through the object, so that a subclass's override decides.
bool in_force(Handle self, const Name& setting, Loc loc = Loc::current()) {
    return truthy(call_method(self, setting, {}, loc), loc);
}

// Appends ScrivBlock(doce=self.doce, para=paragraph, parent=margin) for each paragraph of the
// margin's header or footer (its `side` attribute, read directly).
void append_margin_paragraphs(Handle paragraphs, Handle ScrivBlock, Handle self, Handle margin,
                              const Name& side, Loc loc = Loc::current()) {
    for (Object paragraph : iterate(attr(attr(margin, side, loc), name::paragraphs, loc), loc))
        append(paragraphs, new_block(ScrivBlock, attr(self, name::doce, loc), paragraph, margin, loc),
               loc);
}

// The paragraphs of the headers (or footers) in force: first page, primary, even pages. The
// primary one is always in force, so it is not tested for None.
Object margins_paragraphs(Handle self, const Name& side, const Name& first_getter,
                          const Name& primary_getter, const Name& even_getter,
                          Loc loc = Loc::current()) {
    Object paragraphs = new_list(loc);
    Object ScrivBlock = import_ScrivBlock(loc);
    Object first_page = call_method(self, first_getter, {}, loc);
    if (!is_none(first_page))
        append_margin_paragraphs(paragraphs, ScrivBlock, self, first_page, side, loc);
    Object primary = call_method(self, primary_getter, {}, loc);
    append_margin_paragraphs(paragraphs, ScrivBlock, self, primary, side, loc);
    Object even_page = call_method(self, even_getter, {}, loc);
    if (!is_none(even_page))
        append_margin_paragraphs(paragraphs, ScrivBlock, self, even_page, side, loc);
    return paragraphs;
}

// __init__(self, doce, sect): stored unchanged, in this order.
Object ScrivPart_init(Object self, Object doce, Object sect) {
    set_attr(self, name::doce, doce);
    set_attr(self, name::sect, sect);
    return none();
}

// The setting belongs to the whole document, read through the root wrapper on every call.
Object ScrivPart_is_odd_and_even_pages_header_footer(Object self) {
    Object settings = attr(attr(attr(self, name::doce), name::doc), name::settings);
    return attr(settings, name::odd_and_even_pages_header_footer);
}

Object ScrivPart_is_different_first_page_header_footer(Object self) {
    return attr(attr(self, name::sect), name::different_first_page_header_footer);
}

Object ScrivPart_get_primary_page_header(Object self) {
    return new_margin(self, name::header, name::header, name::wdconst_scrivmargin_type_primary);
}

Object ScrivPart_get_primary_page_footer(Object self) {
    return new_margin(self, name::footer, name::footer, name::wdconst_scrivmargin_type_primary);
}

// The first-page and even-page getters return None, importing and reading nothing, while their
// setting is off.
Object ScrivPart_get_first_page_header(Object self) {
    if (!in_force(self, name::is_different_first_page_header_footer)) return none();
    return new_margin(self, name::header, name::first_page_header,
                      name::wdconst_scrivmargin_type_firstpage);
}

Object ScrivPart_get_first_page_footer(Object self) {
    if (!in_force(self, name::is_different_first_page_header_footer)) return none();
    return new_margin(self, name::footer, name::first_page_footer,
                      name::wdconst_scrivmargin_type_firstpage);
}

Object ScrivPart_get_even_page_header(Object self) {
    if (!in_force(self, name::is_odd_and_even_pages_header_footer)) return none();
    return new_margin(self, name::header, name::even_page_header,
                      name::wdconst_scrivmargin_type_evenpages);
}

Object ScrivPart_get_even_page_footer(Object self) {
    if (!in_force(self, name::is_odd_and_even_pages_header_footer)) return none();
    return new_margin(self, name::footer, name::even_page_footer,
                      name::wdconst_scrivmargin_type_evenpages);
}

Object ScrivPart_get_header_paragraphs(Object self) {
    return margins_paragraphs(self, name::header, name::get_first_page_header,
                              name::get_primary_page_header, name::get_even_page_header);
}

Object ScrivPart_get_footer_paragraphs(Object self) {
    return margins_paragraphs(self, name::footer, name::get_first_page_footer,
                              name::get_primary_page_footer, name::get_even_page_footer);
}

// A new list: the header paragraphs, then the footer paragraphs.
Object ScrivPart_get_header_footer_paragraphs(Object self) {
    Object header_footer_paragraphs = new_list();
    call_method(header_footer_paragraphs, name::extend,
                {call_method(self, name::get_header_paragraphs)});
    call_method(header_footer_paragraphs, name::extend,
                {call_method(self, name::get_footer_paragraphs)});
    return header_footer_paragraphs;
}

void body() {
    set_global(name::docx, import_module(name::docx));
    import_star(name::scrivcodes, 1);
    ClassDef ScrivPart("ScrivPart");
    ScrivPart.def<ScrivPart_init>({.name = "__init__", .vars = {"self", "doce", "sect"}});
    ScrivPart.def<ScrivPart_is_odd_and_even_pages_header_footer>(
        {.name = "is_odd_and_even_pages_header_footer", .vars = {"self"}});
    ScrivPart.def<ScrivPart_is_different_first_page_header_footer>(
        {.name = "is_different_first_page_header_footer", .vars = {"self"}});
    ScrivPart.def<ScrivPart_get_primary_page_header>(
        {.name = "get_primary_page_header", .vars = {"self", "ScrivMargin"}});
    ScrivPart.def<ScrivPart_get_primary_page_footer>(
        {.name = "get_primary_page_footer", .vars = {"self", "ScrivMargin"}});
    ScrivPart.def<ScrivPart_get_first_page_header>(
        {.name = "get_first_page_header", .vars = {"self", "ScrivMargin"}});
    ScrivPart.def<ScrivPart_get_first_page_footer>(
        {.name = "get_first_page_footer", .vars = {"self", "ScrivMargin"}});
    ScrivPart.def<ScrivPart_get_even_page_header>(
        {.name = "get_even_page_header", .vars = {"self", "ScrivMargin"}});
    ScrivPart.def<ScrivPart_get_even_page_footer>(
        {.name = "get_even_page_footer", .vars = {"self", "ScrivMargin"}});
    ScrivPart.def<ScrivPart_get_header_paragraphs>(
        {.name = "get_header_paragraphs",
         .vars = {"self", "header_paragraphs", "ScrivBlock", "first_page_header", "paragraph",
                  "primary_header", "even_page_header"}});
    ScrivPart.def<ScrivPart_get_footer_paragraphs>(
        {.name = "get_footer_paragraphs",
         .vars = {"self", "footer_paragraphs", "ScrivBlock", "first_page_footer", "paragraph",
                  "primary_footer", "even_page_footer"}});
    ScrivPart.def<ScrivPart_get_header_footer_paragraphs>(
        {.name = "get_header_footer_paragraphs", .vars = {"self", "header_footer_paragraphs"}});
    ScrivPart.create();
}

}  // namespace

TALLOWKIT_MODULE(scrivpart, "tallowkit.office.word.pydocx.scrivpart",
                 "Section wrapper: the headers, footers and settings of one section.", body)
