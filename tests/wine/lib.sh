# Helpers shared by the Wine-side suites (sourced, never run). The caller
# (scripts/test.sh or scripts/run.sh) sets VANTREL_ROOT, WIN_BUILD and
# RESULTS_FILE; wine_env points Wine at a prefix of the run.

wine_env() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# A fresh prefix, and a wineserver that stays up between commands so that a
# service it hosts survives the end of the command that started it.
wine_prefix_init() {
  wine_env "$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # Wine's background processes keep the first command's pipes open.
  wine wineboot -i >"$WINEPREFIX.boot.log" 2>&1 </dev/null
  # Not persistent yet: "wineserver -w" would wait for a persistent server
  # forever.
  wineserver -w
  wineserver -p
}

wine_prefix_end() {
  wineserver -k 2>/dev/null || true
}

# A virtual display for the dialogs; sets DISPLAY and XVFB_PID.
xvfb_start() {
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  echo "Xvfb did not come up on :$n" >&2
  return 1
}

xvfb_stop() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

# Test results: one line each in RESULTS_FILE ("PASS name", "FAIL name",
# "SKIP name"), echoed as they come.
pass() { echo "PASS $*" | tee -a "$RESULTS_FILE"; }
fail() { echo "FAIL $*" | tee -a "$RESULTS_FILE"; }
skip() { echo "SKIP $*" | tee -a "$RESULTS_FILE"; }

# check NAME COMMAND...: passes when the command exits 0.
check() {
  local name=$1; shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}

# Converts a UTF-16LE file (with or without BOM) to UTF-8 on stdout.
utf16_to_utf8() {
  python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); d=d[2:] if d[:2]==b"\xff\xfe" else d; sys.stdout.write(d.decode("utf-16-le"))' "$1"
}

# Runs a program under Wine with a time limit; stdin closed.
wine_run() {
  local limit=$1; shift
  timeout --kill-after=5 "$limit" wine "$@" </dev/null
}
