// tallowkit.office.word.pydocx.scrivbook: the wrapper of one Word document, the root of the tree
// of section, paragraph, run and table wrappers.
#include "scrivnames.hpp"

using namespace tk;

namespace {

namespace name {
const Name Document{"Document"};
const Name ScrivBook{"ScrivBook"};
const Name doc{"doc"};
const Name doc_file_path{"doc_file_path"};
const Name save{"save"};
const Name save_scrivbook{"save_scrivbook"};
const Name save_as_scrivbook{"save_as_scrivbook"};
const Name core_properties{"core_properties"};
const Name title{"title"};
const Name sections{"sections"};
const Name tables{"tables"};
const Name table{"table"};
const Name sect{"sect"};
const Name scrivpart{"scrivpart"};
const Name ScrivPart{"ScrivPart"};
const Name scrivgrid{"scrivgrid"};
const Name ScrivGrid{"ScrivGrid"};
const Name get_sections{"get_sections"};
const Name get_header_paragraphs{"get_header_paragraphs"};
const Name get_footer_paragraphs{"get_footer_paragraphs"};
const Name get_header_footer_paragraphs{"get_header_footer_paragraphs"};
}  // namespace name

namespace str {
const Name no_path{" save_scrivbook error,no path!"};
}  // namespace str

const Builtin print_{"print"};

// The document as it is now: every getter reads it anew, so a closed wrapper fails here.
Object doc_of(Handle self, Loc loc = Loc::current()) { return attr(self, name::doc, loc); }

// ScrivPart(doce=self, sect=section).
Object new_part(Handle ScrivPart, Handle self, Handle section, Loc loc = Loc::current()) {
    return call_kw(ScrivPart, {}, {{name::doce, self}, {name::sect, section}}, loc);
}

// ScrivGrid(doce=self, table=table, parent=self).
Object new_grid(Handle ScrivGrid, Handle self, Handle table, Loc loc = Loc::current()) {
    return call_kw(ScrivGrid, {}, {{name::doce, self}, {name::table, table}, {name::parent, self}},
                   loc);
}

// The header or footer paragraphs of every section, section after section: `collector` is the
// section wrapper's method, and its results are joined into one flat list.
Object sections_paragraphs(Handle self, const Name& collector, Loc loc = Loc::current()) {
    Object paragraphs = new_list(loc);
    for (Object s : iterate(call_method(self, name::get_sections, {}, loc), loc))
        call_method(paragraphs, name::extend, {call_method(s, collector, {}, loc)}, loc);
    return paragraphs;
}

// __init__(self, doc_file_path=None): a new document when no path is given (an identity test,
// so an empty text is a path and goes to the library).
Object ScrivBook_init(Object self, Object doc_file_path) {
    if (is_none(doc_file_path))
        set_attr(self, name::doc, call_method(global(name::docx), name::Document));
    else
        set_attr(self, name::doc, call_method(global(name::docx), name::Document, {doc_file_path}));
    set_attr(self, name::doc_file_path, doc_file_path);
    return none();
}

// The alternative constructors build the module's own class, whatever `cls` is.
Object ScrivBook_new_scrivbook(Object) { return call(global(name::ScrivBook)); }

Object ScrivBook_open_scrivbook(Object, Object doc_file_path) {
    return call_kw(global(name::ScrivBook), {}, {{name::doc_file_path, doc_file_path}});
}

// doc.save(doc_file_path), all or nothing: the library writes a file beside the destination,
// which then replaces it in one step.
void save_whole(Handle save, Handle doc_file_path) {
    Replacement out(doc_file_path);
    call(save, {out.path()});
    out.commit();
}

// save_scrivbook(self): a document without a path is reported on standard output, not raised.
Object ScrivBook_save_scrivbook(Object self) {
    if (!is_none(attr(self, name::doc_file_path))) {
        Object save = attr(doc_of(self), name::save);
        save_whole(save, attr(self, name::doc_file_path));
    } else {
        Object title = attr(attr(doc_of(self), name::core_properties), name::title);
        call(print_, {add(title, str::no_path)});
    }
    return self;
}

// save_as_scrivbook(self, doc_file_path): the path of construction stays the wrapper's own.
Object ScrivBook_save_as_scrivbook(Object self, Object doc_file_path) {
    save_whole(attr(doc_of(self), name::save), doc_file_path);
    return self;
}

// The close methods drop the document only after a save that succeeded.
Object ScrivBook_close_scrivbook_save_as(Object self, Object doc_file_path) {
    call_method(self, name::save_as_scrivbook, {doc_file_path});
    set_attr(self, name::doc, none());
    return none();
}

// close_scrivbook_save(self): with no path nothing was written, so the document stays in place
// for a later save_as_scrivbook rather than being lost.
Object ScrivBook_close_scrivbook_save(Object self) {
    call_method(self, name::save_scrivbook);
    if (!is_none(attr(self, name::doc_file_path))) set_attr(self, name::doc, none());
    return none();
}

Object ScrivBook_close_scrivbook_not_save(Object self) {
    set_attr(self, name::doc, none());
    return none();
}

// get_content_paragraph(self, index=0): subscripted unchanged, so a negative index counts from
// the end.
Object ScrivBook_get_content_paragraph(Object self, Object index) {
    Object ScrivBlock = import_ScrivBlock();
    Object paragraph = getitem(attr(doc_of(self), name::paragraphs), index);
    return new_block(ScrivBlock, self, paragraph, self);
}

Object ScrivBook_get_content_paragraphs(Object self) {
    Object ScrivBlock = import_ScrivBlock();
    Object paragraphs = new_list();
    for (Object paragraph : iterate(attr(doc_of(self), name::paragraphs)))
        append(paragraphs, new_block(ScrivBlock, self, paragraph, self));
    return paragraphs;
}

Object ScrivBook_get_section(Object self, Object index) {
    Object ScrivPart = import_from(name::scrivpart, name::ScrivPart, 1);
    Object section = getitem(attr(doc_of(self), name::sections), index);
    return new_part(ScrivPart, self, section);
}

Object ScrivBook_get_sections(Object self) {
    Object ScrivPart = import_from(name::scrivpart, name::ScrivPart, 1);
    Object sections = new_list();
    for (Object section : iterate(attr(doc_of(self), name::sections)))
        append(sections, new_part(ScrivPart, self, section));
    return sections;
}

Object ScrivBook_get_header_paragraphs(Object self) {
    return sections_paragraphs(self, name::get_header_paragraphs);
}

Object ScrivBook_get_footer_paragraphs(Object self) {
    return sections_paragraphs(self, name::get_footer_paragraphs);
}

// Grouped by section: a section's headers, then its footers, then the next section's.
Object ScrivBook_get_header_footer_paragraphs(Object self) {
    return sections_paragraphs(self, name::get_header_footer_paragraphs);
}

Object ScrivBook_get_content_table(Object self, Object index) {
    Object ScrivGrid = import_from(name::scrivgrid, name::ScrivGrid, 1);
    Object table = getitem(attr(doc_of(self), name::tables), index);
    return new_grid(ScrivGrid, self, table);
}

Object ScrivBook_get_content_tables(Object self) {
    Object ScrivGrid = import_from(name::scrivgrid, name::ScrivGrid, 1);
    Object tables = new_list();
    for (Object table : iterate(attr(doc_of(self), name::tables)))
        append(tables, new_grid(ScrivGrid, self, table));
    return tables;
}

void body() {
    set_global(name::docx, import_module(name::docx));
    ClassDef ScrivBook("ScrivBook");
    ScrivBook.def<ScrivBook_init>(
        {.name = "__init__", .vars = {"self", "doc_file_path"}, .defaults = {none()}});
    ScrivBook.classmethod<ScrivBook_new_scrivbook>({.name = "new_scrivbook", .vars = {"cls"}});
    ScrivBook.classmethod<ScrivBook_open_scrivbook>(
        {.name = "open_scrivbook", .vars = {"cls", "doc_file_path"}});
    ScrivBook.def<ScrivBook_save_scrivbook>({.name = "save_scrivbook", .vars = {"self"}});
    ScrivBook.def<ScrivBook_save_as_scrivbook>(
        {.name = "save_as_scrivbook", .vars = {"self", "doc_file_path"}});
    ScrivBook.def<ScrivBook_close_scrivbook_save_as>(
        {.name = "close_scrivbook_save_as", .vars = {"self", "doc_file_path"}});
    ScrivBook.def<ScrivBook_close_scrivbook_save>({.name = "close_scrivbook_save", .vars = {"self"}});
    ScrivBook.def<ScrivBook_close_scrivbook_not_save>(
        {.name = "close_scrivbook_not_save", .vars = {"self"}});
    ScrivBook.def<ScrivBook_get_content_paragraph>(
        {.name = "get_content_paragraph", .vars = {"self", "index", "ScrivBlock", "paragraph"},
         .defaults = {integer(0)}});
    ScrivBook.def<ScrivBook_get_content_paragraphs>(
        {.name = "get_content_paragraphs", .vars = {"self", "ScrivBlock", "paragraphs", "paragraph"}});
    ScrivBook.def<ScrivBook_get_section>(
        {.name = "get_section", .vars = {"self", "index", "ScrivPart", "section"},
         .defaults = {integer(0)}});
    ScrivBook.def<ScrivBook_get_sections>(
        {.name = "get_sections", .vars = {"self", "ScrivPart", "sections", "section"}});
    ScrivBook.def<ScrivBook_get_header_paragraphs>(
        {.name = "get_header_paragraphs", .vars = {"self", "header_paragraphs", "s"}});
    ScrivBook.def<ScrivBook_get_footer_paragraphs>(
        {.name = "get_footer_paragraphs", .vars = {"self", "footer_paragraphs", "s"}});
    ScrivBook.def<ScrivBook_get_header_footer_paragraphs>(
        {.name = "get_header_footer_paragraphs", .vars = {"self", "header_footer_paragraphs", "s"}});
    ScrivBook.def<ScrivBook_get_content_table>(
        {.name = "get_content_table", .vars = {"self", "index", "ScrivGrid", "table"},
         .defaults = {integer(0)}});
    ScrivBook.def<ScrivBook_get_content_tables>(
        {.name = "get_content_tables", .vars = {"self", "ScrivGrid", "tables", "table"}});
    ScrivBook.create();
}

}  // namespace

TALLOWKIT_MODULE(scrivbook, "tallowkit.office.word.pydocx.scrivbook",
                 "Document wrapper: one Word document opened or created with python-docx.", body)
