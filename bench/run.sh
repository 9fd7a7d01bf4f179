#!/usr/bin/env bash
# The benchmark: builds vestrel (Release) and the bench programs, prepares the
# workloads and prints, in one run, one table per section:
#   workloads     what each input is and how much segmentation it asks for
#   1. runs       wall time, CPU time, peak memory of the default run, the
#                 automatic kernel on one thread, the reference scan on one
#                 thread and the plain implementation bench/naive.cpp, with
#                 the ratios default/run
#   2. checks     naive console lines = vestrel's; outputs of every vestrel
#                 run = the reference's (cmp)
#   3. floors     reading and the slope's two ordered passes (bench/floors),
#                 the run as a multiple of its floor; the division floor
#   4. reading    vestrel stopping after the read beside seqtk, seqkit, cat
#   5. sets       recursion- and gap-heavy inputs on one thread and on all
#   6. report     the page of a run
#   7. compressed the run on gzip and bgzip copies beside igzip -dc, zcat and the plain run; --windows,
#                 also on a million records of 20 bases
#
#   bash bench/run.sh
#
# Environment:
#   BENCH_RUNS=3                 repetitions of every measurement (medians are shown)
#   BENCH_SET_RUNS=9             repetitions of the short runs of section 5, one thread and
#                                the default taking turns
#   BENCH_WORKLOADS="5M 50M 250M"  which genome workloads to run
#   BENCH_SETS="blocks deep gaps records"  which inputs of section 5 to run ("" for none)
#   BENCH_REPORT=1               section 6, the report page (0: skip; needs chromium)
#   BENCH_COMPRESSED=1           section 7, compressed copies (gzip -1, gzip, bgzip) and --windows (0: skip)
#   BENCH_NAIVE=1                run bench/naive everywhere; 0: nowhere; or a list of
#                                workloads and sets, e.g. "5M 50M blocks deep gaps records".
#                                The naive 250M run takes about a minute of CPU per repetition
#                                (with BENCH_RUNS=3 about 3 to 6 minutes on a busy machine)
#   BENCH_ONE_THREAD=1           also time the automatic kernel on one thread (0: skip)
#   BENCH_FLOOR_TRIALS=5         trials of each floor measurement (the best is kept)
#   BENCH_KEEP=0                 1: keep the scratch folders of the runs in build/bench/scratch
#   BENCH_NO_BUILD=1             take build/release/vestrel as it is
# The tables are also written to build/bench/results.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
began=$(date +%s)
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)

runs=${BENCH_RUNS:-3}
set_runs=${BENCH_SET_RUNS:-9}
workloads=${BENCH_WORKLOADS-"5M 50M 250M"}
sets=${BENCH_SETS-"blocks deep gaps records"}
naive_choice=${BENCH_NAIVE:-1}
one_thread=${BENCH_ONE_THREAD:-1}
report_on=${BENCH_REPORT:-1}
compressed_on=${BENCH_COMPRESSED:-1}
floor_trials=${BENCH_FLOOR_TRIALS:-5}
keep=${BENCH_KEEP:-0}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_RUNS must be a positive integer" >&2; exit 2; }
[[ $set_runs =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_SET_RUNS must be a positive integer" >&2; exit 2; }
[[ $floor_trials =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_FLOOR_TRIALS must be a positive integer" >&2; exit 2; }
for w in $workloads; do
  case $w in 5M | 50M | 250M) ;; *) echo "unknown workload '$w' (choose from 5M 50M 250M)" >&2; exit 2 ;; esac
done
for s in $sets; do
  case $s in blocks | deep | gaps | records) ;; *) echo "unknown set '$s' (choose from blocks deep gaps records)" >&2; exit 2 ;; esac
done
# naive_on NAME: whether bench/naive runs on this workload or set.
naive_on() {
  case $naive_choice in
    1) return 0 ;;
    0) return 1 ;;
    *) [[ " $naive_choice " == *" $1 "* ]] ;;
  esac
}

bash scripts/install-deps.sh g++ cmake make libisal-dev isal tabix xz-utils gzip seqtk seqkit time
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
build_tool floors -fno-tree-slp-vectorize
build_tool naive

