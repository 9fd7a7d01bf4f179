#!/usr/bin/env bash
# The benchmark: builds vestrel (Release) and the bench programs, prepares the
# workloads and prints, per workload, wall time, peak resident memory, bytes
# per base and the speed-up of the default run over the reference scan, plus
# the reading throughput beside seqtk and seqkit, and the CPU's division floor.
#
#   bash bench/run.sh
#
# Environment:
#   BENCH_RUNS=3                 repetitions of every measurement (medians are shown)
#   BENCH_WORKLOADS="5M 50M 250M"  which workloads to run (the 250M reference run takes minutes)
#   BENCH_ONE_THREAD=1           also time the automatic kernel on one thread (0: skip)
#   BENCH_KEEP=0                 1: keep the scratch folders of the runs in build/bench/scratch
# The tables are also written to build/bench/results.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=${BENCH_RUNS:-3}
workloads=${BENCH_WORKLOADS:-"5M 50M 250M"}
one_thread=${BENCH_ONE_THREAD:-1}
keep=${BENCH_KEEP:-0}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_RUNS must be a positive integer" >&2; exit 2; }
for w in $workloads; do
  case $w in 5M | 50M | 250M) ;; *) echo "unknown workload '$w' (choose from 5M 50M 250M)" >&2; exit 2 ;; esac
done

bash scripts/install-deps.sh g++ cmake make libisal-dev xz-utils gzip seqtk seqkit time
source bench/build_vestrel.sh  # sets jobs, vestrel
bench=$root/build/bench
data=$bench/data
mkdir -p "$data"

build_tool() {  # name, extra flags...
  local name=$1; shift
  if [ ! -x "$bench/$name" ] || [ "bench/$name.cpp" -nt "$bench/$name" ]; then
    g++ -std=c++20 -O2 -Wall -Wextra -ffp-contract=off "$@" -o "$bench/$name" "bench/$name.cpp"
  fi
}
build_tool make_genome
build_tool division_floor -fno-tree-vectorize

# --- workloads (cached: made only when missing) ---------------------------------
workload_file() {
  case $1 in
    5M) echo "$data/klebs.fa" ;;
    50M) echo "$data/synthetic50M.fa" ;;
    250M) echo "$data/synthetic250M.fa" ;;
  esac
}
workload_title() {
  case $1 in
    5M) echo "Klebsiella pneumoniae HS11286 (tests/data, 7 records joined)" ;;
    50M) echo "synthetic genome, make_genome 50M 50" ;;
    250M) echo "synthetic genome, make_genome 250M 250" ;;
  esac
}
prepare() {
  local file
  file=$(workload_file "$1")
  [ -s "$file" ] && return 0
  echo "== preparing $file" >&2
  case $1 in
    5M) xz -dc tests/data/Klebs_HS11286.fna.xz > "$file.part" ;;
    50M) "$bench/make_genome" 50M 50 > "$file.part" ;;
    250M) "$bench/make_genome" 250M 250 > "$file.part" ;;
  esac
  mv "$file.part" "$file"
}
# The gzip copy that the compressed-reading rows read.
prepare_gzip() {
  local file
  file=$(workload_file "$1")
  [ -s "$file.gz" ] || { gzip -6 -c "$file" > "$file.gz.part" && mv "$file.gz.part" "$file.gz"; }
}
for w in $workloads; do prepare "$w"; prepare_gzip "$w"; done

# --- measuring --------------------------------------------------------------------
scratch=$bench/scratch
mkdir -p "$scratch"
scratch=$(mktemp -d "$scratch/run.XXXXXX")
cleanup() { [ "$keep" = 1 ] || rm -rf "$scratch"; }
trap cleanup EXIT

# timed DIR COMMAND...: runs COMMAND in DIR/w with stdout, stderr and
# "wall_seconds peak_rss_kib status" written to DIR/{stdout,stderr,time}.
timed() {
  local dir=$1; shift
  local start end status
  start=$(date +%s%N)
  set +e
  (cd "$dir/w" && /usr/bin/time -f '%M' -o "$dir/rss" "$@" >"$dir/stdout" 2>"$dir/stderr")
  status=$?
  set -e
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 )) $(tail -n 1 "$dir/rss") $status" | awk '{printf "%.3f %s %s\n", $1 / 1e6, $2, $3}' >"$dir/time"
}

# vestrel_run LABEL WORKLOAD REP ARGS...: a run on a private link to the input.
vestrel_run() {
  local label=$1 w=$2 rep=$3; shift 3
  local dir=$scratch/$w.$label.$rep
  mkdir -p "$dir/w"
  ln -s "$(workload_file "$w")" "$dir/w/seq.fa"
  timed "$dir" "$vestrel" seq.fa "$@"
}

