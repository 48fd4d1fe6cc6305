# Typed stubs and the English reference made from them. Sourced by ./dev.
#   ./dev stubs          stubtest against the installed package on the default interpreter (.venv),
#                        then mypy --strict on a typed user script (examples/typed_taste.py)
#   ./dev stubs 3.15     the same on another interpreter, against its CMake build tree: a pyenv
#                        interpreter, or one that a Debian root has (see devtools/roots.sh)
#   ./dev docs [--check] writes docs/*.md from the stubs (--check: fails when a page is stale)
#
# stubtest runs with --ignore-positional-only, and with no allowlist: the functions of one
# parameter refuse keywords (the frame binds them so), which their stubs say with "/", while
# their code objects, made to look like those of 3.6, mark no parameter positional-only, so
# inspect.signature reports them as positional-or-keyword. The flag ignores only that question;
# tests/test_stubs.py answers it instead, exactly: "/" in a stub where, and only where, the
# binding refuses keywords.

STUBS_MYPY="mypy==2.4.1"

# stubs_modules <python> [<package dir>]: every module that has a stub (packages are checked
# with their modules; naming both would make mypy see a module twice). With a package dir (an
# interpreter other than the default one), a module whose library that interpreter lacks (wx,
# say) is left out, and said so.
stubs_modules() {
  PYTHONPATH=${2:-} "$1" - "${2:-}" <<'PYEOF'
import importlib, os, sys, tallowkit
top = os.path.dirname(os.path.dirname(tallowkit.__file__))
for d, _, files in sorted(os.walk(os.path.dirname(tallowkit.__file__))):
    for f in sorted(files):
        if f.endswith(".pyi"):
            name = os.path.relpath(os.path.join(d, f[:-4]), top).replace(os.sep, ".")
            try:
                importlib.import_module(name)
            except ModuleNotFoundError as e:
                if sys.argv[1] and not e.name.startswith("tallowkit"):
                    print("not checked here: %s (%s)" % (name, e), file=sys.stderr)
                    continue
            print(name)
PYEOF
}

# stubs_check <python> [<package dir>]: stubtest, then mypy --strict on the typed example. The
# package is the installed one, or the build tree given (on PYTHONPATH for the imports, on
# MYPYPATH for mypy).
stubs_check() {
  local py=$1 pkg=${2:-} start=$SECONDS mods
  "$py" -m mypy --version >/dev/null 2>&1 || "$py" -m pip install -q "$STUBS_MYPY"
  mods=$(stubs_modules "$py" "$pkg")
  say "stubtest: $(echo $mods | wc -w) modules on $("$py" -c 'import sys; print(sys.version.split()[0])')"
  # from a directory that holds no package of ours, so that only the one under test is seen
  ( cd /tmp && PYTHONPATH=$pkg MYPYPATH=$pkg "$py" -m mypy.stubtest --ignore-positional-only \
      --concise $mods )
  say "mypy --strict examples/typed_taste.py"
  PYTHONPATH=$pkg MYPYPATH=$pkg "$py" -m mypy --strict --cache-dir=/dev/null "$ROOT/examples/typed_taste.py"
  say "stub checks took $((SECONDS - start)) s"
}

cmd_stubs() {
  if [ $# -eq 0 ]; then
    ensure_venv
    stubs_check "$VENV/bin/python"
    return
  fi
  # Another interpreter: pyenv's, or the system's python<v> (as inside a Debian root, where
  # `in_root sid /root/tallowkit/dev stubs 3.15` runs this on the tree copied there).
  local v=$1 py
  py=$(find_python "$v") || { echo "no CPython $v here" >&2; return 1; }
  matrix_build "$py" || return 1
  stubs_check "$ROOT/.venv-$v/bin/python" "$ROOT/$(matrix_build_dir "$v")/pkg"
}

cmd_docs() { "$PY" "$ROOT/docs/make_reference.py" "$@"; }