# --- workloads (cached: made only when missing) ---------------------------------
workload_file() {
  case $1 in
    5M) echo "$data/klebs.fa" ;;
    50M) echo "$data/synthetic50M.fa" ;;
    250M) echo "$data/synthetic250M.fa" ;;
    *) echo "$data/$1.fa" ;;  # the sets of section 5
  esac
}
workload_title() {
  case $1 in
    5M) echo "Klebsiella pneumoniae HS11286 (tests/data, 7 records joined)" ;;
    50M) echo "synthetic genome, make_genome 50M 50" ;;
    250M) echo "synthetic genome, make_genome 250M 250" ;;
    blocks) echo "20,000 alternating blocks of 250 a and 250 c (5 Mb)" ;;
    deep) echo "1002 alternating blocks of 101 a and 101 c (depth limit)" ;;
    gaps) echo "acnn x 50,000: 50,000 gaps" ;;
    records) echo "20,000 records of 500 bases (a then c, cut varies)" ;;
    tiny) echo "1,000,000 records of 20 bases" ;;
  esac
}
# The options of the section 5 runs (split on purpose where used).
set_options() {
  case $1 in
    blocks | deep) echo "-i 100 -t 10" ;;
    gaps) echo "-g 1" ;;
    records) echo "--split-records -i 100 -t 10" ;;
  esac
}
fasta() {  # NAME: wraps the bases on standard input in a FASTA record, 60 columns a line
  echo ">$1"
  fold -w 60
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
    blocks)
      awk 'BEGIN { a = sprintf("%250s", ""); gsub(/ /, "a", a); c = a; gsub(/a/, "c", c)
                   for (b = 0; b < 20000; ++b) printf "%s", (b % 2 ? c : a) }' | fasta blocks > "$file.part" ;;
    deep)
      awk 'BEGIN { a = sprintf("%101s", ""); gsub(/ /, "a", a); c = a; gsub(/a/, "c", c)
                   print ">deep"; for (b = 0; b < 1002; ++b) print (b % 2 ? c : a) }' > "$file.part" ;;
    gaps) awk 'BEGIN { for (i = 0; i < 50000; ++i) printf "acnn" }' | fasta gaps > "$file.part" ;;
    records)
      awk 'BEGIN { a = sprintf("%500s", ""); gsub(/ /, "a", a); c = a; gsub(/a/, "c", c)
                   for (r = 0; r < 20000; ++r) {
                     k = 150 + (r * 37) % 200; line = substr(a, 1, k) substr(c, 1, 500 - k)
                     printf ">r%d\n%s\n%s\n", r + 1, substr(line, 1, 250), substr(line, 251) } }' > "$file.part" ;;
    tiny)
      awk 'BEGIN { s = "acgtgcatgcaattcggatccgtaacgttagcctagcgatcgatta"
                   for (r = 0; r < 1000000; ++r) printf ">t%d\n%s\n", r + 1, substr(s, 1 + r % 27, 20) }' > "$file.part" ;;
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
for s in $sets; do prepare "$s"; done

# --- measuring --------------------------------------------------------------------
scratch=$bench/scratch
mkdir -p "$scratch"
scratch=$(mktemp -d "$scratch/run.XXXXXX")
cleanup() { [ "$keep" = 1 ] || rm -rf "$scratch"; }
trap cleanup EXIT
tables=$scratch/tables  # the rows of each table, gathered while measuring
mkdir -p "$tables"

source bench/timed.sh  # timed DIR COMMAND...

# in_dir LABEL WORKLOAD REP: a fresh run folder DIR/w with a link seq.fa (or
# seq.fa.gz with GZ=1) to the input; prints DIR.
in_dir() {
  local dir=$scratch/$2.$1.$3 file
  file=$(workload_file "$2")
  mkdir -p "$dir/w"
  if [ "${GZ:-0}" = 1 ]; then ln -s "$file.gz" "$dir/w/seq.fa.gz"; else ln -s "$file" "$dir/w/seq.fa"; fi
  echo "$dir"
}

# vestrel_run LABEL WORKLOAD REP ARGS...: a run on a private link to the input.
vestrel_run() {
  local dir
  dir=$(in_dir "$1" "$2" "$3"); shift 3
  timed "$dir" "$vestrel" seq.fa "$@"
}

# vestrel_gzip_run LABEL WORKLOAD REP ARGS...: the same on the gzip copy.
vestrel_gzip_run() {
  local dir
  dir=$(GZ=1 in_dir "$1" "$2" "$3"); shift 3
  timed "$dir" "$vestrel" seq.fa.gz "$@"
}

# naive_run LABEL WORKLOAD REP ARGS...: bench/naive on a private link to the input.
naive_run() {
  local dir
  dir=$(in_dir "$1" "$2" "$3"); shift 3
  timed "$dir" "$bench/naive" seq.fa "$@"
}

