# Debian root directories for other releases and architectures, made with debootstrap, cached
# between runs, entered with chroot (a fresh /proc and a /dev of their own, and linux32 for
# i386). Sourced by ./dev.

ROOTS_DIR=${TALLOWKIT_ROOTS:-$CACHE/roots}
DEBIAN_MIRROR=${TALLOWKIT_DEBIAN_MIRROR:-http://deb.debian.org/debian}
ROOT_CERTS=/etc/ssl/host-certificates.crt  # inside a root: the certificates this machine trusts

# Foreign architectures run through qemu-user-static, registered with binfmt_misc.
ensure_binfmt() {
  [ -d /proc/sys/fs/binfmt_misc ] || return 1
  [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] || update-binfmts --enable qemu-aarch64
}

# make_root <name> <suite> <arch>: a minimal root at $ROOTS_DIR/<name>, made once.
make_root() {
  local name=$1 suite=$2 arch=$3 dir=$ROOTS_DIR/$1 lock
  local DEBIAN_PACKAGES=("${DEBIAN_PACKAGES[@]}" debootstrap)  # for this machine, not the root
  [ "$arch" = arm64 ] && DEBIAN_PACKAGES+=(qemu-user-static binfmt-support)
  ensure_debian_packages
  [ "$arch" = arm64 ] && ensure_binfmt
  mkdir -p "$ROOTS_DIR"
  exec {lock}>"$ROOTS_DIR/$name.lock"
  flock "$lock"   # another command may be making the same root
  if [ ! -e "$dir/.made" ]; then
    say "making the $suite/$arch root $dir"
    rm -rf "$dir" && mkdir -p "$ROOTS_DIR"
    # in a mount namespace of its own: what it mounts in the root (/proc, device nodes bound
    # from this machine when it thinks it runs in a container) cannot outlive it
    unshare --mount --propagation private \
      debootstrap --arch="$arch" --variant=minbase "$suite" "$dir" "$DEBIAN_MIRROR" &&
      root_unmounted "$dir" debootstrap || { exec {lock}>&-; return 1; }
    root_lean_dpkg "$dir"
    # sid's Release file may be past its Valid-Until date on the mirror
    echo 'Acquire::Check-Valid-Until "false";' > "$dir/etc/apt/apt.conf.d/99tallowkit"
    echo "$suite $arch" > "$dir/.made"
  fi
  # the root reaches the network as this machine does: its name servers, and the certificates
  # it trusts (in_root points the root's TLS clients at them)
  cp /etc/resolv.conf "$dir/etc/resolv.conf"
  mkdir -p "$dir/etc/ssl"
  cp "${SSL_CERT_FILE:-/etc/ssl/certs/ca-certificates.crt}" "$dir/$ROOT_CERTS"
  exec {lock}>&-
}

# root_lean_dpkg <dir>: dpkg in the root leaves out what no command there reads (manuals,
# documentation, translations) and skips its syncs (a root is made again if a crash breaks it):
# under emulation every file and sync costs.
root_lean_dpkg() {
  printf '%s\n' force-unsafe-io 'path-exclude=/usr/share/doc/*' 'path-exclude=/usr/share/man/*' \
    'path-exclude=/usr/share/info/*' 'path-exclude=/usr/share/locale/*' \
    > "$1/etc/dpkg/dpkg.cfg.d/90tallowkit"
}

# A root's /dev is a small tmpfs of its own with the few nodes its commands use, and its own
# devpts: nothing done inside (rm /dev/null, a file written over a node) reaches this machine's.
ROOT_DEV_NODES='null 1 3
zero 1 5
full 1 7
random 1 8
urandom 1 9
tty 5 0'

# root_mounts <dir>: the mount points at or below <dir> in this machine's mount table.
root_mounts() { awk -v d="$1" '$5 == d || index($5, d "/") == 1 { print $5 }' /proc/self/mountinfo; }

# root_unmounted <dir> <what>: fails, naming them, when mounts are left in the root.
root_unmounted() {
  local left; left=$(root_mounts "$1")
  [ -z "$left" ] && return 0
  echo "error: after $2, this machine still has these mounted in the root $1:" $left >&2
  return 1
}

# in_root <name> <command...>: runs a command inside the root, as root, with a plain environment.
# /proc and /dev are mounted in a private mount namespace, so they vanish with the command and
# several commands may use one root at once; entering fails if anything is left mounted.
in_root() {
  local name=$1 dir=$ROOTS_DIR/$1 pers= rc=0; shift
  root_unmounted "$dir" "an earlier command" || return 1
  [ "$(cut -d' ' -f2 "$dir/.made")" = i386 ] && pers=linux32
  unshare --mount --propagation private /bin/sh -c '
    dir=$1 nodes=$2; shift 2
    mount -t proc proc "$dir/proc" &&
      mount -t tmpfs -o nosuid,mode=0755,size=1m tmpfs "$dir/dev" &&
      echo "$nodes" | while read -r node major minor; do
        mknod -m 666 "$dir/dev/$node" c "$major" "$minor" || exit 1
      done &&
      mkdir "$dir/dev/pts" "$dir/dev/shm" &&
      mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$dir/dev/pts" &&
      mount -t tmpfs -o nosuid,nodev,mode=1777 tmpfs "$dir/dev/shm" &&
      ln -s pts/ptmx "$dir/dev/ptmx" && ln -s /proc/self/fd "$dir/dev/fd" &&
      ln -s /proc/self/fd/0 "$dir/dev/stdin" && ln -s /proc/self/fd/1 "$dir/dev/stdout" &&
      ln -s /proc/self/fd/2 "$dir/dev/stderr" && exec "$@"' sh "$dir" "$ROOT_DEV_NODES" \
    $pers chroot "$dir" /usr/bin/env -i HOME=/root \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive CI="${CI:-}" \
      TALLOWKIT_CHECKS="${TALLOWKIT_CHECKS:-}" \
      SSL_CERT_FILE=$ROOT_CERTS PIP_CERT=$ROOT_CERTS "$@" || rc=$?
  root_unmounted "$dir" "$*" || return 1
  return $rc
}

# root_install <name> <package...>: installs the Debian packages that the root lacks.
root_install() {
  local name=$1; shift
  local missing; missing=$(in_root "$name" sh -c \
    'for p in "$@"; do dpkg-query -W -f="\${Status}" "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"; done' \
    sh "$@")
  [ -z "$missing" ] && return 0
  say "installing into the $name root: $(echo $missing)"
  # one apt at a time per root: several commands may be setting up the same root
  ( flock 9
    in_root "$name" sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@"' \
      sh $missing ) 9>"$ROOTS_DIR/$name.lock"
}

# ---- ./dev roots [--new] [--make] [names...]: makes or refreshes the roots and runs the suite
# inside each. Each root is run by a function roots_run_<name> (a dash in the name becomes an
# underscore); without names, every root that has one runs. --new makes the named roots again
# from nothing; --make only makes them ready, all side by side (debootstrap and apt mostly wait
# on the network, so CI does this from the start, beside the steps that compute).

# Each root's Debian release and architecture, and the Debian packages that its commands need
# (trixie gets none: the README's commands install what they need, as for a newcomer).
declare -A ROOT_SUITE=([sid]="sid amd64" [trixie]="trixie amd64"
                       [bookworm-i386]="bookworm i386" [bookworm-arm64]="bookworm arm64")
root_packages() {
  case $1 in
    sid) echo "${DEBIAN_PACKAGES[*]} ${SID_PACKAGES[*]}" ;;
    bookworm-i386) echo "${DEBIAN_PACKAGES[*]}" ;;
    bookworm-arm64) echo "${ARM64_ROOT_PACKAGES[*]}" ;;
  esac
}

