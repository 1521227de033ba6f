#!/usr/bin/env bash
# Builds the Windows programs and the MSI package, installs the package with
# Wine's msiexec in a prefix of its own (build/run/wineprefix), which
# registers and starts the service, and walks the service through its
# controls: start with the log on, the first rename pass, reload (200),
# pause, continue and stop. Prints the states it saw and the service's log,
# then uninstalls the package and leaves no Wine process behind.
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
scctl_exe="$WIN_BUILD/tools/scctl/scctl.exe"
msi_pkg=$(ls "$WIN_BUILD"/installer/Vantrel-*-x64.msi | head -1)
log_file="$WINEPREFIX/drive_c/windows/Vantrel Log.txt"

cleanup() {
  # The uninstall stops and removes the service; the settings key stays.
  wine_run 120 msiexec /x "$(winepath -w "$msi_pkg" 2>/dev/null)" /qn >/dev/null 2>&1 || true
  wine_prefix_end
}
trap cleanup EXIT

states=()
scctl() { wine_run 30 "$scctl_exe" "$@" | tr -d '\r'; }
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

echo "== Installing $(basename "$msi_pkg") (msiexec /i /qn): registers and starts the service"
wine_run 120 msiexec /i "$(winepath -w "$msi_pkg" 2>/dev/null)" /qn </dev/null >/dev/null 2>&1 ||
  { echo "msiexec /i failed ($?)"; exit 1; }
scctl wait RUNNING 10000
scctl config
# The installer starts it without the log: restart it with "withlog".
step "stop the installed service" STOPPED stop
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

echo "== Uninstalling the package (msiexec /x /qn)"
wine_run 120 msiexec /x "$(winepath -w "$msi_pkg" 2>/dev/null)" /qn </dev/null >/dev/null 2>&1 &&
  echo "uninstalled; the settings key stays"
