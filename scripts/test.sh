#!/usr/bin/env bash
# Runs every test of the project: the suites of the normal build, the checks of the Debian package
# made from it, the unit and window tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a short fuzzing run. Ends with one line counting every suite and check that passed and failed.
#
#   scripts/test.sh BUILD_DIR
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
passed=0
failed=0

# Adds the counts of a ctest run's summary line ("95% tests passed, 1 tests failed out of 20").
count_ctest() {
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [[ -z "$line" ]]; then failed=$((failed + 1)); return; fi
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

echo "== tests of the normal build"
(cd "$build" && ctest --output-on-failure -j "$(nproc)") 2>&1 | tee "$logs/normal"
count_ctest "$logs/normal"

echo "== the Debian package"
bash scripts/check-package.sh "$build" 2>&1 | tee "$logs/package"
package_status=${PIPESTATUS[0]}
package_failed=$(grep -c '^package: .* FAILED$' "$logs/package")
passed=$((passed + $(grep -c '^package: .* passed$' "$logs/package")))
failed=$((failed + package_failed))
# A check script that stopped before it could name a failed check still failed.
[[ $package_status -eq 0 || $package_failed -gt 0 ]] || failed=$((failed + 1))

echo "== unit and window tests with sanitizers"
bash scripts/sanitize.sh 2>&1 | tee "$logs/sanitize"
count_ctest "$logs/sanitize"

echo "== fuzzing"
if bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz"; then
  passed=$((passed + $(grep -c '^fuzz: .* for [0-9]*s$' "$logs/fuzz")))
else
  failed=$((failed + 1))
fi

echo
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
