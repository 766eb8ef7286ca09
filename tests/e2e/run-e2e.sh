#!/usr/bin/env bash
# End-to-end tests: runs the Windows build's Tallowbridge.exe under Wine on a
# private virtual X server and drives it from outside with tbdriver.exe.
#
#   tests/e2e/run-e2e.sh [windows-build-dir] [scenario...]
#
# Scenarios default to the list below (tests/e2e/README.md tells them all;
# "cpu", a one-minute measurement, runs only when named).
# TB_SHOT=path.png takes screenshots of the screen where a scenario offers
# them: the main window freshly shown as path.png, the others beside it
# (path-settings.png, path-settings-user.png, path-wide.png,
# path-queue-wide.png, path-edit-filename.png, path-edit-settings.png).
# The Wine prefix lives in build/wineprefix and is reused between runs.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build_arg=${1:-build/windows}
case "$build_arg" in /*) build=$build_arg ;; *) build=$root/$build_arg ;; esac
shift || true
scenarios=("$@")
[ ${#scenarios[@]} -eq 0 ] && scenarios=(platform standin mainwindow mainwindow-hidpi firstrun locate queue edit
  render renderfail rendercrash queue-render project outside overnight modern)

driver=$build/tests/e2e/tbdriver.exe
program=$build/Tallowbridge.exe
renderer=$build/tools/standin-renderer/lwsn.exe
for f in "$driver" "$program" "$renderer"; do
  if [ ! -f "$f" ]; then
    echo "e2e: $f is missing; build first: cmake --preset windows && cmake --build --preset windows" >&2
    exit 1
  fi
done
for tool in wine wineserver Xvfb; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing; run scripts/bootstrap" >&2; exit 1; }
done

# One run at a time: runs share the Wine prefix and the work folder, and each
# stops the prefix's wineserver at its end.
mkdir -p "$root/build"
exec 9>"$root/build/e2e.lock"
if ! flock -w 900 9; then
  echo "e2e: another run holds build/e2e.lock" >&2
  exit 1
fi

export WINEPREFIX=$root/build/wineprefix
export WINEARCH=win64
export WINEDEBUG=-all
# No .NET or HTML installers, and no crash debugger: a crash ends the run.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WAYLAND_DISPLAY

xvfb_pid=
work=$root/build/e2e-work
dpi_changed=
cleanup() {
  [ -n "$dpi_changed" ] && set_dpi 96
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ -n "${watch_pid:-}" ] && kill "$watch_pid" 2>/dev/null
}
trap cleanup EXIT

# A display number nobody uses.
display=
for n in $(seq 91 140); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "e2e: no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
[ -e /tmp/.X11-unix/X$display ] || { echo "e2e: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display

# The prefix is made once; every program then runs in one virtual desktop,
# where Wine draws the window frames itself and keeps a notification area.
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.tb-ready" ]; then
  echo "e2e: preparing the Wine prefix (once)"
  mkdir -p "$WINEPREFIX"
  timeout 300 wine wineboot -i </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.tb-ready"
fi
# The fonts the program's layout is made for, as scripts/demo has them
# (scripts/wine-fonts tells why).
bash "$root/scripts/wine-fonts" || { echo "e2e: the Wine prefix's fonts could not be set" >&2; exit 1; }

set_dpi() {
  dpi_changed=$([ "$1" != 96 ] && echo yes)
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1   # programs started afterwards see the new value
}

winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# The driver asks for a screenshot by writing its name into shot-ready in its
# work folder and waits for shot-done. TB_SHOT names the main window's shot;
# the others go beside it with their name appended.
watch_shots() {
  while true; do
    if [ -e "$work/shot-ready" ]; then
      name=$(cat "$work/shot-ready")
      case "$scenario" in *-hidpi) name=$name-hidpi ;; esac
      rm -f "$work/shot-ready"
      if [ -n "${TB_SHOT:-}" ]; then
        shot=$TB_SHOT
        [ "$name" != main ] && shot=${TB_SHOT%.png}-$name.png
        import -display ":$display" -window root "$shot" >/dev/null 2>&1 && echo "e2e: screenshot $shot"
      fi
      touch "$work/shot-done"
    fi
    sleep 0.2
  done
}

failed=0
for scenario in "${scenarios[@]}"; do
  rm -rf "$work"
  mkdir -p "$work"
  # The scene LightWave 2019 wrote, as the "modern" scenario edits and renders it.
  [ "$scenario" = modern ] && cp "$root/../shared/lws/modern/weight_rig_lw2019.lws" "$work/"
  watch_shots &
  watch_pid=$!
  echo "e2e: scenario $scenario"
  # The -hidpi variants run the same scenario on a 144-DPI screen.
  driver_scenario=${scenario%-hidpi}
  if [ "$driver_scenario" != "$scenario" ]; then set_dpi 144; fi
  if [ "$scenario" = platform ]; then
    timeout 300 wine "$build/tests/e2e/tbplatform.exe" "$(winpath "$renderer")" "$(winpath "$work")" </dev/null
  else
    # The long queue renders 200 scenes at one every few seconds.
    limit=300
    [ "$scenario" = longqueue ] && limit=2400
    timeout $limit wine "$driver" "$driver_scenario" "$(winpath "$program")" "$(winpath "$renderer")" \
      "$(winpath "$work")" </dev/null
  fi
  rc=$?
  if [ "$driver_scenario" != "$scenario" ]; then set_dpi 96; fi
  kill "$watch_pid" 2>/dev/null; wait "$watch_pid" 2>/dev/null; watch_pid=
  if [ $rc -ne 0 ]; then
    echo "e2e: scenario $scenario FAILED (exit code $rc)"
    failed=1
  fi
  wineserver -k >/dev/null 2>&1   # nothing of a scenario outlives it
done

[ $failed -eq 0 ] && echo "e2e: all scenarios passed"
exit $failed
