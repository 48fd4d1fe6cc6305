// tallowkit.office.excel.xlcvt.abacferry: the operations that carry workbook data between
// spreadsheet libraries. They are declared here and do nothing yet: each binds its arguments
// and returns None without touching them.
#include "tallowkit.hpp"

using namespace tk;

namespace {

Object carry_nothing(Object /*cls*/, Object /*src*/, Object /*dest*/) { return none(); }

void body() {
    ClassDef ferry("AbacFerry");
    ferry.classmethod<carry_nothing>({.name = "xlrd_to_xlwt_workbook_data",
                                      .vars = {"cls", "xlrd_wb_src", "xlwt_wb_dest"},
                                      .doc = "用于读xls、xlsx,写入xls"});
    ferry.classmethod<carry_nothing>({.name = "xlrd_to_xlsxwriter_workbook_data",
                                      .vars = {"cls", "xlrd_wb_src", "xlsxwt_wb_dest"},
                                      .doc = "用于读xls,写入xlsx"});
    ferry.classmethod<carry_nothing>({.name = "xlrd_to_openpyxl_workbook_data",
                                      .vars = {"cls", "xlrd_wb_src", "opxl_wb_dest"},
                                      .doc = "用于读xls,写入xlsx"});
    ferry.classmethod<carry_nothing>({.name = "openpyxl_to_xlsxwriter_workbook_data",
                                      .vars = {"cls", "opxl_wb_src", "xlsxwt_wb_dest"},
                                      .doc = "用于读xlsx,写入xlsx"});
    ferry.create();
}

}  // namespace

TALLOWKIT_MODULE(abacferry, "tallowkit.office.excel.xlcvt.abacferry", "Workbook-data convertor.", body)
