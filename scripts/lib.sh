# shellcheck shell=bash
# Shared pieces of scripts/test and scripts/run: installing missing tools, a private
# Xvfb display, a Wine prefix with a persistent wineserver, and cleaning all of it up.
# Source it after `set -euo pipefail`; it defines functions and a few TOBRIK_* variables.

TOBRIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Where the noisy steps (apt, cmake configure, wineboot, Xvfb) write; callers set it.
TOBRIK_LOG=${TOBRIK_LOG:-$TOBRIK_ROOT/build/scripts.log}

# What a step needs, one "check package" pair per line. The check is a command name,
# an absolute path that must exist, or "-" for the package itself being installed.
# shellcheck disable=SC2034 # used by the scripts that source this file
TOBRIK_BUILD_TOOLS='
cmake cmake
make make
x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix
x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
i686-w64-mingw32-windres binutils-mingw-w64-i686
/usr/src/googletest/CMakeLists.txt googletest
'
# The release packages and the installer tests: the ZIP, the Windows Installer package (wixl, with
# msitools' msibuild to finish it and faketime to date it), their checks; signing them, reading the
# winget manifest back, and the program's PE headers (pefile).
# shellcheck disable=SC2034
TOBRIK_PACKAGE_TOOLS='
zip zip
wixl wixl
msibuild msitools
msiinfo msitools
faketime faketime
sha256sum coreutils
osslsigncode osslsigncode
openssl openssl
- python3-yaml
- python3-pefile
'
# Wine only recommends its fonts and the X extension libraries that its X11 driver loads
# when present; without them dialogs get other metrics and layered windows, the cursor and
# input take other paths, so they are listed one by one.
# shellcheck disable=SC2034
TOBRIK_WINE_TOOLS='
wine wine
wineserver wine
/usr/lib/wine/wine64 wine64
Xvfb xvfb
xdpyinfo x11-utils
timeout coreutils
- fonts-wine
- fonts-liberation
- libxrender1
- libxrandr2
- libxcursor1
- libxfixes3
- libxi6
- libxinerama1
- libxcomposite1
- libxxf86vm1
'

# The tests' display with two monitors (tobrik_start_two_monitors).
# shellcheck disable=SC2034
TOBRIK_DISPLAY_TOOLS='
Xorg xserver-xorg-core
/usr/lib/xorg/modules/drivers/dummy_drv.so xserver-xorg-video-dummy
xrandr x11-xserver-utils
'

tobrik_say() { printf '%s: %s\n' "${0##*/}" "$*" >&2; }

# Prints the end of the log so a failed quiet step can be understood.
tobrik_show_log() {
  [[ -f $TOBRIK_LOG ]] || return 0
  printf -- '--- last lines of %s ---\n' "$TOBRIK_LOG" >&2
  tail -n 40 "$TOBRIK_LOG" >&2
  printf -- '---\n' >&2
}

# tobrik_quiet WHAT COMMAND...: runs COMMAND with its output in the log; on failure
# says WHAT failed, shows the log's tail and returns COMMAND's status.
tobrik_quiet() {
  local what=$1 status=0
  shift
  printf '\n=== %s: %s\n' "$what" "$*" >>"$TOBRIK_LOG"
  "$@" >>"$TOBRIK_LOG" 2>&1 </dev/null || status=$?
  if ((status != 0)); then
    tobrik_say "$what failed (exit $status)"
    tobrik_show_log
  fi
  return "$status"
}

tobrik_init_log() {
  mkdir -p "$(dirname "$TOBRIK_LOG")"
  : >"$TOBRIK_LOG"
}