# vestrel_gzip_run LABEL WORKLOAD REP ARGS...: the same on the gzip copy.
vestrel_gzip_run() {
  local label=$1 w=$2 rep=$3; shift 3
  local dir=$scratch/$w.$label.$rep
  mkdir -p "$dir/w"
  ln -s "$(workload_file "$w").gz" "$dir/w/seq.fa.gz"
  timed "$dir" "$vestrel" seq.fa.gz "$@"
}

# peer_run LABEL WORKLOAD REP COMMAND...: a reading peer on the input itself.
peer_run() {
  local label=$1 w=$2 rep=$3; shift 3
  local dir=$scratch/$w.$label.$rep
  mkdir -p "$dir/w"
  timed "$dir" "$@"
}

# outputs DIR: the files a run wrote beside its input, one name a line, sorted.
outputs() { find "$1/w" -mindepth 1 -maxdepth 1 ! -name seq.fa -printf '%f\n' | LC_ALL=C sort; }
output_count() { outputs "$1" | wc -l; }

# same_outputs DIR_A DIR_B: both runs succeeded, and their output files and
# standard output are byte-identical.
same_outputs() {
  local a=$1 b=$2 f
  [ "$(awk '{print $3}' "$a/time")" = 0 ] && [ "$(awk '{print $3}' "$b/time")" = 0 ] || return 1
  cmp -s "$a/stdout" "$b/stdout" || return 1
  [ "$(outputs "$a")" = "$(outputs "$b")" ] || return 1
  while IFS= read -r f; do cmp -s "$a/w/$f" "$b/w/$f" || return 1; done < <(outputs "$a")
}

# candidates STDOUT LENGTH: the number of candidate cuts the segmentation scanned,
# rebuilt from the console: attempts are printed in pre-order, an attempt on
# [start, end] scans end - start + 1 cuts, and it was accepted exactly when the
# next line is one level deeper (then its two parts follow).
candidates() {
  awk -v length_="$2" '
    BEGIN { cs = 1; ce = length_ }
    /^Contig: [0-9]+-[0-9]+/ { split($2, r, "-"); cs = r[1] + 0; ce = r[2] + 0 }
    /^Segmentation strength:/ {
      line = $0
      sub(/.*Position: */, "", line); p = line; sub(/ .*/, "", p)
      sub(/.*Segmentation times: */, "", line)
      n++; pos[n] = p + 0; lev[n] = line + 0; from[n] = cs; to[n] = ce
    }
    END {  # a stack of the stretches still to be attempted, left part on top
      top = 0
      for (i = 1; i <= n; i++) {
        if (top == 0) { s = from[i]; e = to[i]; level = 1 }
        else { s = ss[top]; e = se[top]; level = sl[top]; top-- }
        total += e - s + 1
        if (level > depth) depth = level
        if (i < n && lev[i + 1] == level + 1) {
          top++; ss[top] = pos[i] + 1; se[top] = e; sl[top] = level + 1
          top++; ss[top] = s; se[top] = pos[i]; sl[top] = level + 1
        }
      }
      printf "%.0f %d %d\n", total, n, depth
    }' "$1"
}

median() { sort -g | awk '{v[NR] = $1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# column LABEL WORKLOAD FIELD: the median of one field of the time files over the repetitions.
column() {
  local label=$1 w=$2 field=$3 rep
  for rep in $(seq "$runs"); do awk -v f="$field" '{print $f}' "$scratch/$w.$label.$rep/time"; done | median
}
statuses() {
  local label=$1 w=$2 rep
  for rep in $(seq "$runs"); do awk '{print $3}' "$scratch/$w.$label.$rep/time"; done | sort -u | paste -sd/ -
}

results=$bench/results.txt
exec > >(tee "$results")

echo "Vestrel benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git describe --always --dirty 2>/dev/null || echo unknown)"
echo "CPU: $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $jobs processors available; BENCH_RUNS=$runs"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) (other programs running disturb the wall times)"
echo
"$bench/division_floor" | tee "$scratch/floor"
floor=$(awk '/^Floor:/ {print $2}' "$scratch/floor")

