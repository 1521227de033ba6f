# End-to-end checks of Vantrel.exe under Wine's Service Control Manager.
# Sourced by scripts/test.sh in a subshell: WINEPREFIX (booted, persistent
# wineserver), WIN_BUILD and the helpers of tests/wine/lib.sh are set.
# The tick timings are read from the log: the moment each pass's first line
# appears in it, watched every 0.1 s. One wait for the first tick (10 s),
# the pause/continue timings and the two policy changes, each followed until
# a pass shows it, make up most of its ~75 s.

svc_dir="$WINEPREFIX/drive_c/vantrel"
svc_log="$WINEPREFIX/drive_c/windows/Vantrel Log.txt"
svc_debug_dir="$WINEPREFIX/drive_c/vantrel-debug"
svc_debug_pids=()

# Runs scctl, its output without CRs, its exit code kept.
scctl() {
  local out rc
  out=$(wine_run 30 "$svc_dir/scctl.exe" "$@" 2>/dev/null)
  rc=$?
  [ -n "$out" ] && printf '%s\n' "${out//$'\r'/}"
  return $rc
}
svc_log_text() { [ -f "$svc_log" ] && utf16_to_utf8 "$svc_log"; }
svc_count() { svc_log_text | grep -c -- "$1"; }
svc_passes() { svc_count 'We want to rename printers now'; }
svc_count_is() { [ "$(svc_count "$1")" -eq "$2" ]; }
svc_passes_above() { [ "$(svc_passes)" -gt "$1" ]; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# svc_wait_until SECONDS COMMAND...: polls every 0.1 s until COMMAND succeeds.
svc_wait_until() {
  local deadline=$(($(now_ms) + $1 * 1000))
  shift
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# svc_next_pass COUNT SINCE_MS: waits (at most 16 s) for the log to show more
# than COUNT passes and prints the milliseconds from SINCE_MS to the moment
# it did; prints "none" when no pass came.
svc_next_pass() {
  if svc_wait_until 16 svc_passes_above "$1"; then
    echo $(($(now_ms) - $2))
  else
    echo none
  fi
}
# in_range VALUE LOW HIGH: VALUE is a number from LOW to HIGH.
in_range() { [[ "$1" =~ ^[0-9]+$ ]] && [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

svc_cleanup() {
  local pid
  for pid in "${svc_debug_pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  svc_debug_pids=()
  scctl stop >/dev/null
  scctl wait STOPPED 5000 >/dev/null
  wine_run 30 sc delete Vantrel >/dev/null 2>&1
  check "service: deleted from the SCM" test "$(scctl query)" = "error 1060 (OpenServiceW)"
  rm -rf "$svc_log" "$svc_debug_dir" "$svc_dir"
}

# svc_restart ARGS...: stops a running instance, starts a fresh process
# (fresh check-point counter) and waits until it reports running.
svc_restart() {
  scctl stop >/dev/null
  scctl wait STOPPED 5000 >/dev/null
  rm -f "$svc_log"
  scctl start "$@" >/dev/null && scctl wait RUNNING 5000 >/dev/null
}

svc_expect_status() {  # NAME EXPECTED-PREFIX: `scctl query` starts with it
  local got
  got=$(scctl query)
  if [[ "$got" == "$2"* ]]; then pass "$1"; else fail "$1 (got: $got)"; fi
}

if [ ! -e "$WIN_BUILD/service/Vantrel.exe" ] || [ ! -e "$WIN_BUILD/tools/scctl/scctl.exe" ]; then
  fail "service: Vantrel.exe or scctl.exe not built"
  return 0 2>/dev/null || exit 0
fi

mkdir -p "$svc_dir" "$svc_debug_dir"
cp "$WIN_BUILD/service/Vantrel.exe" "$WIN_BUILD/tools/scctl/scctl.exe" "$svc_dir/"
# A registration left over from an interrupted run would block ours.
scctl stop >/dev/null && scctl wait STOPPED 5000 >/dev/null
wine_run 30 sc delete Vantrel >/dev/null 2>&1

# The preview needs no service: without a settings key it says the defaults
# apply (and creates no key), prints the query and the count (Wine's WMI
# lists no printer) and ends at once. Output to a file: a persistent
# wineserver keeps any pipe open.
preview_out="$WINEPREFIX/preview.txt"
wine_run 30 reg delete 'HKLM\Software\Orlenk Technologies\Vantrel' /f >/dev/null 2>&1
wine_run 10 "$svc_dir/Vantrel.exe" preview >"$preview_out" 2>/dev/null
preview_rc=$?
preview_text=$(tr -d '\r' <"$preview_out")
check "service: preview exits 0 and prints the defaults, the query and 0 printers" test "$preview_rc:$preview_text" = \
  "0:No settings are stored (HKEY_LOCAL_MACHINE\\Software\\Orlenk Technologies\\Vantrel does not exist), so the defaults apply
Printer query is SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE PortName LIKE '%%'
0 printers"
# The JSON form: one document a real parser reads, with the text form's query.
wine_run 10 "$svc_dir/Vantrel.exe" PREVIEW --Json >"$preview_out" 2>/dev/null
preview_rc=$?
check "service: preview --json exits 0 with the text form's query, parsed by Python" test "$preview_rc:$(
  python3 -c 'import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert sorted(d) == sorted(["query", "printers", "policyValues", "ignoredPolicyValues", "settingsStored", "failure", "count"])
assert (d["printers"], d["policyValues"], d["settingsStored"], d["failure"], d["count"]) == ([], [], False, None, 0)
print("Printer query is " + d["query"])' "$preview_out" 2>&1)" = "0:$(sed -n 2p <<<"$preview_text")"
if wine_run 30 reg query 'HKLM\Software\Orlenk Technologies\Vantrel' >/dev/null 2>&1; then
  fail "service: preview creates no settings key"
else
  pass "service: preview creates no settings key"
fi

wine_run 30 sc create Vantrel binPath= 'C:\vantrel\Vantrel.exe' >/dev/null 2>&1
check "service: registered with the SCM" test "$(scctl query | cut -d" " -f2)" = STOPPED

# Start parameters: no log without "withlog", either case turns it on. The
# service logs its first lines before it reports running.
svc_restart
check "service: no start parameter writes no log" test ! -e "$svc_log"
svc_restart WITHLOG
check "service: WITHLOG turns the log on" test "$(svc_count 'User logged in')" -eq 1
# A stored value for the policy to override below.
wine_run 30 reg add 'HKLM\Software\Orlenk Technologies\Vantrel' /v OnlyRenTS /t REG_DWORD /d 0 /f >/dev/null 2>&1
svc_restart withlog
started=$(now_ms)
check "service: withlog turns the log on" test "$(svc_log_text | head -2 | tr -d '\r' | tr '\n' '|')" = "Loading configuration|User logged in|"
check "service: a new withlog start truncates the old log" svc_count_is 'User logged in' 1
# The file as the C runtime writes it: UTF-16LE, one byte-order mark however
# many writes, CR LF line ends.
check "service: the log is UTF-16LE with one byte-order mark and CR LF line ends" python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
text = data[2:].decode("utf-16-le")
sys.exit(not (data[:2] == b"\xff\xfe" and "\ufeff" not in text and
              text.count("\n") == text.count("\r\n") > 1))' "$svc_log"
svc_expect_status "service: running after start, check point 0" "4 RUNNING checkpoint 0 controls 0x83 exit 0"

# Control 200 reloads the settings.
check "service: control 200 answered" test "$(scctl control 200 | cut -d" " -f2)" = RUNNING
check "service: control 200 logs the reload" svc_wait_until 2 svc_count_is 'Loading configuration' 2

# Controls outside the table: the handler answers 120, which Wine's SCM does
# not pass on (it reports success); check at least that nothing changes.
out=$(scctl control 201)
case "$out" in
  "error 120"* | "error 1052"*) pass "service: control 201 refused ($out)" ;;
  "4 RUNNING"*) skip "service: control 201 refused with 120 (Wine: ControlService reports success for the handler's 120)" ;;
  *) fail "service: control 201 answered unexpectedly ($out)" ;;
esac
check "service: control 201 changes nothing" test "$(svc_count 'Loading configuration')" -eq 2
svc_expect_status "service: still running after control 201" "4 RUNNING"
for code in 5 14; do
  out=$(scctl control "$code")
  case "$out" in
    # 5 is shutdown; 14 is session change, which Wine never sends either.
    "error 87"*) skip "service: control $code answered by the handler (Wine: ControlService refuses code $code with 87; checked natively)" ;;
    "error 120"* | "error 1052"*) [ "$code" = 5 ] && pass "service: control 5 refused ($out)" || fail "service: control 14 refused ($out)" ;;
    "4 RUNNING"*) [ "$code" = 14 ] && pass "service: control 14 accepted" || fail "service: control $code accepted ($out)" ;;
    *) fail "service: control $code answered unexpectedly ($out)" ;;
  esac
