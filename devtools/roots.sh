# Debian root directories for other releases and architectures, made with debootstrap, cached
# between runs, entered with chroot (with /proc and /dev bound, and linux32 for i386).
# Sourced by ./dev.

ROOTS_DIR=${TALLOWKIT_ROOTS:-/var/cache/tallowkit/roots}
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
    debootstrap --arch="$arch" --variant=minbase "$suite" "$dir" "$DEBIAN_MIRROR"
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

# in_root <name> <command...>: runs a command inside the root, as root, with a plain environment.
# /proc and /dev are mounted in a private mount namespace, so they vanish with the command and
# several commands may use one root at once.
in_root() {
  local name=$1 dir=$ROOTS_DIR/$1 pers=; shift
  [ "$(cut -d' ' -f2 "$dir/.made")" = i386 ] && pers=linux32
  unshare --mount --propagation private /bin/sh -c '
    dir=$1; shift
    mount -t proc proc "$dir/proc" && mount --rbind /dev "$dir/dev" && exec "$@"' sh "$dir" \
    $pers chroot "$dir" /usr/bin/env -i HOME=/root \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive CI="${CI:-}" \
      SSL_CERT_FILE=$ROOT_CERTS PIP_CERT=$ROOT_CERTS "$@"
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

# ---- ./dev roots [--new] [names...]: makes or refreshes the roots and runs the suite inside each.
# Each root is run by a function roots_run_<name> (a dash in the name becomes an underscore);
# without names, every root that has one runs. --new makes the named roots again from nothing.

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

# sid_ready: the sid root with Debian's interpreters and the packages the suite needs there.
SID_READY=
sid_ready() {
  [ -n "$SID_READY" ] && return
  root_lock sid
  local pkgs=("${DEBIAN_PACKAGES[@]}" "${SID_PACKAGES[@]}")
  timed "sid: root" make_root sid sid amd64 &&
    timed "sid: packages" root_install sid "${pkgs[@]}" &&
    root_tree sid && SID_READY=1
}

# run_root_python <major.minor>: the suite on that interpreter inside its root.
run_root_python() {
  local v=$1 root=${ROOT_PYTHONS[$1]}
  "${root}_ready" || return 1  # (errexit is off when the caller tests the result)
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
  root_lock trixie
  timed "trixie: root" make_root trixie trixie amd64 || return 1
  rm -rf "$ROOTS_DIR/trixie/root/tallowkit"
  root_tree trixie || return 1
  timed "trixie: ./dev tour" in_root trixie sh -c 'cd /root/tallowkit && ./dev tour' &&
  timed "trixie: ./dev test" in_root trixie sh -c 'cd /root/tallowkit && ./dev test'
}

cmd_roots() {
  local new= names=() name failed=()
  [ "${1:-}" = --new ] && { new=1; shift; }
  names=("$@")
  [ ${#names[@]} -gt 0 ] || names=($(declare -F | sed -n 's/^declare -f roots_run_//p' | tr _ -))
  for name in "${names[@]}"; do
    declare -F "roots_run_${name//-/_}" >/dev/null || { echo "no root named $name" >&2; return 2; }
    if [ -n "$new" ]; then
      root_lock "$name"
      ( flock 9; rm -rf "${ROOTS_DIR:?}/$name" ) 9>"$ROOTS_DIR/$name.lock"
    fi
    "roots_run_${name//-/_}" || failed+=("$name")
  done
  printf '\n#### root times\n'
  printf '%s\n' "${ROOTS_TIMES[@]}"
  [ ${#failed[@]} -eq 0 ] || { say "roots failed: ${failed[*]}"; return 1; }
}