# peer_run LABEL WORKLOAD REP COMMAND...: a reading peer on the input itself.
peer_run() {
  local dir=$scratch/$2.$1.$3; shift 3
  mkdir -p "$dir/w"
  timed "$dir" "$@"
}

# outputs DIR: the files a run wrote beside its input, one name a line, sorted.
outputs() { find "$1/w" -mindepth 1 -maxdepth 1 ! -name seq.fa ! -name seq.fa.gz -printf '%f\n' | LC_ALL=C sort; }
output_count() { outputs "$1" | wc -l; }
status_of() { awk '{print $3}' "$1/time"; }

# same_outputs DIR_A DIR_B [stderr]: both runs succeeded, and their output
# files and standard output (and standard error) are byte-identical.
same_outputs() {
  local a=$1 b=$2 f
  [ "$(status_of "$a")" = 0 ] && [ "$(status_of "$b")" = 0 ] || return 1
  cmp -s "$a/stdout" "$b/stdout" || return 1
  [ "${3:-}" != stderr ] || cmp -s "$a/stderr" "$b/stderr" || return 1
  [ "$(outputs "$a")" = "$(outputs "$b")" ] || return 1
  while IFS= read -r f; do cmp -s "$a/w/$f" "$b/w/$f" || return 1; done < <(outputs "$a")
}

