#!/usr/bin/env bash
# Builds the native preset's engine benchmark and runs it. It prints the
# figures and ratios and exits non-zero when a target is missed: its own,
# and the scale targets checked here (WMI's query limit of 16,384
# characters, no printer renamed again by a second pass, at most 10 ms to
# match one hostile printer name under OnlyUseRegex, and a printer that
# arrives renamed within 2.5 s when the spooler tells of additions).
# VANTREL_BENCH_BUILD=<dir> builds in that directory instead of the preset's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ -n "${VANTREL_BENCH_BUILD:-}" ]; then
  build=$VANTREL_BENCH_BUILD
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target engine_bench -j"$(nproc)"
else
  build=build/native
  cmake --preset native >/dev/null
  cmake --build --preset native --target engine_bench -j"$(nproc)"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$build/bench/engine_bench" "$@" | tee "$out" || status=$?
awk '/longest query: [0-9]+ characters$/ { query = $3 }
     /second pass renames: [0-9]+$/ { again = $4 }
     /^hostile name under OnlyUseRegex: [0-9.]+ ms$/ { hostile = $5 }
     /^arrival to rename, max: -?[0-9]+ ms$/ { arrival = $5 }
     END { if (query == "" || query > 16384 || again == "" || again != 0) exit 1
           if (hostile == "" || hostile + 0 > 10) exit 1
           if (arrival == "" || arrival < 0 || arrival > 2500) exit 1 }' "$out" ||
  { echo "A scale target was missed"; status=1; }
exit "$status"
