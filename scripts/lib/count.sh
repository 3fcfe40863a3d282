# Counting of test cases across levels. Every level reports through these functions. Skipped cases
# are counted apart, never as passed, and only when they name a tool this machine lacks; a level that
# passes fewer cases than its minimum fails (the minimums are in scripts/test), so a lost program, a
# glob typo, a filter that matches nothing or cases that skip cannot pass silently.
KV_PASSED=0
KV_FAILED=0
KV_SKIPPED=0
KV_FAILURES=()

kv_fail() {  # what failed; counts as one failed case
  KV_FAILED=$((KV_FAILED + 1))
  KV_FAILURES+=("$1")
}

# kv_level NAME LEAST ... kv_level_end: the cases passed in between must be at least LEAST.
kv_level() {
  KV_LEVEL=$1 KV_LEAST=$2 KV_LEVEL_FROM=$KV_PASSED
}
kv_level_end() {
  local passed=$((KV_PASSED - KV_LEVEL_FROM))
  if [ "$passed" -lt "$KV_LEAST" ]; then
    echo "   level $KV_LEVEL passed $passed cases, fewer than its minimum of $KV_LEAST"
    kv_fail "level $KV_LEVEL: $passed cases passed, at least $KV_LEAST expected"
  fi
}

# GoogleTest's line that ends a skipped case; CTest's verbose log puts "N: " in front.
KV_SKIP_LINE='^([0-9]+: )?\[  SKIPPED \] [^ ]+ \([0-9]+ ms\)$'

# The skips of a log for a tool this machine has (the reason, "needs TOOL", is the line before
# GoogleTest's skip line): the case could have run. Printed, then counted. A skip that names no
# tool fails its program (tests/support/RunCases.h).
kv_needless_skips() {  # log
  local n=0 tool
  for tool in $(grep -B1 -E "$KV_SKIP_LINE" "$1" 2>/dev/null | sed -nE 's/^([0-9]+: )?needs ([^ ]+).*/\2/p'); do
    if command -v "$tool" >/dev/null; then
      echo "   skipped, though this machine has $tool" >&2
      n=$((n + 1))
    fi
  done
  echo "$n"
}

# "passed failed skipped" from the summaries of GoogleTest logs, added up. A log that ends without
# GoogleTest's closing line, or that ran no case, counts as one failed case more; a skip that names no
# tool, or one this machine has, counts as failed, not skipped.
KV_GTEST_END='^\[==========\] [0-9]+ tests? from .* ran'
kv_gtest_counts() {
  local log kind passed=0 failed=0 skipped=0 n counts
  for log in "$@"; do
    counts=()
    for kind in PASSED FAILED SKIPPED; do
      n=$(grep -E "^\[ +$kind +\] [0-9]+ tests?" "$log" 2>/dev/null | tail -1 | grep -oE '[0-9]+' | head -1)
      counts+=("${n:-0}")
    done
    n=$(($(kv_needless_skips "$log") + $(grep -cE '^\[  FAILED  \] .* skipped without naming a tool$' "$log" 2>/dev/null)))
    counts[1]=$((counts[1] + n)) counts[2]=$((counts[2] - n))
    grep -qE "$KV_GTEST_END" "$log" 2>/dev/null && [ $((counts[0] + counts[1] + counts[2])) -gt 0 ] ||
      counts[1]=$((counts[1] + 1))
    passed=$((passed + counts[0])) failed=$((failed + counts[1])) skipped=$((skipped + counts[2]))
  done
  echo "$passed $failed $skipped"
}

# Adds "passed failed skipped" to the totals under a name; failures are listed under it.
kv_add() {  # name passed failed skipped
  KV_PASSED=$((KV_PASSED + $2))
  KV_FAILED=$((KV_FAILED + $3))
  KV_SKIPPED=$((KV_SKIPPED + $4))
  [ "$3" -gt 0 ] && KV_FAILURES+=("$1: $3 failed")
  echo "   $2 passed, $3 failed, $4 skipped"
}

