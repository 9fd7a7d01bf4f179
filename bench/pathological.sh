#!/usr/bin/env bash
# Worst-case inputs: measures wall time and peak resident memory of each, and
# checks its outcome (exit status and what the run must say or write).
#
#   bash bench/pathological.sh
#
# Cases:
#   depth limit      1002 alternating blocks of 101 a and 101 c, -i 100 -t 10: every
#                    accepted cut peels one block off, until the depth limit stops it
#   50,000 gaps      "acnn" x 50,000 with -g 1: accepted
#   50,001 gaps      "acnn" x 50,001 with -g 1: refused with "too many contigs!"
#   1M coordinates   -c with 1..1,000,000 over a 1 Mb sequence: 999,999 points drawn
# Exits with status 1 when a check fails. BENCH_KEEP=1 keeps the scratch folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh g++ cmake make time
source bench/build_vestrel.sh  # sets jobs, vestrel

mkdir -p build/bench/scratch
scratch=$(mktemp -d "$PWD/build/bench/scratch/pathological.XXXXXX")
cleanup() { [ "${BENCH_KEEP:-0}" = 1 ] || rm -rf "$scratch"; }
trap cleanup EXIT

fasta() {  # NAME: wraps the bases on standard input in a FASTA record, 60 columns a line
  echo ">$1"
  fold -w 60
  echo
}

# Inputs.
mkdir -p "$scratch/deep" "$scratch/gaps50000" "$scratch/gaps50001" "$scratch/coordinates"
awk 'BEGIN {
  a = sprintf("%101s", ""); gsub(/ /, "a", a); c = a; gsub(/a/, "c", c)
  print ">deep"; for (b = 0; b < 1002; ++b) print (b % 2 ? c : a)
}' >"$scratch/deep/seq.fa"
awk 'BEGIN { for (i = 0; i < 50000; ++i) printf "acnn" }' | fasta gaps >"$scratch/gaps50000/seq.fa"
awk 'BEGIN { for (i = 0; i < 50001; ++i) printf "acnn" }' | fasta gaps >"$scratch/gaps50001/seq.fa"
awk 'BEGIN {
  line = sprintf("%25s", ""); gsub(/ /, "a", line); c = line; gsub(/a/, "c", c); line = line c
  print ">long"; for (i = 0; i < 20000; ++i) print line
}' >"$scratch/coordinates/seq.fa"
seq 1 1000000 >"$scratch/coordinates/points.txt"

count() { grep -cF -- "$1" "$2" || true; }  # lines of FILE holding TEXT
failures=0
printf '%-16s %-22s %9s %13s %7s  %s\n' "case" "options" "wall s" "peak RSS MiB" "status" "check"

# measure CASE OPTIONS EXPECTED_STATUS: runs vestrel in the case's folder.
measure() {
  local options=$2 expected=$3 dir=$scratch/$1 start end
  start=$(date +%s%N)
  set +e
  # shellcheck disable=SC2086  # the options are split on purpose
  (cd "$dir" && /usr/bin/time -f '%M' -o rss "$vestrel" seq.fa $options >stdout 2>stderr)
  status=$?
  set -e
  end=$(date +%s%N)
  wall=$(awk -v ns=$((end - start)) 'BEGIN {printf "%.3f", ns / 1e9}')
  rss=$(awk 'END {printf "%.1f", $1 / 1024}' "$dir/rss")
  problems=()
  [ "$status" = "$expected" ] || problems+=("exit $status, expected $expected")
}

report() {  # CASE OPTIONS WHAT_WAS_CHECKED
  local verdict="ok"
  if [ ${#problems[@]} -gt 0 ]; then
    verdict="FAIL: $(IFS=';'; echo "${problems[*]}")"
    failures=$((failures + 1))
  fi
  printf '%-16s %-22s %9s %13s %7s  %s (%s)\n' "$1" "$2" "$wall" "$rss" "$status" "$verdict" "$3"
}

measure deep "-i 100 -t 10" 0
d=$scratch/deep
[ "$(count 'Too many segmentation times!' "$d/stderr")" = 1 ] || problems+=("depth-limit message not once on stderr")
[ "$(count 'Segmentation times:1001' "$d/stdout")" = 2 ] || problems+=("not two attempts at level 1001")
report "depth limit" "-i 100 -t 10" "message once, 2 attempts at level 1001"

measure gaps50000 "-g 1" 0
d=$scratch/gaps50000
[ "$(count 'Gaps: 199999-200000 Gap size: 2' "$d/stdout")" = 1 ] || problems+=("last gap not listed")
[ "$(grep -c '^Contig: ' "$d/stdout" || true)" = 50000 ] || problems+=("not 50,000 contigs")
report "50,000 gaps" "-g 1" "last gap listed, 50,000 contigs"

measure gaps50001 "-g 1" 1
d=$scratch/gaps50001
[ "$(count 'too many contigs!' "$d/stdout")" = 1 ] || problems+=("no 'too many contigs!'")
report "50,001 gaps" "-g 1" "'too many contigs!'"

measure coordinates "-c points.txt" 0
d=$scratch/coordinates
tags=$(wc -l <"$d/seq.TagP" 2>/dev/null || echo 0)
[ "$tags" = 999999 ] || problems+=("$tags .TagP lines, expected 999,999")
report "1M coordinates" "-c points.txt" "$tags .TagP lines"

[ "$failures" = 0 ] || { echo "$failures case(s) failed" >&2; exit 1; }
