# shellcheck shell=bash
# Each build's tests run under a Debian Wine of their own: the 32-bit build's under Debian 12's Wine 8, the
# 64-bit build's under Debian 13's Wine 10. A host that is not that Debian release gets the Wine in a Debian
# root of its own, made once and cached outside the work tree; scripts/wine32 (i386) and scripts/wine64
# (amd64) enter it. The kernels of the hosts we test on need not run i386 programs, so the i386 root's
# programs go to qemu's i386 emulator through binfmt_misc. The entry that says so lives in a binfmt_misc
# instance of the run's own user namespace (Linux 6.7 and later), so the host's own handling of i386
# programs never changes; on older kernels it is an entry of the host's that the last run using it removes.
# Source it after lib.sh.

# Where the roots and the emulator are kept between runs.
export TOBRIK_X86_CACHE=${TOBRIK_X86_CACHE:-/var/cache/tobrik-i386}
export TOBRIK_X64_CACHE=${TOBRIK_X64_CACHE:-/var/cache/tobrik-amd64}
# The i386 root's suite, Debian 12 on every host: its 32-bit Wine 8 is the one the tests are known to pass
# with, and one root serves Debian 12 and 13 hosts alike. The amd64 root's is Debian 13, for its Wine 10.
TOBRIK_X86_SUITE=bookworm
TOBRIK_X64_SUITE=trixie
# Wine, the fonts and the X extension libraries of TOBRIK_WINE_TOOLS, for the root's own architecture.
TOBRIK_DEB_LIBS='fonts-wine,fonts-liberation,libxrender1,libxrandr2,libxcursor1,libxfixes3,libxi6,libxinerama1,libxcomposite1,libxxf86vm1'
# qemu-user before 10 ignores MAP_FIXED_NOREPLACE: every Wine start then takes minutes and wineboot fails.
TOBRIK_X86_QEMU_MIN=10
TOBRIK_X86_QEMU=$TOBRIK_X86_CACHE/qemu/qemu-i386

# tobrik_deb_root ARCH: the root of ARCH (i386 or amd64) that the functions below make, enter and start
# Wine in: its cache, suite, packages, Wine loader and Wine's WINEARCH, and the command that enters it.
# shellcheck disable=SC2034 # the loader and WINEARCH are read by scripts/wine32
tobrik_deb_root() {
  TOBRIK_DEB_ARCH=$1
  if [[ $1 == i386 ]]; then
    TOBRIK_DEB_CACHE=$TOBRIK_X86_CACHE TOBRIK_DEB_SUITE=$TOBRIK_X86_SUITE TOBRIK_DEB_WINEARCH=win32
    TOBRIK_DEB_PACKAGES=wine,wine32,$TOBRIK_DEB_LIBS TOBRIK_DEB_LOADER=/usr/lib/wine/wine
    TOBRIK_DEB_WINE=$TOBRIK_ROOT/scripts/wine32
  else
    TOBRIK_DEB_CACHE=$TOBRIK_X64_CACHE TOBRIK_DEB_SUITE=$TOBRIK_X64_SUITE TOBRIK_DEB_WINEARCH=win64
    TOBRIK_DEB_PACKAGES=wine,wine64,$TOBRIK_DEB_LIBS TOBRIK_DEB_LOADER=/usr/lib/wine/wine64
    TOBRIK_DEB_WINE=$TOBRIK_ROOT/scripts/wine64
  fi
}

# Whether this host is the Debian release whose Wine the 64-bit suite runs under: then the host's own serves.
tobrik_x64_host_wine() {
  # shellcheck disable=SC1091 # the host's own file
  (. /etc/os-release && [[ ${ID:-} == debian && ${VERSION_CODENAME:-} == "$TOBRIK_X64_SUITE" ]])
}

# shellcheck disable=SC2034 # used by the scripts that source this file
TOBRIK_X86_TOOLS='
mmdebstrap mmdebstrap
unshare util-linux
flock util-linux
dpkg-deb dpkg
'

