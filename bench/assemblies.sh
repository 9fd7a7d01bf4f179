#!/usr/bin/env bash
# Whole genomes and collections of genomes with --per-record: builds vestrel
# (Release) and bench/make_genome, prepares the inputs and prints, in one run,
# one table per section:
#   A. whole genome   a synthetic human-like assembly (make_genome --assembly:
#                     24 chromosomes with the human reference's lengths, 400
#                     scaffolds of 1 to 200 kb, 50 records under 1000 bases;
#                     3.1 Gb) run with --per-record, plain and gzip, beside the
#                     250 Mb single sequence of bench/run.sh run the ordinary
#                     way; the assembly's bases per second against the 250 Mb
#                     run's, and checks of the records table
#   B. collection     bacterial-like genomes in one file (make_genome
#                     --collection 300: a chromosome of 3 to 6 Mb and one or two
#                     plasmids each, about 1.4 Gb): one --per-record run against
#                     running vestrel once per record (each record in its own
#                     file, made beforehand), and the outputs of both compared
#
#   bash bench/assemblies.sh
#   BENCH_RUNS=1 BENCH_SECTIONS=collection bash bench/assemblies.sh
#
# Inputs are kept in build/bench/data and made only when missing (on two
# processors the assembly takes about half a minute to write and as long to
# compress with igzip, longer with gzip -1; it needs 12 GB free on the disk of
# build/bench, the collection 6 GB).
#
# Environment:
#   BENCH_RUNS=3                 repetitions of section B's runs (medians are shown)
#   BENCH_ASSEMBLY_RUNS          repetitions of section A's runs; default BENCH_RUNS when that is
#                                set, 1 otherwise (an assembly run takes 12 to 16 s on two processors)
#   BENCH_SECTIONS="assembly collection"  which sections to run
#   BENCH_GZIP=1                 0: leave out section A's gzip row
#   BENCH_REPORT=1               0: leave out section A's page of the assembly (--report; needs chromium)
#   BENCH_ASSEMBLY_SEED=1        seed of make_genome --assembly
#   BENCH_COLLECTION_COUNT=300   genomes in the collection
#   BENCH_COLLECTION_SEED=1      seed of make_genome --collection
#   BENCH_KEEP=0                 1: keep the scratch folders of the runs in build/bench/scratch
#   BENCH_NO_BUILD=1             take build/release/vestrel as it is
# The tables are also written to build/bench/assemblies.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
began=$(date +%s)
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)

runs=${BENCH_RUNS:-3}
assembly_runs=${BENCH_ASSEMBLY_RUNS:-${BENCH_RUNS:-1}}
sections=${BENCH_SECTIONS-"assembly collection"}
gzip_on=${BENCH_GZIP:-1}
report_on=${BENCH_REPORT:-1}
assembly_seed=${BENCH_ASSEMBLY_SEED:-1}
collection_count=${BENCH_COLLECTION_COUNT:-300}
collection_seed=${BENCH_COLLECTION_SEED:-1}
keep=${BENCH_KEEP:-0}
positive() { [[ $2 =~ ^[1-9][0-9]*$ ]] || { echo "$1 must be a positive integer" >&2; exit 2; }; }
positive BENCH_RUNS "$runs"
positive BENCH_ASSEMBLY_RUNS "$assembly_runs"
positive BENCH_COLLECTION_COUNT "$collection_count"
[[ $assembly_seed =~ ^[0-9]+$ ]] || { echo "BENCH_ASSEMBLY_SEED must be an unsigned integer" >&2; exit 2; }
[[ $collection_seed =~ ^[0-9]+$ ]] || { echo "BENCH_COLLECTION_SEED must be an unsigned integer" >&2; exit 2; }
for s in $sections; do
  case $s in assembly | collection) ;; *) echo "unknown section '$s' (choose from assembly collection)" >&2; exit 2 ;; esac
done
section_on() { [[ " $sections " == *" $1 "* ]]; }

bash scripts/install-deps.sh g++ cmake make libisal-dev gzip time chromium
source bench/build_vestrel.sh  # sets jobs, vestrel
bench=$root/build/bench
data=$bench/data
mkdir -p "$data"
if [ ! -x "$bench/make_genome" ] || [ bench/make_genome.cpp -nt "$bench/make_genome" ]; then
  g++ -std=c++20 -O2 -Wall -Wextra -ffp-contract=off -o "$bench/make_genome" bench/make_genome.cpp
