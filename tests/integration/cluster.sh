#!/usr/bin/env bash
# The example workflow on a one-node SLURM cluster started here (munged,
# slurmctld, slurmd, every file in a temporary folder): through both profiles
# of examples/workflow/profiles its results equal a local run's, and a job
# that fails fails the workflow within a minute and leaves no result.
# Usage: tests/integration/cluster.sh BUILD_FOLDER (the one holding vestrel)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
vestrel=$(cd "$1" && pwd)/vestrel
profiles=$root/examples/workflow/profiles
tmp=$(mktemp -d)
chmod 755 "$tmp"
stop() { # every job cancelled, every daemon ended by its pid file and waited for
  squeue -h -o %i 2>/dev/null | xargs -r scancel 2>/dev/null || true
  for file in "$tmp"/slurmd.pid "$tmp"/slurmctld.pid "$tmp"/munge/munged.pid; do
    pid=$(cat "$file" 2>/dev/null) && kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null && sleep 0.1; done
  done
  rm -rf "$tmp"
}
trap stop EXIT
trap 'exit 1' INT TERM
fail() { echo "FAILED: $*"; exit 1; }
now() { cut -d ' ' -f 1 /proc/uptime | tr -d .; } # hundredths of a second
seconds() { printf '%d.%d s' $((($2 - $1) / 100)) $((($2 - $1) % 100 / 10)); }

diff <(sed -n '\|^    # examples/workflow/profiles/slurm/config.yaml$|,/^$/s/^    \([^#]\)/\1/p' "$root/README.md") \
  "$profiles/slurm/config.yaml" || fail "README.md does not show examples/workflow/profiles/slurm/config.yaml"
echo "ok: README.md shows the SLURM profile"

# munged as the munge user with a key and a socket of its own; the node with its real CPUs and memory.
start=$(now)
install -d -o munge -g munge -m 755 "$tmp/munge" &&
  runuser -u munge -- mungekey --create --keyfile="$tmp/munge/munge.key" 2>/dev/null &&
  runuser -u munge -- munged --socket="$tmp/munge/socket" --key-file="$tmp/munge/munge.key" \
    --pid-file="$tmp/munge/munged.pid" --log-file="$tmp/munge/munged.log" --seed-file="$tmp/munge/seed" ||
  { echo "skipped: munged cannot start"; exit 0; }
host=$(hostname -s)
tr ' ' '\n' > "$tmp/slurm.conf" <<EOF
ClusterName=vestrel SlurmctldHost=$host(127.0.0.1) SlurmctldPort=16817 SlurmdPort=16818 AuthInfo=socket=$tmp/munge/socket
StateSaveLocation=$tmp/state SlurmdSpoolDir=$tmp/spool SlurmctldPidFile=$tmp/slurmctld.pid SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log SlurmdLogFile=$tmp/slurmd.log ProctrackType=proctrack/linuxproc TaskPlugin=task/none
SelectType=select/cons_tres SelectTypeParameters=CR_Core_Memory AccountingStorageType=accounting_storage/none MinJobAge=600
EOF
echo "$(slurmd -C | head -n 1) NodeAddr=127.0.0.1
PartitionName=main Nodes=$host Default=YES MaxTime=INFINITE State=UP" >> "$tmp/slurm.conf"
export SLURM_CONF=$tmp/slurm.conf USER=${USER:-$(id -un)}
mkdir "$tmp/state" "$tmp/spool"
{ slurmctld -f "$SLURM_CONF" && slurmd -f "$SLURM_CONF"; } 2> "$tmp/start.log" ||
  { echo "skipped: the SLURM daemons cannot start: $(tail -n 1 "$tmp/start.log")"; exit 0; }
for _ in $(seq 100); do [ "$(sinfo -h -n "$host" -o %t 2>/dev/null)" = idle ] && break; sleep 0.1; done
[ "$(sinfo -h -n "$host" -o %t)" = idle ] || fail "the node is not idle: $(sinfo -h 2>&1; tail -n 3 "$tmp"/*.log)"
echo "ok: the daemons started, the node idle, in $(seconds "$start" "$(now)")"

# The genomes: three to compare, lambda alone, and a file of bytes that are not FASTA.
g=$tmp/genomes
mkdir -p "$g/three" "$g/one" "$g/broken"
cp "$root/examples/lambda.fa" "$root/tests/data/synthetic.fa" "$g/three/"
xz -dc "$root/tests/data/Klebs_HS11286.fna.xz" > "$g/three/Klebs_HS11286.fna"
cp "$root/examples/lambda.fa" "$g/one/"
head -c 3000 /bin/sh > "$g/broken/broken.fa"
run() { # NAME GENOMES [snakemake options]: the workflow in $tmp/NAME, its time in $took
  local start status
  start=$(now) && mkdir "$tmp/$1"
  (cd "$tmp/$1" && timeout -k 5 120 snakemake -s "$root/examples/workflow/Snakefile" -j 4 "${@:3}" \
    --config genomes="$g/$2" vestrel="$vestrel" > log 2>&1) && status=0 || status=$?
  took=$(seconds "$start" "$(now)")
  return $status
}
same() { # NAME [GENOME]: vestrel's results equal the local run's (logs and reports aside)
  diff -r -x '*.console' -x 'multiqc*' "$tmp/local/results${2:+/$2}" "$tmp/$1/results${2:+/$2}" || fail "$1: the results differ"
}
run local three || fail "the local run: $(tail -n 20 "$tmp/local/log")"
local_took=$took
run slurm three --profile "$profiles/slurm" || fail "the SLURM profile: $(tail -n 20 "$tmp/slurm/log")"
same slurm
echo "ok: the workflow on three genomes, results equal: $took on SLURM, $local_took locally"
run cluster one --profile "$profiles/cluster" || fail "the cluster profile: $(tail -n 20 "$tmp/cluster/log")"
same cluster lambda
echo "ok: the cluster profile on lambda, results equal the local run's: $took"

for profile in slurm cluster; do
  ! run "$profile-broken" broken --profile "$profiles/$profile" || fail "$profile: the workflow passed a broken genome"
  grep -q "Error in rule vestrel" "$tmp/$profile-broken/log" || fail "$profile: $(tail -n 20 "$tmp/$profile-broken/log")"
  [ -z "$(find "$tmp/$profile-broken/results" -type f 2>/dev/null)" ] || fail "$profile: a broken genome's result is left"
  [ "${took%%.*}" -lt 60 ] || fail "$profile: the failure took $took"
  echo "ok: $profile profile: the broken genome's job failed the workflow in $took, no result left"
done