# Interpreters that this machine lacks and a root has, by major.minor: `./dev matrix` runs them
# there. The root's own python3 runs the README's test command (Debian's wxPython and tkinter
# are built for it); any other interpreter is built with CMake directly, as the matrix does.
declare -A ROOT_PYTHONS=([3.14]=sid [3.15]=sid)
SID_PACKAGES=(python3.15-dev python3.15-venv)

# root_tree <name>: a clone of the committed tree (HEAD here) at /root/tallowkit in the root,
# refreshed; its build directories and virtual environments are kept between runs.
root_tree() {
  local dir=$ROOTS_DIR/$1/root/tallowkit head; head=$(git -C "$ROOT" rev-parse HEAD)
  { [ -d "$dir/.git" ] || git clone -q --no-checkout "$ROOT" "$dir"; } &&
    git -C "$dir" fetch -q "$ROOT" "$head" &&
    git -C "$dir" checkout -q --force --detach "$head" &&
    git -C "$dir" clean -q -ffdx -e /build -e '/.venv*'
}

# timed <what> <command...>: runs it and notes how long it took, for the summary.
ROOTS_TIMES=()
timed() {
  local what=$1 start=$SECONDS rc=0 fail=; shift
  "$@" || rc=$?
  [ $rc -eq 0 ] || fail=" (failed)"
  ROOTS_TIMES+=("$(printf '%-36s %5d s%s' "$what" $((SECONDS - start)) "$fail")")
  say "$what: $((SECONDS - start)) s$fail"
  return $rc
}

# root_lock <name>: one run at a time per root (runs share its copy of the tree); held until
# this command ends.
declare -A ROOT_LOCKS=()
root_lock() {
  [ -n "${ROOT_LOCKS[$1]:-}" ] && return
  local fd; mkdir -p "$ROOTS_DIR"
  exec {fd}>"$ROOTS_DIR/$1.run.lock"
  flock "$fd"
  ROOT_LOCKS[$1]=$fd
}

