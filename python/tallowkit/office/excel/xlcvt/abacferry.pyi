"""Workbook-data convertor: the operations that are to carry workbook data from one spreadsheet
library to another. They are declared only: each takes its two arguments and returns None
without reading, changing or copying anything, and the module imports none of the libraries.
"""

from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class AbacFerry:
    """Four declared conversions, one per pair of libraries; all are class methods."""

    @classmethod
    def xlrd_to_xlwt_workbook_data(cls, xlrd_wb_src: Any, xlwt_wb_dest: Any) -> None:
        """For reading .xls or .xlsx with xlrd and writing .xls with xlwt. Does nothing yet.

        Parameters:
            xlrd_wb_src: the source xlrd book.
            xlwt_wb_dest: the destination xlwt workbook.
        """

    @classmethod
    def xlrd_to_xlsxwriter_workbook_data(cls, xlrd_wb_src: Any, xlsxwt_wb_dest: Any) -> None:
        """For reading .xls with xlrd and writing .xlsx with xlsxwriter. Does nothing yet.

        Parameters:
            xlrd_wb_src: the source xlrd book.
            xlsxwt_wb_dest: the destination xlsxwriter workbook.
        """

    @classmethod
    def xlrd_to_openpyxl_workbook_data(cls, xlrd_wb_src: Any, opxl_wb_dest: Any) -> None:
        """For reading .xls with xlrd and writing .xlsx with openpyxl. Does nothing yet.

        Parameters:
            xlrd_wb_src: the source xlrd book.
            opxl_wb_dest: the destination openpyxl workbook.
        """

    @classmethod
    def openpyxl_to_xlsxwriter_workbook_data(cls, opxl_wb_src: Any, xlsxwt_wb_dest: Any) -> None:
        """For reading .xlsx with openpyxl and writing .xlsx with xlsxwriter. Does nothing yet.

        Parameters:
            opxl_wb_src: the source openpyxl workbook.
            xlsxwt_wb_dest: the destination xlsxwriter workbook.
        """