# console_lines FILE: the segmentation part of a console, from the length
# report through the last attempt line.
console_lines() {
  grep -E '^(Sequence length|1\. Segmenting|Halting parameter = |Gaps: |Contig: |Segmentation strength:|too many contigs!)' "$1" || true
}
# same_lines NAIVE_DIR VESTREL_DIR: the same console lines, the same number
# of depth-limit messages on standard error, both runs ended normally.
same_lines() {
  [ "$(status_of "$1")" = 0 ] && [ "$(status_of "$2")" = 0 ] || return 1
  cmp -s <(console_lines "$1/stdout") <(console_lines "$2/stdout") || return 1
  [ "$(grep -c 'Too many segmentation times!' "$1/stderr" || true)" = \
    "$(grep -c 'Too many segmentation times!' "$2/stderr" || true)" ]
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
# column LABEL WORKLOAD FIELD: the median of one field of the time files over
# the repetitions (fields: 1 wall s, 2 peak RSS KiB, 3 status, 4 CPU s).
column() {
  local label=$1 w=$2 field=$3 rep
  for rep in $(seq "$runs"); do awk -v f="$field" '{print $f}' "$scratch/$w.$label.$rep/time"; done | median
}
statuses() {
  local label=$1 w=$2 rep
  for rep in $(seq "$runs"); do status_of "$scratch/$w.$label.$rep"; done | sort -u | paste -sd/ -
}
# count_ok CHECK LABEL_A LABEL_B WORKLOAD [ARG]: over the repetitions, how many
# pass CHECK (same_outputs or same_lines) on the runs LABEL_A and LABEL_B.
count_ok() {
  local check=$1 a=$2 b=$3 w=$4 extra=${5:-} rep n=0
  for rep in $(seq "$runs"); do
    "$check" "$scratch/$w.$a.$rep" "$scratch/$w.$b.$rep" $extra && n=$((n + 1))
  done
  echo "$n"
}
verdict() {  # PASSED GOOD_WORD
  if [ "$1" = "$runs" ]; then echo "$2"; else echo "DIFFERENT"; fi
}
# The rows of the tables, padded to their columns.
row_runs() { printf '%-8s %-40s %8s %11s %13s %11s %7s %7s %12s %9s\n' "$@"; }
row_checks() { printf '%-8s %-40s %-15s %s\n' "$@"; }
row_floors() { printf '%-8s %8s %8s %8s %10s %11s %10s %8s %9s %9s\n' "$@"; }
row_reading() { printf '%-8s %-40s %8s %13s %9s %7s\n' "$@"; }
row_sets() { printf '%-8s %-28s %8s %5s %10s %9s %9s %10s %9s %6s %-10s %-11s %8s\n' "$@"; }

# --- genome workloads -------------------------------------------------------------------
for w in $workloads; do
  file=$(workload_file "$w")
  cat "$file" >/dev/null  # into the page cache
  labels="default"
  if [ "$one_thread" = 1 ]; then labels="$labels one"; fi
  labels="$labels reference"
  if naive_on "$w"; then labels="$labels naive"; fi
  for rep in $(seq "$runs"); do
    echo "== $w: repetition $rep of $runs" >&2
    vestrel_run default "$w" "$rep"
    if [ "$one_thread" = 1 ]; then vestrel_run one "$w" "$rep" --threads 1; fi
    vestrel_run reference "$w" "$rep" --kernel reference --threads 1
    vestrel_run reading "$w" "$rep" -i 500 -t 5
    peer_run seqtk "$w" "$rep" seqtk comp "$file"
    peer_run seqkit "$w" "$rep" seqkit fx2tab -n -g "$file"
    peer_run cat "$w" "$rep" sh -c 'cat "$1" > /dev/null' cat "$file"
    vestrel_gzip_run gzreading "$w" "$rep" -i 500 -t 5
    peer_run zcat "$w" "$rep" sh -c 'zcat "$1" > /dev/null' zcat "$file.gz"
  done
  # The naive runs last: the memory they free (about 4.9 bytes per base) makes
  # the next program's first touches of fresh memory slow on some machines.
  if naive_on "$w"; then
    for rep in $(seq "$runs"); do
      echo "== $w: naive run $rep of $runs (slow on purpose)" >&2
      naive_run naive "$w" "$rep"
    done
  fi

  bases=$(grep -m1 -o 'Sequence length: [0-9]*' "$scratch/$w.default.1/stdout" | grep -o '[0-9]*$' || echo 0)
  counted=$(grep -m1 -o 'Sequence length (excluding gaps): [0-9]*' "$scratch/$w.default.1/stdout" | grep -o '[0-9]*$' || echo 0)
  bytes=$(stat -c %s "$file")
  read -r cands attempts depth < <(candidates "$scratch/$w.default.1/stdout" "$bases")
  printf '%-8s %-58s %11s %11s %8.1f %14s %8s %5s\n' "$w" "$(workload_title "$w")" "$bases" "$counted" \
    "$(awk -v b="$bytes" 'BEGIN {print b / 1e6}')" "$cands" "$attempts" "$depth" >>"$tables/workloads"

  # 1. runs
  default_wall=$(column default "$w" 1)
  for label in $labels; do
    case $label in
      default) name="(a) default (all threads, auto kernel)" ;;
      one) name="    auto kernel, --threads 1" ;;
      reference) name="(b) --kernel reference --threads 1" ;;
      naive) name="(c) naive (bench/naive.cpp, 1 thread)" ;;
    esac
    awk -v w="$w" -v name="$name" -v wall="$(column "$label" "$w" 1)" -v rss="$(column "$label" "$w" 2)" \
        -v cpu="$(column "$label" "$w" 4)" -v bases="$bases" -v def="$default_wall" \
        -v st="$(statuses "$label" "$w")" -v cands="$cands" -v naive="$([ "$label" = naive ] && echo 1 || echo 0)" 'BEGIN {
      bytes = rss * 1024
      perbase = bases > 0 ? bytes / bases : 0
      budget = naive ? "-" : bytes <= 1.1 * bases + 64 * 1048576 ? "ok" : "over"
      printf "%-8s %-40s %8.3f %11.2f %13.1f %11.2f %7s %7s %12.3f %9.3f\n", w, name, wall, cpu, rss / 1024,
        perbase, budget, st, (wall > 0 ? def / wall : 0), (cands > 0 ? wall * 1e9 / cands : 0)
    }' >>"$tables/runs"
  done

  # 2. checks
  if naive_on "$w"; then
    n=$(count_ok same_lines naive default "$w")
    row_checks "$w" "console lines of (c) naive and (a)" "$(verdict "$n" ok)" \
      "$(console_lines "$scratch/$w.default.1/stdout" | wc -l) lines; $n of $runs runs equal" >>"$tables/checks"
  fi
  for label in $labels; do
    case $label in default) name="outputs of (a) default and (b)" ;; one) name="outputs of the 1-thread run and (b)" ;; *) continue ;; esac
    n=$(count_ok same_outputs "$label" reference "$w")
    row_checks "$w" "$name" "$(verdict "$n" byte-identical)" \
      "$(output_count "$scratch/$w.default.1") files + stdout (cmp); $n of $runs runs identical" >>"$tables/checks"
  done
  reading_ok=yes
  for rep in $(seq "$runs"); do
    [ "$(status_of "$scratch/$w.reading.$rep")" = 1 ] && [ "$(output_count "$scratch/$w.reading.$rep")" = 0 ] \
      && grep -q 'Sequence length (excluding gaps)' "$scratch/$w.reading.$rep/stdout" || reading_ok=no
  done
  row_checks "$w" "reading run stops right after the read" "$([ "$reading_ok" = yes ] && echo ok || echo NO)" \
    "status 1, no output file, the length report printed" >>"$tables/checks"

  # 3. floors
  echo "== $w: floors" >&2
  "$bench/floors" "$file" "$counted" "$floor_trials" >"$scratch/$w.floors"
  read -r _ read_s means_s sums_s means2_s < <(grep '^floors:' "$scratch/$w.floors")
  [ "$jobs" -ge 2 ] && means_s=$means2_s  # the run works the two means out side by side
  sed '$d' "$scratch/$w.floors" | sed "s/^/   $w: /" >>"$tables/floor_details"
  awk -v w="$w" -v r="$read_s" -v m="$means_s" -v s="$sums_s" -v cpu="$(column default "$w" 4)" \
      -v cores="$jobs" -v wall="$default_wall" 'BEGIN {
    critical = r + m + s; shared = cpu / cores; floor = critical > shared ? critical : shared
    printf "%-8s %8.3f %8.3f %8.3f %10.3f %11.2f %10.3f %8.3f %9.3f %8.2fx\n", w, r, m, s, critical, cpu, shared,
      floor, wall, wall / floor
  }' >>"$tables/floors"

  # 4. reading
  for label in reading seqtk seqkit cat gzreading zcat; do
    case $label in
      reading) name="vestrel -i 500 -t 5 (stops after read)" ;;
      seqtk) name="seqtk comp" ;;
      seqkit) name="seqkit fx2tab -n -g" ;;
      cat) name="cat FILE > /dev/null" ;;
      gzreading) name="vestrel .gz (stops after read)" ;;
      zcat) name="zcat .gz > /dev/null" ;;
    esac
    awk -v w="$w" -v name="$name" -v wall="$(column "$label" "$w" 1)" -v rss="$(column "$label" "$w" 2)" \
        -v bytes="$bytes" -v st="$(statuses "$label" "$w")" 'BEGIN {
      printf "%-8s %-40s %8.3f %13.1f %9.0f %7s\n", w, name, wall, rss / 1024, (wall > 0 ? bytes / wall / 1e6 : 0), st
    }' >>"$tables/reading"
  done
  [ "$keep" = 1 ] || rm -rf "$scratch"/"$w".*