# root_ready <name>: the root made and its packages installed, once per command.
declare -A ROOT_READY=()
root_ready() {
  [ -n "${ROOT_READY[$1]:-}" ] && return
  local suite arch; read -r suite arch <<<"${ROOT_SUITE[$1]}"
  timed "$1: root" make_root "$1" "$suite" "$arch" &&
    timed "$1: packages" root_install "$1" $(root_packages "$1") &&
    ROOT_READY[$1]=1
}

# root_enter <name>: ready, held by this command, with the committed tree copied in.
declare -A ROOT_ENTERED=()
root_enter() {
  [ -n "${ROOT_ENTERED[$1]:-}" ] && return
  root_lock "$1" && root_ready "$1" && root_tree "$1" && ROOT_ENTERED[$1]=1
}

# root_devices_test <name>: removing /dev/null inside the root, and writing a file in its
# place, leaves this machine's /dev/null the character device it was.
root_devices_test() {
  in_root "$1" sh -c 'rm /dev/null && echo written >/dev/null && [ -f /dev/null ]' &&
    [ -c /dev/null ] ||
    { echo "error: /dev/null removed inside the $1 root: this machine's is no longer a device" >&2
      return 1; }
  say "$1: /dev/null removed inside the root; this machine's is still a character device"
}

# run_root_python <major.minor>: the suite on that interpreter inside its root.
run_root_python() {
  local v=$1 root=${ROOT_PYTHONS[$1]}
  root_enter "$root" || return 1  # (errexit is off when the caller tests the result)
  if [ "$(in_root "$root" python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')" = "$v" ]
  then timed "$root: ./dev test (CPython $v)" in_root "$root" /root/tallowkit/dev test
  else timed "$root: ./dev matrix $v" in_root "$root" /root/tallowkit/dev matrix "$v"
  fi
}
root_has_python() { [ -n "${ROOT_PYTHONS[$1]:-}" ]; }

roots_run_sid() {
  local v rc=0
  for v in $(printf '%s\n' "${!ROOT_PYTHONS[@]}" | sort -V); do
    [ "${ROOT_PYTHONS[$v]}" = sid ] || continue
    run_root_python "$v" || rc=1
  done
  return $rc
}

# trixie: a fresh clone, then the README's two commands as a newcomer types them; they install
# what is missing with apt inside the root.
roots_run_trixie() {
  root_lock trixie && root_ready trixie || return 1
  rm -rf "$ROOTS_DIR/trixie/root/tallowkit"
  root_tree trixie || return 1
  timed "trixie: ./dev tour" in_root trixie sh -c 'cd /root/tallowkit && ./dev tour' &&
  timed "trixie: ./dev test" in_root trixie sh -c 'cd /root/tallowkit && ./dev test'
}

# roots_make <name>...: every named root made ready, side by side; each one's lines carry its name.
roots_make() {
  local name pids=() failed=() i
  for name in "$@"; do
    ( root_ready "$name"; rc=$?; printf '%s\n' "${ROOTS_TIMES[@]}"; exit $rc ) \
      > >(sed -u "s/^/[$name] /") 2>&1 &
    pids+=($!)
  done
  local names=("$@")
  for i in "${!pids[@]}"; do wait "${pids[i]}" || failed+=("${names[i]}"); done
  [ ${#failed[@]} -eq 0 ] || { say "roots not made: ${failed[*]}"; return 1; }
}

cmd_roots() {
  local new= make= names=() name failed=()
  [ "${1:-}" = --new ] && { new=1; shift; }
  [ "${1:-}" = --make ] && { make=1; shift; }
  names=("$@")
  [ ${#names[@]} -gt 0 ] || names=($(declare -F | sed -n 's/^declare -f roots_run_//p' | tr _ -))
  for name in "${names[@]}"; do
    declare -F "roots_run_${name//-/_}" >/dev/null || { echo "no root named $name" >&2; return 2; }
    if [ -n "$new" ]; then
      root_lock "$name"
      ( flock 9; rm -rf "${ROOTS_DIR:?}/$name" ) 9>"$ROOTS_DIR/$name.lock"
    fi
  done
  if [ -n "$make" ]; then roots_make "${names[@]}"; return; fi
  for name in "${names[@]}"; do
    "roots_run_${name//-/_}" || failed+=("$name")
  done
  root_devices_test "${names[0]}" || failed+=("devices")
  printf '\n#### root times\n'
  printf '%s\n' "${ROOTS_TIMES[@]}"
  [ ${#failed[@]} -eq 0 ] || { say "roots failed: ${failed[*]}"; return 1; }
}
