# shellcheck shell=bash
# The 32-bit build's tests run under Debian's 32-bit Wine. This machine's kernel does not execute i386
# programs, so that Wine lives in an i386 Debian root of its own whose programs the kernel hands to qemu's
# i386 emulator through binfmt_misc. scripts/wine32 enters the root; the functions here set it up once
# and cache it outside the work tree, and start a 32-bit prefix in it. Source it after lib.sh.

# Where the root and the emulator are kept between runs.
export TOBRIK_X86_CACHE=${TOBRIK_X86_CACHE:-/var/cache/tobrik-i386}
# The root's suite: Debian 12, whose Wine is the host's.
TOBRIK_X86_SUITE=bookworm
# Wine, the fonts and the X extension libraries of TOBRIK_WINE_TOOLS, for the root's own architecture.
TOBRIK_X86_PACKAGES='wine,wine32,fonts-wine,fonts-liberation,libxrender1,libxrandr2,libxcursor1,libxfixes3,libxi6,libxinerama1,libxcomposite1,libxxf86vm1'
# qemu-user before 10 ignores MAP_FIXED_NOREPLACE: every Wine start then takes minutes and wineboot fails.
TOBRIK_X86_QEMU_MIN=10
# One binfmt_misc entry for each cache, so that a run with a cache of its own never takes away the
# emulator of another's; the newest entry for i386 programs serves.
TOBRIK_X86_BINFMT=tobrik-i386-$(printf '%s' "$TOBRIK_X86_CACHE" | cksum | cut -d ' ' -f 1)

# shellcheck disable=SC2034 # used by the scripts that source this file
TOBRIK_X86_TOOLS='
mmdebstrap mmdebstrap
unshare util-linux
flock util-linux
dpkg-deb dpkg
'

TOBRIK_WINE32=$TOBRIK_ROOT/scripts/wine32

# Prints "URI SUITE" for every Debian source of this host that serves the root's suite or its updates. apt
# lists a source only once it has fetched its index, so an empty answer is asked again after an update.
tobrik_x86_sources() {
  local sources try
  for try in first updated; do
    # shellcheck disable=SC2016 # apt's own placeholders
    sources=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
      awk -v s="$TOBRIK_X86_SUITE" '$2 == s || $2 == s "-updates" || $2 == s "-security"' | sort -u)
    [[ -n $sources || $try == updated ]] && break
    tobrik_quiet "apt-get update" apt-get update >&2 || return 1
  done
  [[ -z $sources ]] || printf '%s\n' "$sources"
}

# The static qemu-i386 of the newest qemu-user that the suite's backports offer, fetched with an apt
# state of its own and unpacked into the cache: nothing is installed on the host.
tobrik_x86_fetch_qemu() {
  local dir=$TOBRIK_X86_CACHE/qemu uri version
  uri=$(tobrik_x86_sources | awk -v s="$TOBRIK_X86_SUITE" '$2 == s {print $1; exit}')
  if [[ -z $uri ]]; then
    tobrik_say "this host's apt sources have no $TOBRIK_X86_SUITE entry to take $TOBRIK_X86_SUITE-backports from"
    return 1
  fi
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
    tobrik_say "$TOBRIK_X86_SUITE-backports offers no qemu-user"
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
  mv -- "$dir/unpacked/usr/bin/qemu-i386" "$dir/qemu-i386"
  rm -rf -- "$dir/deb" "$dir/apt" "$dir/unpacked"
  printf '%s\n' "$version" >"$dir.stamp"
}

# Registers qemu-i386 for i386 programs. F opens the emulator now, so it also runs inside the root; P
# keeps the program's own argv[0]; O hands the program over as an open file.
tobrik_x86_binfmt() {
  local qemu=$TOBRIK_X86_CACHE/qemu/qemu-i386 dir=/proc/sys/fs/binfmt_misc
  if [[ ! -e $dir/register ]]; then
    tobrik_quiet "mount binfmt_misc" mount -t binfmt_misc binfmt_misc "$dir" || return 1
  fi
  if [[ -e $dir/$TOBRIK_X86_BINFMT ]]; then
    if [[ ${1:-} != renew ]] && grep -qx enabled "$dir/$TOBRIK_X86_BINFMT" &&
      grep -qx "interpreter $qemu" "$dir/$TOBRIK_X86_BINFMT"; then
      return 0
    fi
    echo -1 >"$dir/$TOBRIK_X86_BINFMT"
  fi
  printf ':%s:M::%s:%s:%s:POF\n' "$TOBRIK_X86_BINFMT" \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
    '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
    "$qemu" >"$dir/register"
}