for w in $workloads; do
  file=$(workload_file "$w")
  cat "$file" >/dev/null  # into the page cache
  for rep in $(seq "$runs"); do
    echo "== $w: repetition $rep of $runs" >&2
    vestrel_run default "$w" "$rep"
    [ "$one_thread" = 1 ] && vestrel_run one "$w" "$rep" --threads 1
    vestrel_run reference "$w" "$rep" --kernel reference --threads 1
    vestrel_run reading "$w" "$rep" -i 500 -t 5
    peer_run seqtk "$w" "$rep" seqtk comp "$file"
    peer_run seqkit "$w" "$rep" seqkit fx2tab -n -g "$file"
    vestrel_gzip_run gzreading "$w" "$rep" -i 500 -t 5
    peer_run zcat "$w" "$rep" sh -c 'zcat "$1" > /dev/null' zcat "$file.gz"
  done

  bases=$(grep -m1 -o 'Sequence length: [0-9]*' "$scratch/$w.reading.1/stdout" | grep -o '[0-9]*$' || true)
  [ -n "$bases" ] || bases=$(grep -m1 -o 'Sequence length: [0-9]*' "$scratch/$w.default.1/stdout" | grep -o '[0-9]*$' || echo 0)
  bytes=$(stat -c %s "$file")
  read -r cands attempts depth < <(candidates "$scratch/$w.default.1/stdout" "$bases")
  reference_wall=$(column reference "$w" 1)

  echo
  printf '== %s: %s\n' "$w" "$(workload_title "$w")"
  printf '   %s bases, file %.1f MB; %s candidate cuts in %s attempts, depth %s; medians of %s runs\n' "$bases" \
    "$(awk -v b="$bytes" 'BEGIN {print b / 1e6}')" "$cands" "$attempts" "$depth" "$runs"
  printf '%-38s %9s %13s %11s %9s %7s %9s %9s\n' "run" "wall s" "peak RSS MiB" "RSS B/base" "budget" "status" "speed-up" "ns/cand"
  labels="default"
  [ "$one_thread" = 1 ] && labels="$labels one"
  labels="$labels reference"
  for label in $labels; do
    case $label in
      default) name="(a) default (all threads, auto kernel)" ;;
      one) name="    auto kernel, --threads 1" ;;
      reference) name="(b) --kernel reference --threads 1" ;;
    esac
    wall=$(column "$label" "$w" 1)
    rss=$(column "$label" "$w" 2)
    awk -v name="$name" -v wall="$wall" -v rss="$rss" -v bases="$bases" -v ref="$reference_wall" -v st="$(statuses "$label" "$w")" -v cands="$cands" 'BEGIN {
      bytes = rss * 1024
      perbase = bases > 0 ? bytes / bases : 0
      budget = bytes <= 1.1 * bases + 64 * 1048576 ? "ok" : "over"
      printf "%-38s %9.3f %13.1f %11.2f %9s %7s %8.2fx %9.3f\n", name, wall, rss / 1024, perbase, budget, st, (wall > 0 ? ref / wall : 0), (cands > 0 ? wall * 1e9 / cands : 0)
    }'
  done
  for label in $labels; do
    [ "$label" = reference ] && continue
    identical=0
    for rep in $(seq "$runs"); do
      same_outputs "$scratch/$w.$label.$rep" "$scratch/$w.reference.$rep" && identical=$((identical + 1))
    done
    case $label in default) name="(a) and (b)" ;; one) name="auto kernel on 1 thread and (b)" ;; esac
    if [ "$identical" = "$runs" ]; then verdict="byte-identical"; else verdict="DIFFERENT"; fi
    printf 'outputs of %s: %s (%s files + stdout compared with cmp; %s of %s runs identical)\n' \
      "$name" "$verdict" "$(output_count "$scratch/$w.default.1")" "$identical" "$runs"
  done
  reading_ok=yes
  for rep in $(seq "$runs"); do
    [ "$(awk '{print $3}' "$scratch/$w.reading.$rep/time")" = 1 ] && [ "$(output_count "$scratch/$w.reading.$rep")" = 0 ] \
      && grep -q 'Sequence length (excluding gaps)' "$scratch/$w.reading.$rep/stdout" || reading_ok=no
  done
  printf '%-38s %9s %13s %11s\n' "reading (page cache)" "wall s" "peak RSS MiB" "MB/s"
  for label in reading seqtk seqkit gzreading zcat; do
    case $label in
      reading) name="vestrel -i 500 -t 5 (stops after read)" ;;
      seqtk) name="seqtk comp" ;;
      seqkit) name="seqkit fx2tab -n -g" ;;
      gzreading) name="vestrel .gz (stops after read)" ;;
      zcat) name="zcat .gz > /dev/null" ;;
    esac
    wall=$(column "$label" "$w" 1)
    rss=$(column "$label" "$w" 2)
    awk -v name="$name" -v wall="$wall" -v rss="$rss" -v bytes="$bytes" -v st="$(statuses "$label" "$w")" 'BEGIN {
      printf "%-38s %9.3f %13.1f %11.0f   (status %s)\n", name, wall, rss / 1024, (wall > 0 ? bytes / wall / 1e6 : 0), st
    }'
  done
  echo "(MB/s of the .gz rows: uncompressed bytes per second)"
  [ "$reading_ok" = yes ] || echo "note: the reading run did not stop right after reading (expected status 1, no output, the length report)"
  [ "$keep" = 1 ] || rm -rf "$scratch"/"$w".*
done
echo
echo "budget: peak RSS within 1.1 bytes per base + 64 MiB; speed-up: wall of (b) / wall of the row;"
echo "ns/cand: wall of the whole run (reading and writing included) per candidate cut scanned;"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "division floor on one thread: $floor ns per candidate (1.5x: $(awk -v f="$floor" 'BEGIN {printf "%.3f", 1.5 * f}') ns)."
