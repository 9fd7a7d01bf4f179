#!/usr/bin/env bash
# Debian's multiqc reads the custom content of two genomes: lambda in one run
# (the segment steps as its line) and Klebsiella per record (its windows).
# Its general statistics and line-graph data must be vestrel's own: the
# records tables and the bedGraph tracks.   Usage: tracks.sh BUILD-FOLDER
set -euo pipefail
vestrel=$(cd "$1" && pwd)/vestrel
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir results tables
cp "$source/examples/lambda.fa" . && xz -dc "$source/tests/data/Klebs_HS11286.fna.xz" > hs.fna
"$vestrel" lambda.fa -t 100 --bed --multiqc --prefix results/lambda > /dev/null
"$vestrel" lambda.fa -t 100 --per-record --prefix tables/lambda > /dev/null
"$vestrel" hs.fna -t 100 --windows 1000 --per-record --multiqc --prefix results/hs > /dev/null
start=$(date +%s%N)
multiqc --quiet --force --outdir report results 2> multiqc.log || { cat multiqc.log; exit 1; }
echo "tracks: multiqc over two genomes in $(( ($(date +%s%N) - start) / 1000000 )) ms"
/usr/bin/python3 - <<'CHECK'
import csv, sys
def rows(path):
    return list(csv.DictReader(open(path), delimiter="\t"))
failed = []
# General statistics: one row per genome or record, the records table's numbers.
stats = {r["Sample"]: {k.rsplit("-", 1)[1]: v for k, v in r.items() if k != "Sample"}
         for r in rows("report/multiqc_data/multiqc_general_stats.txt")}
expected = {"lambda": rows("tables/lambda_records.tsv")[0]}
expected.update({"hs " + r["record"]: r for r in rows("results/hs_records.tsv")})
for sample, table in expected.items():
    got = stats.get(sample, {})
    want = {"length": table["length"], "segments": table["segments"], "split_points": table["split_points"],
            "origin": table.get("origin", ""), "terminus": table.get("terminus", "")}
    near = {"gc_percent": (100 * float(table["gc"]), 1.01e-4), "strongest": (table["strongest"], 1.01e-3)}
    for key, value in want.items():
        if got.get(key, "") != value:
            failed.append(f"{sample} {key}: {got.get(key)} against {value}")
    for key, (value, within) in near.items():
        if (got.get(key) or "") == "" or value == "":
            if (got.get(key) or "") != value: failed.append(f"{sample} {key}: {got.get(key)} against {value}")
        elif abs(float(got[key]) - float(value)) > within:
            failed.append(f"{sample} {key}: {got[key]} against {value}")
if set(stats) != set(expected):
    failed.append(f"samples {sorted(stats)}")
print(f"tracks: general statistics of {len(expected)} samples checked")
# The line graph: GC % of each segment at its first and last base, of each window at its first.
lines = {r.pop("Sample"): {float(x): float(y) for x, y in r.items() if y != ""}
         for r in rows("report/multiqc_data/multiqc_vestrel_gc_plot.txt")}
points = {}
for track, steps in (("results/lambda_GCcontent.bedGraph", True), ("results/hs_GCwindows.bedGraph", False)):
    for line in open(track):
        if line.startswith("track "): continue
        name, start, end, value = line.split("\t")
        sample = "lambda" if steps else "hs " + name
        for x in (int(start) + 1, int(end)) if steps else (int(start) + 1,):
            points.setdefault(sample, {})[float(x)] = 100 * float(value)
for sample, line in points.items():
    got = lines.get(sample, {})
    if got.keys() != line.keys() or any(abs(got[x] - y) > 1.01e-4 for x, y in line.items()):
        failed.append(f"line of {sample}: {len(got)} points against {len(line)}")
print(f"tracks: line graph of {len(points)} samples, {sum(map(len, points.values()))} points checked")
if set(lines) != set(points): failed.append(f"lines of {sorted(lines)}")
print("\n".join(failed) or "tracks: MultiQC values agree")
sys.exit(1 if failed else 0)
CHECK
