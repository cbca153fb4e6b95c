#!/usr/bin/env bash
# Runs a group of cases of a GoogleTest program in one process, where a process start is dear (the 32-bit
# build under the emulator), and then each case that failed once more in a process of its own: like
# ctest's --repeat until-pass:2 for a test per case, only a case that fails twice fails the group, and its
# second run is as alone as it would be there.
#   gtest-group.sh CASE-SECONDS FILTER COMMAND...
# COMMAND runs the program (e.g. scripts/wine32 e2e_tests.exe) and gets --gtest_filter. The program's own
# output passes through, so each case's result stays in ctest's log. A case that runs longer than
# CASE-SECONDS ends the program and what it started; like a crash, that fails the case, and the cases after it
# run in a next process. Every case that passed only on its second run is named at the end, with its first
# failure:
#   gtest-group.sh: passed on retry: CASE: FIRST FAILURE
set -uo pipefail
shopt -s extglob

limit=$1 filter=$2
shift 2
command=("$@")
passed=()
failed=()
ran=0
declare -A reason=() # each failed case's first failure
# The program's processes carry this in their environment, and so does every process they start: Wine starts
# a Windows program's process detached from its parent, so only the mark finds them all.
mark=$$.$RANDOM

# end_started: ends every process of the program and what it started that is still there, and names them;
# not Wine's own (its desktop, its services), which a program starts when it needs them and which serve the
# programs of the groups after it.
end_started() {
  local file pid program
  while IFS= read -r file; do
    pid=${file#/proc/} pid=${pid%/environ}
    program=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
    [[ ${program,,} != *"c:\\windows\\"* ]] || continue
    printf '%s: ending %s, left behind\n' "${0##*/}" "$program"
    kill -KILL "$pid" 2>/dev/null
  done < <(grep -lszxF "TOBRIK_GROUP_RUN=$mark" /proc/[0-9]*/environ)
}

# run FILTER: runs the cases of FILTER and adds them to `passed` or `failed`; sets `ran` (cases started so
# far), `status` (the program's) and `finished` (whether it got to its summary).
run() {
  local case='' started=$SECONDS line left rc out pid grab=0
  exec {out}< <(TOBRIK_GROUP_RUN=$mark exec "${command[@]}" --gtest_filter="$1" --gtest_color=no 2>&1)
  pid=$!
  status=0 finished=0
  while :; do
    left=$((started + limit - SECONDS)) rc=142
    ((left <= 0)) || { IFS= read -r -t "$left" -u "$out" line && rc=0 || rc=$?; }
    if ((rc != 0)); then
      if ((rc > 128)); then
        printf '%s: %s ran longer than %s s; ending the program\n' "${0##*/}" "${case:-the program}" "$limit"
        end_started
        status=124
        [[ -z $case || -n ${reason[$case]:-} ]] || reason[$case]="ran longer than $limit s"
      fi
      break
    fi
    line=${line%$'\r'} # Wine's console writes CRLF
    printf '%s\n' "$line"
    # The first failure's place and the few lines of its message.
    if [[ -n $case && -z ${reason[$case]:-} && $line == *': Failure' ]]; then
      reason[$case]=${line##*[\\/]} grab=4
      continue
    elif ((grab > 0)) && [[ -n $line && $line != '['* ]]; then
      line=${line##+( )} grab=$((grab - 1))
      reason[$case]+=" ${line//+( )/ }"
      continue
    fi
    grab=0
    case $line in
    '[ RUN      ] '*)
      case=${line#'[ RUN      ] '}
      started=$SECONDS
      ran=$((ran + 1))
      ;;
    '[       OK ] '* | '[  FAILED  ] '*)
      if [[ -n $case ]]; then
        if [[ $line == '[       OK ]'* ]]; then passed+=("$case"); else failed+=("$case"); fi
      fi
      case=
      started=$SECONDS
      ;;
    '[==========] '*' ran.'*) finished=1 ;;
    esac
  done
  [[ -z $case ]] || failed+=("$case") # the case that crashed or ran too long
  exec {out}<&-
  rc=0
  wait "$pid" || rc=$?
  ((status != 0)) || status=$rc
  [[ -z $case || -n ${reason[$case]:-} ]] || reason[$case]="the program ended with $status"
  end_started
}

run "$filter"
if ((status == 0 && ran == 0)); then
  printf '%s: no case matches %s\n' "${0##*/}" "$filter"
  exit 1
fi
# A program that crashed, ran too long or did not start leaves cases unrun: they run in a next process.
while ((status != 0 && !finished)); do
  before=$ran
  done_cases=("${passed[@]}" "${failed[@]}")
  rest=$filter
  ((${#done_cases[@]} == 0)) || rest+=-$(
    IFS=:
    printf '%s' "${done_cases[*]}"
  )
  printf '%s: the program ended with %s before its last case; running the rest\n' "${0##*/}" "$status"
  run "$rest"
  ((ran > before)) || break
done
if ((status != 0 && ${#failed[@]} == 0)); then
  printf '%s: the program ended with %s, with no case failed\n' "${0##*/}" "$status"
  exit 1
fi

result=0
first=("${failed[@]}")
retried=()
for case in "${first[@]}"; do
  printf '%s: %s failed; running it once more, alone\n' "${0##*/}" "$case"
  run "$case"
  if ((status == 0 && finished)); then
    retried+=("$case: ${reason[$case]:-no message}")
  else
    result=1
  fi
done
for case in "${retried[@]}"; do
  printf '%s: passed on retry: %s\n' "${0##*/}" "$case"
done
exit "$result"
