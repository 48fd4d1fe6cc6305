# Debian 12 roots for two more architectures, run by `./dev roots` (devtools/roots.sh):
#   bookworm-i386   a 32-bit CPython (32-bit long, size_t and Py_ssize_t, no __int128, x87
#                   floating point by default), run natively under linux32: ./dev test inside.
#   bookworm-arm64  aarch64 under qemu-user-static. Compiling under emulation is slow, so the
#                   modules are built here with Debian's aarch64 cross-compiler against the root
#                   (its python3-dev headers and its libraries: the root is the sysroot) and only
#                   the tests run inside it.
# Sourced by ./dev.

# The packages an arm64 root needs to link against and to run the tests (no compiler: the host
# builds).
ARM64_ROOT_PACKAGES=(libc6-dev libstdc++-12-dev python3-dev python3-venv python3-pip python3-tk
                     python3-wxgtk4.0 xvfb xauth)
ARM64_HOST_PACKAGES=(g++-aarch64-linux-gnu)
# Under emulation the suite runs many times slower (on a loaded machine, the fuzzing of every
# callable took over 10 minutes with 5 drawn calls each and the leak checks over 15). CI runs a
# named subset there, ARM64_CI: the fuzzing with ARM64_FUZZ_EXAMPLES drawn calls per callable
# instead of 40, and no leak checks (the reference counting they watch is the same code on every
# architecture, and the x86-64 and i386 runs check it). TALLOWKIT_ARM64_FULL=1 runs it all.
ARM64_FUZZ_EXAMPLES=5
ARM64_CI=(--ignore=tests/test_leaks.py)

roots_run_bookworm_i386() {
  root_enter bookworm-i386 &&
    timed "bookworm-i386: ./dev test" in_root bookworm-i386 /root/tallowkit/dev test
}

# arm64_build <root dir> <tree> <build dir>: the modules and the kernel test programs, built
# here by the cross-compiler with the root as sysroot.
arm64_build() {
  local sysroot=$1 tree=$2 build=$3 py soabi
  py=$(cd "$sysroot/usr/include" && ls -d python3.* | sort -V | tail -1)
  # the extension suffix, as the root's interpreter would name it
  soabi=$(sed -n "s/^ *'SOABI': '\([^']*\)'.*/\1/p" "$sysroot"/usr/lib/$py/_sysconfigdata_*.py | head -1)
  cmake -S "$tree" -B "$build" -G Ninja --toolchain "$ROOT/devtools/aarch64-linux-gnu.cmake" \
    -DTALLOWKIT_SYSROOT="$sysroot" -DTALLOWKIT_SELFTEST=ON -DTALLOWKIT_NATIVE_TESTS=ON \
    -DPython_INCLUDE_DIR="$sysroot/usr/include/$py" -DPython_SOABI="$soabi" >/dev/null &&
    cmake --build "$build" --parallel 2 >/dev/null
}

# arm64_tests <name> <pytest args...>: the suite inside the root, on the cross-built tree, in a
# virtual environment with the test dependencies (with the system site packages, for wxPython).
arm64_tests() {
  local name=$1 fuzz=TALLOWKIT_FUZZ_EXAMPLES=$ARM64_FUZZ_EXAMPLES subset=("${ARM64_CI[@]}"); shift
  [ -n "${TALLOWKIT_ARM64_FULL:-}" ] && { fuzz=TALLOWKIT_ARM64_FULL=1; subset=(); }
  timed "$name: test dependencies" in_root $name sh -c '
    cd /root/tallowkit && [ "$(cat .venv/.ready 2>/dev/null)" = "$1" ] && exit 0
    rm -rf .venv && python3 -m venv --system-site-packages .venv &&
    .venv/bin/python -m pip install -q $1 && echo "$1" > .venv/.ready' sh "$(extra_dependencies)" &&
  timed "$name: tests (${subset[*]:-all} $fuzz)" in_root $name sh -c 'cd /root/tallowkit && export "$1" && shift &&
    PYTHONPATH=build/aarch64/pkg TALLOWKIT_NATIVE_TEST_PROGRAMS=build/aarch64 \
    xvfb-run -a -s "-screen 0 1280x1024x24" .venv/bin/python -m pytest -q -p no:cacheprovider "$@"' \
    sh "$fuzz" "${subset[@]}" "$@"
}

roots_run_bookworm_arm64() {
  local name=bookworm-arm64 tree=$ROOTS_DIR/bookworm-arm64/root/tallowkit
  local DEBIAN_PACKAGES=("${DEBIAN_PACKAGES[@]}" "${ARM64_HOST_PACKAGES[@]}")  # for this machine
  ensure_debian_packages
  root_enter $name &&
    timed "$name: cross-build" arm64_build "$ROOTS_DIR/$name" "$tree" "$tree/build/aarch64" &&
    arm64_tests $name --durations=12 tests
}
