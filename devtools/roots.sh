# Debian root directories for other releases and architectures, made with debootstrap, cached
# between runs, entered with chroot (with /proc and /dev bound, and linux32 for i386).
# Sourced by ./dev.

ROOTS_DIR=${TALLOWKIT_ROOTS:-/var/cache/tallowkit/roots}
DEBIAN_MIRROR=${TALLOWKIT_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# Foreign architectures run through qemu-user-static, registered with binfmt_misc.
ensure_binfmt() {
  [ -d /proc/sys/fs/binfmt_misc ] || return 1
  [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] || update-binfmts --enable qemu-aarch64
}

# make_root <name> <suite> <arch>: a minimal root at $ROOTS_DIR/<name>, made once.
make_root() {
  local name=$1 suite=$2 arch=$3 dir=$ROOTS_DIR/$1 lock
  DEBIAN_PACKAGES+=(debootstrap)
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
  cp /etc/resolv.conf "$dir/etc/resolv.conf"
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
      LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive CI="${CI:-}" "$@"
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
