#!/usr/bin/env bash
# Times Tallowbridge.exe /farm under Wine on a project of 1,000 scenes (each
# 1 to 100 into a folder of its own, its frames there but for holes at 21-25
# and 61-70): loading the project, planning from the frames missing and
# writing its job folder of 1,000 job scripts. Then farm_write_bench.exe
# times the plan and the write apart, and, on a project of 1,000 scenes
# with no frame yet (10 tasks each, 10,000 status files), the Farm window's
# status refresh against listing the status files alone. Prints each run's wall time and the time of an
# empty run of the program (/farm on a project that does not exist), so the
# job's own share shows. A measurement, not a test.
#
#   bench/farm/run-farm-write-bench.sh [windows-build-dir] [scenes] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_arg=${1:-build/windows}
case "$build_arg" in /*) build=$build_arg ;; *) build=$root/$build_arg ;; esac
scenes=${2:-1000}
runs=${3:-3}
program=$build/Tallowbridge.exe
[ -f "$program" ] || { echo "farm write bench: $program is missing; build the windows preset" >&2; exit 1; }

mkdir -p "$root/build"
exec 9>"$root/build/e2e.lock"
flock -w 900 9
export WINEPREFIX=$root/build/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WAYLAND_DISPLAY
# The queue lives in the (never shown) main window's list: Wine needs a display for it.
xvfb_pid=
trap 'wineserver -k >/dev/null 2>&1; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null' EXIT
for n in $(seq 191 240); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null 9>&- &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=:$display

work=$root/build/farm-write-bench
rm -rf "$work"
mkdir -p "$work/Tallowbridge" "$work/Scenes" "$work/Out"
# A whole 1x1 TGA frame (uncompressed true colour), linked into every frame name.
printf '\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\30\0\377\0\0' >"$work/frame.tga"
cp "$program" "$work/Tallowbridge/"
win() { echo "Z:${1//\//\\}"; }
{
  printf '[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = %d\r\n' "$scenes"
  for i in $(seq 1 "$scenes"); do
    printf 'LWSC\r\nFirstFrame 1\r\nLastFrame 100\r\nFrameStep 1\r\nSaveRGB 1\r\nSaveRGBImagesPrefix %s\r\nRGBImageSaver LW_TGA24(.tga)\r\nOutputFilenameFormat 3\r\n' \
      "$(win "$work/Out/s$i/f")" >"$work/Scenes/s$i.lws"
    mkdir -p "$work/Out/s$i"
    cp "$work/frame.tga" "$work/Out/s$i/whole.tga"   # a file system allows only so many links to one file
    for f in $(seq 1 20) $(seq 26 60) $(seq 71 100); do ln "$work/Out/s$i/whole.tga" "$work/Out/s$i/$(printf f%04d "$f").tga"; done
    printf 'Scene%d = %s\r\n' $((i - 1)) "$(win "$work/Scenes/s$i.lws")"
  done
} >"$work/night.tbp"
# The same scenes with no frame yet: 10 tasks each.
{
  printf '[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = %d\r\n' "$scenes"
  for i in $(seq 1 "$scenes"); do
    printf 'LWSC\r\nFirstFrame 1\r\nLastFrame 100\r\nFrameStep 1\r\nSaveRGB 1\r\nSaveRGBImagesPrefix %s\r\nRGBImageSaver LW_TGA24(.tga)\r\nOutputFilenameFormat 3\r\n' \
      "$(win "$work/Out/e$i/f")" >"$work/Scenes/e$i.lws"
    mkdir -p "$work/Out/e$i"
    printf 'Scene%d = %s\r\n' $((i - 1)) "$(win "$work/Scenes/e$i.lws")"
  done
} >"$work/fresh.tbp"
wineserver -p
run() { local s e; s=$(date +%s%N); (cd "$work" && wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$1")" </dev/null) || true; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
empty=$(run "$work/none.tbp")
echo "farm write bench: $scenes scenes; an empty /farm run takes ${empty} ms"
for r in $(seq 1 "$runs"); do
  ms=$(run "$work/night.tbp")
  tasks=$(grep -c '^submit ' "$work/night.farm/submit.sh")
  echo "  /farm run $r: ${ms} ms in all (${tasks} scenes submitted, $(ls "$work/night.farm"/scene-*.sh | wc -l) job scripts)"
done
# The same, the project's load and the job folder's write timed apart.
(cd "$work" && wine "$build/bench/win32/farm_write_bench.exe" "$(win "$work/night.tbp")" "$runs" </dev/null)
(cd "$work" && wine "$build/bench/win32/farm_write_bench.exe" "$(win "$work/fresh.tbp")" 1 </dev/null)
