# Benchmarks: bench/suite.py on every interpreter (Debian's python3, the pyenv ones, 3.13t built
# without the GIL, Debian's 3.13 in the trixie root and 3.14/3.15 in the sid root when they have
# been made), one table each, then the chart of them all.
# Sourced by ./dev.

BENCH_OUT=$ROOT/build/bench
BENCH_DEPENDENCIES=(sympy gmpy2)

# bench_root <root name>: the suite inside a Debian root, for each python3.X it has with headers.
bench_root() {
  local name=$1 dir=$ROOTS_DIR/$1 py v failed=0
  if [ ! -e "$dir/.made" ]; then
    say "no $name root at $dir (made by the platform commands): its interpreters are skipped"
    return 0
  fi
  # the peers come from Debian: sympy for every interpreter there, gmpy2 for the default one
  root_install "$name" g++ cmake ninja-build python3-sympy python3-gmpy2 || return 1
  rm -rf "$dir/root/tallowkit-bench" && mkdir -p "$dir/root/tallowkit-bench"
  cp -r CMakeLists.txt pyproject.toml src python bench "$dir/root/tallowkit-bench/"
  mkdir -p "$dir/root/tallowkit-bench/tests" && cp -r tests/oracles tests/selftest "$dir/root/tallowkit-bench/tests/"
  for py in "$dir"/usr/bin/python3.1[3-9]; do
    [ -x "$py" ] || continue
    v=${py##*/python}
    [ -e "$dir/usr/include/python$v/Python.h" ] || root_install "$name" "python$v-dev" || continue
    say "CPython $v in the $name root"
    in_root "$name" sh -c 'cd /root/tallowkit-bench &&
      cmake -S . -B build/$1 -G Ninja -DPython_EXECUTABLE=/usr/bin/python$1 -DTALLOWKIT_SELFTEST=ON >/dev/null &&
      cmake --build build/$1 --parallel 2 >/dev/null &&
      PYTHONPATH=build/$1/pkg python$1 bench/suite.py --json out-$1.json' sh "$v" &&
      cp "$dir/root/tallowkit-bench/out-$v.json" "$BENCH_OUT/$name-$v.json" ||
      { say "CPython $v in the $name root: failed"; failed=1; }
  done
  return $failed
}

# bench_matrix <python>: the suite on that interpreter's matrix build (./dev matrix).
bench_matrix() {
  local v; v=$(python_version "$1")
  if matrix_build "$1" "${BENCH_DEPENDENCIES[@]}"; then
    PYTHONPATH="$ROOT/$(matrix_build_dir "$v")/pkg" "$ROOT/.venv-$v/bin/python" bench/suite.py \
      --json "$BENCH_OUT/$v.json"
  else
    say "CPython $v: the build failed"; return 1
  fi
}

# run_bench [--detail] [pyenv versions...]
run_bench() {
  local detail= versions=() v py
  for v in "$@"; do [ "$v" = --detail ] && detail=1 || versions+=("$v"); done
  [ ${#versions[@]} -gt 0 ] || versions=("${MATRIX_DEFAULT[@]}")
  local start=$SECONDS
  ensure_venv word,excel,test,bench
  rm -rf "$BENCH_OUT" && mkdir -p "$BENCH_OUT"
  say "Debian's python3"
  "$VENV/bin/python" bench/suite.py --memory 1e8 --json "$BENCH_OUT/debian.json"
  for v in "${versions[@]}"; do
    say "CPython $v"
    if ! py=$(pyenv_python "$v"); then
      say "CPython $v: not on this machine, skipped"
    else
      bench_matrix "$py" || return 1
    fi
  done
  # without the GIL (devtools/freethreaded.sh): two threads' calls beside one's
  say "CPython 3.13t"
  local MATRIX_PIP_OPTIONS=(--only-binary :all:)
  ft_make 3.13t && bench_matrix "$(ft_python 3.13t)" || return 1
  bench_root trixie || return 1
  bench_root sid || return 1
  "$VENV/bin/python" bench/chart.py "$BENCH_OUT"/*.json -o bench/speedups.png
  [ -z "$detail" ] || "$VENV/bin/python" bench/run.py
  say "benchmarks took $((SECONDS - start)) s"
}