# Prints the Debian archive and the security archive this host's apt sources use, as "URI" and "URI
# security", from apt's own view of them (one-line and deb822 sources alike, of any Debian release): the
# root's suite is taken from the same mirrors. apt knows a source only once it has fetched its index, so
# an empty answer is asked again after an update.
tobrik_x86_mirrors() {
  local mirrors try
  for try in first updated; do
    # A source line " 500 URI SUITE/COMPONENT ARCH Packages" is followed by its "release ...,o=Debian,..."
    mirrors=$(apt-cache policy 2>>"$TOBRIK_LOG" | awk '
      $1 ~ /^[0-9]+$/ && NF >= 3 { uri = $2; suite = $3; sub(/\/.*/, "", suite); next }
      $1 == "release" && uri != "" && /(^|[ ,])o=Debian(,|$)/ {
        kind = suite ~ /-security$/ ? " security" : ""
        sub(/\/+$/, "", uri)
        if (!seen[kind]++) print uri kind
      }
      { uri = "" }')
    [[ -n $mirrors || $try == updated ]] && break
    tobrik_quiet "apt-get update" apt-get update >&2 || return 1
  done
  [[ -z $mirrors ]] || printf '%s\n' "$mirrors"
}

# The Debian archive's URI, or an error that says what the host lacks.
tobrik_x86_archive() {
  local uri
  uri=$(tobrik_x86_mirrors | awk 'NF == 1 {print $1; exit}')
  if [[ -z $uri ]]; then
    tobrik_say "this host's apt sources name no Debian archive (a source whose Release file says Origin: Debian, as on Debian 12 and 13), from which the Wine roots ($TOBRIK_X86_SUITE, $TOBRIK_X64_SUITE) and the emulator ($TOBRIK_X86_SUITE-backports) come"
    return 1
  fi
  printf '%s\n' "$uri"
}

# The static qemu-i386 of the newest qemu-user that the suite's backports offer, fetched with an apt
# state of its own and unpacked into the cache: nothing is installed on the host.
tobrik_x86_fetch_qemu() {
  local dir=$TOBRIK_X86_CACHE/qemu uri version
  uri=$(tobrik_x86_archive) || return 1
  rm -rf --one-file-system -- "$dir" "$dir.stamp"
  mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/deb"
  printf 'deb %s %s-backports main\n' "$uri" "$TOBRIK_X86_SUITE" >"$dir/apt/sources.list"
  local -a apt=(-o "Dir::Etc::SourceList=$dir/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache" -o Debug::NoLocking=1
    -o APT::Sandbox::User=root)
  tobrik_quiet "apt-get update ($TOBRIK_X86_SUITE-backports)" apt-get "${apt[@]}" update || return 1
  version=$(apt-cache "${apt[@]}" show --no-all-versions qemu-user 2>>"$TOBRIK_LOG" |
    sed -n 's/^Version: //p' | head -n 1)
  if [[ -z $version ]]; then
    tobrik_say "$uri $TOBRIK_X86_SUITE-backports offers no qemu-user"
    return 1
  fi
  # Debian versions read [epoch:]major.minor...; the emulator needs major 10 or later.
  local major=${version#*:}
  major=${major%%.*}
  if ! [[ $major =~ ^[0-9]+$ ]] || ((major < TOBRIK_X86_QEMU_MIN)); then
    tobrik_say "$TOBRIK_X86_SUITE-backports offers qemu-user $version; the 32-bit tests need $TOBRIK_X86_QEMU_MIN or later"
    return 1
  fi
  (cd "$dir/deb" && tobrik_quiet "apt-get download qemu-user=$version" \
    apt-get "${apt[@]}" download "qemu-user=$version") || return 1
  tobrik_quiet "unpack qemu-user" dpkg-deb -x "$dir/deb/"qemu-user_*.deb "$dir/unpacked" || return 1
  if ! "$dir/unpacked/usr/bin/qemu-i386" --version >>"$TOBRIK_LOG" 2>&1; then
    tobrik_say "qemu-user $version holds no working usr/bin/qemu-i386"
    return 1
  fi
  # The other emulators of the package are not needed.
  mv -- "$dir/unpacked/usr/bin/qemu-i386" "$TOBRIK_X86_QEMU"
  rm -rf -- "$dir/deb" "$dir/apt" "$dir/unpacked"
  printf '%s\n' "$version" >"$dir.stamp"
}

# ---- binfmt_misc ------------------------------------------------------------------

# tobrik_x86_register DIR QEMU NAME: registers QEMU as NAME for i386 programs in the binfmt_misc instance
# mounted at DIR. F opens the emulator now, so it also runs inside the root; P keeps the program's own
# argv[0]; O hands the program over as an open file.
tobrik_x86_register() {
  printf ':%s:M::%s:%s:%s:POF\n' "$3" \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
    '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
    "$2" >"$1/register"
}

# tobrik_x86_private_binfmt QEMU: in a user and mount namespace of this process's own, mounts a binfmt_misc
# instance of that namespace (the kernel consults it for every program started in the namespace, instead
# of the host's) and registers QEMU there. Both go when the namespace's last process ends. Only ever called
# in a new user namespace: in the host's, the mount would be the host's instance.
tobrik_x86_private_binfmt() {
  mount -t binfmt_misc tobrik-binfmt /proc/sys/fs/binfmt_misc 2>/dev/null &&
    tobrik_x86_register /proc/sys/fs/binfmt_misc "$1" qemu-i386
}

# Whether a user namespace of ours can have a binfmt_misc instance of its own: not on kernels before 6.7,
# and not in a chroot, where the kernel makes no user namespace.
tobrik_x86_private_binfmt_works() {
  unshare --user --map-root-user --mount --propagation private -- \
    mount -t binfmt_misc tobrik-binfmt /proc/sys/fs/binfmt_misc 2>/dev/null
}

# Where it cannot, the host's binfmt_misc instance must hold the entry. Each run then holds a shared
# lock on the cache's binfmt.lock from here on, in every process it starts, and leaves a watcher outside
# the run that waits for the last holder to go and then removes the entry: the entry goes with the last
# run that uses it, however that run ends. Call it before tobrik_isolate, so that the watcher is not one of
# the run's processes; the entry itself is registered by tobrik_x86_setup.
tobrik_x86_hold_host_binfmt() {
  [[ -z ${TOBRIK_X86_HOST_BINFMT:-} ]] || return 0 # held by the process that started this one
  tobrik_x86_private_binfmt_works && return 0
  local lock=$TOBRIK_X86_CACHE/binfmt.lock
  export TOBRIK_X86_HOST_BINFMT
  TOBRIK_X86_HOST_BINFMT=tobrik-qemu-i386-$(printf '%s' "$TOBRIK_X86_CACHE" | cksum | cut -d ' ' -f 1)
  mkdir -p "$TOBRIK_X86_CACHE"
  exec {TOBRIK_X86_HOLD}>>"$lock"
  flock -s "$TOBRIK_X86_HOLD"
  # shellcheck disable=SC2016 # expanded by the watcher's shell
  setsid flock -x "$lock" unshare --mount --propagation private -- bash -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null
    [[ ! -e /proc/sys/fs/binfmt_misc/$0 ]] || echo -1 >"/proc/sys/fs/binfmt_misc/$0"' \
    "$TOBRIK_X86_HOST_BINFMT" {TOBRIK_X86_HOLD}>&- </dev/null >/dev/null 2>&1 &
}

# Registers the host's entry of tobrik_x86_hold_host_binfmt, if this run holds one and it is not there yet.
tobrik_x86_host_binfmt() {
  [[ -n ${TOBRIK_X86_HOST_BINFMT:-} ]] || return 0
  # shellcheck disable=SC2016 # expanded by the inner shell
  tobrik_quiet "binfmt_misc entry $TOBRIK_X86_HOST_BINFMT" unshare --mount --propagation private -- \
    bash -c "$(declare -f tobrik_x86_register)"'
    dir=/proc/sys/fs/binfmt_misc
    [[ -e $dir/register ]] || mount -t binfmt_misc binfmt_misc "$dir" || exit 1
    [[ -e $dir/$0 ]] || tobrik_x86_register "$dir" "$1" "$0"' "$TOBRIK_X86_HOST_BINFMT" "$TOBRIK_X86_QEMU"
}

# ---- The root -----------------------------------------------------------------------

# tobrik_x86_userns COMMAND...: for the i386 root, runs COMMAND as root of a new user namespace whose ids 0
# to 65535 are the host's own, in a mount namespace of its own and with the emulator registered as above
# (with the host's entry, or for the amd64 root, which needs no emulator, COMMAND runs as it is). mmdebstrap
# makes the root this way: dpkg gives files to the root's system users, which unshare's --map-root-user does
# not map, so the maps are written from here while the command waits for them.
tobrik_x86_userns() {
  [[ -z ${TOBRIK_X86_HOST_BINFMT:-} && $TOBRIK_DEB_ARCH == i386 ]] || {
    "$@"
    return
  }
  local pid status=0
  # shellcheck disable=SC2016 # expanded by the inner shell
  unshare --user --mount --propagation private -- bash -c "$(declare -f tobrik_x86_register tobrik_x86_private_binfmt)"'
    until read -r map </proc/self/gid_map 2>/dev/null && [[ -n $map ]]; do sleep 0.02; done
    tobrik_x86_private_binfmt "$0" || exit 1
    exec "$@"' "$TOBRIK_X86_QEMU" "$@" &
  pid=$!
  until [[ $(readlink "/proc/$pid/ns/user") != "$(readlink /proc/self/ns/user)" ]]; do sleep 0.02; done
  if ! printf '0 0 65536\n' >"/proc/$pid/uid_map" || ! printf '0 0 65536\n' >"/proc/$pid/gid_map"; then
    kill "$pid" 2>/dev/null
  fi
  wait "$pid" || status=$?
  return "$status"
}

# The root of tobrik_deb_root with the suite's Wine, built in a fresh directory and renamed into place.
tobrik_x86_make_root() {
  local root=$TOBRIK_DEB_CACHE/root suite=$TOBRIK_DEB_SUITE uri security
  uri=$(tobrik_x86_archive) || return 1
  security=$(tobrik_x86_mirrors | awk '$2 == "security" {print $1; exit}')
  local -a mirrors=("deb $uri $suite main" "deb $uri $suite-updates main")
  [[ -z $security ]] || mirrors+=("deb $security $suite-security main")
  rm -rf --one-file-system -- "$root" "$root.new" "$root.stamp"
  # Emulation comes from the binfmt_misc entry above, which mmdebstrap's own check does not know by name.
  tobrik_quiet "mmdebstrap $TOBRIK_DEB_ARCH $suite" tobrik_x86_userns mmdebstrap --mode=root \
    --arch="$TOBRIK_DEB_ARCH" --variant=essential --skip=check/qemu --include="$TOBRIK_DEB_PACKAGES" \
    "$suite" "$root.new" "${mirrors[@]}" || return 1
  mv -- "$root.new" "$root"
  printf '%s %s\n' "$suite" "$TOBRIK_DEB_PACKAGES" >"$root.stamp"
}

# tobrik_x86_enter ROOT TREE QEMU COMMAND...: the inner step of scripts/wine32, run in the user and mount
# namespace that it made: the emulator QEMU registered (none: the host's entry serves), the root given the
# host's /proc, /dev (a root made in a user namespace has no device nodes of its own) and /tmp (the X
# socket, the prefix, the wineserver's socket) and the work tree TREE at their own paths, then COMMAND run
# in the root. The mounts go with the namespace.
tobrik_x86_enter() {
  local root=$1 tree=$2 qemu=$3
  shift 3
  if [[ -n $qemu ]] && ! tobrik_x86_private_binfmt "$qemu"; then
    printf 'wine32: this kernel gives the namespace no binfmt_misc of its own (Linux before 6.7, or a chroot): run the tests with scripts/test, which registers the emulator with the host then\n' >&2
    return 1
  fi
  mount --rbind /proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --rbind /tmp "$root/tmp"
  mkdir -p "$root$tree"
  mount --bind "$tree" "$root$tree"
  unset WINELOADER WINESERVER
  exec unshare --root="$root" --wd="$PWD" -- "$@"
}

# Says what this host lacks for the 32-bit run, if anything.
tobrik_x86_check_host() {
  [[ -n ${TOBRIK_X86_HOST_BINFMT:-} && $TOBRIK_DEB_ARCH == i386 ]] || return 0 # the private instance works, so the kernel has it
  if ! grep -qw binfmt_misc /proc/filesystems; then
    tobrik_say "this host's kernel has no binfmt_misc (CONFIG_BINFMT_MISC), through which the i386 root's programs reach the emulator"
    return 1
  fi
}

# tobrik_x86_setup ARCH: sets up the root of ARCH (tobrik_deb_root) once: a run after a complete setup
# checks the stamps in a moment; a setup that was cut short leaves no stamp and is done again. Runs that
# start together (two work trees) take turns, so one does not remove the root that the other is making.
tobrik_x86_setup() {
  local t0=$SECONDS lock status=0
  tobrik_deb_root "$1"
  tobrik_x86_check_host || return 1
  mkdir -p "$TOBRIK_DEB_CACHE"
  exec {lock}>"$TOBRIK_DEB_CACHE/setup.lock"
  if ! flock -n "$lock"; then
    tobrik_say "waiting for another run's setup of $TOBRIK_DEB_CACHE"
    flock "$lock"
  fi
  tobrik_x86_setup_locked || status=$?
  exec {lock}>&-
  printf '=== %s root ready after %ss\n' "$TOBRIK_DEB_ARCH" $((SECONDS - t0)) >>"$TOBRIK_LOG"
  return "$status"
}

tobrik_x86_setup_locked() {
  if [[ $TOBRIK_DEB_ARCH == i386 ]]; then
    if [[ ! -f $TOBRIK_X86_CACHE/qemu.stamp || ! -x $TOBRIK_X86_QEMU ]]; then
      tobrik_say "fetching qemu-i386 into $TOBRIK_X86_CACHE (output in $TOBRIK_LOG)"
      tobrik_x86_fetch_qemu || return 1
    fi
    tobrik_x86_host_binfmt || return 1
  fi
  if [[ $(cat "$TOBRIK_DEB_CACHE/root.stamp" 2>/dev/null) != "$TOBRIK_DEB_SUITE $TOBRIK_DEB_PACKAGES" ]]; then
    tobrik_say "making the $TOBRIK_DEB_ARCH root with $TOBRIK_DEB_SUITE's Wine in $TOBRIK_DEB_CACHE, a few minutes (output in $TOBRIK_LOG)"
    tobrik_x86_make_root || return 1
  fi
  if ! tobrik_quiet "Wine in the $TOBRIK_DEB_ARCH root" "$TOBRIK_DEB_WINE" --version; then
    tobrik_say "the $TOBRIK_DEB_ARCH root in $TOBRIK_DEB_CACHE does not run its Wine; remove $TOBRIK_DEB_CACHE to set it up again"
    return 1
  fi
}

# tobrik_x86_start_wine ARCH: switches the Wine helpers of lib.sh to the Wine of the root of ARCH, with a
# fresh prefix under /tmp (the root sees the host's /tmp) and a persistent wineserver of its own.
tobrik_x86_start_wine() {
  tobrik_deb_root "$1"
  # shellcheck disable=SC2034 # read by lib.sh
  TOBRIK_WINE_RUN=("$TOBRIK_DEB_WINE" --exec)
  TMPDIR=/tmp tobrik_temp_prefix
  tobrik_start_wine
}
