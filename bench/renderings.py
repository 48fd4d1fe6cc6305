"""The benchmarks' plain-Python renderings of tallowkit.base.platform and tallowkit.cvt.cellnote,
written as a Python programmer would write these modules; tallowkit.math.prime's rendering is
tests/oracles/prime_oracle.py."""
import importlib.util
import platform
from pathlib import Path

Windows = "Windows"
Linux = "Linux"
Mac = "Darwin"


def get_os_type():
    return platform.system()


def is_windows():
    return platform.system() == Windows


def is_linux():
    return platform.system() == Linux


def is_mac():
    return platform.system() == Mac


def single(x):
    return x


# Cell notation: the tests' rendering (tests/oracles), with the interpreter's own ord in place of
# the one that copies the module's refusal messages.
_spec = importlib.util.spec_from_file_location(
    "cellnote_oracle", str(Path(__file__).resolve().parent.parent / "tests" / "oracles" / "cellnote_oracle.py"))
_cellnote = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_cellnote)
_cellnote._ord = ord
cvt_i_to_a, cvt_a_to_i = _cellnote.cvt_i_to_a, _cellnote.cvt_a_to_i
cvt_one_to_a, cvt_a_to_one = _cellnote.cvt_one_to_a, _cellnote.cvt_a_to_one
cvt_a1_to_r1c1, cvt_r1c1_to_a1 = _cellnote.cvt_a1_to_r1c1, _cellnote.cvt_r1c1_to_a1