done

# The first tick comes 10 s after the start.
after=$(svc_next_pass 0 "$started")
check "service: first pass about 10 s after the start (${after} ms)" in_range "$after" 9000 12500
# Wine's spooler cannot tell of added printers: one line, and the ticks go on
# (the pass timings here and after CONTINUE).
check "service: without printer-addition notices, one log line and passes on the ticks" \
  test "$(svc_count 'Printer additions cannot be watched')" -eq 1

# Settings apply themselves: a policy value written while the service runs,
# into a policy key that did not exist, is loaded within 5 s and the next
# pass queries with it; deleting it brings the stored value back.
svc_query() { svc_log_text | grep 'Printer query is' | tail -1 | tr -d '\r'; }
svc_queries_above() { [ "$(svc_count 'Printer query is')" -gt "$1" ]; }
svc_reloads_above() { [ "$(svc_count 'Loading configuration')" -gt "$1" ]; }
# svc_change_then_query COMMAND...: runs the registry change, waits (5 s) for
# the reload, then (16 s) for the next pass's query, and prints it.
svc_change_then_query() {
  local reloads queries
  reloads=$(svc_count 'Loading configuration')
  wine_run 30 "$@" >/dev/null 2>&1
  svc_wait_until 5 svc_reloads_above "$reloads" || { echo "no reload"; return; }
  queries=$(svc_count 'Printer query is')
  svc_wait_until 16 svc_queries_above "$queries" && svc_query
}
svc_wait_until 5 svc_queries_above 0
stored_query=$(svc_query)
policy_key='HKLM\Software\Policies\Orlenk Technologies\Vantrel'
policy_query=$(svc_change_then_query reg add "$policy_key" /v OnlyRenTS /t REG_DWORD /d 1 /f)
is_other_query() { [[ "$1" == "Printer query is "* && "$1" != "$2" ]]; }
check "service: a new policy value reloads within 5 s and the next pass uses it ($policy_query)" \
  is_other_query "$policy_query" "$stored_query"