fi

# --- inputs (cached: made only when missing) ---------------------------------------------
# need_disk GB WHAT: stops, saying so, when the disk of build/bench has less free.
need_disk() {
  local free_kib
  free_kib=$(df -Pk "$data" | awk 'NR == 2 {print $4}')
  if [ "$free_kib" -lt $(($1 * 1024 * 1024)) ]; then
    echo "Not enough room on the disk for $2: it needs $1 GB free, $(df -Ph "$data" | awk 'NR == 2 {print $4}') are" \
      "free in $data. Free some space or leave the section out (BENCH_SECTIONS)." >&2
    exit 1
  fi
}
assembly=$data/assembly$assembly_seed.fa
genome250=$data/synthetic250M.fa
collection=$data/collection${collection_count}_$collection_seed.fa
records_dir=$data/collection${collection_count}_$collection_seed.records

# make FILE COMMAND...: writes the standard output of COMMAND to FILE (through
# FILE.part) and its standard error to FILE.log, unless FILE exists.
make_input() {
  local file=$1; shift
  [ -s "$file" ] && return 0
  echo "== preparing $file" >&2
  "$@" >"$file.part" 2>"$file.log"
  mv "$file.part" "$file"
}
if section_on assembly; then
  [ -s "$assembly" ] || need_disk 12 "the assembly (3.2 GB plain, about 1 GB compressed, 1 GB of outputs a run)"
  make_input "$assembly" "$bench/make_genome" --assembly "$assembly_seed"
  make_input "$genome250" "$bench/make_genome" 250M 250
  if [ "$gzip_on" = 1 ] && [ ! -s "$assembly.gz" ]; then
    # igzip (Debian's isal) compresses several times faster than gzip; gzip -1 when it cannot be had.
    command -v igzip >/dev/null || bash scripts/install-deps.sh isal >/dev/null 2>&1 || true
    if command -v igzip >/dev/null; then compressor="igzip -1"; else compressor="gzip -1"; fi
    echo "== compressing $assembly ($compressor)" >&2
    $compressor -c "$assembly" >"$assembly.gz.part"
    mv "$assembly.gz.part" "$assembly.gz"
    echo "$compressor" >"$assembly.gz.log"
  fi
fi
if section_on collection; then
  [ -s "$collection" ] && [ -d "$records_dir" ] || need_disk 6 "the collection (1.4 GB, the same again split into records)"
  make_input "$collection" "$bench/make_genome" --collection "$collection_count" "$collection_seed"
  if [ ! -d "$records_dir" ]; then
    echo "== splitting $collection into one file per record" >&2
    rm -rf "$records_dir.part" && mkdir "$records_dir.part"
    awk -v dir="$records_dir.part" '/^>/ { if (out) close(out); name = substr($1, 2); out = dir "/" name ".fa" }
                                    { print > out }' "$collection"
    mv "$records_dir.part" "$records_dir"
  fi
fi

# --- measuring ------------------------------------------------------------------------------
scratch=$bench/scratch
mkdir -p "$scratch"
scratch=$(mktemp -d "$scratch/assemblies.XXXXXX")
cleanup() { [ "$keep" = 1 ] || rm -rf "$scratch"; }
trap cleanup EXIT
tables=$scratch/tables
mkdir -p "$tables"

source bench/timed.sh  # timed DIR COMMAND...
# run_dir NAME LABEL REP FILE LINK: a fresh folder DIR/w holding LINK, a link to
# FILE (the outputs named after LINK land beside it); prints DIR.
run_dir() {
  local dir=$scratch/$1.$2.$3
  rm -rf "$dir" && mkdir -p "$dir/w"
  [ -z "$5" ] || ln -s "$4" "$dir/w/$5"
  echo "$dir"
}

