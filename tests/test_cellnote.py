"""tallowkit.cvt.cellnote against its plain-Python rendering, plus what a rendering cannot show:
signatures, traceback entries, rebinding of the module's own functions, Ctrl-C."""
import os
import signal
import sys
import traceback

import pytest
from hypothesis import given, settings, strategies as st

import tallowkit.cvt.cellnote as cellnote

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "oracles"))
import cellnote_oracle as oracle  # noqa: E402

ONE_ARG = ["cvt_i_to_a", "cvt_a_to_i", "cvt_one_to_a", "cvt_a_to_one", "cvt_a1_to_r1c1"]


def outcome(f, *args):
    """What a call gives: its value and type, or its error type and message."""
    try:
        r = f(*args)
    except Exception as e:  # the comparison is the point
        return ("raises", type(e), str(e))
    return ("returns", type(r), r)


def same(name, *args):
    assert outcome(getattr(cellnote, name), *args) == outcome(getattr(oracle, name), *args)


class Text(str):
    """A str subclass: takes the general path, must give what an exact str gives."""


class Int(int):
    pass


# Letters, digits, blanks, '$', case, and characters whose upper case or digit class is unusual.
ALPHABET = "ABCXYZabcxyz0123456789 $\t\n\x1c-é" "ßǅΩﬀ²٣\u3000"
texts = st.text(alphabet=ALPHABET, max_size=24) | st.text(max_size=6)
ints = (st.integers(min_value=-30, max_value=20000) | st.integers()
        | st.integers(min_value=2 ** 50, max_value=2 ** 1100))
floats = st.floats(allow_nan=True, allow_infinity=True) | st.floats(min_value=-5, max_value=2e4)
anything = texts | ints | floats | st.binary(max_size=4) | st.booleans() | st.none()


@settings(max_examples=400)
@given(name=st.sampled_from(ONE_ARG), arg=anything)
def test_one_argument_conversions_match_the_rendering(name, arg):
    same(name, arg)


@settings(max_examples=300)
@given(name=st.sampled_from(["cvt_a_to_i", "cvt_a_to_one", "cvt_a1_to_r1c1"]), s=texts)
def test_str_subclass_takes_the_general_path_to_the_same_result(name, s):
    f = getattr(cellnote, name)
    assert outcome(f, Text(s)) == outcome(f, s)


@settings(max_examples=300)
@given(row=ints | floats | texts, col=ints | floats | st.booleans())
def test_r1c1_to_a1_matches_the_rendering(row, col):
    same("cvt_r1c1_to_a1", row, col)


@settings(max_examples=300)
@given(n=st.integers(min_value=1, max_value=2 ** 200))
def test_round_trips_on_valid_input(n):
    letters = cellnote.cvt_one_to_a(n)
    assert letters.isalpha() and letters.isupper()
    assert cellnote.cvt_a_to_one(letters) == n
    assert cellnote.cvt_a_to_one(letters.lower()) == n
    row = n % 10 ** 9 + 1
    a1 = cellnote.cvt_r1c1_to_a1(row, n)
    assert a1 == letters + str(row)
    assert cellnote.cvt_a1_to_r1c1(a1) == (row, n)
    assert cellnote.cvt_a1_to_r1c1(" $%s$%d " % (letters.lower(), row)) == (row, n)


@pytest.mark.parametrize("f, arg, expected", [
    ("cvt_i_to_a", 0, "@"), ("cvt_a_to_i", b"a", 1), ("cvt_a_to_i", bytearray(b"a"), 1),
    ("cvt_one_to_a", 16384, "XFD"),
    ("cvt_one_to_a", 27.0, "AA"), ("cvt_a_to_one", " A", -831), ("cvt_a_to_one", "A1", 11),
    ("cvt_a1_to_r1c1", "  c7 ", (7, 3)), ("cvt_a1_to_r1c1", "A1B2", (12, 28)),
])
def test_documented_values(f, arg, expected):
    r = getattr(cellnote, f)(arg)
    assert r == expected and type(r) is type(expected)


def test_float_row_keeps_its_point_and_col_zero_gives_digits_alone():
    assert cellnote.cvt_r1c1_to_a1(12.0, 1) == "A12.0"
    assert cellnote.cvt_r1c1_to_a1(row=7, col=0) == "7"
    assert cellnote.cvt_r1c1_to_a1(col=3, row=7) == "C7"