done

# --- 5. recursion- and gap-heavy inputs ---------------------------------------------------
genome_runs=$runs
runs=$set_runs  # these runs are short: more of them, for steadier medians
for s in $sets; do
  file=$(workload_file "$s")
  cat "$file" >/dev/null
  read -r -a options <<<"$(set_options "$s")"
  for rep in $(seq "$runs"); do
    echo "== $s: repetition $rep of $runs" >&2
    vestrel_run one "$s" "$rep" "${options[@]}" --threads 1
    vestrel_run default "$s" "$rep" "${options[@]}"
    # Once: here the naive run is a check of the console lines (blocks takes a minute).
    if [ "$rep" = 1 ] && naive_on "$s"; then echo "   naive run (slow on purpose)" >&2; naive_run naive "$s" 1 "${options[@]}"; fi
  done
  bases=$(grep -m1 -o 'Sequence length: [0-9]*' "$scratch/$s.default.1/stdout" | grep -o '[0-9]*$' || echo 0)
  read -r cands attempts depth < <(candidates "$scratch/$s.default.1/stdout" "$bases")
  n=$(count_ok same_outputs one default "$s" stderr)
  if naive_on "$s"; then
    if same_lines "$scratch/$s.naive.1" "$scratch/$s.default.1"; then lines=ok; else lines=DIFFERENT; fi
    naive_wall=$(awk '{print $1}' "$scratch/$s.naive.1/time")
  else
    lines="not run"
    naive_wall="-"
  fi
  awk -v s="$s" -v opts="$(set_options "$s")" -v a="$attempts" -v d="$depth" -v one="$(column one "$s" 1)" \
      -v def="$(column default "$s" 1)" -v onecpu="$(column one "$s" 4)" -v defcpu="$(column default "$s" 4)" \
      -v same="$(verdict "$n" identical)" -v lines="$lines" -v naive="$naive_wall" 'BEGIN {
    ratio = one > 0 ? def / one : 0
    printf "%-8s %-28s %8d %5d %10.3f %9.2f %9.3f %10.2f %9.3f %6s %-10s %-11s %8s\n", s, opts, a, d, one, onecpu,
      def, defcpu, ratio, (ratio <= 1.05 ? "yes" : "NO"), same, lines, (naive == "-" ? "-" : sprintf("%.3f", naive))
  }' >>"$tables/sets"
  printf '%-8s %-58s %11s %11s %8.1f %14s %8s %5s\n' "$s" "$(workload_title "$s")" "$bases" \
    "$(grep -m1 -o 'excluding gaps): [0-9]*' "$scratch/$s.default.1/stdout" | grep -o '[0-9]*$')" \
    "$(awk -v b="$(stat -c %s "$file")" 'BEGIN {print b / 1e6}')" "$cands" "$attempts" "$depth" >>"$tables/workloads"
  [ "$keep" = 1 ] || rm -rf "$scratch"/"$s".*