median() { sort -g | awk '{v[NR] = $1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# column NAME LABEL REPS FIELD: the median of one field of the time files
# (1 wall s, 2 peak RSS KiB, 3 status, 4 CPU s).
column() {
  local rep
  for rep in $(seq "$3"); do awk -v f="$4" '{print $f}' "$scratch/$1.$2.$rep/time"; done | median
}
statuses() {
  local rep
  for rep in $(seq "$3"); do awk '{print $3}' "$scratch/$1.$2.$rep/time"; done | sort -u | paste -sd/ -
}
# row NAME LABEL REPS TITLE BASES RECORDS LARGEST: a row of the run tables.
row_format='%-34s %14s %7s %9s %11s %13s %8s %14s %11s %6s %6s\n'
header() { printf "$row_format" "input" "bases" "records" "wall s" "user+sys s" "peak RSS MiB" "Mb/s" "largest record" "budget MiB" "memory" "status"; }
row() {
  awk -v title="$4" -v bases="$5" -v records="$6" -v largest="$7" -v wall="$(column "$1" "$2" "$3" 1)" \
      -v rss="$(column "$1" "$2" "$3" 2)" -v cpu="$(column "$1" "$2" "$3" 4)" -v st="$(statuses "$1" "$2" "$3")" \
      -v format="$row_format" 'BEGIN {
    budget = 1.1 * largest + 64 * 1048576
    printf format, title, bases, records, sprintf("%.3f", wall), sprintf("%.2f", cpu), sprintf("%.1f", rss / 1024),
      sprintf("%.1f", wall > 0 ? bases / wall / 1e6 : 0), largest, sprintf("%.1f", budget / 1048576),
      (rss * 1024 <= budget ? "ok" : "OVER"), st
  }'
}
mb_per_s() { awk -v b="$1" -v w="$(column "$2" "$3" "$4" 1)" 'BEGIN {print (w > 0 ? b / w / 1e6 : 0)}'; }
# table_sum TSV: the bases of the records table (its length column); table_max: the largest.
table_sum() { awk -F'\t' 'NR > 1 {s += $3} END {printf "%.0f\n", s}' "$1"; }
table_max() { awk -F'\t' 'NR > 1 && $3 + 0 > m {m = $3 + 0} END {printf "%.0f\n", m}' "$1"; }
human_lengths="248956422 242193529 198295559 190214555 181538259 170805979 159345973 145138636 138394717 133797422
  135086622 133275309 114364328 107043718 101991189 90338345 83257441 80373285 58617616 64444167 46709983 50818468
  156040895 57227415"

# check_assembly DIR: what is wrong with a --per-record run on the assembly, one
# finding a line (nothing when all is well).
check_assembly() {
  local dir=$1 tsv=$1/w/assembly_records.tsv expected
  [ "$(awk '{print $3}' "$dir/time")" = 0 ] || echo "status $(awk '{print $3}' "$dir/time") (stderr: $(head -c 200 "$dir/stderr" | tr '\n' ' '))"
  [ -s "$tsv" ] || { echo "no assembly_records.tsv"; return; }
  expected=$(printf '%s\n' $human_lengths | awk '{print (NR <= 22 ? "chr" NR : (NR == 23 ? "chrX" : "chrY")) "\t" $1}')
  awk -F'\t' -v expected="$expected" '
    BEGIN { n = split(expected, e, "\n") }
    NR == 1 { next }
    { r = NR - 1; if (r <= 24 && $1 "\t" $3 != e[r]) bad = bad " " $1 "=" $3 }
    r <= 424 && $NF != "analysed" { wrong = wrong " " $1 ": " $NF }
    r > 424 && ($NF != "shorter than 1000 bases" || $1 !~ /^short_/ || $3 + 0 >= 1000) { wrong = wrong " " $1 ": " $NF }
    r <= 424 && $NF == "analysed" { analysed++ }
    $NF == "shorter than 1000 bases" { short++ }
    END {
      if (NR != 475) printf "%d lines in the records table, not 1 + 474\n", NR
      if (analysed != 424 || short != 50) printf "%d analysed, %d \"shorter than 1000 bases\" (424 and 50 expected)\n", analysed, short
      if (bad != "") printf "chromosome lengths:%s\n", substr(bad, 1, 200)
      if (wrong != "") printf "statuses:%s\n", substr(wrong, 1, 200)
    }' "$tsv"
  grep -q '^Records: 474, analysed: 424, skipped: 50$' "$dir/stdout" || echo "console: $(grep '^Records:' "$dir/stdout" || echo 'no Records line')"
  if [ -s "$assembly.log" ]; then
    expected=$(grep -o '[0-9]* bases' "$assembly.log" | grep -o '[0-9]*' || true)
    [ "$(table_sum "$tsv")" = "$expected" ] || echo "bases in the table $(table_sum "$tsv"), make_genome wrote $expected"
  fi
  [ "$(find "$dir/w/assembly_records" -name '*.SegGC' | wc -l)" = 424 ] ||
    echo "$(find "$dir/w/assembly_records" -name '*.SegGC' | wc -l) .SegGC files in assembly_records/, not 424"
}

