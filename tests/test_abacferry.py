"""AbacFerry: four declared conversions that bind their arguments and touch nothing."""

import pytest

from tallowkit.office.excel.xlcvt.abacferry import AbacFerry

METHODS = [
    ("xlrd_to_xlwt_workbook_data", ("xlrd_wb_src", "xlwt_wb_dest"), "用于读xls、xlsx,写入xls"),
    ("xlrd_to_xlsxwriter_workbook_data", ("xlrd_wb_src", "xlsxwt_wb_dest"), "用于读xls,写入xlsx"),
    ("xlrd_to_openpyxl_workbook_data", ("xlrd_wb_src", "opxl_wb_dest"), "用于读xls,写入xlsx"),
    ("openpyxl_to_xlsxwriter_workbook_data", ("opxl_wb_src", "xlsxwt_wb_dest"), "用于读xlsx,写入xlsx"),
]

class Untouchable:
    """Fails the test on any attribute access other than the interpreter's own bookkeeping."""

    def __getattribute__(self, name):
        raise AssertionError("touched " + name)

def test_methods_in_order():
    assert [n for n in vars(AbacFerry) if not n.startswith("__")] == [m[0] for m in METHODS]

@pytest.mark.parametrize("method, params, doc", METHODS)
def test_binding_only(method, params, doc):
    raw = vars(AbacFerry)[method]
    assert isinstance(raw, classmethod)
    f = raw.__func__
    assert (f.__qualname__, f.__doc__, f.__defaults__) == ("AbacFerry." + method, doc, None)
    assert f.__code__.co_varnames == ("cls",) + params and f.__code__.co_filename == "abacferry.cpp"
    src, dest = [1, 2], {"a": 1}
    for owner in [AbacFerry, AbacFerry()]:
        bound = getattr(owner, method)
        assert bound(src, dest) is None and bound(None, None) is None
        assert bound(Untouchable(), Untouchable()) is None
        assert bound(**dict(zip(params, (src, dest)))) is None
    assert (src, dest) == ([1, 2], {"a": 1})
    for args, kwargs, message in [
        ((1,), {}, "%s() takes exactly 3 positional arguments (2 given)" % method),
        ((1, 2, 3), {}, "%s() takes exactly 3 positional arguments (4 given)" % method),
        ((1, 2), {"cls": 3}, "%s() got multiple values for keyword argument 'cls'" % method),
        ((1, 2), {"dest": 3}, "%s() got an unexpected keyword argument 'dest'" % method),
        ((1, 2), {params[1]: 3}, "%s() got multiple values for keyword argument '%s'" % (method, params[1])),
    ]:
        with pytest.raises(TypeError) as info:
            getattr(AbacFerry, method)(*args, **kwargs)
        assert str(info.value) == message
