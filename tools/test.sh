#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: native
# unit tests (also with AddressSanitizer and UndefinedBehaviorSanitizer),
# Windows-side tests and end-to-end tests under Wine. Ends with the test
# runners' summary lines.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh || exit 1

jobs=${SW_JOBS:-$(nproc)}
status=0
summary=()
for preset in linux linux-asan windows i686; do
  cmake --preset "$preset" >/dev/null || { echo "configure $preset failed"; exit 1; }
  cmake --build --preset "$preset" -j "$jobs" || { echo "build $preset failed"; exit 1; }
done
for preset in linux linux-asan windows; do
  log=$(mktemp)
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summary+=("$preset: $(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)")
  rm -f "$log"
done
echo
printf '%s\n' "${summary[@]}"
exit $status
