#!/usr/bin/env bash
# Runs listing_view_bench.exe of the Windows build under Wine on a private virtual
# X server: the listing view it times is a real window.
#
#   bench/win32/run-listing-view-bench.sh [windows-build-dir] [frames] [runs]
#
# It uses the end-to-end tests' Wine prefix (build/wineprefix) and waits for
# their lock, since every run there stops the prefix's wineserver at its end.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build_arg=${1:-build/windows}
case "$build_arg" in /*) build=$build_arg ;; *) build=$root/$build_arg ;; esac
shift || true

bench=$build/bench/win32/listing_view_bench.exe
if [ ! -f "$bench" ]; then
  echo "listing view bench: $bench is missing; build first: cmake --preset windows && cmake --build --preset windows" >&2
  exit 1
fi
for tool in wine wineserver Xvfb; do
  command -v "$tool" >/dev/null || { echo "listing view bench: $tool is missing; run scripts/bootstrap" >&2; exit 1; }
done

mkdir -p "$root/build"
exec 9>"$root/build/e2e.lock"
if ! flock -w 900 9; then
  echo "listing view bench: another run holds build/e2e.lock" >&2
  exit 1
fi

export WINEPREFIX=$root/build/wineprefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WAYLAND_DISPLAY

xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

display=
for n in $(seq 91 140); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "listing view bench: no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
[ -e /tmp/.X11-unix/X$display ] || { echo "listing view bench: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display

# Generous: under Wine one refresh of a large open listing has taken a minute.
timeout 1800 wine "$bench" "$@" </dev/null