done
runs=$genome_runs

# --- 6. the report page ------------------------------------------------------------------------
# The run with and without --report, the page's size, and the time headless
# Chromium takes to load it and run its script (beside an empty page: most of
# it is the browser's own start).
chromium_load() {  # DIR URL: a timed load, the DOM after the page's script in DIR/stdout
  timed "$1" timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$1/profile" \
    --virtual-time-budget=5000 --dump-dom "$2"
}
if [ "$report_on" = 1 ] && command -v chromium >/dev/null; then
  for w in $workloads; do
    for rep in $(seq "$runs"); do
      echo "== $w: report, repetition $rep of $runs" >&2
      vestrel_run plain "$w" "$rep"
      vestrel_run report "$w" "$rep" --report
      page=$scratch/$w.report.$rep/w/seq_report.html
      mkdir -p "$scratch/$w.render.$rep/w" "$scratch/$w.empty.$rep/w"
      echo '<!DOCTYPE html><title>empty</title>' >"$scratch/$w.empty.$rep/w/empty.html"
      chromium_load "$scratch/$w.render.$rep" "file://$page"
      chromium_load "$scratch/$w.empty.$rep" "file://$scratch/$w.empty.$rep/w/empty.html"
      grep -q 'data-status="ready"' "$scratch/$w.render.$rep/stdout" && echo ready >"$scratch/$w.render.$rep/ready"
    done
    awk -v w="$w" -v plain="$(column plain "$w" 1)" -v report="$(column report "$w" 1)" \
        -v mb="$(awk -v b="$(stat -c %s "$scratch/$w.report.1/w/seq_report.html")" 'BEGIN {print b / 1e6}')" \
        -v render="$(column render "$w" 1)" -v empty="$(column empty "$w" 1)" \
        -v ready="$(ls "$scratch"/"$w".render.*/ready 2>/dev/null | wc -l)" 'BEGIN {
      printf "%-8s %9.3f %10.3f %8.1f%% %9.2f %9.3f %9.3f %9.3f %5d/%d\n", w, plain, report,
        (report / plain - 1) * 100, mb, render, empty, render - empty, ready, '"$runs"'
    }' >>"$tables/report"
    [ "$keep" = 1 ] || rm -rf "$scratch"/"$w".plain.* "$scratch"/"$w".report.* "$scratch"/"$w".render.* "$scratch"/"$w".empty.*
  done
fi

