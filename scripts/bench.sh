#!/usr/bin/env bash
# Builds the native preset's engine benchmark and runs it. It prints the
# figures and ratios and exits non-zero when a target is missed.
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
exec "$build/bench/engine_bench" "$@"