# tobrik_require LIST...: installs the Debian packages of every missing entry of the
# given lists (see TOBRIK_BUILD_TOOLS), with one apt-get update before the install.
tobrik_require() {
  local list check pkg
  local -a missing=()
  for list in "$@"; do
    while read -r check pkg; do
      [[ -n $check ]] || continue
      if [[ $check == - ]]; then
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q ' installed$' && continue
      elif [[ $check == /* ]]; then
        [[ -e $check ]] && continue
      else
        command -v "$check" >/dev/null 2>&1 && continue
      fi
      [[ " ${missing[*]} " == *" $pkg "* ]] || missing+=("$pkg")
    done <<<"$list"
  done
  ((${#missing[@]} == 0)) && return 0

  if [[ $(id -u) -ne 0 ]]; then
    tobrik_say "missing packages: ${missing[*]}"
    tobrik_say "install them with: sudo apt-get install --no-install-recommends ${missing[*]}"
    exit 1
  fi
  tobrik_say "installing ${missing[*]} (output in $TOBRIK_LOG)"
  tobrik_quiet "apt-get update" apt-get update || exit 1
  tobrik_quiet "apt-get install" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}" || exit 1
  # wine's commands are set up as alternatives by its install scripts; make sure they resolve now.
  hash -r
}

# tobrik_build_in WHAT DIR CONFIGURE-ARGS... [-- BUILD-ARGS...]: configures the build in DIR with cmake's
# CONFIGURE-ARGS and builds it. The configure chatter goes to the log; the build's output is shown only
# when the build fails, and a failure ends the script.
tobrik_build_in() {
  local what=$1 dir=$2 out status=0
  shift 2
  local -a configure=()
  while (($# > 0)) && [[ $1 != -- ]]; do
    configure+=("$1")
    shift
  done
  (($# == 0)) || shift
  tobrik_say "building $what"
  tobrik_quiet "configure $what" cmake "${configure[@]}" || exit 1
  out=$(cmake --build "$dir" -j2 "$@" 2>&1 </dev/null) || status=$?
  printf '\n=== build %s\n%s\n' "$what" "$out" >>"$TOBRIK_LOG"
  if ((status != 0)); then
    # Drop make's progress lines so the compiler's messages stand out.
    grep -v -E '^\[ *[0-9]+%\] |^g?make(\[[0-9]+\])?: (Entering|Leaving) directory' <<<"$out" >&2 || true
    tobrik_say "build of $what failed"
    exit 1
  fi
}

# tobrik_build PRESET [BUILD-ARGS...]: configures and builds one preset in build/PRESET.
tobrik_build() {
  local preset=$1
  shift
  tobrik_build_in "$preset" "build/$preset" --preset "$preset" -- "$@"
}

# tobrik_poll TRIES INTERVAL COMMAND...: runs COMMAND until it succeeds, at most TRIES
# times, INTERVAL seconds apart. Returns 0 as soon as it succeeds, 1 if it never did.
tobrik_poll() {
  local tries=$1 interval=$2 i
  shift 2
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep "$interval"
  done
  return 1
}

# ---- Xvfb -------------------------------------------------------------------------

TOBRIK_XVFB_PID=
TOBRIK_XVFB_DISPLAY=

tobrik_pid_gone() { ! kill -0 "$1" 2>/dev/null; }

# A display is taken if its lock file or socket is in /tmp, or, since a run may have a /tmp of its own
# (tobrik_isolate), if another server holds its abstract socket, which all runs of this machine share.
tobrik_display_free() {
  [[ ! -e /tmp/.X$1-lock && ! -e /tmp/.X11-unix/X$1 ]] && ! grep -q "@/tmp/.X11-unix/X$1\$" /proc/net/unix
}

# tobrik_start_x SERVER ARGS...: starts the X server SERVER with ARGS on the first free display from :91 up
# and exports DISPLAY. The server writes the number to -displayfd once it listens on all its sockets; a
# server that finds one of them taken (another started between the probe and the start) exits without
# writing, and the next number is tried. Asking the display itself whether it answers would not do: a client
# may reach the other server through its abstract socket.
tobrik_start_x() {
  local n fd answer
  for ((n = 91; n < 200; n++)); do
    tobrik_display_free "$n" || continue
    TOBRIK_XVFB_DISPLAY=:$n
    printf '\n=== %s %s\n' "$1" "$TOBRIK_XVFB_DISPLAY" >>"$TOBRIK_LOG"
    exec {fd}< <(exec "$@" "$TOBRIK_XVFB_DISPLAY" -nolisten tcp -displayfd 3 3>&1 >>"$TOBRIK_LOG" 2>&1 </dev/null)
    TOBRIK_XVFB_PID=$!
    answer=
    read -r -t 20 -u "$fd" answer || true
    exec {fd}<&-
    if [[ $answer == "$n" ]]; then
      export DISPLAY=$TOBRIK_XVFB_DISPLAY
      return 0
    fi
    tobrik_stop_xvfb
  done
  tobrik_say "could not start $1 on any display from :91 to :199"
  tobrik_show_log
  return 1
}

# A private Xvfb with one 1280 x 1024 screen.
tobrik_start_xvfb() {
  tobrik_start_x Xvfb -screen 0 1280x1024x24
}

# A private Xorg with two monitors of different sizes, as a presenter's laptop and projector: the primary
# 1280 x 1024 at (0, 0) and a 1024 x 768 one left of it, at negative x. Xvfb cannot place its screens so.
# Xorg's dummy driver offers outputs DUMMY0 to DUMMY15; -noreset keeps the mode added below when xrandr
# disconnects, and Wine uses the RandR layout only when each output has more than one mode. Its log goes
# to the build tree, not the host's /var/log.
tobrik_start_two_monitors() {
  local conf=$TOBRIK_ROOT/build/xorg-two-monitors.conf
  printf '%s\n' 'Section "Device"' ' Identifier "dummy"' ' Driver "dummy"' ' VideoRam 65536' 'EndSection' \
    'Section "Monitor"' ' Identifier "monitor"' ' HorizSync 5.0-1000.0' ' VertRefresh 5.0-200.0' 'EndSection' \
    'Section "Screen"' ' Identifier "screen"' ' Device "dummy"' ' Monitor "monitor"' ' DefaultDepth 24' \
    ' SubSection "Display"' '  Depth 24' '  Modes "1280x1024" "1024x768"' '  Virtual 2304 1024' \
    ' EndSubSection' 'EndSection' >"$conf"
  tobrik_start_x Xorg -config "$conf" -noreset -logfile "$TOBRIK_ROOT/build/xorg.log" || return 1
  # Wine 8 in a fresh prefix sees the second monitor only once a client has asked for the layout after it
  # was set, hence the last query.
  tobrik_quiet "two monitors" xrandr --addmode DUMMY1 1024x768 &&
    tobrik_quiet "two monitors" xrandr --output DUMMY0 --primary --mode 1280x1024 \
      --output DUMMY1 --mode 1024x768 --left-of DUMMY0 &&
    tobrik_quiet "two monitors" xrandr --listmonitors
}

tobrik_stop_xvfb() {
  [[ -n $TOBRIK_XVFB_PID ]] || return 0
  kill "$TOBRIK_XVFB_PID" 2>/dev/null || true
  tobrik_poll 100 0.05 tobrik_pid_gone "$TOBRIK_XVFB_PID" ||
    kill -KILL "$TOBRIK_XVFB_PID" 2>/dev/null || true
  wait "$TOBRIK_XVFB_PID" 2>/dev/null || true
  TOBRIK_XVFB_PID=
}

# ---- Wine ---------------------------------------------------------------------------

TOBRIK_TEMP_PREFIX=
TOBRIK_WINESERVER_STARTED=
# What runs Wine's own commands (wine, wineserver): nothing for the host's Wine; scripts/lib-x86.sh
# points it into the i386 root for the 32-bit build.
TOBRIK_WINE_RUN=()

# The environment every Wine process of ours runs with: no debug chatter, and no
# Mono or Gecko installer popping up while the prefix is created.
tobrik_wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
}

# Points WINEPREFIX at a fresh temporary directory that cleanup removes.
tobrik_temp_prefix() {
  TOBRIK_TEMP_PREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tobrik-wineprefix.XXXXXX")
  export WINEPREFIX=$TOBRIK_TEMP_PREFIX
}

# Starts a persistent wineserver for WINEPREFIX and initialises the prefix, so each
# later Wine process starts in a fraction of a second. The server stays up while a
# minute passes without a Wine process, far longer than the gap between two tests, and
# then ends by itself: one whose script died does not outlive it for long.
tobrik_start_wine() {
  tobrik_wine_env
  tobrik_quiet "wineserver -p60" "${TOBRIK_WINE_RUN[@]}" wineserver -p60 || return 1
  TOBRIK_WINESERVER_STARTED=1
  local t0=$SECONDS
  tobrik_quiet "wineboot -i" timeout 180 "${TOBRIK_WINE_RUN[@]}" wine wineboot.exe -i || return 1
  printf '=== wineboot took %ss\n' $((SECONDS - t0)) >>"$TOBRIK_LOG"
  # The fonts Wine ships (fonts-wine) do not reach a new prefix here: C:\windows\Fonts stays empty. Dialog
  # texts would then be drawn and measured in a wider fallback font that cuts labels short, and the caption
  # buttons, drawn with Marlett, would show its letters "0 1 r". Windows has these fonts, so every prefix
  # gets them.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || return 1
  # The dialogs' face, Microsoft Sans Serif, is one of Windows' own, which Wine lacks; Liberation Sans
  # (fonts-liberation) takes its place, a face of the same family's widths, so that dialogs are drawn and
  # measured as on Windows. The prefix holds it: Wine does not find the system's fonts in every root.
  cp /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
    return 1
  tobrik_quiet "the dialog font" timeout 60 "${TOBRIK_WINE_RUN[@]}" wine reg.exe add \
    'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft Sans Serif' /t REG_SZ /d 'Liberation Sans' /f ||
    return 1
  tobrik_hold_desktop || return 1
  # A private Xvfb has no window manager. Wine then waits 2 s for one to withdraw every
  # visible window that is hidden or destroyed; unmanaged windows skip that wait.
  # TOBRIK_WINE_MANAGED=1 keeps Wine's default.
  if [[ ${TOBRIK_WINE_MANAGED:-0} != 1 ]]; then
    tobrik_quiet "unmanaged X11 windows" timeout 60 "${TOBRIK_WINE_RUN[@]}" wine reg.exe add \
      'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f || return 1
  fi
}

# Windows keeps a session's desktop until the session ends. Wine ends its desktop a second after the last
# program on it has gone, and the next program gets a new one, on which Wine 10 refuses every injected input
# (SendInput fails with ERROR_ACCESS_DENIED) for good; between two test programs the desktop would come and
# go. A program that waits for ever, started before the first desktop can end, holds it as long as the
# wineserver runs: cmd.exe reading a line from a pipe that nobody writes to.
TOBRIK_DESKTOP_HOLD=
tobrik_hold_desktop() {
  local pipe=$WINEPREFIX/desktop-hold
  mkfifo "$pipe" && exec {TOBRIK_DESKTOP_HOLD}<>"$pipe" || return 1
  "${TOBRIK_WINE_RUN[@]}" wine cmd.exe /c "set /p =" <"$pipe" >>"$TOBRIK_LOG" 2>&1 {TOBRIK_DESKTOP_HOLD}>&- &
}

tobrik_stop_wine() {
  [[ -n $TOBRIK_WINESERVER_STARTED ]] || return 0
  timeout 20 "${TOBRIK_WINE_RUN[@]}" wineserver -k >>"$TOBRIK_LOG" 2>&1 || true
  timeout 20 "${TOBRIK_WINE_RUN[@]}" wineserver -w >>"$TOBRIK_LOG" 2>&1 || true
  TOBRIK_WINESERVER_STARTED=
  if [[ -n $TOBRIK_DESKTOP_HOLD ]]; then
    exec {TOBRIK_DESKTOP_HOLD}>&-
    TOBRIK_DESKTOP_HOLD=
  fi
}

# Stops the wineserver and removes the temporary prefix, so another Wine can start on the same display.
tobrik_end_wine() {
  tobrik_stop_wine
  if [[ -n $TOBRIK_TEMP_PREFIX ]]; then
    rm -rf -- "$TOBRIK_TEMP_PREFIX"
    TOBRIK_TEMP_PREFIX=
  fi
}

# ---- Cleanup ------------------------------------------------------------------------

# tobrik_isolate ARGS...: runs the calling script again, with ARGS, as the first process of a PID
# namespace and a mount namespace of its own with an empty /tmp, and exits with its status. Everything the
# run starts (Xvfb, Wine, the emulator) ends with that first process, and its mounts and the files it leaves
# in /tmp (the Wine prefixes, the X socket, the wineserver's directory) go with the namespaces, however the
# run ends: this process, killed by any signal, takes the namespaces' processes with it (unshare itself holds
# off SIGINT and SIGTERM while its child runs, hence the parent-death signal and the traps here). Returns
# inside the namespaces. A work tree under /tmp is mounted back at its own path. Xvfb still sees the
# displays of other runs, whose sockets are also abstract ones outside /tmp, and takes a free number.
tobrik_isolate() {
  (($$ == 1)) && return 0
  local script pid status=0 signal
  script=$(readlink -f "$0")
  # shellcheck disable=SC2016 # expanded by the inner shell
  setpriv --pdeathsig KILL -- unshare --pid --fork --kill-child --mount --propagation private --mount-proc -- \
    bash -c "$(declare -f tobrik_private_tmp)"'; tobrik_private_tmp "$0" && exec "$@"' \
    "$TOBRIK_ROOT" "$script" "$@" <&0 &
  pid=$!
  for signal in INT TERM HUP; do
    # shellcheck disable=SC2064 # the pid is known now
    trap "kill -KILL $pid 2>/dev/null; trap - $signal; kill -$signal \$\$" "$signal"
  done
  wait "$pid" || status=$?
  exit "$status"
}

# tobrik_private_tmp TREE: an empty /tmp in this mount namespace, with TREE at its own path if it lies there.
tobrik_private_tmp() {
  local tree=$1 fd
  exec {fd}<"$tree"
  mount -t tmpfs -o mode=1777 tobrik-tmp /tmp || return 1
  if [[ $tree == /tmp/* ]]; then
    # The open directory, not its name, which now means the empty /tmp's.
    mkdir -p "$tree" && mount --bind --no-canonicalize "/proc/self/fd/$fd" "$tree" || return 1
  fi
  exec {fd}<&-
}

# Ends what the helpers above started, in reverse order; safe to run more than once.
tobrik_cleanup() {
  tobrik_end_wine
  tobrik_stop_xvfb
}

# Runs tobrik_cleanup on every way out: normal end, failure, Ctrl-C, kill.
tobrik_trap_cleanup() {
  trap 'tobrik_cleanup' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
}
