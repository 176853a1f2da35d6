#!/usr/bin/env bash
# examples/slurm/verify_array.sbatch on a real one-node Slurm cluster started
# here: munged, slurmctld and slurmd with a generated key and slurm.conf in a
# temporary folder, on the loopback address and ports of their own, stopped
# at the end (also on failure). A regression of twelve timing files runs as a
# three-task job array and a dependent merging job; the merged JSON must equal
# a single run's apart from the times, with the JUnit, Markdown and index
# written beside it.
#   slurm_cluster.sh SOURCE_DIR BUILD_DIR
# Exit status 77 (skipped, said loudly) without root or without the Debian
# packages slurm-wlm and munge.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$(cd "$2" && pwd)
export PATH="$PATH:/usr/sbin:/sbin"
started=$SECONDS

skip() {
  echo "*** SKIPPED LOUDLY: $*; the Slurm cluster test did not run" >&2
  exit 77
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || skip "it needs root (slurmd starts each job as its user)"
for tool in munged slurmctld slurmd sbatch squeue scontrol sinfo; do
  command -v "$tool" >/dev/null || skip "$tool is missing (Debian packages slurm-wlm and munge)"
done
[ -x /usr/bin/python3 ] || skip "/usr/bin/python3 is missing (it finds free ports)"
reportapp="$build_dir/reportapp"
[ -x "$reportapp" ] || fail "no reportapp shell in $build_dir"

work=$(mktemp -d /tmp/reportapp-slurm-XXXXXX)
chmod 711 "$work"
daemons=()

# Stops what this test started, newest first, and keeps the logs of a
# failed run on standard error.
stop_cluster() {
  local status=$?
  if [ -n "${SLURM_CONF:-}" ] && [ -f "$SLURM_CONF" ]; then
    timeout 10 scancel --quiet --full --user=root 2>/dev/null || true
  fi
  local i pid
  for ((i = ${#daemons[@]} - 1; i >= 0; i--)); do
    pid=${daemons[$i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
    for log in "$work"/log/*.log "$work"/run/*.out; do
      [ -f "$log" ] && { echo "--- $log" >&2; tail -n 25 "$log" >&2; }
    done
  fi
  rm -rf "$work"
  exit "$status"
}
trap stop_cluster EXIT
trap 'exit 1' INT TERM

# Two ports free on the loopback address for slurmctld and slurmd.
read -r ctld_port slurmd_port < <(/usr/bin/python3 -c '
import socket
socks = [socket.socket() for _ in range(2)]
for s in socks:
    s.bind(("127.0.0.1", 0))
print(*[s.getsockname()[1] for s in socks])')

mkdir -p "$work"/{munge,state,spool,log,run}
chmod 711 "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$work/munge/munge.key"
munged --foreground --force --key-file="$work/munge/munge.key" \
  --socket="$work/munge/munge.socket" --pid-file="$work/munge/munged.pid" \
  --seed-file="$work/munge/munged.seed" --log-file="$work/log/munged.log" 2>>"$work/log/munged.log" &
daemons+=($!)
for _ in $(seq 50); do
  [ -S "$work/munge/munge.socket" ] && break
  sleep 0.1
done
[ -S "$work/munge/munge.socket" ] || fail "munged did not create its socket"

cpus=$(nproc)
: >"$work/plugstack.conf"
cat >"$work/slurm.conf" <<CONF
ClusterName=reportapptest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
PlugStackConfig=$work/plugstack.conf
MailProg=/bin/true
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
SchedulerType=sched/builtin
SchedulerParameters=sched_interval=1
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MinJobAge=600
NodeName=localhost NodeAddr=127.0.0.1 NodeHostname=localhost CPUs=$cpus RealMemory=100 State=UNKNOWN
PartitionName=regression Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$work/slurm.conf"
slurmctld -D -i -f "$SLURM_CONF" >>"$work/log/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D -N localhost -f "$SLURM_CONF" >>"$work/log/slurmd.out" 2>&1 &
daemons+=($!)

# Bounded waits: a condition polled every half second.
wait_for() {
  local what=$1 limit=$2
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < deadline)) || fail "$what not within $limit s"
    sleep 0.5
  done
}
node_idle() { [ "$(sinfo -h -n localhost -o %T 2>/dev/null)" = idle ]; }
wait_for "the node idle" 30 node_idle

# The regression: the example project's three vectors and nine more, some of
# them with a disagreement.
project="$work/project"
mkdir -p "$project/Reports" "$project/timing"
cp -r "$source_dir/examples/verify_project/FixedPointM" "$project/"
cp "$source_dir"/examples/verify_project/timing/*.txt "$project/timing/"
for n in 4 5 6 7 8 9 10 11 12; do
  {
    echo "0 start 0"
    for ((r = 1; r <= 10 + n; r++)); do
      rtl=$(((r * n) % 16))
      ((n % 3 == 0 && r == n)) && rtl=$(((rtl + 1) % 16))
      printf '%d out %d %x %x 7 7\n' $((r * 10)) $((2 + r % 3)) $(((r * n) % 16)) "$rtl"
    done
  } >"$project/timing/kv_timing_Korvel_TestVector_$n.txt"
done
mapfile -t files < <(find "$project/timing" -name 'kv_timing_*.txt' | sort -V)

# One run over all files, as the reference.
"$reportapp" verify --quiet --no-index --project "$project" --json "$work/single.json" \
  "${files[@]}" >/dev/null || [ $? -eq 1 ] || fail "the single run failed"

# The array (three tasks over twelve files) and the dependent merging job.
cd "$work/run"
script="$source_dir/examples/slurm/verify_array.sbatch"
# The script asks for two CPUs a task; a one-CPU machine gives one.
cpu_option=()
((cpus >= 2)) || cpu_option=(--cpus-per-task=1)
array=$(PROJECT="$project" SHARDS=3 REPORTAPP="$reportapp" \
  sbatch --parsable --array=0-2 "${cpu_option[@]}" "$script") || fail "sbatch of the array"
merge=$(PROJECT="$project" SHARDS=3 REPORTAPP="$reportapp" MODE=summarize \
  sbatch --parsable --dependency=afterany:"$array" --output=merge-%j.out "$script") ||
  fail "sbatch of the merging job"
jobs_done() { [ -z "$(squeue -h -j "$array,$merge" -o %i 2>/dev/null)" ]; }
if ! (wait_for "the jobs" 60 jobs_done) 2>/dev/null; then
  fail "the array job $array and the merging job $merge not done within 60 s:
$(squeue -j "$array,$merge" -o '%i %T %r' 2>&1)"
fi

job_field() { scontrol show job "$1" | tr ' ' '\n' | sed -n "s/^$2=//p" | sort -u | tr '\n' ' '; }
echo "array job $array: $(job_field "$array" JobState)exit $(job_field "$array" ExitCode)"
echo "merging job $merge: $(job_field "$merge" JobState)exit $(job_field "$merge" ExitCode)"
# Two vectors disagree: every task completes, the merging job exits 1.
[ "$(job_field "$array" JobState)" = "COMPLETED " ] || fail "array tasks: $(job_field "$array" JobState)"
[ "$(job_field "$merge" ExitCode)" = "1:0 " ] || fail "merging job: $(job_field "$merge" ExitCode)"
for t in 0 1 2; do
  [ -f "$project/shards/shard-$t.json" ] || fail "no shard from task $t"
done

# The merged JSON equals the single run's, apart from the times.
without_times() { grep -v '^ *"seconds": ' "$1"; }
diff <(without_times "$work/single.json") <(without_times "$project/results.json") ||
  fail "the merged JSON differs from the single run's"
if command -v xmllint >/dev/null; then
  xmllint --noout --schema "$source_dir/tests/data/schemas/junit-10.xsd" "$project/junit.xml" ||
    fail "the merged JUnit does not validate"
else
  echo "*** NOT CHECKED: xmllint (Debian package libxml2-utils) is missing; the merged JUnit" \
    "was not checked against its schema" >&2
fi
grep -q "| fail |" "$project/summary.md" || fail "the Markdown summary lists no failing vector"
[ -f "$project/Reports/index.htm" ] || fail "no index page"

# A task that died leaves no shard: the merging job refuses, naming it.
rm "$project/shards/shard-1.json"
if out=$(PROJECT="$project" SHARDS=3 REPORTAPP="$reportapp" MODE=summarize bash "$script" 2>&1); then
  fail "merging with a missing shard succeeded: $out"
fi
[[ $out == *"no shard from array task(s) 1"* ]] || fail "missing shard message: $out"

echo "Slurm cluster test passed in $((SECONDS - started)) s"
