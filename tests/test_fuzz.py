"""Every public callable of every module, called with drawn arguments: a bounded, seeded run
(tests/fuzz_long.py runs as long as asked). Outcomes are values or Python exceptions, never a
crash or SystemError, and equal the plain-Python rendering where tests/oracles has one."""
import os
import sys

import pytest

import fuzzkit
import support
import tallowkit

MODULES = fuzzkit.public_modules()
EXAMPLES = int(os.environ.get("TALLOWKIT_FUZZ_EXAMPLES", "10" if support.QUICK else "40"))


@pytest.mark.parametrize("module", MODULES, ids=lambda m: m.__name__[len("tallowkit."):])
def test_every_callable_survives_drawn_arguments(module):
    session = fuzzkit.fuzz_module(module, EXAMPLES)
    assert session.counts["callables"] == len(session.targets)
    assert session.counts["calls"] >= len(session.targets) * min(EXAMPLES, 10)
    if session.oracle is not None:
        assert session.counts["compared"] > 0


def test_the_walk_finds_every_built_module():
    # Each extension module in the package tree is either fuzzed or lacks its library here
    # (walked again: an earlier test may have put a stand-in library in place).
    found = {m.__name__ for m in fuzzkit.public_modules()}
    root = os.path.dirname(tallowkit.__file__)
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith("_")]
        for f in files:
            if f.endswith((".so", ".pyd")):
                rel = os.path.relpath(os.path.join(folder, f.split(".")[0]), os.path.dirname(root))
                name = rel.replace(os.sep, ".")
                if name not in found:
                    with pytest.raises(ImportError):
                        __import__(name)


def test_the_guard_refuses_files_outside_the_working_directory(tmp_path):
    if not hasattr(sys, "addaudithook"):
        pytest.skip("no audit hooks before 3.8")
    guard = fuzzkit.guard()
    with fuzzkit.working_directory() as workdir, guard.armed(workdir):
        open("inside.txt", "w").close()
        with pytest.raises(PermissionError):
            open(str(tmp_path / "outside.txt"), "w")
        with pytest.raises(PermissionError):
            open(1, "w", closefd=False)
    assert not (tmp_path / "outside.txt").exists()
    guard.violations.clear()


def test_hostile_arguments_act_on_the_module_they_are_bound_to():
    import tallowkit.cvt.cellnote as cellnote
    env = fuzzkit.Env(cellnote, ["cvt_a_to_one", "cvt_one_to_a"], dict(vars(cellnote)))
    recipe = fuzzkit.HostileRecipe("A1", False, (("upper", ("rebind", 0, ("raiser",))),))
    saved = dict(vars(cellnote))
    try:
        with pytest.raises(fuzzkit.HostileError, match="rebound cvt_a_to_one"):
            cellnote.cvt_a1_to_r1c1(fuzzkit.materialize(recipe, env))
    finally:
        vars(cellnote).update(saved)
    assert cellnote.cvt_a1_to_r1c1("B2") == (2, 2)


# Calls the fuzzing found answering differently from the plain-Python rendering, kept as
# regression cases.
FOUND = [
    # exact ints below -2^63 are not composite (they are below 4)
    ("tallowkit.math.prime", "is_composite", (-2 ** 63 - 1,)),
    ("tallowkit.math.prime", "is_composite", (-10 ** 30,)),
]


@pytest.mark.parametrize("module_name, name, args", FOUND)
def test_found_by_fuzzing(module_name, name, args):
    module = pytest.importorskip(module_name)
    oracle = fuzzkit.oracle_for(module)
    got = fuzzkit.outcome(getattr(module, name), list(args), {}, 5)
    want = fuzzkit.outcome(getattr(oracle, name), list(args), {}, 5)
    assert (got[0], fuzzkit.canon(got[1])) == (want[0], fuzzkit.canon(want[1]))