# Runs a GoogleTest program and counts its cases. A program that ends without GoogleTest's
# summary (crash, sanitizer abort, failed start), that runs no case, or with an exit status its summary
# does not explain, counts as one failed case more.
kv_gtest() {
  local name=$1; shift
  local log="$logs/$(echo "$name" | tr -c 'A-Za-z0-9._-' _).log"
  echo "== $name"
  timeout ${KV_PROGRAM_TIMEOUT:-300} "$@" >"$log" 2>&1
  local rc=$? counts
  counts=($(kv_gtest_counts "$log"))
  if ! grep -qE "$KV_GTEST_END" "$log"; then
    tail -30 "$log"
    echo "   ended without GoogleTest's summary (exit $rc)"
  elif [ $rc -ne 0 ] && [ "${counts[1]}" -eq 0 ]; then
    counts[1]=1
    tail -30 "$log"
    echo "   exit $rc without a test failure"
  fi
  grep -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u | while read -r l; do echo "   $l"; done
  kv_add "$name" "${counts[@]}"
}

# Runs a CTest preset and counts its cases.
kv_ctest() {
  local preset=$1
  local log="$logs/ctest-$preset.log"
  echo "== ctest --preset $preset"
  # Verbose: the output of skipped cases shows whether they were clean skips.
  timeout "${KV_PROGRAM_TIMEOUT:-300}" ctest --preset "$preset" -V >"$log" 2>&1
  kv_add "ctest $preset" $(kv_ctest_counts "$log" $?)
}

# "passed failed skipped" of a verbose CTest log and CTest's exit status. A run without CTest's
# summary (a build or discovery failure, a filter that matches nothing) or whose exit status it does
# not explain counts as one failed case. Disabled cases count as failed, and so do skips that are not
# clean: CTest takes any output with GoogleTest's skip mark for a skip, whatever the exit status, so a
# skip counts only when GoogleTest's list of skipped cases ends the case's output (no sanitizer report
# after it) and it names a tool this machine lacks.
kv_ctest_counts() {  # log status
  local log=$1 rc=$2 summary failed total skipped=0 id last
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$summary" ]; then
    tail -30 "$log" >&2
    echo "0 1 0"
    return
  fi
  failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
  failed=$((failed + $(grep -cE '^\s+[0-9]+ - .* \(Disabled\)$' "$log") + $(kv_needless_skips "$log")))
  for id in $(sed -nE 's/^\s+([0-9]+) - .* \(Skipped\)$/\1/p' "$log"); do
    last=$(grep -E "^$id: .*[^ ]" "$log" | tail -1)
    if [[ $last =~ ^$id:\ \[\ \ SKIPPED\ \]\ [^\ ]+$ ]]; then
      skipped=$((skipped + 1))
    else
      echo "   a skip followed by more output: $last" >&2
      failed=$((failed + 1))
    fi
  done
  skipped=$((skipped - $(kv_needless_skips "$log" 2>/dev/null)))
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    tail -30 "$log" >&2
    failed=1
  fi
  [ "$failed" -gt 0 ] && sed -n '/The following tests/,$p' "$log" | head -40 >&2
  echo "$((total - failed - skipped > 0 ? total - failed - skipped : 0)) $failed $skipped"
}

# Adds a check of the plumbing as one case: passed when what it found is what it expected.
kv_expect() {  # name expected found
  echo "== canary: $1"
  if [ "$2" = "$3" ]; then
    KV_PASSED=$((KV_PASSED + 1))
  else
    echo "   expected $2, found $3"
    kv_fail "canary: $1"
  fi
}

# Runs one command as one case.
kv_case() {
  local name=$1; shift
  local log="$logs/$(echo "$name" | tr -c 'A-Za-z0-9._-' _).log"
  echo "== $name"
  if timeout ${KV_PROGRAM_TIMEOUT:-300} "$@" >"$log" 2>&1; then
    KV_PASSED=$((KV_PASSED + 1))
  else
    tail -30 "$log"
    kv_fail "$name"
  fi
}

# The last line: "N passed, N failed, N skipped"; succeeds when nothing failed and something passed.
kv_summary() {
  local f
  for f in "${KV_FAILURES[@]}"; do echo "FAILED: $f"; done
  echo "$KV_PASSED passed, $KV_FAILED failed, $KV_SKIPPED skipped"
  [ "$KV_FAILED" -eq 0 ] && [ "$KV_PASSED" -gt 0 ]
}
