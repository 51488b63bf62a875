#!/usr/bin/env bash
# Runs every test: the native tests under ASan+UBSan, the threaded ones again under TSan, the
# Windows cross build, and the Windows-side tests under Wine with a virtual display and microphone.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

passed=0
failed=0
status=0

# Runs ctest with the given arguments and adds its counts to the totals.
run_ctest() {
    local log
    log=$(mktemp)
    if ctest "$@" 2>&1 | tee "$log"; then :; fi
    local line
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
    if [[ -z "$line" ]] && grep -q 'No tests were found' "$log"; then
        echo "(no tests in this build yet)"
    elif [[ -z "$line" ]]; then
        echo "ctest $* printed no summary" >&2
        status=1
    else
        local total bad
        bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
        ((bad == 0)) || status=1
    fi
    rm -f "$log"
}

jobs=$(nproc)

echo "== native (ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
run_ctest --preset native -j "$jobs"

echo "== native-tsan (threaded tests)"
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan -j "$jobs"
run_ctest --preset native-tsan -j "$jobs"

echo "== windows (MinGW-w64 cross build)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== windows tests under Wine"
run_ctest --test-dir build/windows --output-on-failure

echo "all builds: ${passed} passed, ${failed} failed"
exit "$status"
