#!/usr/bin/env bash
# Test of scripts/farm-cluster against the real daemons: the one-node Slurm
# cluster comes up within 10 s, a second start does nothing, a job array of 4
# tasks runs to the end with 2 tasks at a time on the 2 CPUs, and stop leaves no
# process behind (daemons, job steps, a job still running) and status says so.
# Needs root and Debian's slurmctld, slurmd, slurm-client and munge
# (scripts/bootstrap installs them).
set -uo pipefail

root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../.." && pwd)
fc="$root/scripts/farm-cluster"
D="$root/build/farm-cluster"
host=$(hostname -s)
cpus=$(nproc)

passed=0 failed=0 skipped=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
skip() { echo "SKIP: $*"; skipped=$((skipped + 1)); }
check() { # check DESCRIPTION COMMAND...: PASS when the command succeeds
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
finish() {
  local line="$passed passed, $failed failed"
  [ $skipped -gt 0 ] && line+=", $skipped skipped"
  echo "$line"
  [ $failed -eq 0 ] && exit 0
  exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

if [ "$(id -u)" -ne 0 ]; then
  fail "must run as root: the cluster's daemons and its jobs run as root"
  finish
fi
for b in munged slurmctld slurmd sbatch squeue sinfo scontrol; do
  if ! command -v "$b" >/dev/null; then
    fail "$b is missing; run: bash scripts/bootstrap"
    finish
  fi
done

# A process's identity: pid and start time, so that a reused pid is not
# taken for a process that survived.
ident() {
  local st
  st=$({ cat "/proc/$1/stat"; } 2>/dev/null) || return 1
  st=${st##*) }
  echo "$1:$(echo "$st" | awk '{print $20}')"
}
# True while that process runs (a zombie has ended).
ident_alive() {
  local pid=${1%%:*} now stat
  now=$(ident "$pid") || return 1
  [ "$now" = "$1" ] || return 1
  stat=$(ps -o stat= -p "$pid" 2>/dev/null) || return 1
  case "$stat" in Z*) return 1 ;; esac
}
tree() {
  local c
  echo "$1"
  for c in $(ps -o pid= --ppid "$1" 2>/dev/null); do tree "$c"; done
}
pid_of() { tr -dc '0-9' <"$D/run/$1.pid" 2>/dev/null; }

stopped=1
cleanup() {
  if [ $stopped -eq 0 ]; then
    echo "test: stopping the cluster after an early end"
    bash "$fc" stop || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if bash "$fc" status >/dev/null 2>&1; then
  echo "test: this checkout's cluster was running; stopping it so that the start can be timed"
  bash "$fc" stop
fi

# --- start, timed ------------------------------------------------------------
stopped=0
t0=$(now_ms)
bash "$fc" start
rc=$?
ms=$(($(now_ms) - t0))
check "start exits 0 (exit $rc)" [ $rc -eq 0 ]
up=0; [ $rc -eq 0 ] && [ $ms -le 10000 ] && up=1
check "cluster up within 10 s (took $ms ms)" [ $up -eq 1 ]
if [ $rc -ne 0 ]; then finish; fi

eval "$(bash "$fc" env)"
check "env points SLURM_CONF at $D/slurm.conf" [ "${SLURM_CONF:-}" = "$D/slurm.conf" ]

node=$(sinfo -h -N -o '%N %T %c %P' 2>&1)
check "sinfo shows node $host idle with $cpus CPUs in the default partition farm (saw: $node)" \
  [ "$node" = "$host idle $cpus farm*" ]
bash "$fc" status >/dev/null
rc=$?
check "status exits 0 while the cluster runs (exit $rc)" [ $rc -eq 0 ]

declare -A daemon_ident
all_found=1
for d in munged slurmctld slurmd; do
  p=$(pid_of "$d")
  if [ -n "$p" ] && daemon_ident[$d]=$(ident "$p"); then :; else all_found=0; fi
done
check "pid files of munged, slurmctld and slurmd name live processes" [ $all_found -eq 1 ]

# The daemons listen on the loopback address only, never on every address
# (slurmctld where the host name resolves to a loopback address: it can bind
# to nothing else).
ctld=$(pid_of slurmctld)
case "$(getent hosts "$(hostname -s)" | awk '{ print $1; exit }')" in 127.*) ;; *) ctld=none ;; esac
listening=$(ss -Hltnp 2>/dev/null | awk -v a="pid=$ctld," -v b="pid=$(pid_of slurmd)," \
  'index($0, a) || index($0, b) { print $4 }' | sort -u | tr '\n' ' ')
check "slurmctld and slurmd listen on 127.0.0.1 only (${listening:-nothing})" \
  bash -c '[ -n "$1" ] && ! grep -qv "^127\.0\.0\.1:" <<<"$(tr " " "\n" <<<"$1" | sed "/^$/d")"' _ "$listening"

# --- a second start does nothing ---------------------------------------------
out=$(bash "$fc" start 2>&1)
rc=$?
same=1
for d in munged slurmctld slurmd; do
  p=$(pid_of "$d")
  [ -n "$p" ] && [ "$(ident "$p" || true)" = "${daemon_ident[$d]:-}" ] || same=0
done
ok=0; [ $rc -eq 0 ] && grep -q 'nothing to do' <<<"$out" && ok=1
check "second start exits 0 and says it does nothing (exit $rc: $out)" [ $ok -eq 1 ]
check "second start leaves the same daemons running" [ $same -eq 1 ]

# --- a job array of 4 tasks --------------------------------------------------
mkdir -p "$D"
work=$(mktemp -d "$D/test.XXXXXX")
jobid=$(sbatch --parsable --array=1-4 --output="$work/%A_%a.log" --wrap \
  "echo task \$SLURM_ARRAY_TASK_ID on \$(hostname); date +%s.%N >'$work'/\$SLURM_ARRAY_TASK_ID.start; sleep 1; date +%s.%N >'$work'/\$SLURM_ARRAY_TASK_ID.end" 2>&1)
rc=$?
ok=0; [ $rc -eq 0 ] && [[ "$jobid" =~ ^[0-9]+$ ]] && ok=1
check "sbatch takes the array (exit $rc, job id: $jobid)" [ $ok -eq 1 ]

if [[ "$jobid" =~ ^[0-9]+$ ]]; then
  t0=$(now_ms)
  queued="?"
  while [ $(($(now_ms) - t0)) -lt 60000 ]; do
    if queued=$(squeue -h -j "$jobid" -o '%i %T' 2>&1) && [ -z "$queued" ]; then break; fi
    sleep 0.5
  done
  check "all 4 tasks leave the queue within 60 s (took $(($(now_ms) - t0)) ms; last squeue: ${queued:-empty})" \
    [ -z "$queued" ]

  for i in 1 2 3 4; do
    info=$(scontrol -o show job "${jobid}_$i" 2>&1)
    state="$(grep -o 'JobState=[A-Z_]*' <<<"$info" | head -n 1) $(grep -o ' ExitCode=[0-9:]*' <<<"$info" | head -n 1 | tr -d ' ')"
    check "task $i completed with exit code 0 ($state)" [ "$state" = "JobState=COMPLETED ExitCode=0:0" ]
    f="$work/${jobid}_$i.log"
    content=$(cat "$f" 2>/dev/null || echo "(no log)")
    check "log of task $i says 'task $i on $(hostname)' (saw: $content)" \
      [ "$content" = "task $i on $(hostname)" ]
  done
  logs=$(find "$work" -name '*.log' | wc -l)
  check "exactly 4 task logs (found $logs)" [ "$logs" -eq 4 ]

  # Each task's [start, end]; how many ran at once at most.
  spans=""
  for i in 1 2 3 4; do
    s=$(cat "$work/$i.start" 2>/dev/null) e=$(cat "$work/$i.end" 2>/dev/null)
    [ -n "$s" ] && [ -n "$e" ] && spans+="$s $e"$'\n'
  done
  nspans=$(grep -c . <<<"$spans" || true)
  most=$(awk 'NF == 2 { print $1, 1; print $2, -1 }' <<<"$spans" |
    sort -k1,1n -k2,2n | awk '{ n += $2; if (n > m) m = n } END { print m + 0 }')
  check "every task wrote its start and end times ($nspans of 4)" [ "$nspans" -eq 4 ]
  if [ "$cpus" -lt 2 ]; then
    skip "tasks running side by side: this machine has 1 CPU"
  else
    check "2 tasks ran at the same time on the $cpus CPUs (at most $most at once)" [ "$most" -ge 2 ]
  fi
  check "never more tasks at once than CPUs ($most at once, $cpus CPUs)" [ "$most" -le "$cpus" ]
fi

# --- a job still running when the cluster stops ------------------------------
long=$(sbatch --parsable --output="$work/long.log" --wrap \
  "echo \$\$ \$PPID >'$work'/long.pids; sleep 300" 2>&1)
t0=$(now_ms)
while [ ! -s "$work/long.pids" ] && [ $(($(now_ms) - t0)) -lt 30000 ]; do sleep 0.2; done
read -r task_pid step_pid <"$work/long.pids" 2>/dev/null || true
ok=0
[ -n "${task_pid:-}" ] && [ -n "${step_pid:-}" ] && [ -d "/proc/$task_pid" ] && [ -d "/proc/$step_pid" ] && ok=1
check "a long job ($long) is running before stop (task pid ${task_pid:-?}, slurmstepd pid ${step_pid:-?})" [ $ok -eq 1 ]

# Processes that are not the cluster's own though they touch it: a tail -f
# of its log, and a shell that carries its SLURM_CONF. Stop leaves them.
tail -f "$D/log/slurmd.log" >/dev/null 2>&1 &
tail_pid=$!
SLURM_CONF="$D/slurm.conf" sleep 300 &
conf_pid=$!
bystanders=("$(ident $tail_pid)" "$(ident $conf_pid)")

# --- stop --------------------------------------------------------------------
recorded=()
for d in munged slurmctld slurmd; do
  p=$(pid_of "$d")
  [ -n "$p" ] || continue
  for q in $(tree "$p"); do t=$(ident "$q") && recorded+=("$t"); done
done
for p in ${step_pid:-} ${task_pid:-}; do
  for q in $(tree "$p"); do t=$(ident "$q") && recorded+=("$t"); done
done
mapfile -t recorded < <(printf '%s\n' "${recorded[@]}" | sort -u)
echo "test: recorded before stop: ${recorded[*]%%:*}"

bash "$fc" stop
rc=$?
stopped=1
check "stop exits 0 (exit $rc)" [ $rc -eq 0 ]

left=()
for t in "${recorded[@]}"; do ident_alive "$t" && left+=("${t%%:*}"); done
ok=0; [ ${#recorded[@]} -ge 4 ] && [ ${#left[@]} -eq 0 ] && ok=1
check "no process recorded before stop is left (${#recorded[@]} recorded, left: ${left[*]:-none})" [ $ok -eq 1 ]

alive=0
for t in "${bystanders[@]}"; do ident_alive "$t" && alive=$((alive + 1)); done
check "stop leaves a tail -f of its log and a shell with its SLURM_CONF running ($alive of 2)" [ $alive -eq 2 ]
kill $tail_pid $conf_pid 2>/dev/null
wait $tail_pid $conf_pid 2>/dev/null
holders=$(find /proc/[0-9]*/fd -maxdepth 1 -type l -printf '%p\t%l\n' 2>/dev/null |
  awk -F '\t' -v f="$D/log/slurmd.log" '$2 == f { split($1, a, "/"); print a[3] }' | sort -un | tr '\n' ' ')
check "no process (slurmd, slurmstepd) holds slurmd's log open (${holders:-none})" [ -z "$holders" ]
ports=$(sed -n 's/^Slurm\(ctld\|d\)Port=//p' "$D/slurm.conf" | tr '\n' ' ')
check "the ports were chosen at start, not Slurm's own 6817/6818 ($ports)" [ "$ports" != "6817 6818 " -a -n "$ports" ]

pidfiles=$(ls "$D/run/"*.pid 2>/dev/null | tr '\n' ' ')
check "stop removes the pid files (left: ${pidfiles:-none})" [ -z "$pidfiles" ]

bash "$fc" status >/dev/null 2>&1
rc=$?
check "status exits 3 after stop (exit $rc)" [ $rc -eq 3 ]

if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "test: the jobs' files are kept in $work"; fi
finish
