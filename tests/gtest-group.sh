#!/usr/bin/env bash
# Runs a group of cases of a GoogleTest program in one process, where a process start is dear (the 32-bit
# build under the emulator), and then the cases that did not pass once more, in one process again: like
# ctest's --repeat until-pass:2 for a test per case, only a case that fails twice fails the group.
#   gtest-group.sh CASE-SECONDS FILTER COMMAND...
# COMMAND runs the program (e.g. scripts/wine32 e2e_tests.exe) and gets --gtest_filter. The program's own
# output passes through, so each case's result stays in ctest's log. A case that runs longer than
# CASE-SECONDS ends the program; the cases after it run in the second process.
set -uo pipefail

limit=$1 filter=$2
shift 2
passed=()
ran=0
status=0

# run FILTER: runs the cases of FILTER, adds those that passed to `passed`, sets `ran` and `status`.
run() {
  local case= started=$SECONDS line left rc out pid
  exec {out}< <(exec "${command[@]}" --gtest_filter="$1" --gtest_color=no 2>&1)
  pid=$!
  status=0
  while :; do
    left=$((started + limit - SECONDS)) rc=142
    ((left <= 0)) || { IFS= read -r -t "$left" -u "$out" line && rc=0 || rc=$?; }
    if ((rc != 0)); then
      if ((rc > 128)); then
        printf '%s: %s ran longer than %s s; ending the program\n' "${0##*/}" "${case:-the program}" "$limit"
        kill "$pid" 2>/dev/null
        status=124
      fi
      break
    fi
    line=${line%$'\r'} # Wine's console writes CRLF
    printf '%s\n' "$line"
    case $line in
    '[ RUN      ] '*)
      case=${line#'[ RUN      ] '}
      started=$SECONDS
      ran=$((ran + 1))
      ;;
    '[       OK ] '*)
      [[ -n $case ]] && passed+=("$case")
      case=
      started=$SECONDS
      ;;
    esac
  done
  exec {out}<&-
  rc=0
  wait "$pid" || rc=$?
  ((status != 0)) || status=$rc
}

command=("$@")
run "$filter"
if ((status == 0 && ran == 0)); then
  printf '%s: no case matches %s\n' "${0##*/}" "$filter"
  exit 1
fi
((status == 0)) && exit 0

# The cases that failed, and those that a crash or a time-out kept from running.
retry=$filter
if ((${#passed[@]} > 0)); then
  retry+=-$(
    IFS=:
    printf '%s' "${passed[*]}"
  )
fi
printf '%s: the program ended with %s; running the cases that did not pass once more\n' "${0##*/}" "$status"
run "$retry"
exit "$status"
