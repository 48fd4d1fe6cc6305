# CPython 3.13 without the GIL ("3.13t"), built from Debian 13's source package of python3.13
# (its upstream archive; no PGO or LTO, which would double the build for nothing the tests
# need) and cached like the Debian roots; a second build with ThreadSanitizer. Sourced by ./dev.
#   ./dev freethreaded --make [3.13t 3.13t-tsan]  builds what is missing (both by default): CI
#                                    can run this in the background while other steps compute
#   ./dev freethreaded [pytest args]  the package built there with CMake (as ./dev matrix does),
#                                    test dependencies as binary wheels, the whole suite
#   ./dev tsan [pytest args]          the package built with -fsanitize=thread on the
#                                    ThreadSanitizer interpreter, the thread tests run there

FT_DIR=${TALLOWKIT_FT_DIR:-$CACHE/cpython}
FT_SUITE=trixie FT_SOURCE=python3.13
# what CPython's build needs from this machine for the modules that the suite and pip use
# (ssl, zlib, ctypes, bz2, lzma, tkinter)
FT_BUILD_PACKAGES=(gcc make pkg-config xz-utils libssl-dev zlib1g-dev libffi-dev libbz2-dev
                   liblzma-dev tk-dev)
declare -A FT_CONFIGURE=([3.13t]="--disable-gil"
                         [3.13t-tsan]="--disable-gil --with-thread-sanitizer")
# the thread tests (that importing leaves the GIL off is seen without ThreadSanitizer)
FT_TSAN_TESTS=(tests/test_threads.py --deselect tests/test_threads.py::test_the_gil_stays_off)
FT_TSAN_SUPPRESSIONS=$ROOT/sanitize/tsan.supp
FT_JOBS=${TALLOWKIT_FT_JOBS:-2}   # make's jobs (1 leaves a core to what runs beside the build)

ft_python() { echo "$FT_DIR/$1/bin/python3.13t"; }

# ft_source: the upstream archive of the source package, downloaded once.
ft_source() {
  local lock
  mkdir -p "$FT_DIR"
  exec {lock}>"$FT_DIR/source.lock"
  flock "$lock"
  ls "$FT_DIR/source/"*.orig.tar.* >/dev/null 2>&1 || {
    rm -rf "$FT_DIR/source"
    debian_source "$FT_DIR/source" "$FT_SUITE" "$FT_SOURCE"
  }
  exec {lock}>&-
  FT_ARCHIVE=$(ls "$FT_DIR/source/"*.orig.tar.* | head -1)
}

# ft_make <flavour>: installs that interpreter under $FT_DIR/<flavour>, unless it is there
# already from the same recipe. Another command building it meanwhile is waited for.
ft_make() {
  local flavour=$1 prefix=$FT_DIR/$1 recipe lock start=$SECONDS
  [ -n "${FT_CONFIGURE[$flavour]:-}" ] || { echo "no interpreter named $flavour" >&2; return 2; }
  mkdir -p "$FT_DIR"
  exec {lock}>"$FT_DIR/$flavour.lock"
  flock "$lock"
  ft_source
  recipe="$(basename "$FT_ARCHIVE") ${FT_CONFIGURE[$flavour]}"
  if [ "$(cat "$prefix/.made" 2>/dev/null)" != "$recipe" ]; then
    local DEBIAN_PACKAGES=("${FT_BUILD_PACKAGES[@]}")
    ensure_debian_packages
    say "building CPython $flavour into $prefix (log: $FT_DIR/$flavour.log)"
    local work=$FT_DIR/build-$flavour
    rm -rf "$work" "$prefix" && mkdir -p "$work"
    tar -xf "$FT_ARCHIVE" -C "$work" --strip-components=1
    # the ThreadSanitizer build runs its own interpreter while it builds: what it reports of
    # CPython there is not this package's business
    ( cd "$work" && export TSAN_OPTIONS=report_bugs=0:exitcode=0 &&
      ./configure --prefix="$prefix" ${FT_CONFIGURE[$flavour]} --disable-test-modules \
        --without-ensurepip &&
      make -j"$FT_JOBS" && make install ) >"$FT_DIR/$flavour.log" 2>&1 ||
      { tail -30 "$FT_DIR/$flavour.log"; say "CPython $flavour: the build failed"; return 1; }
    rm -rf "$work"
    echo "$recipe" >"$prefix/.made"
    say "CPython $flavour built in $((SECONDS - start)) s"
  fi
  exec {lock}>&-
}

cmd_freethreaded() {
  if [ "${1:-}" = --make ]; then
    shift
    local flavour flavours=("$@")
    [ ${#flavours[@]} -gt 0 ] || flavours=(3.13t 3.13t-tsan)
    for flavour in "${flavours[@]}"; do ft_make "$flavour" || return 1; done
    return
  fi
  ensure_debian_packages
  ft_make 3.13t || return 1
  # the newest release of a test dependency may come as a source archive only (hypothesis's
  # with a part in Rust): take the newest that has a wheel
  local MATRIX_PIP_OPTIONS=(--only-binary :all:)
  run_matrix_one "$(ft_python 3.13t)" tests "$@"
}

cmd_tsan() {
  ensure_debian_packages
  ft_make 3.13t && ft_make 3.13t-tsan || return 1
  local MATRIX_PIP_OPTIONS=(--only-binary :all:) MATRIX_BUILD_PREFIX=tsan-
  local MATRIX_CMAKE_ARGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWKIT_SANITIZE=thread)
  local logs=$ROOT/build/tsan-logs rc=0 args=("${FT_TSAN_TESTS[@]}" "$@") start=$SECONDS site
  # The test dependencies (pure Python) are those of 3.13t's own venv (./dev freethreaded):
  # installed by the instrumented interpreter, they would take minutes.
  matrix_venv "$(ft_python 3.13t)" || return 1
  site=$("$ROOT/.venv-3.13t/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["purelib"])')
  say "CPython 3.13t with ThreadSanitizer: ${args[*]}"
  matrix_cmake "$(ft_python 3.13t-tsan)" || return 1
  rm -rf "$logs" && mkdir -p "$logs"
  # every report is written to the logs and fails the run (exit code 66); the suppressions
  # name reports inside CPython itself, each with its reason. Without address randomisation
  # (setarch -R), which now and then puts a library where this ThreadSanitizer wants its
  # shadow memory.
  TALLOWKIT_MATRIX=1 PYTHONPATH="$ROOT/$(matrix_build_dir 3.13t)/pkg:$site" \
    TSAN_OPTIONS="suppressions=$FT_TSAN_SUPPRESSIONS log_path=$logs/tsan second_deadlock_stack=1" \
    with_display setarch "$(uname -m)" -R "$(ft_python 3.13t-tsan)" -m pytest -q -p no:cacheprovider "${args[@]}" || rc=$?
  if ls "$logs"/tsan.* >/dev/null 2>&1; then
    cat "$logs"/tsan.*
    say "ThreadSanitizer reports: $(grep -c '^WARNING: ThreadSanitizer' "$logs"/tsan.* | paste -sd' ')"
    rc=1
  fi
  say "ThreadSanitizer run took $((SECONDS - start)) s"
  return $rc
}