# --- 7. compressed input and windows --------------------------------------------------------------
# The plain run beside the same genome compressed three ways (gzip -1, the
# default gzip level, bgzip), each with igzip -dc and zcat alone and vestrel
# stopping after the read, and the run with --windows 10000; the runs take
# turns within each repetition.
if [ "$compressed_on" = 1 ]; then
  for w in $workloads; do
    file=$(workload_file "$w")
    [ -s "$file.gz1" ] || { gzip -1 -c "$file" > "$file.gz1.part" && mv "$file.gz1.part" "$file.gz1"; }
    [ -s "$file.bgz" ] || { bgzip -c "$file" > "$file.bgz.part" && mv "$file.bgz.part" "$file.bgz"; }
    cat "$file" "$file.gz" "$file.gz1" "$file.bgz" >/dev/null
    for rep in $(seq "$runs"); do
      echo "== $w: compressed input and windows, repetition $rep of $runs" >&2
      vestrel_run cplain "$w" "$rep"
      vestrel_run cwindows "$w" "$rep" --windows 10000
      for kind in gz1 gz bgz; do
        dir=$(in_dir "c$kind" "$w" "$rep") && rm "$dir/w/seq.fa" && ln -s "$file.$kind" "$dir/w/seq.fa.gz"
        timed "$dir" "$vestrel" seq.fa.gz
        dir=$(in_dir "r$kind" "$w" "$rep") && rm "$dir/w/seq.fa" && ln -s "$file.$kind" "$dir/w/seq.fa.gz"
        timed "$dir" "$vestrel" seq.fa.gz -i 500 -t 5
        peer_run "i$kind" "$w" "$rep" sh -c 'igzip -dc < "$1" > /dev/null' igzip "$file.$kind"
        peer_run "z$kind" "$w" "$rep" sh -c 'zcat "$1" > /dev/null' zcat "$file.$kind"
      done
    done
    plain=$(column cplain "$w" 1)
    best() { for rep in $(seq "$runs"); do awk '{print $1}' "$scratch/$w.$1.$rep/time"; done | sort -g | head -n 1; }
    {
      printf '%-8s %-34s %8s %8s %8s %8s\n' "$w" "plain" "$plain" "1.00" "" "$(column cplain "$w" 4)"
      awk -v w="$w" -v t="$(column cwindows "$w" 1)" -v p="$plain" -v b="$(best cwindows)" -v bp="$(best cplain)" \
          -v c="$(column cwindows "$w" 4)" 'BEGIN {
        printf "%-8s %-34s %8.3f %8.2f %8s %8s   best of %s: %.3f / %.3f = %.2f\n", w, "--windows 10000", t, t / p, "", c,
          "'"$runs"'", b, bp, b / bp }'
      for kind in gz1 gz bgz; do
        case $kind in gz1) title="gzip -1" ;; gz) title="gzip (default level)" ;; bgz) title="bgzip" ;; esac
        igzip=$(column "i$kind" "$w" 1)
        awk -v w="$w" -v title="$title" -v run="$(column "c$kind" "$w" 1)" -v read="$(column "r$kind" "$w" 1)" \
            -v ig="$igzip" -v zc="$(column "z$kind" "$w" 1)" -v p="$plain" -v c="$(column "c$kind" "$w" 4)" 'BEGIN {
          printf "%-8s %-34s %8.3f %8.2f %8.2f %8s   plain + %.2f x igzip -dc\n", w, title " run", run, run / p, run / ig, c,
            (run - p) / ig
          printf "%-8s %-34s %8.3f %8.2f %8.2f %8s   %.0f%% of igzip -dc'"'"'s speed\n", w, "  read and stop", read, read / p,
            read / ig, "", 100 * ig / read
          printf "%-8s %-34s %8.3f %8.2f %8.2f\n", w, "  igzip -dc", ig, ig / p, 1
          printf "%-8s %-34s %8.3f %8.2f %8.2f\n", w, "  zcat", zc, zc / p, zc / ig }'
      done
    } >>"$tables/compressed"
  done
  # Many records: the composition and tracks of each, the runs taking turns;
  # each run's outputs (about 450 MB with --windows) are removed once timed.
  prepare tiny
  cat "$(workload_file tiny)" >/dev/null
  for rep in $(seq "$runs"); do
    echo "== tiny: --split-records --bed with and without --windows 10, repetition $rep of $runs" >&2
    for run in "tplain" "twindows --windows 10"; do
      read -r -a options <<<"$run"
      vestrel_run "${options[0]}" tiny "$rep" --split-records --bed "${options[@]:1}"
      rm -rf "$scratch/tiny.${options[0]}.$rep/w"
    done
  done
  plain=$(column tplain tiny 1)
  {
    printf '%-8s %-34s %8s %8s %8s %8s   status %s\n' "tiny" "--split-records --bed" "$plain" "1.00" "" \
      "$(column tplain tiny 4)" "$(statuses tplain tiny)"
    awk -v t="$(column twindows tiny 1)" -v p="$plain" -v c="$(column twindows tiny 4)" \
        -v st="$(statuses twindows tiny)" 'BEGIN {
      printf "%-8s %-34s %8.3f %8.2f %8s %8s   status %s\n", "tiny", "  and --windows 10", t, t / p, "", c, st }'
  } >>"$tables/compressed"
fi

# --- the tables --------------------------------------------------------------------------------
results=$bench/results.txt
exec > >(tee "$results")
show() { [ -s "$tables/$1" ] && cat "$tables/$1"; return 0; }