def test_int_columns_are_exact_beyond_the_float_range():
    # The float quotient used to lose the low letters past 2**53 and overflow past 2**1024.
    for n in (2 ** 53 + 1, 2 ** 64 + 7, 10 ** 400, Int(2 ** 60 + 3)):
        assert cellnote.cvt_a_to_one(cellnote.cvt_one_to_a(n)) == n
    # A float column keeps the float arithmetic.
    big = float(2 ** 60)
    assert cellnote.cvt_one_to_a(big) == oracle.cvt_one_to_a(big)
    with pytest.raises(ValueError, match="^cannot convert float NaN to integer$"):
        cellnote.cvt_one_to_a(float("inf"))  # inf % 26 is nan


@pytest.mark.parametrize("f, arg, error, message", [
    ("cvt_a_to_i", "", ValueError,
     "only single character unicode strings can be converted to Py_UCS4, got length 0"),
    ("cvt_a_to_i", "AB", ValueError,
     "only single character unicode strings can be converted to Py_UCS4, got length 2"),
    ("cvt_a_to_i", b"ab", TypeError, "ord() expected a character, but string of length 2 found"),
    ("cvt_a_to_i", bytearray(), TypeError,
     "ord() expected a character, but string of length 0 found"),
    ("cvt_a_to_one", b"AB", TypeError, "ord() expected string of length 1, but int found"),
    ("cvt_a1_to_r1c1", "C", ValueError, "invalid literal for int() with base 10: ''"),
    ("cvt_a_to_one", 5, AttributeError, None),
])
def test_errors(f, arg, error, message):
    with pytest.raises(error) as info:
        getattr(cellnote, f)(arg)
    if message:
        assert str(info.value) == message


def entries(excinfo):
    return [(fs.name, os.path.basename(fs.filename)) for fs in traceback.extract_tb(excinfo.tb)]


def test_traceback_names_each_function_passed():
    with pytest.raises(TypeError) as info:
        cellnote.cvt_r1c1_to_a1(1, "x")
    assert entries(info)[-2:] == [("tallowkit.cvt.cellnote.cvt_r1c1_to_a1", "cellnote.cpp"),
                                  ("tallowkit.cvt.cellnote.cvt_one_to_a", "cellnote.cpp")]


@pytest.mark.parametrize("name", ONE_ARG)
def test_one_argument_functions_refuse_keywords(name):
    f = getattr(cellnote, name)
    with pytest.raises(TypeError, match=r"^%s\(\) takes no keyword arguments$" % name):
        f(**{f.__code__.co_varnames[0]: 1})


def test_signatures():
    assert cellnote.cvt_one_to_a.__code__.co_varnames == ("i", "s", "m")
    assert cellnote.cvt_a_to_one.__code__.co_varnames == ("s", "ls", "t", "i")
    assert cellnote.cvt_a1_to_r1c1.__code__.co_varnames == ("a1", "ls", "astr", "dstr", "i")
    assert cellnote.cvt_r1c1_to_a1.__code__.co_varnames == ("row", "col")
    for name in ONE_ARG + ["cvt_r1c1_to_a1"]:
        f = getattr(cellnote, name)
        assert f.__doc__ is None and f.__defaults__ is None
    with pytest.raises(TypeError,
                       match=r"^cvt_r1c1_to_a1\(\) takes exactly 2 positional arguments \(1 given\)$"):
        cellnote.cvt_r1c1_to_a1(1)


def test_rebound_functions_are_used_by_their_callers(monkeypatch):
    monkeypatch.setattr(cellnote, "cvt_a_to_one", lambda s: ("col", s))
    monkeypatch.setattr(cellnote, "cvt_one_to_a", lambda c: "<%r>" % (c,))
    assert cellnote.cvt_a1_to_r1c1("B12") == (12, ("col", "B"))
    assert cellnote.cvt_r1c1_to_a1(3, 4) == "<4>3"
    monkeypatch.delattr(cellnote, "cvt_a_to_one")
    with pytest.raises(NameError, match="cvt_a_to_one"):
        cellnote.cvt_a1_to_r1c1("B12")


class Forever:
    """Always above zero, never smaller: the column loop cannot end by itself."""
    def __gt__(self, other):
        return True

    def __mod__(self, other):
        return 1

    def __sub__(self, other):
        return self

    def __truediv__(self, other):
        return self


@pytest.mark.skipif(not hasattr(signal, "setitimer"), reason="needs interval timers")
def test_endless_loop_stops_on_ctrl_c():
    def interrupt(signum, frame):
        raise KeyboardInterrupt
    old = signal.signal(signal.SIGALRM, interrupt)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        with pytest.raises(KeyboardInterrupt):
            cellnote.cvt_one_to_a(Forever())
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, old)
