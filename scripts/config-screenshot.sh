#!/usr/bin/env bash
# config-screenshot.sh OUTPUT.png: a screenshot of the configuration dialog
# once its status line reads "Service Status: Running".
#
# Needs WINEPREFIX (with the service running in it) and the Windows build
# (WIN_BUILD, default build/windows). Starts an Xvfb when DISPLAY is unset;
# stops everything it started. Exit 0 when the screenshot was saved.
set -uo pipefail

out=${1:?usage: config-screenshot.sh OUTPUT.png}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WIN_BUILD:-$root/build/windows}
tests_exe=$(find "$build" -name dialog_wine_tests.exe -print -quit 2>/dev/null)
: "${WINEPREFIX:?WINEPREFIX must name the prefix that runs the service}"
if [ -z "$tests_exe" ]; then
  echo "config-screenshot: dialog_wine_tests.exe not found under $build" >&2
  exit 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

own_xvfb=
if [ -z "${DISPLAY:-}" ]; then
  # shellcheck source=../tests/wine/lib.sh
  source "$root/tests/wine/lib.sh"
  xvfb_start || exit 1
  own_xvfb=1
fi

status=1
# The dialog tests' case that holds the dialog open: after GoogleTest's own
# lines it prints "ready X Y W H" (the client area), or "timeout ...".
coproc SHOT {
  VANTREL_EXPECTED_STATUS=Running wine "$tests_exe" --gtest_also_run_disabled_tests \
    --gtest_filter=DialogTest.DISABLED_HeldOpenForAScreenshot 2>/dev/null
}
shot_pid=$SHOT_PID
word=
while read -r -t 60 word x y w h <&"${SHOT[0]}"; do
  case $word in ready | timeout) break ;; esac
done
h=${h%$'\r'}
case $word in
  ready)
    mkdir -p "$(dirname "$out")"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out" && status=0
    ;;
  timeout) echo "config-screenshot: the status line never read \"Service Status: Running\"" >&2 ;;
  *) echo "config-screenshot: the dialog did not come up" >&2 ;;
esac
# Any line closes the dialog (IDCANCEL); the test program then exits.
echo close >&"${SHOT[1]}" 2>/dev/null
for _ in $(seq 100); do kill -0 "$shot_pid" 2>/dev/null || break; sleep 0.1; done
kill "$shot_pid" 2>/dev/null
wait "$shot_pid" 2>/dev/null

[ -n "$own_xvfb" ] && xvfb_stop
exit $status