# --- A. whole genome ---------------------------------------------------------------------------
if section_on assembly; then
  labels="plain"
  [ "$gzip_on" = 1 ] && labels="plain gzip"
  echo "== reading the inputs into the page cache" >&2
  cat "$assembly" "$genome250" >/dev/null
  [ "$gzip_on" = 1 ] && cat "$assembly.gz" >/dev/null
  : >"$tables/checks_a"
  removed_later=""
  for rep in $(seq "$assembly_runs"); do
    for label in $labels; do
      echo "== assembly, $label, --per-record: repetition $rep of $assembly_runs" >&2
      if [ "$label" = plain ]; then
        dir=$(run_dir assembly "$label" "$rep" "$assembly" assembly.fa)
        timed "$dir" "$vestrel" assembly.fa --per-record
      else
        dir=$(run_dir assembly "$label" "$rep" "$assembly.gz" assembly.fa.gz)
        timed "$dir" "$vestrel" assembly.fa.gz --per-record
      fi
      check_assembly "$dir" | sed "s/^/$label run $rep: /" >>"$tables/checks_a"
      if [ "$label" = gzip ] && [ -s "$scratch/assembly.plain.$rep/w/assembly_records.tsv" ]; then
        cmp -s "$dir/w/assembly_records.tsv" "$scratch/assembly.plain.$rep/w/assembly_records.tsv" ||
          echo "gzip run $rep: its records table differs from the plain run's" >>"$tables/checks_a"
      fi
      du -sm "$dir/w/assembly_records" 2>/dev/null | awk '{print $1}' >"$dir/outputs_mb" || true
      # Outputs are removed only once every run is timed: on a file system
      # without a journal, files made within minutes of thousands removed
      # take several times longer to create, which would time the deleting.
      removed_later="$removed_later $dir/w/assembly_records"
    done
    echo "== synthetic250M.fa, the whole run: repetition $rep of $assembly_runs" >&2
    dir=$(run_dir single250 default "$rep" "$genome250" seq.fa)
    timed "$dir" "$vestrel" seq.fa
    [ "$(awk '{print $3}' "$dir/time")" = 0 ] || echo "250 Mb run $rep: status $(awk '{print $3}' "$dir/time")" >>"$tables/checks_a"
    [ "$keep" = 1 ] || find "$dir/w" -mindepth 1 ! -name seq.fa -delete
  done
  [ "$keep" = 1 ] || rm -rf $removed_later

  tsv=$scratch/assembly.plain.1/w/assembly_records.tsv
  if [ -s "$tsv" ]; then
    bases=$(table_sum "$tsv"); largest=$(table_max "$tsv"); records=$(($(wc -l <"$tsv") - 1))
  else
    bases=0; largest=0; records=0
  fi
  single=$(grep -m1 -o 'Sequence length: [0-9]*' "$scratch/single250.default.1/stdout" | grep -o '[0-9]*$' || echo 0)
  {
    row assembly plain "$assembly_runs" "$(basename "$assembly") --per-record" "$bases" "$records" "$largest"
    if [ "$gzip_on" = 1 ]; then
      row assembly gzip "$assembly_runs" "$(basename "$assembly").gz --per-record" "$bases" "$records" "$largest"
    fi
    row single250 default "$assembly_runs" "synthetic250M.fa (one sequence)" "$single" 1 "$single"
  } >"$tables/a"
  single_rate=$(mb_per_s "$single" single250 default "$assembly_runs")
  {
    for label in $labels; do
      awk -v l="$label" -v a="$(mb_per_s "$bases" assembly "$label" "$assembly_runs")" -v s="$single_rate" \
        'BEGIN {printf "assembly (%s) bases/s / 250 Mb bases/s: %.1f / %.1f Mb/s = %.2f\n", l, a, s, (s > 0 ? a / s : 0)}'
    done
    echo "outputs of one per-record run: $(cat "$scratch/assembly.plain.1/outputs_mb" 2>/dev/null || echo '?') MB in assembly_records/"
    [ "$gzip_on" = 1 ] && echo "gzip copy: $(cat "$assembly.gz.log" 2>/dev/null || echo 'made earlier'), $(awk -v b="$(stat -c %s "$assembly.gz")" 'BEGIN {printf "%.0f", b / 1e6}') MB"
    if [ -s "$tables/checks_a" ]; then
      echo "checks: FAILED"
      sed 's/^/  /' "$tables/checks_a"
    else
      echo "checks: ok (every per-record run: status 0; records table 1 + 474 lines, chr1..chrY at their lengths, 424 analysed," \
        "the 50 short_* \"shorter than 1000 bases\"; console \"Records: 474, analysed: 424, skipped: 50\"; table bases =" \
        "make_genome's; 424 .SegGC files$([ "$gzip_on" = 1 ] && echo '; gzip table = plain table'); the 250 Mb run: status 0)"
    fi
  } >"$tables/a_notes"

  # The page of the whole assembly: one --report run (with --windows, the
  # fullest page), its size, and headless Chromium's load of it with the
  # first record and with the last chromosome chosen, beside an empty page.
  if [ "$report_on" = 1 ] && command -v chromium >/dev/null; then
    echo "== assembly, plain, --per-record --report --windows 100000" >&2
    dir=$(run_dir assembly report 1 "$assembly" assembly.fa)
    timed "$dir" "$vestrel" assembly.fa --per-record --report --windows 100000
    page=$dir/w/assembly_report.html
    chromium_load() {  # DIR URL: a timed load, the DOM after the page's script in DIR/stdout
      mkdir -p "$1/w"
      timed "$1" timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
        --disable-component-update --disable-sync --no-first-run --user-data-dir="$1/profile" \
        --virtual-time-budget=5000 --dump-dom "$2"
    }
    echo '<!DOCTYPE html><title>empty</title>' >"$scratch/empty.html"
    for rep in $(seq 3); do
      chromium_load "$scratch/page.first.$rep" "file://$page"
      chromium_load "$scratch/page.chrY.$rep" "file://$page#record=chrY"
      chromium_load "$scratch/page.empty.$rep" "file://$scratch/empty.html"
    done
    ready=$(grep -l 'data-status="ready"' "$scratch"/page.first.*/stdout "$scratch"/page.chrY.*/stdout 2>/dev/null | wc -l)
    {
      printf "page of the assembly (--report --windows 100000): %.2f MB, the run %.3f s;" \
        "$(awk -v b="$(stat -c %s "$page")" 'BEGIN {print b / 1e6}')" "$(awk '{print $1}' "$dir/time")"
      printf " Chromium's load (medians of 3): first record %.3f s, chrY %.3f s, an empty page %.3f s; ready %d/6\n" \
        "$(column page first 3 1)" "$(column page chrY 3 1)" "$(column page empty 3 1)" "$ready"
    } >>"$tables/a_notes"
    [ "$keep" = 1 ] || rm -rf "$dir/w/assembly_records"
  fi
