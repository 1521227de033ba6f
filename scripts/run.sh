#!/usr/bin/env bash
# Builds Vantrel.exe, runs it as a service under Wine's Service Control
# Manager in a prefix of its own (build/run/wineprefix) and walks it through
# its controls: start with the log on, the first rename pass, reload (200),
# pause, continue and stop. Prints the states it saw and the service's log,
# then removes the service and leaves no Wine process behind.
set -euo pipefail

VANTREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VANTREL_ROOT
cd "$VANTREL_ROOT"

bash scripts/install-deps.sh
cmake --preset windows
cmake --build --preset windows -j"$(nproc)"

export WIN_BUILD="$VANTREL_ROOT/build/windows"
run_dir="$VANTREL_ROOT/build/run"
mkdir -p "$run_dir"
export RESULTS_FILE="$run_dir/results.txt"
: >"$RESULTS_FILE"
# shellcheck source=tests/wine/lib.sh
source tests/wine/lib.sh

echo "== Wine prefix $run_dir/wineprefix"
wine_prefix_init "$run_dir/wineprefix"
service_dir="$WINEPREFIX/drive_c/vantrel"
log_file="$WINEPREFIX/drive_c/windows/Vantrel Log.txt"

cleanup() {
  wine_run 30 "$service_dir/scctl.exe" stop >/dev/null 2>&1 || true
  wine_run 30 "$service_dir/scctl.exe" wait STOPPED 5000 >/dev/null 2>&1 || true
  wine_run 30 sc delete Vantrel >/dev/null 2>&1 || true
  wine_prefix_end
}
trap cleanup EXIT

states=()
scctl() { wine_run 30 "$service_dir/scctl.exe" "$@" | tr -d '\r'; }
# step LABEL STATE COMMAND...: runs a scctl command, then waits for STATE
# and records every state seen on the way.
step() {
  local label=$1 state=$2 answer seen
  shift 2
  echo "-- $label"
  answer=$(scctl "$@") || { echo "$answer"; exit 1; }
  [ -n "$answer" ] && echo "$answer"
  seen=$(scctl wait "$state" 10000) || { echo "$seen"; echo "service did not reach $state"; exit 1; }
  echo "$seen"
  states+=("$label: $(printf '%s\n%s\n' "$answer" "$seen" | awk 'NF {print $2}' | uniq | paste -sd' ' -)")
}

mkdir -p "$service_dir"
cp "$WIN_BUILD/service/Vantrel.exe" "$WIN_BUILD/tools/scctl/scctl.exe" "$service_dir/"
echo "== Registering the service"
wine_run 30 sc create Vantrel binPath= 'C:\vantrel\Vantrel.exe' </dev/null | tr -d '\r'

step "start withlog" RUNNING start withlog

echo "-- waiting for the first rename pass (about 10 s)"
for _ in $(seq 300); do
  [ -f "$log_file" ] && utf16_to_utf8 "$log_file" | grep -q "We want to rename printers now" && break
  sleep 0.1
done
utf16_to_utf8 "$log_file" | grep -q "We want to rename printers now" || { echo "no rename pass within 30 s"; exit 1; }

step "control 200 (reload settings)" RUNNING control 200
step "pause" PAUSED pause
step "continue" RUNNING continue

# Hook: steps that need the running service go here.
if [ -f scripts/config-screenshot.sh ]; then
  echo "-- configuration dialog next to the running service"
  if bash scripts/config-screenshot.sh "$run_dir/config-dialog.png"; then
    echo "screenshot: $run_dir/config-dialog.png"
  else
    echo "screenshot failed (the service run goes on)"
  fi
fi

step "stop" STOPPED stop

echo "== State changes seen"
printf '  %s\n' "${states[@]}"
echo "== Diagnostic log (C:\\windows\\Vantrel Log.txt)"
utf16_to_utf8 "$log_file" | tr -d '\r'

echo "== Removing the service"
wine_run 30 sc delete Vantrel </dev/null | tr -d '\r'
