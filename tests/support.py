"""Helpers shared by the test modules."""
import os
import traceback

# TALLOWKIT_CHECKS=quick: the costly checks (drawn calls of every callable, leak rounds) run
# lighter. CI runs them at full strength on one interpreter of each architecture and quick on
# the others, which share all but the interpreter-facing code with it.
QUICK = os.environ.get("TALLOWKIT_CHECKS") == "quick"


def entries(excinfo):
    """The traceback entries of compiled functions, outermost first: (name, source file)."""
    return [(fs.name, os.path.basename(fs.filename)) for fs in traceback.extract_tb(excinfo.tb)
            if fs.filename.endswith(".cpp")]


class Recorder:
    """Stands in for a module: records each function call made through it as
    (name, args, kwargs), then delegates to the real function."""

    def __init__(self, module):
        self._module = module
        self.calls = []

    def __getattr__(self, name):
        real = getattr(self._module, name)
        if not callable(real) or isinstance(real, type):
            return real

        def recorded(*args, **kwargs):
            self.calls.append((name, args, kwargs))
            return real(*args, **kwargs)
        return recorded

    def positional_calls(self):
        """The calls as (name, *args), for calls made without keywords."""
        return [(name,) + args for name, args, kwargs in self.calls]
