# ./dev windows: every module cross-compiled and linked for Windows (x86_64 and i686) with
# Debian's mingw-w64 compilers. CPython's Windows headers come from Debian's source package of
# python3 (Include/ and PC/pyconfig.h); the import library of its DLL is made with dlltool from
# the functions and data that those headers export. Nothing runs: this proves that the modules
# compile and link for Windows. Sourced by ./dev.

# a source package of Debian's mirror, and the release that has it
WINDOWS_PYTHON=${TALLOWKIT_WINDOWS_PYTHON:-python3.11} WINDOWS_PYTHON_SUITE=bookworm
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32)  # no threads: no winpthread DLL

# debian_source <dir> <suite> <package>: downloads a source package of a Debian release into
# <dir> (its upstream archive is <dir>/*.orig.tar.*) through a private apt setup that only knows
# that release's source index; the host's apt sources stay as they are.
debian_source() {
  local apt=$1 suite=$2 package=$3
  mkdir -p "$apt/lists/partial" "$apt/sources"
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
    "$DEBIAN_MIRROR" "$suite" /usr/share/keyrings/debian-archive-keyring.gpg \
    > "$apt/sources/src.sources"
  local opts=(-q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources"
              -o Dir::State::Lists="$apt/lists")
  apt-get "${opts[@]}" update >/dev/null
  ( cd "$apt" && apt-get "${opts[@]}" source --download-only "$package" >/dev/null 2>&1 )
  ls "$apt"/*.orig.tar.* >/dev/null
}

# windows_python <dir>: the headers at <dir>/include and <dir>/<arch>/lib<dll>.a, made once.
windows_python() {
  local dir=$1 apt=$1/apt src
  [ -e "$dir/.made" ] && return
  rm -rf "$dir" && mkdir -p "$dir/include"
  debian_source "$apt" "$WINDOWS_PYTHON_SUITE" "$WINDOWS_PYTHON"
  src=$(ls "$apt"/*.orig.tar.* | head -1)
  tar -xf "$src" -C "$dir" --wildcards '*/Include/*' '*/PC/pyconfig.h'
  cp -r "$dir"/Python-*/Include/. "$dir/include/"
  cp "$dir"/Python-*/PC/pyconfig.h "$dir/include/"
  "$PY" - "$dir" <<'PYEOF'
import pathlib, re, sys
d = pathlib.Path(sys.argv[1])
text = "".join(f.read_text(errors="replace") for f in (d / "include").rglob("*.h"))
version = re.search(r'#define PY_VERSION\s+"(\d+)\.(\d+)', text).groups()
funcs = set(re.findall(r"PyAPI_FUNC\((?:[^()]|\([^()]*\))*\)\s*(\w+)\s*\(", text))
data = set(re.findall(r"PyAPI_DATA\((?:[^()]|\([^()]*\))*\)\s*(\w+)", text))
dll = "python%s%s" % version
with open(d / "python.def", "w") as out:
    out.write("LIBRARY %s.dll\nEXPORTS\n" % dll)
    out.writelines("    %s\n" % n for n in sorted(funcs - data))
    out.writelines("    %s DATA\n" % n for n in sorted(data))
(d / "dll").write_text(dll)
PYEOF
  local arch dll; dll=$(cat "$dir/dll")
  for arch in x86_64 i686; do
    mkdir -p "$dir/$arch"
    $arch-w64-mingw32-dlltool -d "$dir/python.def" -D "$dll.dll" -l "$dir/$arch/lib$dll.a"
  done
  touch "$dir/.made"
}

cmd_windows() {
  DEBIAN_PACKAGES+=("${WINDOWS_PACKAGES[@]}")
  ensure_debian_packages
  local py=$ROOT/build/windows/$WINDOWS_PYTHON arch tag build dll rc=0
  windows_python "$py"
  dll=$(cat "$py/dll")
  for arch in x86_64 i686; do
    tag=cp${dll#python}-$([ $arch = x86_64 ] && echo win_amd64 || echo win32)
    build=$ROOT/build/windows/$arch
    say "Windows $arch ($tag)"
    cmake -S . -B "$build" -G Ninja -DCMAKE_MAKE_PROGRAM="$(command -v ninja)" \
      --toolchain "$ROOT/devtools/mingw-w64.cmake" -DTALLOWKIT_MINGW_ARCH=$arch \
      -DTALLOWKIT_SELFTEST=ON -DTALLOWKIT_NATIVE_TESTS=ON -DPython_INCLUDE_DIR="$py/include" \
      -DPython_LIBRARY="$py/$arch/lib$dll.a" -DPython_SOABI="$tag" >/dev/null
    cmake --build "$build" --parallel 2 >/dev/null || { rc=1; continue; }
    # every module is a DLL that imports the interpreter's DLL and no C++ runtime
    local m dlls; for m in $(find "$build/pkg" -name '*.pyd'); do
      dlls=$($arch-w64-mingw32-objdump -p "$m" | sed -n 's/.*DLL Name: //p' | LC_ALL=C sort | tr '\n' ' ')
      [ "$dlls" = "KERNEL32.dll msvcrt.dll $dll.dll " ] || { say "${m#$ROOT/}: imports $dlls"; rc=1; }
    done
    say "$(find "$build/pkg" -name '*.pyd' | wc -l) modules built for Windows $arch"
  done
  return $rc
}
