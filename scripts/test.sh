#!/usr/bin/env bash
# Builds both builds, runs the native tests (CTest) and the Windows-side
# tests under Wine (test programs and end-to-end suites), and ends with one
# summary line counting them all.
set -uo pipefail

VANTREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VANTREL_ROOT
cd "$VANTREL_ROOT"

bash scripts/install-deps.sh || { echo "dependency install failed"; exit 1; }

jobs=$(nproc)
cmake --preset native >/dev/null && cmake --build --preset native -j"$jobs" || { echo "native build failed"; exit 1; }
cmake --preset windows >/dev/null && cmake --build --preset windows -j"$jobs" || { echo "windows build failed"; exit 1; }

export WIN_BUILD="$VANTREL_ROOT/build/windows"
out="$VANTREL_ROOT/build/test-run"
rm -rf "$out"; mkdir -p "$out"
export RESULTS_FILE="$out/results.txt"
: >"$RESULTS_FILE"

native_passed=0 native_failed=0 native_skipped=0
echo "== Native tests (CTest) =="
ctest --test-dir build/native --output-on-failure -j"$jobs" --output-junit "$out/native.xml" | tee "$out/native.log"
if [ -f "$out/native.xml" ]; then
  read -r native_total native_failed native_skipped < <(python3 - "$out/native.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.argv[1]).getroot()
s = r if r.tag == "testsuite" else r.find("testsuite")
print(int(s.get("tests", 0)), int(s.get("failures", 0)) + int(s.get("errors", 0)), int(s.get("skipped", s.get("disabled", 0))))
PY
)
  native_passed=$((native_total - native_failed - native_skipped))
else
  native_failed=1
fi

echo "== Formatting (clang-format, .clang-format) =="
format_failed=0
if ! git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
  echo "FAIL the files above drift from .clang-format (clang-format -i fixes them)"
  format_failed=1
fi

echo "== Sanitizers and fuzzing (scripts/proofs.sh) =="
bash scripts/proofs.sh 2>&1 | tee "$out/proofs.log"
read -r proofs_passed proofs_failed proofs_skipped < <(sed -n \
  's/^Proofs: \([0-9]*\) passed, \([0-9]*\) failed, \([0-9]*\) skipped$/\1 \2 \3/p' "$out/proofs.log")
: "${proofs_passed:=0}" "${proofs_failed:=1}" "${proofs_skipped:=0}"  # no summary: it broke off

echo "== Windows-side tests under Wine =="
source tests/wine/lib.sh
# Whatever happens below, leave no wineserver or display behind.
trap 'xvfb_stop; wine_prefix_end' EXIT
wine_prefix_init "$out/wineprefix"
xvfb_start || { echo "Xvfb did not start: the dialog tests cannot run"; exit 1; }

wine_passed=0 wine_failed=0 wine_skipped=0
for exe in "$WIN_BUILD"/wine-tests/*_wine_tests.exe; do
  [ -e "$exe" ] || continue
  name=$(basename "$exe" .exe)
  echo "-- $name"
  xml="$out/$name.xml"
  (cd "$out" && wine_run 600 "$exe" --gtest_output="xml:$(winepath -w "$xml" 2>/dev/null)") >"$out/$name.log" 2>&1
  rc=$?
  grep -E '^\[ *(OK|FAILED|SKIPPED) *\]' "$out/$name.log" | grep -v ' tests\?, listed below' || true
  if [ -f "$xml" ]; then
    read -r t f s < <(python3 - "$xml" <<'PY'
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.argv[1]).getroot()
skipped = sum(1 for c in r.iter("testcase") if c.find("skipped") is not None or c.get("result") == "skipped")
print(int(r.get("tests", 0)) - int(r.get("disabled", 0)), int(r.get("failures", 0)) + int(r.get("errors", 0)), skipped)
PY
)
    wine_passed=$((wine_passed + t - f - s)); wine_failed=$((wine_failed + f)); wine_skipped=$((wine_skipped + s))
    if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then wine_failed=$((wine_failed + 1)); echo "FAIL $name exited $rc"; tail -20 "$out/$name.log"; fi
  else
    wine_failed=$((wine_failed + 1)); echo "FAIL $name produced no results (exit $rc)"; tail -20 "$out/$name.log"
  fi
done

for suite in tests/wine/e2e/*.sh; do
  [ -e "$suite" ] || continue
  echo "-- $(basename "$suite")"
  # A suite that dies halfway (an unset variable, a stray exit) never
  # reaches its last line: count that as a failure, not as fewer checks.
  # Into a file, not a pipe: a persistent wineserver the suite starts keeps
  # every descriptor it inherits, and a pipe held open never ends.
  (source "$suite" && echo "suite completed: $suite") >"$out/suite.log" 2>&1 </dev/null
  tee -a "$out/e2e.log" <"$out/suite.log"
  grep -qxF "suite completed: $suite" "$out/suite.log" || fail "$(basename "$suite") ended before its last check"
  : >"$out/suite.log"
done

e2e_passed=$(grep -c '^PASS ' "$RESULTS_FILE")
e2e_failed=$(grep -c '^FAIL ' "$RESULTS_FILE")
e2e_skipped=$(grep -c '^SKIP ' "$RESULTS_FILE")
if ((e2e_failed)); then echo "Failed end-to-end checks:"; grep '^FAIL ' "$RESULTS_FILE"; fi
if ((e2e_skipped)); then echo "Skipped (Wine cannot show these):"; grep '^SKIP ' "$RESULTS_FILE"; fi

echo "Native: $native_passed passed, $native_failed failed, $native_skipped skipped"
echo "Formatting: $((1 - format_failed)) passed, $format_failed failed, 0 skipped"
echo "Wine programs: $wine_passed passed, $wine_failed failed, $wine_skipped skipped"
echo "Wine end-to-end: $e2e_passed passed, $e2e_failed failed, $e2e_skipped skipped"
echo "Sanitizers and fuzzing: $proofs_passed passed, $proofs_failed failed, $proofs_skipped skipped"
passed=$((native_passed + wine_passed + e2e_passed + proofs_passed + 1 - format_failed))
failed=$((native_failed + wine_failed + e2e_failed + proofs_failed + format_failed))
skipped=$((native_skipped + wine_skipped + e2e_skipped + proofs_skipped))
echo "Total: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
