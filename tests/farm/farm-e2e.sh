#!/usr/bin/env bash
# The farm end to end, on the real one-node Slurm cluster (MaxArraySize
# lowered to 11): under Wine, Tallowbridge.exe /farm writes the job folder
# of a project of seven scenes (three that render, one whose renderer exits
# with 3, one that crashes, one whose path holds $(...) and blanks, one whose
# folder and name hold accented letters); submit.sh runs on Linux; the
# tasks run the stand-in lwsn.exe under Wine. Every frame of the good
# scenes appears, each task rendered its own frame range, the status files
# say finished (the failing scene's: failed, exit code 3), nothing ran that
# a path spelled, nothing was created outside the output folders and the
# job folder. A scene whose middle task fails, written again, renders
# exactly its missing frames; a scene of 30 one-frame tasks goes as three
# arrays; a second submit is refused while the jobs run, cancel.sh ends
# them and their tasks say killed; a job folder pointed at a user's folder
# is refused and the user's file stays; stopping the cluster leaves none of
# its processes.
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
export WINEPREFIX=$root/build/wineprefix WINEARCH=win64 WINEDEBUG=-all LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WAYLAND_DISPLAY

# The nodes' own Wine prefix, as on a farm: tasks run Wine without a display,
# and a wineserver they started must not serve the workstation's windows.
nodeprefix=$root/build/wineprefix-nodes
xvfb_pid=
cleanup() {
  WINEPREFIX=$nodeprefix wineserver -k >/dev/null 2>&1
  bash "$root/scripts/farm-cluster" stop >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
# A display of our own: another run may take the same free number at the
# same moment, so the X server must be seen alive after its socket appears.
display=
for n in $(seq 141 190); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null 9>&- &
    xvfb_pid=$!
    for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    sleep 0.5
    if kill -0 "$xvfb_pid" 2>/dev/null; then display=$n; break; fi
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  fi
done
[ -n "$display" ] || { echo "farm e2e: no X display could be started" >&2; exit 1; }
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
# The middle task fails on frame 6; it renders 5 first.
scene "$work/Scenes/Middle.lws" 1 12 1 "$work/Out/middle/m" "exit 3 failOn 6"
scene "$work/Scenes/Crash.lws" 1 2 1 "$work/Out/crash/c" "crash"
accented="$work/Scenes/Sz$(printf '\xc3\xa8')ne"
mkdir -p "$accented"
scene "$accented/Sz$(printf '\xc3\xa8')ne.lws" 1 3 1 "$work/Out/szene/s"
mkdir -p "$work/Out/opening" "$work/Out/flyby" "$work/Out/closing" "$work/Out/broken" "$work/Out/middle" \
  "$work/Out/crash" "$work/Out/szene"
settings() { # [frames per task]
{
  printf '[Required Settings]\r\nLWSN.EXE Location = %s\r\nContent Directory = %s\r\n' \
    "$(win "$work/LightWave/Programs/lwsn.exe")" "$(win "$work/LightWave")\\"
  printf '[Program Settings]\r\nLoad last project upon startup = NO\r\nContinue rendering upon startup = NO\r\n'
  printf 'Last Saved Project = %s\r\n' "$(win "$work/night.tbp")"
  printf '[Farm]\r\nFrames per task = %s\r\nCPUs per task = 1\r\nWine prefix = %s\r\n' "${1:-4}" "$nodeprefix"
}
}
settings 4 > "$work/Tallowbridge/Tallowbridge.ini"
# A project of the scenes given; paths in the workstation's ANSI code page.
project() { # file scene...
  local file=$1 i=0 s; shift
  {
    printf '[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = %d\r\n' $#
    for s in "$@"; do
      printf 'Scene%d = %s\r\n' "$i" "$(win "$s" | iconv -f UTF-8 -t CP1252)"
      i=$((i + 1))
    done
  } > "$file"
}
project "$work/night.tbp" "$work/Scenes/Opening.lws" "$work/Scenes/Flyby.lws" "$work/Scenes/Closing.lws" \
  "$work/Scenes/Broken.lws" "$odd/x y.lws" "$work/Scenes/Middle.lws" "$work/Scenes/Crash.lws" \
  "$accented/Sz$(printf '\xc3\xa8')ne.lws"
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

# 2. The cluster runs it, on nodes whose Wine prefix is made beforehand.
( unset DISPLAY; WINEPREFIX=$nodeprefix wine wineboot >/dev/null 2>&1; WINEPREFIX=$nodeprefix wineserver -w )
FARM_CLUSTER_MAX_ARRAY_SIZE=11 bash "$root/scripts/farm-cluster" start >/dev/null || { fail "the cluster starts"; finish; }
eval "$(bash "$root/scripts/farm-cluster" env)"
# Nothing of this shell reaches a task: the job folder's settings say it.
export TB_STANDIN_FRAME_MS=100000 DISPLAY=:$display
out=$(sh "$jobdir/submit.sh" 2>&1)
echo "$out" | sed 's/^/  submit: /'
check "submit.sh submits eight scenes" test "$(echo "$out" | grep -c '^scene [0-9]*: job [0-9]* ([0-9]* tasks)$')" -eq 8
check "scene 1 has 3 tasks" grep -q '^scene 1: job [0-9]* (3 tasks)$' <<<"$out"
check "jobs.txt names the eight jobs" test "$(wc -l < "$jobdir/jobs.txt")" -eq 8
wait_queue() { # seconds
  for _ in $(seq 1 "$1"); do
    [ -z "$(squeue -h -o %i 2>/dev/null)" ] && return 0
    sleep 1
  done
  return 1
}
wait_queue 300
check "every task has left the queue" test -z "$(squeue -h -o %i)"

# 3. What came back.
all=1
for n in 0001 0002 0003 0004 0005 0006 0007 0008 0009 0010 0011 0012; do [ -f "$work/Out/opening/o$n.tga" ] || all=0; done
for n in 0001 0004 0007 0010 0013 0016 0019 0022; do [ -f "$work/Out/flyby/f$n.tga" ] || all=0; done
for n in 0101 0102 0103 0104 0105 0106 0107 0108; do [ -f "$work/Out/closing/c$n.tga" ] || all=0; done
for n in 0001 0002 0003 0004; do [ -f "$work/Out/odd out/$oddprefix$n.tga" ] || all=0; done
for n in 001 002 003; do [ -f "$work/Out/szene/s0$n.tga" ] || all=0; done
check "every frame file of the good scenes is there, the accented scene's too" test $all -eq 1
key() { sed -n "s/^$2 = \\(.*\\)\r\$/\\1/p" "${3:-$jobdir}/status/$1.txt" 2>/dev/null; }
state() { key "$1" State "${2:-}"; }
code_of() { key "$1" "Exit code"; }
for range in "001-001 1 4" "001-002 5 8" "001-003 9 12" "002-001 1 10" "002-002 13 22" "003-001 101 104" \
  "003-002 105 108" "005-001 1 4" "008-001 1 3"; do
  set -- $range
  check "scene-$1 rendered $2 to $3 and finished" test "$(state scene-$1):$(key scene-$1 'First frame') $(key scene-$1 'Last frame')" = "finished:$2 $3"
done
check "the failing scene's task failed with exit code 3" test "$(state scene-004-001):$(code_of scene-004-001)" = "failed:3"
check "the middle task failed on frame 6 with exit code 3" test "$(state scene-006-002):$(code_of scene-006-002)" = "failed:3"
check "the crashing renderer's task failed, not hung" test "$(state scene-007-001)" = failed
check "a status file names its Slurm job and array task" test -n "$(key scene-001-002 'Job ID')" -a "$(key scene-001-002 'Array task ID')" = 1
check "nothing a path spelled ran" test ! -e "$marker" -a -z "$(find "$work" -name tb-pwned)"
after=$(cd "$work" && find . -path ./Out -prune -o -path ./night.farm -prune -o -print | sort)
expected=$(printf '%s\n%s\n' "$before" "./night.farm" | sort -u)
# The renderer's own log files lie beside lwsn.exe, where it always writes them.
check "nothing was created outside the output folders and the job folder" \
  test "$(comm -13 <(echo "$expected") <(echo "$after"))" = ""

# 4. The Farm window, opened from the system menu, shows what came back.
driver=$build/tests/e2e/tbdriver.exe
timeout 120 wine "$driver" farmwindow "$(win "$work/Tallowbridge/Tallowbridge.exe")" "$(win "$work/LightWave/Programs/lwsn.exe")" \
  "$(win "$work")" </dev/null >"$work/farmwindow.log" 2>&1
window_rc=$?
tr -d '\r' <"$work/farmwindow.log" | grep -E '^(PASS|FAIL)' | sed 's/^/  window: /'
check "the Farm window shows the job's status (scenario farmwindow)" test "$window_rc" -eq 0

# 3b. The middle scene, no longer failing, written again: exactly 6-8.
scene "$work/Scenes/Middle.lws" 1 12 1 "$work/Out/middle/m"
settings 4 > "$work/Tallowbridge/Tallowbridge.ini"
( cd "$work" && timeout 120 wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$work/night.tbp")" </dev/null )
check "the job written again exits 0 (its jobs ended)" test $? -eq 0
check "job.txt plans frames 6-8 of the middle scene, nothing of the others" \
  test "$(grep -a -c '^Missing frames = [0-9-]' "$jobdir/job.txt"):$(grep -a '^Missing frames = 6' "$jobdir/job.txt" | tr -d '\r')" = "3:Missing frames = 6-8"
before_mtimes=$(ls -l --time-style=+%s.%N "$work/Out/middle/" | awk 'NF > 5 {print $6, $7}' | sort)
out=$(sh "$jobdir/submit.sh" 2>&1)
echo "$out" | sed 's/^/  submit again: /'
wait_queue 120
all=1
for n in $(seq -w 1 12); do [ -f "$work/Out/middle/m00$n.tga" ] || all=0; done
check "every frame of the middle scene is there" test $all -eq 1
check "the new task rendered exactly 6 to 8" test "$(key scene-006-001 'First frame')-$(key scene-006-001 'Last frame')" = "6-8"
rerendered=$(comm -13 <(echo "$before_mtimes") <(ls -l --time-style=+%s.%N "$work/Out/middle/" | awk 'NF > 5 {print $6, $7}' | sort) | awk '{print $2}' | sort | tr '\n' ' ')
check "only m0006-m0008 were written again (saw: $rerendered)" test "$rerendered" = "m0006.tga m0007.tga m0008.tga "

# 3c. 30 one-frame tasks on a cluster whose MaxArraySize is 11: three arrays.
scene "$work/Scenes/Thirty.lws" 1 30 1 "$work/Out/thirty/t"
mkdir -p "$work/Out/thirty"
project "$work/thirty.tbp" "$work/Scenes/Thirty.lws"
settings 1 > "$work/Tallowbridge/Tallowbridge.ini"
( cd "$work" && timeout 120 wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$work/thirty.tbp")" </dev/null )
out=$(sh "$work/thirty.farm/submit.sh" 2>&1)
echo "$out" | sed 's/^/  thirty: /'
check "30 tasks go as arrays of 11, 11 and 8" \
  test "$(grep -o '([0-9]* tasks)' <<<"$out" | tr '\n' ' ')" = "(11 tasks) (11 tasks) (8 tasks) "
wait_queue 300
all=1
for n in $(seq -w 1 30); do [ -f "$work/Out/thirty/t00$n.tga" ] || all=0; done
check "every one of the 30 frames appears" test $all -eq 1

# 3d. Slow tasks: a second submit is refused while they run; cancel.sh ends
# them, and each says killed.
scene "$work/Scenes/Slow.lws" 1 2 1 "$work/Out/slow/w" "frameMs 60000"
mkdir -p "$work/Out/slow"
project "$work/slow.tbp" "$work/Scenes/Slow.lws"
( cd "$work" && timeout 120 wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$work/slow.tbp")" </dev/null )
sh "$work/slow.farm/submit.sh" >/dev/null 2>&1
for _ in $(seq 1 60); do
  [ "$(state scene-001-001 "$work/slow.farm"):$(state scene-001-002 "$work/slow.farm")" = running:running ] && break
  sleep 1
done
check "both slow tasks run" test "$(state scene-001-001 "$work/slow.farm"):$(state scene-001-002 "$work/slow.farm")" = running:running
sleep 3   # the renderers under way
out=$(sh "$work/slow.farm/submit.sh" 2>&1); code=$?
check "a second submit.sh is refused while the jobs run (exit $code: $out)" \
  test "$code" -ne 0 -a "$(grep -c 'still queued or running' <<<"$out")" -eq 1
( cd "$work" && timeout 120 wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$work/slow.tbp")" </dev/null )
code=$?
check "/farm refuses the folder whose jobs run (exit $code)" \
  test "$code" -ne 0 -a "$(grep -c 'may still run: 2 task' "$work/slow.farm-error.txt")" -eq 1
sh "$work/slow.farm/cancel.sh" | sed 's/^/  cancel: /'
wait_queue 30
check "cancel.sh ended the jobs" test -z "$(squeue -h -o %i)"
for t in scene-001-001 scene-001-002; do
  check "$t says killed with exit code 143" test "$(state $t "$work/slow.farm"):$(key $t 'Exit code' "$work/slow.farm")" = "killed:143"
done
out=$(sh "$work/slow.farm/cancel.sh" 2>&1)
check "cancel.sh with nothing running ends quietly ($out)" test $? -eq 0

# 3e. A job folder pointed at a user's folder: refused, the file stays.
project "$work/mine.tbp" "$work/Scenes/Opening.lws"
mkdir -p "$work/mine.farm"
echo precious > "$work/mine.farm/precious.txt"
( cd "$work" && timeout 120 wine "$work/Tallowbridge/Tallowbridge.exe" /farm "$(win "$work/mine.tbp")" /force </dev/null )
code=$?
check "/farm refuses a folder of the user's even with /force (exit $code)" \
  test "$code" -ne 0 -a "$(grep -c 'is not a farm job folder' "$work/mine.farm-error.txt")" -eq 1
check "the user's file is still there, and alone" test "$(ls -A "$work/mine.farm")/$(cat "$work/mine.farm/precious.txt")" = "precious.txt/precious"
settings 4 > "$work/Tallowbridge/Tallowbridge.ini"

# 5. The cluster goes, with every process of its own.
bash "$root/scripts/farm-cluster" stop >/dev/null
bash "$root/scripts/farm-cluster" status >/dev/null
check "after stop the cluster's status says it is not running" test $? -eq 3
rm -f "$marker"
finish