check "service: deleting the policy value brings the stored one back" \
  test "$(svc_change_then_query reg delete "$policy_key" /v OnlyRenTS /f)" = "$stored_query"
wine_run 30 reg delete 'HKLM\Software\Policies\Orlenk Technologies' /f >/dev/null 2>&1

# Pause: no passes. Debug mode runs alongside meanwhile.
out=$(scctl pause)
check "service: pause answered with paused" test "${out%% *}" = 7
svc_expect_status "service: paused, check point 3 (after start 1, pause pending 2)" "7 PAUSED checkpoint 3 controls 0x83"
(cd "$svc_debug_dir" && exec wine "$svc_dir/Vantrel.exe" debug </dev/null >/dev/null 2>&1) &
svc_debug_pids+=($!)
(cd "$svc_debug_dir" && exec wine "$svc_dir/Vantrel.exe" withlog DEBUG </dev/null >/dev/null 2>&1) &
svc_debug_pids+=($!)
passes=$(svc_passes)
# Longer than a tick period: a timer left running would show a pass.
sleep 12
check "service: no pass while paused for 12 s" test "$(svc_passes)" -eq "$passes"

# Continue: ticks again, the first 10 s later and none before.
continued=$(now_ms)
out=$(scctl continue)
check "service: continue answered with running" test "${out%% *}" = 4
svc_expect_status "service: running after continue, check point 0" "4 RUNNING checkpoint 0"
after=$(svc_next_pass "$passes" "$continued")
check "service: next pass about 10 s after continue (${after} ms)" in_range "$after" 9000 12500

for i in 0 1; do
  check "service: debug mode ($i) still running past the first tick" kill -0 "${svc_debug_pids[$i]}"
done
check "service: debug mode writes no log" test -z "$(ls -A "$svc_debug_dir")"

# Stop: stopped with exit code 0 and check point 0; the process ends.
scctl stop >/dev/null
scctl wait STOPPED 5000 >/dev/null
svc_expect_status "service: stopped after stop" "1 STOPPED checkpoint 0 controls 0x83 exit 0"

# The Event Log: Wine stores no event, but prints each report on the
# eventlog channel (the full identifier on its ReportEventW line). A service
# inherits the environment, and the error output, of the services.exe that
# the first command after a server start brings up: so restart the server
# with the channel on, and again without it afterwards.
# A persistent server keeps every pipe it inherits open (the test command
# reads this suite through one): it gets none.
svc_trace="$WINEPREFIX/eventlog-trace.txt"
wineserver -k
WINEDEBUG=+eventlog wineserver -p </dev/null >/dev/null 2>&1
(WINEDEBUG=+eventlog exec timeout 30 wine "$svc_dir/scctl.exe" query </dev/null >/dev/null 2>"$svc_trace")
scctl start >/dev/null && scctl wait RUNNING 5000 >/dev/null
scctl stop >/dev/null
scctl wait STOPPED 5000 >/dev/null
svc_events=$(grep -o 'ReportEventW ([^)]*' "$svc_trace" | cut -d, -f4 | tr '\n' ' ')
# 1002 (settings loaded), 1000 (started), 1001 (stopped), with their
# information severity.
check "service: reports events 1002, 1000, 1001 in order (got: $svc_events)" \
  test "$svc_events" = "0x400003ea 0x400003e8 0x400003e9 "
wineserver -k
wineserver -p </dev/null >/dev/null 2>&1

svc_cleanup