fi

# --- B. collection -----------------------------------------------------------------------------
if section_on collection; then
  echo "== reading the collection into the page cache" >&2
  cat "$collection" >/dev/null
  find "$records_dir" -name '*.fa' -exec cat {} + >/dev/null
  files=$(find "$records_dir" -name '*.fa' | wc -l)
  : >"$tables/checks_b"
  for rep in $(seq "$runs"); do
    echo "== collection, --per-record: repetition $rep of $runs" >&2
    dir=$(run_dir collection perrecord "$rep" "$collection" collection.fa)
    timed "$dir" "$vestrel" collection.fa --per-record
    echo "== collection, one run per record ($files runs): repetition $rep of $runs" >&2
    loop=$(run_dir collection loop "$rep" "" "")
    mkdir "$loop/w/out"
    timed "$loop" bash -c 'failed=0
      for f in "$1"/*.fa; do "$2" "$f" --prefix out/ || failed=$((failed + 1)); done
      echo "$failed runs failed" >&2; [ "$failed" = 0 ]' loop "$records_dir" "$vestrel"

    # Checks: both ended well, every record analysed, and the files of each record
    # the same from both (the plot scripts once the folder names are made alike).
    for d in "$dir" "$loop"; do
      [ "$(awk '{print $3}' "$d/time")" = 0 ] || echo "run $rep, $(basename "$d"): status $(awk '{print $3}' "$d/time")" \
        "($(tail -n 1 "$d/stderr"))" >>"$tables/checks_b"
    done
    tsv=$dir/w/collection_records.tsv
    if [ -s "$tsv" ]; then
      awk -F'\t' -v n="$files" -v rep="$rep" 'NR > 1 && $NF == "analysed" {a++}
        END {if (NR != n + 1 || a != n) printf "run %d: %d lines in the records table, %d analysed, for %d records\n", rep, NR, a, n}' \
        "$tsv" >>"$tables/checks_b"
      different=0 compared=0
      while IFS= read -r f; do
        compared=$((compared + 1))
        case $f in
          *.plt) cmp -s <(sed 's|collection_records/|out/|g' "$dir/w/collection_records/$f") "$loop/w/out/$f" ;;
          *) cmp -s "$dir/w/collection_records/$f" "$loop/w/out/$f" ;;
        esac || { different=$((different + 1)); [ "$different" -gt 3 ] || echo "run $rep: $f differs" >>"$tables/checks_b"; }
      done < <(find "$dir/w/collection_records" -type f -printf '%f\n' | LC_ALL=C sort)
      [ "$compared" = "$(find "$loop/w/out" -type f | wc -l)" ] ||
        echo "run $rep: $compared files per record, $(find "$loop/w/out" -type f | wc -l) from the runs per record" >>"$tables/checks_b"
      [ "$different" = 0 ] || echo "run $rep: $different of $compared files differ" >>"$tables/checks_b"
      [ "$rep" = 1 ] && echo "$compared" >"$tables/compared_b"
    else
      echo "run $rep: no collection_records.tsv" >>"$tables/checks_b"
    fi
    [ "$rep" = 1 ] && cp "$tsv" "$tables/collection.tsv" 2>/dev/null || true
    [ "$keep" = 1 ] || rm -rf "$dir/w/collection_records" "$loop/w/out"
  done

  tsv=$tables/collection.tsv
  if [ -s "$tsv" ]; then bases=$(table_sum "$tsv"); largest=$(table_max "$tsv"); else bases=0; largest=0; fi
  {
    row collection perrecord "$runs" "$(basename "$collection") --per-record" "$bases" "$files" "$largest"
    row collection loop "$runs" "$files x vestrel RECORD.fa" "$bases" "$files" "$largest"
  } >"$tables/b"
  {
    awk -v p="$(column collection perrecord "$runs" 1)" -v l="$(column collection loop "$runs" 1)" \
        -v pc="$(column collection perrecord "$runs" 4)" -v lc="$(column collection loop "$runs" 4)" 'BEGIN {
      printf "one run per record / --per-record: wall %.3f / %.3f s = %.2f, CPU %.2f / %.2f s = %.2f\n",
        l, p, (p > 0 ? l / p : 0), lc, pc, (pc > 0 ? lc / pc : 0) }'
    if [ -s "$tables/checks_b" ]; then
      echo "checks: FAILED"
      sed 's/^/  /' "$tables/checks_b"
    else
      echo "checks: ok (both ways: status 0 every run; records table 1 + $files lines, all analysed; the $(cat "$tables/compared_b" 2>/dev/null)" \
        "files of the records byte-identical both ways, the plot scripts once collection_records/ reads out/)"
    fi
  } >"$tables/b_notes"
fi

# --- the tables --------------------------------------------------------------------------------
results=$bench/assemblies.txt
exec > >(tee "$results")
echo "Vestrel benchmark of whole genomes and collections, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git describe --always --dirty 2>/dev/null || echo unknown)"
echo "CPU: $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $jobs processors available (every run on all of them)"
echo "load average at the start: $load_at_start, at the end: $(cut -d' ' -f1-3 /proc/loadavg) (other programs disturb the wall times)"
if [ -s "$tables/a" ]; then
  echo
  echo "== A. Whole genome: make_genome --assembly $assembly_seed (page cache warm; medians of $assembly_runs run(s))"
  header
  cat "$tables/a"
  echo "bases: the records' lengths, N included; Mb/s: bases per second of wall time; budget: 1.1 bytes per base of the"
  echo "largest record (the whole sequence for the 250 Mb run) + 64 MiB, against the peak RSS."
  cat "$tables/a_notes"
fi
if [ -s "$tables/b" ]; then
  echo
  echo "== B. Collection: make_genome --collection $collection_count $collection_seed (page cache warm; medians of $runs runs)"
  header
  cat "$tables/b"
  echo "the second row runs vestrel once per record file (made beforehand, untimed), one after the other, outputs in out/;"
  echo "its CPU time is that of all the runs, its peak RSS the largest of them."
  cat "$tables/b_notes"
fi
echo
echo "The benchmark took $(( $(date +%s) - began )) s."