echo "Vestrel benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git describe --always --dirty 2>/dev/null || echo unknown)"
echo "CPU: $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $jobs processors available; BENCH_RUNS=$runs, BENCH_SET_RUNS=$set_runs (medians shown)"
echo "load average at the start: $load_at_start, at the end: $(cut -d' ' -f1-3 /proc/loadavg) (other programs disturb the wall times)"
echo
echo "== Workloads"
printf '%-8s %-58s %11s %11s %8s %14s %8s %5s\n' "name" "input" "bases" "non-n bases" "file MB" "candidate cuts" "attempts" "depth"
show workloads

if [ -s "$tables/runs" ]; then
  echo
  echo "== 1. Whole runs (page cache warm; wall and CPU: medians)"
  row_runs "workload" "run" "wall s" "user+sys s" "peak RSS MiB" "RSS B/base" "budget" "status" "default/run" "ns/cand"
  show runs
  echo "default/run: wall of (a) / wall of the row (below 1: the row is slower); budget: peak RSS within"
  echo "1.1 bytes per base + 64 MiB; ns/cand: wall of the whole run per candidate cut of the segmentation."
  echo "(c) reads with fgetc, scores every candidate with its five divisions, computes the walk and slope,"
  echo "writes no file."

  echo
  echo "== 2. Checks"
  row_checks "workload" "compared" "verdict" "detail"
  show checks
  echo "console lines: from \"Sequence length\" through the last \"Segmentation strength\" line, and the"
  echo "depth-limit messages on standard error."

  echo
  echo "== 3. Floors (bench/floors, best of $floor_trials trials, thread CPU time)"
  row_floors "workload" "read s" "means s" "sums s" "critical s" "default CPU" "CPU/$jobs s" "floor s" "default s" "x floor"
  show floors
  echo "read: read() of the file from the page cache; means, sums: the slope's two passes over the non-n"
  echo "bases, each two ordered chains of additions (the faster of as written and with the quotients or"
  echo "products worked out ahead on the vector unit; with two processors or more, the means pass is the"
  echo "slower of its two chains alone, as a run works them out side by side); critical = read + means + sums;"
  echo "default CPU: user + system of (a); floor = max(critical, default CPU / $jobs processors); x floor = wall"
  echo "of (a) / floor."
  show floor_details
  echo
  "$bench/division_floor"
fi

if [ -s "$tables/reading" ]; then
  echo
  echo "== 4. Reading (page cache)"
  row_reading "workload" "reader" "wall s" "peak RSS MiB" "MB/s" "status"
  show reading
  echo "MB/s: file bytes per second of wall time (the .gz rows: uncompressed bytes)."
fi

if [ -s "$tables/sets" ]; then
  echo
  echo "== 5. Recursion- and gap-heavy inputs: --threads 1 beside the default ($jobs threads)"
  row_sets "input" "options" "attempts" "depth" "1 thread s" "CPU s" "default s" "CPU s" "default/1" "<=1.05" "outputs" "naive lines" "naive s"
  show sets
  echo "1 thread s, default s: wall (medians), each followed by its user+sys CPU time; default/1: wall of"
  echo "the default run / wall on one thread (below 1: the threads share the work); outputs: every output file,"
  echo "stdout and stderr of both runs compared with cmp, every repetition; naive lines: the console lines"
  echo "of one bench/naive run against the first default run; naive s: its wall time (one run)."
fi
if [ -s "$tables/report" ]; then
  echo
  echo "== 6. The report page (--report)"
  printf '%-8s %9s %10s %9s %9s %9s %9s %9s %7s\n' "workload" "run s" "+report s" "extra" "page MB" "load s" "empty s" \
    "page s" "ready"
  show report
  echo "run s, +report s: wall of the default run without and with --report (medians); load s: headless Chromium"
  echo "loading the page and running its script (--dump-dom), empty s: the same on an empty page (the browser's"
  echo "start), page s: the difference; ready: loads whose script finished without error."
fi
if [ -s "$tables/compressed" ]; then
  echo
  echo "== 7. Compressed input and --windows"
  printf '%-8s %-34s %8s %8s %8s %8s\n' "workload" "run" "wall s" "/plain" "/igzip" "CPU s"
  show compressed
  echo "wall s: medians; /plain: wall / the plain run's; /igzip: wall / igzip -dc of the same file; the .gz runs"
  echo "decompress on a thread of their own; read and stop: -i 500 -t 5, refused after the read; tiny: a million"
  echo "records of 20 bases, each with its composition and tracks (/plain: against the run without --windows)."
fi
echo
echo "The benchmark took $(( $(date +%s) - began )) s."
