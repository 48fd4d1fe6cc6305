// tallowkit.office.excel.openpyxl.abacbook: the entry point of the openpyxl wrappers. An
// AbacBook holds an openpyxl workbook as `wb` (a new one, or one loaded from a path), saves it,
// and hands out AbacLeaf worksheet wrappers, from which AbacLeaf.cells gives AbacPatch cells.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name openpyxl{"openpyxl"};
const Name abacleaf{"abacleaf"};
const Name AbacLeaf{"AbacLeaf"};
const Name AbacBook{"AbacBook"};
const Name Workbook{"Workbook"};
const Name load_workbook{"load_workbook"};
const Name xl_file_path{"xl_file_path"};
const Name wb{"wb"};
const Name worksheets{"worksheets"};
const Name create_sheet{"create_sheet"};
const Name save{"save"};
}  // namespace name

namespace str {
const Name no_path{"save_as: no path given and the workbook was not opened from a file"};
}  // namespace str

const Builtin ValueError_{"ValueError"};

const char* const module_doc =
    "Workbook wrapper over openpyxl: the entry point of the openpyxl wrappers.\n\n"
    "    book = AbacBook.open_abacbook('data.xlsx')   # or AbacBook() for a new workbook\n"
    "    leaf = book.get_worksheet(0)                  # or book.get_worksheet_by_name('Sheet')\n"
    "    leaf.cells(1, 1).value                        # the value of A1\n"
    "    book.save_as()                                # back over data.xlsx\n";

// The worksheet wrapper for one of this workbook's worksheets.
Object leaf_of(Handle self, Handle ws) { return call(global(name::AbacLeaf), {self, ws}); }

// __init__(self, xl_file_path=None): a new workbook without a path, else the file loaded.
Object AbacBook_init(Object self, Object xl_file_path) {
    set_attr(self, name::xl_file_path, xl_file_path);
    Object openpyxl = global(name::openpyxl);
    if (is_none(xl_file_path))
        set_attr(self, name::wb, call_method(openpyxl, name::Workbook));
    else
        set_attr(self, name::wb, call_method(openpyxl, name::load_workbook, {xl_file_path}));
    return none();
}

// new_abacbook(cls): a new, empty workbook (openpyxl gives it one worksheet).
Object AbacBook_new_abacbook(Object /*cls*/) { return call(global(name::AbacBook)); }

// open_abacbook(cls, xl_file_path): the workbook stored at xl_file_path.
Object AbacBook_open_abacbook(Object /*cls*/, Object xl_file_path) {
    return call(global(name::AbacBook), {xl_file_path});
}

// get_worksheet(self, index=0): worksheets in workbook order; a negative index counts from
// the end, as the library's list does.
Object AbacBook_get_worksheet(Object self, Object index) {
    Object worksheets = attr(attr(self, name::wb), name::worksheets);
    return leaf_of(self, getitem(worksheets, index));
}

// get_worksheet_by_name(self, ws_name): a missing name is the library's KeyError.
Object AbacBook_get_worksheet_by_name(Object self, Object ws_name) {
    return leaf_of(self, getitem(attr(self, name::wb), ws_name));
}

// get_worksheets(self): a wrapper for every worksheet, in workbook order.
Object AbacBook_get_worksheets(Object self) {
    Object leaves = new_list();
    for (Object ws : iterate(attr(attr(self, name::wb), name::worksheets)))
        append(leaves, leaf_of(self, ws));
    return leaves;
}

// add_worksheet(self, ws_name=None): a new last worksheet (the library names it when None).
Object AbacBook_add_worksheet(Object self, Object ws_name) {
    Object ws = call_method(attr(self, name::wb), name::create_sheet, {ws_name});
    return leaf_of(self, ws);
}

// save_as(self, xl_file_path=None): None saves over the file the workbook came from; a new
// workbook has none, which is refused here rather than left to fail inside the zip writer.
Object AbacBook_save_as(Object self, Object xl_file_path) {
    if (is_none(xl_file_path)) xl_file_path = attr(self, name::xl_file_path);
    if (is_none(xl_file_path)) raise(ValueError_, {str::no_path});
    Object save = attr(attr(self, name::wb), name::save);
    Replacement out(xl_file_path);   // written beside, then renamed over
    call(save, {out.path()});
    out.commit();
    return self;
}

void body() {
    // An absolute import: the real openpyxl, never this package's own subpackage.
    set_global(name::openpyxl, import_module(name::openpyxl));
    set_global(name::AbacLeaf, import_from(name::abacleaf, name::AbacLeaf, 1));
    ClassDef book("AbacBook");
    book.def<AbacBook_init>({.name = "__init__",
                             .vars = {"self", "xl_file_path"},
                             .defaults = {none()},
                             .doc = "新建工作簿(xl_file_path 为 None)或打开 xl_file_path 的工作簿"});
    book.classmethod<AbacBook_new_abacbook>(
        {.name = "new_abacbook", .vars = {"cls"}, .doc = "新建工作簿"});
    book.classmethod<AbacBook_open_abacbook>(
        {.name = "open_abacbook", .vars = {"cls", "xl_file_path"}, .doc = "打开工作簿"});
    book.def<AbacBook_get_worksheet>({.name = "get_worksheet",
                                      .vars = {"self", "index"},
                                      .defaults = {integer(0)},
                                      .doc = "按索引(0开始)取工作表,返回 AbacLeaf"});
    book.def<AbacBook_get_worksheet_by_name>({.name = "get_worksheet_by_name",
                                              .vars = {"self", "ws_name"},
                                              .doc = "按名称取工作表,返回 AbacLeaf"});
    book.def<AbacBook_get_worksheets>({.name = "get_worksheets",
                                       .vars = {"self", "leaves", "ws"},
                                       .doc = "全部工作表,返回 AbacLeaf 列表"});
    book.def<AbacBook_add_worksheet>({.name = "add_worksheet",
                                      .vars = {"self", "ws_name", "ws"},
                                      .defaults = {none()},
                                      .doc = "添加工作表,返回 AbacLeaf"});
    book.def<AbacBook_save_as>({.name = "save_as",
                                .vars = {"self", "xl_file_path"},
                                .defaults = {none()},
                                .doc = "保存;xl_file_path 为 None 时保存到打开的文件"});
    book.create();
}

}  // namespace

TALLOWKIT_MODULE(abacbook, "tallowkit.office.excel.openpyxl.abacbook", module_doc, body)
