#!/usr/bin/env bash
# Checks that the groups tests/CMakeLists.txt makes of a GoogleTest program's cases (gtest-group.sh runs
# each) run every case the program itself lists, each in exactly one group: the groups are read from the
# sources, and a case they miss would never run.
#   gtest-groups-check.sh FILTER... -- COMMAND...
# Each FILTER is one group's --gtest_filter (patterns joined by ':'); COMMAND runs the program.
set -uo pipefail

filters=()
while (($# > 0)) && [[ $1 != -- ]]; do
  filters+=("$1")
  shift
done
shift
listing=$("$@" --gtest_list_tests) || {
  printf '%s: the program did not list its cases:\n%s\n' "${0##*/}" "$listing"
  exit 1
}

# The listing: "Suite." then "  Case" lines, either maybe followed by "  # GetParam() = ...".
suite='' cases=0 wrong=0
while IFS= read -r line; do
  line=${line%$'\r'} # Wine's console writes CRLF
  line=${line%%  #*}
  if [[ $line != ' '* ]]; then
    suite=$line
    continue
  fi
  name=$suite${line##* } groups=0
  for filter in "${filters[@]}"; do
    IFS=: read -ra patterns <<<"$filter"
    for pattern in "${patterns[@]}"; do
      # shellcheck disable=SC2053 # the pattern is a glob, as GoogleTest's are
      if [[ $name == $pattern ]]; then
        groups=$((groups + 1))
        break
      fi
    done
  done
  cases=$((cases + 1))
  if ((groups != 1)); then
    printf '%s: %s runs in %s groups\n' "${0##*/}" "$name" "$groups"
    wrong=$((wrong + 1))
  fi
done <<<"$listing"
printf '%s: %s cases listed, %s not run exactly once by the %s groups\n' "${0##*/}" "$cases" "$wrong" "${#filters[@]}"
((cases > 0 && wrong == 0))
