# Line and branch coverage of src/ by the whole suite, on Debian's python3 and on the oldest
# CPython (whose calls take the paths without vectorcall), merged. Sourced by ./dev.

COVERAGE_FLOOR=${TALLOWKIT_COVERAGE_FLOOR:-98}   # percent of lines; ./dev coverage fails below
COVERAGE_OLDEST=3.6
# unoptimised and without link-time inlining, so that every line counts where it stands
COVERAGE_CMAKE_ARGS=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -O0")

GCOVR_VERSION=8.4   # in ./dev's venv: Debian's 5.2 cannot merge the kernels' two builds
# the kernels' second build (without unsigned __int128) puts some functions on other lines;
# a line of a template counts as run when any of its instances ran; the sieve's inner loop
# really runs some 7 billion times over the suite, beyond the 2^32 above which gcovr takes a
# count for gcov's old overflow bug
GCOVR_ARGS=(-r "$ROOT" --merge-mode-functions=separate --merge-lines
            --gcov-suspicious-hits-threshold=$((1 << 40)))

# coverage_trace <build dir>: the counts of one build as a gcovr JSON file in it
coverage_trace() {
  "$VENV/bin/gcovr" "${GCOVR_ARGS[@]}" --filter "$ROOT/src/" --object-directory "$1" \
    --exclude-directories '.*/CompilerId.*' --exclude-unreachable-branches \
    --exclude-throw-branches --json "$1/coverage.json" "$1"
}

cmd_coverage() {
  ensure_venv
  "$VENV/bin/gcovr" --version 2>/dev/null | grep -q "^gcovr $GCOVR_VERSION\$" ||
    "$VENV/bin/python" -m pip install -q "gcovr==$GCOVR_VERSION"
  local start=$SECONDS build=build/coverage rc=0
  say "coverage build for Debian's python3"
  # the kernels' C++ test program is built in the same tree, with the same flags
  cmake -S . -B "$build" -G Ninja -DPython_EXECUTABLE="$VENV/bin/python" -DTALLOWKIT_SELFTEST=ON \
    -DTALLOWKIT_NATIVE_TESTS=ON "${COVERAGE_CMAKE_ARGS[@]}" >/dev/null
  cmake --build "$build" --parallel 2 >/dev/null
  find build -path 'build/coverage*' -name '*.gcda' -delete   # counts start from zero
  say "tests on Debian's python3, coverage build"
  TALLOWKIT_NATIVE_TEST_BUILD="$ROOT/$build" PYTHONPATH="$ROOT/$build/pkg" with_display \
    "$VENV/bin/python" -m pytest -q -p no:cacheprovider "$@" || rc=$?
  coverage_trace "$build"
  local traces=(-a "$build/coverage.json")
  MATRIX_CMAKE_ARGS=("${COVERAGE_CMAKE_ARGS[@]}") MATRIX_BUILD_PREFIX=coverage-
  local oldest
  if oldest=$(pyenv_python "$COVERAGE_OLDEST"); then
    run_matrix_one "$oldest" tests "$@" || rc=$?
    coverage_trace "build/coverage-py${COVERAGE_OLDEST//./}"
    traces+=(-a "build/coverage-py${COVERAGE_OLDEST//./}/coverage.json")
  else
    say "CPython $COVERAGE_OLDEST is not on this machine: its paths are not counted"
  fi
  "$VENV/bin/gcovr" "${GCOVR_ARGS[@]}" "${traces[@]}" --json-summary "build/coverage-summary.json"
  "$PY" - "build/coverage-summary.json" "$COVERAGE_FLOOR" <<'PYEOF' || rc=1
import json, sys
summary, floor = json.load(open(sys.argv[1])), float(sys.argv[2])
def pct(covered, total):
    return "%6.1f%%" % (100.0 * covered / total) if total else "      -"
print("%-44s %16s %18s" % ("file", "lines", "branches"))
for f in sorted(summary["files"], key=lambda f: f["filename"]):
    print("%-44s %7s %8s %7s %10s" % (
        f["filename"], pct(f["line_covered"], f["line_total"]), "%d/%d" % (f["line_covered"], f["line_total"]),
        pct(f["branch_covered"], f["branch_total"]), "%d/%d" % (f["branch_covered"], f["branch_total"])))
lines = 100.0 * summary["line_covered"] / summary["line_total"]
print("%-44s %7s %8s %7s %10s" % (
    "total", pct(summary["line_covered"], summary["line_total"]),
    "%d/%d" % (summary["line_covered"], summary["line_total"]),
    pct(summary["branch_covered"], summary["branch_total"]),
    "%d/%d" % (summary["branch_covered"], summary["branch_total"])))
if lines < floor:
    sys.exit("line coverage %.2f%% is below the floor of %g%%" % (lines, floor))
PYEOF
  say "coverage run took $((SECONDS - start)) s"
  return $rc
}
