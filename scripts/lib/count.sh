# Counting of test cases across levels. Every level reports through these functions.
KV_PASSED=0
KV_FAILED=0
KV_FAILURES=()

kv_fail() {  # what failed; counts as one failed case
  KV_FAILED=$((KV_FAILED + 1))
  KV_FAILURES+=("$1")
}

# Runs a GoogleTest program and counts its cases. A program that ends without GoogleTest's
# summary (crash, sanitizer abort, failed start) counts as one failed case more.
kv_gtest() {
  local name=$1; shift
  local log="$logs/$(echo "$name" | tr -c 'A-Za-z0-9._-' _).log"
  echo "== $name"
  timeout ${KV_PROGRAM_TIMEOUT:-300} "$@" >"$log" 2>&1
  local rc=$?
  local passed failed
  passed=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$log" | tail -1 | grep -oE '[0-9]+' | head -1)
  failed=$(grep -E '^\[  FAILED  \] [0-9]+ test' "$log" | tail -1 | grep -oE '[0-9]+' | head -1)
  passed=${passed:-0}
  failed=${failed:-0}
  KV_PASSED=$((KV_PASSED + passed))
  KV_FAILED=$((KV_FAILED + failed))
  if [ "$failed" -gt 0 ]; then
    grep -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u | while read -r l; do echo "   $l"; done
    KV_FAILURES+=("$name: $failed failed")
  fi
  if [ $rc -ne 0 ] && [ "$failed" -eq 0 ]; then
    tail -30 "$log"
    kv_fail "$name (exit $rc without a test failure)"
  fi
  echo "   $passed passed, $failed failed"
}

# Runs a CTest preset and counts its cases from CTest's summary; a run without one (a build or
# discovery failure) counts as one failed case.
kv_ctest() {
  local preset=$1
  local log="$logs/ctest-$preset.log"
  echo "== ctest --preset $preset"
  timeout "${KV_PROGRAM_TIMEOUT:-300}" ctest --preset "$preset" >"$log" 2>&1
  local summary
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$summary" ]; then
    tail -30 "$log"
    kv_fail "ctest $preset (no summary)"
    return
  fi
  local failed total
  failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
  KV_PASSED=$((KV_PASSED + total - failed))
  KV_FAILED=$((KV_FAILED + failed))
  if [ "$failed" -gt 0 ]; then
    sed -n '/The following tests FAILED/,$p' "$log" | head -40
    KV_FAILURES+=("ctest $preset: $failed failed")
  fi
  echo "   $((total - failed)) passed, $failed failed"
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

kv_summary() {
  local f
  for f in "${KV_FAILURES[@]}"; do echo "FAILED: $f"; done
  echo "$KV_PASSED passed, $KV_FAILED failed"
  [ "$KV_FAILED" -eq 0 ] && [ "$KV_PASSED" -gt 0 ]
}
