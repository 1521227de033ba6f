# End-to-end: "Vantrel Configuration.exe" against the registered service.
# Sourced by scripts/test.sh in a subshell (WINEPREFIX, DISPLAY, WIN_BUILD,
# VANTREL_ROOT and RESULTS_FILE set). The dialog is driven by the service
# cases of dialog_wine_tests.exe, which plain runs leave out (DISABLED_).

cfg_out=$(dirname "$RESULTS_FILE")  # the run's output folder (build/test-run)
cfg_dialog_tests="$WIN_BUILD/wine-tests/dialog_wine_tests.exe"
cfg_service_exe=$(find "$WIN_BUILD" -name Vantrel.exe -print -quit 2>/dev/null)
cfg_scctl=$(find "$WIN_BUILD" -name scctl.exe -print -quit 2>/dev/null)
cfg_log="$WINEPREFIX/drive_c/windows/Vantrel Log.txt"
mkdir -p "$cfg_out"

cfg_sc() { wine_run 30 "$cfg_scctl" "$@" 2>/dev/null; }

# cfg_wait STATE: until the service reports STATE (10 s at most).
cfg_wait() { cfg_sc wait "$1" 10000 >/dev/null; }

# cfg_case NAME TEST [VAR=VALUE...]: one service case of the dialog tests.
cfg_case() {
  local name=$1 test=$2; shift 2
  local log="$cfg_out/$name.log"
  if (cd "$cfg_out" && env "$@" timeout --kill-after=5 120 wine "$cfg_dialog_tests" \
        --gtest_also_run_disabled_tests --gtest_filter="DialogTest.DISABLED_$test" \
        </dev/null >"$log" 2>&1) && grep -q '^\[  PASSED  \] 1 test' "$log"; then
    pass "$name"
  else
    fail "$name"
    grep -E 'Failure|Which is|Expected|status line|reloads' "$log" | head -20
  fi
}

cfg_cleanup() {
  if [ -n "$cfg_scctl" ]; then
    cfg_sc stop >/dev/null
    cfg_wait STOPPED
  fi
  wine_run 30 sc delete Vantrel >/dev/null 2>&1
  wine_run 30 reg delete 'HKLM\Software\Orlenk Technologies\Vantrel' /f >/dev/null 2>&1
  rm -rf "$WINEPREFIX/drive_c/vantrel"
}

if [ ! -e "$cfg_dialog_tests" ] || [ -z "$cfg_service_exe" ] || [ -z "$cfg_scctl" ]; then
  fail "config-e2e (missing dialog_wine_tests.exe, Vantrel.exe or scctl.exe under $WIN_BUILD)"
  return 0 2>/dev/null || exit 0
fi
trap cfg_cleanup EXIT

# Not installed: the status line says N/A.
wine_run 30 sc delete Vantrel >/dev/null 2>&1
cfg_case config-status-not-installed ServiceStatusLineShowsTheState VANTREL_EXPECTED_STATUS=N/A

mkdir -p "$WINEPREFIX/drive_c/vantrel"
cp "$cfg_service_exe" "$WINEPREFIX/drive_c/vantrel/Vantrel.exe"
wine_run 30 sc create Vantrel binPath= 'C:\vantrel\Vantrel.exe' >/dev/null 2>&1
rm -f "$cfg_log"

cfg_case config-status-stopped ServiceStatusLineShowsTheState VANTREL_EXPECTED_STATUS=Stopped

# Apply on a stopped service starts it (without a log: Apply starts it with
# no parameters).
cfg_case config-apply-starts-stopped-service ApplyStartsTheServiceAndMakesItReload
check config-apply-left-service-running cfg_wait RUNNING
cfg_sc stop >/dev/null
cfg_wait STOPPED

# Running with its log: Apply makes it reload ("Loading configuration").
wine_run 30 sc start Vantrel withlog >/dev/null 2>&1
if cfg_wait RUNNING; then
  cfg_case config-status-running ServiceStatusLineShowsTheState VANTREL_EXPECTED_STATUS=Running
  cfg_case config-apply-reloads-running-service ApplyStartsTheServiceAndMakesItReload
  check config-log-shows-reload \
    test "$(utf16_to_utf8 "$cfg_log" | grep -c '^Loading configuration')" -ge 2
  check config-screenshot bash "$VANTREL_ROOT/scripts/config-screenshot.sh" "$cfg_out/dialog.png"

  if cfg_sc pause >/dev/null && cfg_wait PAUSED; then
    cfg_case config-status-paused ServiceStatusLineShowsTheState VANTREL_EXPECTED_STATUS=Paused
  else
    fail "config-status-paused (the service did not pause)"
  fi
  cfg_sc continue >/dev/null
  cfg_wait RUNNING
else
  fail "config-service-start (Vantrel did not reach RUNNING with withlog)"
fi

cfg_cleanup
trap - EXIT
