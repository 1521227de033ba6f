#!/usr/bin/env bash
# The proofs that follow the native tests: the whole native suite under
# AddressSanitizer + UndefinedBehaviorSanitizer (presets asan) and under
# ThreadSanitizer (tsan), where any report fails its test, then every
# libFuzzer target (preset fuzz) for a bounded time over a copy of its seed
# corpus, where any crash fails. The committed corpus holds every input that
# once crashed, so libFuzzer replays each of them first on every run.
# Last line: "Proofs: N passed, M failed, K skipped" (scripts/test.sh adds
# it to its total). VANTREL_FUZZ_SECONDS sets the time per target.
set -uo pipefail

cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
fuzz_seconds=${VANTREL_FUZZ_SECONDS:-15}
passed=0 failed=0 skipped=0

# Configures and builds a preset quietly; the log's tail shows on failure.
build() {
  local preset=$1 log=$root/build/$1-build.log
  mkdir -p "$root/build"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j"$jobs"; } >"$log" 2>&1; then
    echo "FAIL $preset build"
    tail -30 "$log"
    failed=$((failed + 1))
    return 1
  fi
}

for preset in asan tsan; do
  echo "== Native tests under $preset =="
  build "$preset" || continue
  xml=$root/build/$preset/results.xml
  rm -f "$xml"
  ctest --preset "$preset" -j"$jobs" --output-junit "$xml" >"$root/build/$preset/ctest.log" 2>&1
  if [ ! -f "$xml" ]; then
    echo "FAIL $preset tests produced no results"
    tail -30 "$root/build/$preset/ctest.log"
    failed=$((failed + 1))
    continue
  fi
  read -r t f s < <(python3 - "$xml" <<'PY'
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.argv[1]).getroot()
s = r if r.tag == "testsuite" else r.find("testsuite")
print(int(s.get("tests", 0)), int(s.get("failures", 0)) + int(s.get("errors", 0)), int(s.get("skipped", s.get("disabled", 0))))
PY
)
  ((f)) && cat "$root/build/$preset/ctest.log"
  grep -E 'tests passed' "$root/build/$preset/ctest.log"
  passed=$((passed + t - f - s)); failed=$((failed + f)); skipped=$((skipped + s))
done

echo "== Fuzz targets (${fuzz_seconds} s each) =="
if build fuzz; then
  for bin in "$root"/build/fuzz/fuzzers/*_fuzz; do
    [ -x "$bin" ] || continue
    name=$(basename "$bin" _fuzz)
    seeds=$root/fuzz/corpus/$name
    run=$root/build/fuzz/run/$name
    rm -rf "$run"; mkdir -p "$run/corpus"
    if ! compgen -G "$seeds/*" >/dev/null; then
      echo "FAIL $name: no seed corpus in fuzz/corpus/$name/"
      failed=$((failed + 1))
      continue
    fi
    # A copy, so what the run adds stays in the build directory.
    cp "$seeds"/* "$run/corpus/"
    if "$bin" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
      -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1; then
      echo "PASS $name: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$run/log")"
      passed=$((passed + 1))
    else
      echo "FAIL $name"
      grep -v '^#' "$run/log" | tail -40
      for input in "$run"/crash-* "$run"/leak-* "$run"/timeout-* "$run"/oom-*; do
        [ -e "$input" ] && echo "input: $input (fix, then commit it to fuzz/corpus/$name/)"
      done
      failed=$((failed + 1))
    fi
  done
fi

echo "Proofs: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
