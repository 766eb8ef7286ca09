#!/usr/bin/env bash
# The farm end to end, on the real one-node Slurm cluster: under Wine,
# Tallowbridge.exe /farm writes the job folder of a project of five scenes
# (three that render, one whose renderer exits with 3, one whose path holds
# $(...) and blanks); submit.sh runs on Linux; the tasks run the stand-in
# lwsn.exe under Wine. Every frame of the good scenes appears, each task
# rendered its own frame range, the status files say finished (the failing
# scene's: failed, exit code 3), nothing ran that a path spelled, nothing
# was created outside the output folders and the job folder, and stopping
# the cluster leaves none of its processes.
#
#   tests/farm/farm-e2e.sh [windows-build-dir]
set -uo pipefail

root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../.." && pwd)
build_arg=${1:-build/windows}
case "$build_arg" in /*) build=$build_arg ;; *) build=$root/$build_arg ;; esac
program=$build/Tallowbridge.exe
renderer=$build/tools/standin-renderer/lwsn.exe

passed=0 failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
finish() { echo "$passed passed, $failed failed"; [ $failed -eq 0 ]; exit $?; }

for f in "$program" "$renderer"; do
  [ -f "$f" ] || { echo "farm e2e: $f is missing; build the windows preset first" >&2; exit 77; }
done
for tool in wine wineserver Xvfb sbatch; do
  command -v "$tool" >/dev/null || { echo "farm e2e: $tool is missing; run scripts/bootstrap" >&2; exit 1; }
done

# The Wine prefix is the end-to-end tests': one user of it at a time.
mkdir -p "$root/build"
exec 9>"$root/build/e2e.lock"
flock -w 900 9 || { echo "farm e2e: another run holds build/e2e.lock" >&2; exit 1; }
export WINEPREFIX=$root/build/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WAYLAND_DISPLAY

xvfb_pid=
cleanup() {
  bash "$root/scripts/farm-cluster" stop >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
for n in $(seq 141 190); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=:$display

# The work folder as Wine sees it: Z: is the root of the file system.
work=$root/build/farm-e2e
rm -rf "$work"
mkdir -p "$work/Tallowbridge" "$work/LightWave/Programs" "$work/Scenes" "$work/Out"
win() { echo "Z:${1//\//\\}"; }
cp "$program" "$work/Tallowbridge/"
cp "$renderer" "$work/LightWave/Programs/lwsn.exe"
marker=/tmp/tb-farm-pwned-$$
rm -f "$marker"
odd="$work/Scenes/odd \$(touch $marker) 'q' dir"
mkdir -p "$odd" "$work/Out/odd out"
# An output prefix holds no folder separator: this one would touch a file
# named tb-pwned in whatever folder it ran.
oddprefix='$(touch tb-pwned)`touch tb-pwned`'


# A scene for the stand-in: frames, TGA files named prefix + 4 digits.
scene() { # path first last step prefix [behaviour]
  printf 'LWSC\r\n3\r\n\r\nFirstFrame %s\r\nLastFrame %s\r\nFrameStep %s\r\nFrameSize 32 24\r\nSaveRGB 1\r\nSaveRGBImagesPrefix %s\r\nRGBImageSaver LW_TGA24(.tga)\r\nOutputFilenameFormat 3\r\n%s' \
    "$2" "$3" "$4" "$(win "$5")" "${6:+StandinBehaviour $6$'\r\n'}" > "$1"
}
scene "$work/Scenes/Opening.lws" 1 12 1 "$work/Out/opening/o"
scene "$work/Scenes/Flyby.lws" 1 22 3 "$work/Out/flyby/f"
scene "$work/Scenes/Closing.lws" 101 108 1 "$work/Out/closing/c"
scene "$work/Scenes/Broken.lws" 1 4 1 "$work/Out/broken/b" "exit 3"
scene "$odd/x y.lws" 1 4 1 "$work/Out/odd out/$oddprefix"
mkdir -p "$work/Out/opening" "$work/Out/flyby" "$work/Out/closing" "$work/Out/broken"
{
  printf '[Required Settings]\r\nLWSN.EXE Location = %s\r\nContent Directory = %s\r\n' \
    "$(win "$work/LightWave/Programs/lwsn.exe")" "$(win "$work/LightWave")\\"
  printf '[Program Settings]\r\nLoad last project upon startup = NO\r\nContinue rendering upon startup = NO\r\n'
  printf 'Last Saved Project = %s\r\n' "$(win "$work/night.tbp")"
  printf '[Farm]\r\nFrames per task = 4\r\n'
} > "$work/Tallowbridge/Tallowbridge.ini"
{
  printf '[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 5\r\n'
  i=0
  for s in "$work/Scenes/Opening.lws" "$work/Scenes/Flyby.lws" "$work/Scenes/Closing.lws" \
    "$work/Scenes/Broken.lws" "$odd/x y.lws"; do
    printf 'Scene%d = %s\r\n' "$i" "$(win "$s")"
    i=$((i + 1))
  done
} > "$work/night.tbp"
before=$(cd "$work" && find . -path ./Out -prune -o -print | sort)

# 1. The job folder, from the command line, with no window to answer.
started=$(date +%s%N)
( cd "$work" && timeout 120 wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$work/night.tbp")" </dev/null )
code=$?
ms=$((($(date +%s%N) - started) / 1000000))
check "Tallowbridge.exe /farm exits with 0 (${ms} ms)" test "$code" -eq 0
jobdir=$work/night.farm
check "the job folder night.farm holds submit.sh" test -f "$jobdir/submit.sh"
[ -f "$jobdir/submit.sh" ] || finish

# 2. The cluster runs it.
bash "$root/scripts/farm-cluster" start >/dev/null || { fail "the cluster starts"; finish; }
eval "$(bash "$root/scripts/farm-cluster" env)"
export TB_STANDIN_ARGS_FILE=$work/renderer-args.txt TB_STANDIN_FRAME_MS=100
out=$(sh "$jobdir/submit.sh" 2>&1)
echo "$out" | sed 's/^/  submit: /'
check "submit.sh submits five scenes" test "$(echo "$out" | grep -c '^scene [0-9]*: job [0-9]* ([0-9]* tasks)$')" -eq 5
check "scene 1 has 3 tasks" grep -q '^scene 1: job [0-9]* (3 tasks)$' <<<"$out"
for _ in $(seq 1 240); do
  [ -z "$(squeue -h -o %i 2>/dev/null)" ] && break
  sleep 1
done
check "every task has left the queue" test -z "$(squeue -h -o %i)"

# 3. What came back.
all=1
for n in 0001 0002 0003 0004 0005 0006 0007 0008 0009 0010 0011 0012; do [ -f "$work/Out/opening/o$n.tga" ] || all=0; done
for n in 0001 0004 0007 0010 0013 0016 0019 0022; do [ -f "$work/Out/flyby/f$n.tga" ] || all=0; done
for n in 0101 0102 0103 0104 0105 0106 0107 0108; do [ -f "$work/Out/closing/c$n.tga" ] || all=0; done
for n in 0001 0002 0003 0004; do [ -f "$work/Out/odd out/$oddprefix$n.tga" ] || all=0; done
check "every frame file of the good scenes is there" test $all -eq 1
args=$(cat "$work/renderer-args.txt" 2>/dev/null)
for range in "Opening.lws 1 4 1" "Opening.lws 5 8 1" "Opening.lws 9 12 1" "Flyby.lws 1 10 3" "Flyby.lws 13 22 3" \
  "Closing.lws 101 104 1" "Closing.lws 105 108 1" 'x y.lws" 1 4 1'; do
  check "a task rendered $range" grep -qF "$range" <<<"$args"
done
state() { sed -n 's/^State = \(.*\)\r$/\1/p' "$jobdir/status/$1.txt" 2>/dev/null; }
code_of() { sed -n 's/^Exit code = \(.*\)\r$/\1/p' "$jobdir/status/$1.txt" 2>/dev/null; }
for t in scene-001-001 scene-001-002 scene-001-003 scene-002-001 scene-002-002 scene-003-001 scene-003-002 scene-005-001; do
  check "$t finished" test "$(state $t)" = finished
done
check "the failing scene's task failed with exit code 3" test "$(state scene-004-001):$(code_of scene-004-001)" = "failed:3"
check "nothing a path spelled ran" test ! -e "$marker" -a -z "$(find "$work" -name tb-pwned)"
after=$(cd "$work" && find . -path ./Out -prune -o -path ./night.farm -prune -o -print | sort)
expected=$(printf '%s\n%s\n' "$before" "./night.farm" "./renderer-args.txt" | sort -u)
# The renderer's own log files lie beside lwsn.exe, where it always writes them.
check "nothing was created outside the output folders and the job folder" \
  test "$(comm -13 <(echo "$expected") <(echo "$after") | grep -v '^./LightWave/Programs/lwsn_tallowbridge' )" = ""

# 4. The Farm window, opened from the system menu, shows what came back.
driver=$build/tests/e2e/tbdriver.exe
timeout 120 wine "$driver" farmwindow "$(win "$work/Tallowbridge/Tallowbridge.exe")" "$(win "$work/LightWave/Programs/lwsn.exe")" \
  "$(win "$work")" </dev/null >"$work/farmwindow.log" 2>&1
window_rc=$?
tr -d '\r' <"$work/farmwindow.log" | grep -E '^(PASS|FAIL)' | sed 's/^/  window: /'
check "the Farm window shows the job's status (scenario farmwindow)" test "$window_rc" -eq 0

# 5. The cluster goes, with every process of its own.
bash "$root/scripts/farm-cluster" stop >/dev/null
bash "$root/scripts/farm-cluster" status >/dev/null
check "after stop the cluster's status says it is not running" test $? -eq 3
rm -f "$marker"
finish