# The i386 root with the suite's Wine, built in a fresh directory and renamed into place.
tobrik_x86_make_root() {
  local root=$TOBRIK_X86_CACHE/root uri suite
  local -a mirrors=()
  while read -r uri suite; do
    mirrors+=("deb $uri $suite main")
  done < <(tobrik_x86_sources)
  if ((${#mirrors[@]} == 0)); then
    tobrik_say "this host's apt sources have no $TOBRIK_X86_SUITE entry for the i386 root"
    return 1
  fi
  rm -rf --one-file-system -- "$root" "$root.new" "$root.stamp"
  # Emulation comes from the binfmt_misc entry above, which mmdebstrap's own check does not know by name.
  tobrik_quiet "mmdebstrap i386 $TOBRIK_X86_SUITE" mmdebstrap --mode=root --arch=i386 --variant=essential \
    --skip=check/qemu --include="$TOBRIK_X86_PACKAGES" "$TOBRIK_X86_SUITE" "$root.new" "${mirrors[@]}" ||
    return 1
  mv -- "$root.new" "$root"
  printf '%s %s\n' "$TOBRIK_X86_SUITE" "$TOBRIK_X86_PACKAGES" >"$root.stamp"
}

# Sets up what scripts/wine32 needs, once: a run after a complete setup checks the stamps and the
# binfmt entry in a moment; a setup that was cut short leaves no stamp and is done again. Runs that start
# together (two work trees) take turns, so one does not remove the root that the other is making.
tobrik_x86_setup() {
  local t0=$SECONDS lock status=0
  mkdir -p "$TOBRIK_X86_CACHE"
  exec {lock}>"$TOBRIK_X86_CACHE/setup.lock"
  if ! flock -n "$lock"; then
    tobrik_say "waiting for another run's setup of $TOBRIK_X86_CACHE"
    flock "$lock"
  fi
  tobrik_x86_setup_locked || status=$?
  exec {lock}>&-
  printf '=== i386 root ready after %ss\n' $((SECONDS - t0)) >>"$TOBRIK_LOG"
  return "$status"
}

tobrik_x86_setup_locked() {
  if [[ ! -f $TOBRIK_X86_CACHE/qemu.stamp || ! -x $TOBRIK_X86_CACHE/qemu/qemu-i386 ]]; then
    tobrik_say "fetching qemu-i386 into $TOBRIK_X86_CACHE (output in $TOBRIK_LOG)"
    tobrik_x86_fetch_qemu || return 1
    tobrik_x86_binfmt renew || return 1
  fi
  tobrik_x86_binfmt || return 1
  if [[ $(cat "$TOBRIK_X86_CACHE/root.stamp" 2>/dev/null) != "$TOBRIK_X86_SUITE $TOBRIK_X86_PACKAGES" ]]; then
    tobrik_say "making the i386 root with 32-bit Wine in $TOBRIK_X86_CACHE, a few minutes (output in $TOBRIK_LOG)"
    tobrik_x86_make_root || return 1
  fi
  if ! tobrik_quiet "32-bit Wine in the root" "$TOBRIK_WINE32" --version; then
    tobrik_say "the i386 root in $TOBRIK_X86_CACHE does not run its Wine; remove $TOBRIK_X86_CACHE to set it up again"
    return 1
  fi
}

# Switches the Wine helpers of lib.sh to the root's 32-bit Wine, with a fresh win32 prefix under /tmp (the
# root sees the host's /tmp) and a persistent wineserver of its own.
tobrik_x86_start_wine() {
  # shellcheck disable=SC2034 # read by lib.sh
  TOBRIK_WINE_RUN=("$TOBRIK_WINE32" --exec)
  TMPDIR=/tmp tobrik_temp_prefix
  tobrik_start_wine
}
