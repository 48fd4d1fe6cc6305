// tallowkit.office.excel.xlrwu.abacvault: a legacy .xls workbook that is read with xlrd, changed
// cell by cell in a writable xlwt copy, and saved.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name xlrd{"xlrd"};
const Name xlwt{"xlwt"};
const Name xlutils_copy{"xlutils.copy"};
const Name copy{"copy"};
const Name Workbook{"Workbook"};
const Name open_workbook{"open_workbook"};
const Name encoding{"encoding"};
const Name encoding_override{"encoding_override"};
const Name formatting_info{"formatting_info"};
const Name wbrd{"wbrd"};
const Name wbwt{"wbwt"};
const Name xl_file_path{"xl_file_path"};
const Name add_sheet{"add_sheet"};
const Name cell_overwrite_ok{"cell_overwrite_ok"};
const Name sheet_by_name{"sheet_by_name"};
const Name sheet_by_index{"sheet_by_index"};
const Name cell{"cell"};
const Name value{"value"};
const Name get_sheet{"get_sheet"};
const Name write{"write"};
const Name save{"save"};
}  // namespace name

const Int k_one{1};
const Builtin type_{"type"};
const Builtin str_{"str"};

const char* const module_doc =
    "Legacy .xls workbooks: read, change cell by cell, save.\n\n"
    "Built on three libraries:\n"
    "    xlrd     reads .xls files          https://xlrd.readthedocs.io/\n"
    "    xlwt     writes .xls files         https://xlwt.readthedocs.io/\n"
    "    xlutils  copies an xlrd book into an xlwt workbook (xlutils.copy)\n"
    "             https://xlutils.readthedocs.io/\n";

// `type(sheet) == str`: only an exact str names a sheet; anything else is a 1-based index.
bool names_a_sheet(Handle sheet) {
    Object sheet_type = call(type_, {sheet});
    return truthy(eq(sheet_type, str_));
}

// __init__(self, xl_file_path=None, encoding=None): a new workbook without a path, else the
// file read with xlrd plus a writable xlwt copy of it.
Object AbacVault_init(Object self, Object xl_file_path, Object encoding) {
    set_attr(self, name::wbrd, none());
    set_attr(self, name::wbwt, none());
    set_attr(self, name::xl_file_path, xl_file_path);
    if (is_none(xl_file_path)) {
        Object Workbook = attr(global(name::xlwt), name::Workbook);
        if (is_none(encoding))
            set_attr(self, name::wbwt, call(Workbook));
        else
            set_attr(self, name::wbwt, call_kw(Workbook, {}, {{name::encoding, encoding}}));
        return none();
    }
    // The book is read with its formatting: the writable copy is made from it, and without
    // the formats a save over the source would turn dates into bare numbers and drop fonts.
    Object open_workbook = attr(global(name::xlrd), name::open_workbook);
    Object k_true = boolean(true);
    if (is_none(encoding))
        set_attr(self, name::wbrd,
                 call_kw(open_workbook, {xl_file_path}, {{name::formatting_info, k_true}}));
    else
        set_attr(self, name::wbrd,
                 call_kw(open_workbook, {xl_file_path},
                         {{name::encoding_override, encoding}, {name::formatting_info, k_true}}));
    // Imported on every open, so that a missing xlutils only fails here.
    Object copy = import_from(name::xlutils_copy, name::copy);
    Object wbrd = attr(self, name::wbrd);
    set_attr(self, name::wbwt, call(copy, {wbrd}));
    return none();
}

// add_worksheet(self, ws_name, cell_overwrite_ok=True): a new sheet in the writable workbook.
Object AbacVault_add_worksheet(Object self, Object ws_name, Object cell_overwrite_ok) {
    Object wbwt = attr(self, name::wbwt);
    return call_kw(attr(wbwt, name::add_sheet), {ws_name},
                   {{name::cell_overwrite_ok, cell_overwrite_ok}});
}

// get_sheet_cell_value(self, sheet=1, row=1, col=1): read from the book as it was opened.
Object AbacVault_get_sheet_cell_value(Object self, Object sheet, Object row, Object col) {
    Object ws;
    if (names_a_sheet(sheet)) {
        ws = call_method(attr(self, name::wbrd), name::sheet_by_name, {sheet});
    } else {
        Object wbrd = attr(self, name::wbrd);
        Object sheet_by_index = attr(wbrd, name::sheet_by_index);
        ws = call(sheet_by_index, {sub(sheet, k_one)});
    }
    Object cell = attr(ws, name::cell);
    Object rowx = sub(row, k_one);
    Object colx = sub(col, k_one);
    return attr(call(cell, {rowx, colx}), name::value);
}

// set_sheet_cell_value(self, value, sheet=1, row=1, col=1): write into the writable copy and
// return self, so that writes can be chained.
Object AbacVault_set_sheet_cell_value(Object self, Object value, Object sheet, Object row,
                                      Object col) {
    Object ws;
    if (names_a_sheet(sheet)) {
        ws = call_method(attr(self, name::wbwt), name::get_sheet, {sheet});
    } else {
        Object get_sheet = attr(attr(self, name::wbwt), name::get_sheet);
        ws = call(get_sheet, {sub(sheet, k_one)});
    }
    Object write = attr(ws, name::write);
    Object rowx = sub(row, k_one);
    Object colx = sub(col, k_one);
    call(write, {rowx, colx, value});
    return self;
}

// save_as(self, xl_file_path): None saves over the path the workbook was opened from. The
// library writes a file beside the destination, which then replaces it in one step.
Object AbacVault_save_as(Object self, Object xl_file_path) {
    Object save = attr(attr(self, name::wbwt), name::save);
    Object destination = is_none(xl_file_path) ? attr(self, name::xl_file_path) : xl_file_path;
    Replacement out(destination);
    call(save, {out.path()});
    out.commit();
    return none();
}

void body() {
    set_global(name::xlrd, import_module(name::xlrd));
    set_global(name::xlwt, import_module(name::xlwt));
    ClassDef vault("AbacVault");
    vault.def<AbacVault_init>({.name = "__init__",
                               .vars = {"self", "xl_file_path", "encoding", "copy"},
                               .defaults = {none(), none()}});
    vault.def<AbacVault_add_worksheet>({.name = "add_worksheet",
                                        .vars = {"self", "ws_name", "cell_overwrite_ok"},
                                        .defaults = {boolean(true)}});
    vault.def<AbacVault_get_sheet_cell_value>(
        {.name = "get_sheet_cell_value",
         .vars = {"self", "sheet", "row", "col"},
         .defaults = {integer(1), integer(1), integer(1)},
         .doc = "get_sheet_cell_value 读取单元格的值\n\n"
                "        :param sheet: 1开始索引 或 名称\n"
                "        :param row: 1开始索引\n"
                "        :param col: 1开始索引\n"
                "        :return: 单元格的值\n        "});
    vault.def<AbacVault_set_sheet_cell_value>(
        {.name = "set_sheet_cell_value",
         .vars = {"self", "value", "sheet", "row", "col"},
         .defaults = {integer(1), integer(1), integer(1)},
         .doc = "设置单元格的值\n\n"
                "        :param value: 值\n"
                "        :param sheet: 1开始索引 或 名称\n"
                "        :param row: 1开始索引\n"
                "        :param col: 1开始索引\n"
                "        :return: self\n        "});
    vault.def<AbacVault_save_as>({.name = "save_as", .vars = {"self", "xl_file_path"}});
    vault.create();
}

}  // namespace

TALLOWKIT_MODULE(abacvault, "tallowkit.office.excel.xlrwu.abacvault", module_doc, body)
