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
cd "$work" && mkdir in tables
cp "$source/examples/lambda.fa" . && xz -dc "$source/tests/data/Klebs_HS11286.fna.xz" > hs.fna
"$vestrel" lambda.fa -t 100 --bed --multiqc --prefix in/lambda > /dev/null
"$vestrel" lambda.fa -t 100 --per-record --prefix tables/lambda > /dev/null
"$vestrel" hs.fna -t 100 --windows 1000 --per-record --multiqc --prefix in/hs > /dev/null
start=$(date +%s%N)
multiqc --quiet --force --outdir out in 2> multiqc.log || { cat multiqc.log; exit 1; }
echo "tracks: multiqc over two genomes in $(( ($(date +%s%N) - start) / 1000000 )) ms"
/usr/bin/python3 - <<'CHECK'
import csv, sys
rows = lambda path: list(csv.DictReader(open(path), delimiter="\t"))
near = lambda a, b: a == b or "" not in (a, b) and abs(float(a) - float(b)) <= 1.01e-4  # within the files' rounding
stats = {r.pop("Sample"): {k.rsplit("-", 1)[1]: v for k, v in r.items()} for r in
         rows("out/multiqc_data/multiqc_general_stats.txt")}
tables = {"lambda": rows("tables/lambda_records.tsv")[0], **{"hs " + r["record"]: r for r in rows("in/hs_records.tsv")}}
failed = [f"{s} {k}: {stats.get(s, {}).get(k)} against {t.get(k)}" for s, t in tables.items() for k in
          ("length", "gc_percent", "segments", "split_points", "strongest", "origin", "terminus")
          if not near(stats.get(s, {}).get(k, ""), str(100 * float(t["gc"])) if k == "gc_percent" else t.get(k, ""))]
points = {}  # the line: GC % of each segment at its first and last base, of each window at its first
for track, steps in (("in/lambda_GCcontent.bedGraph", 2), ("in/hs_GCwindows.bedGraph", 1)):
    for name, start, end, value in (line.split("\t") for line in open(track) if not line.startswith("track ")):
        for x in (int(start) + 1, int(end))[:steps]:
            points.setdefault("lambda" if steps == 2 else "hs " + name, {})[x] = str(100 * float(value))
lines = {r.pop("Sample"): {int(x): y for x, y in r.items() if y} for r in
         rows("out/multiqc_data/multiqc_vestrel_gc_plot.txt")}
failed += [f"line of {s}: {lines.get(s)}" for s, line in points.items() if lines.get(s, {}).keys() != line.keys() or
           not all(near(lines[s][x], y) for x, y in line.items())]
failed += [f"samples {sorted(stats)}, lines {sorted(lines)}"] * (not stats.keys() == tables.keys() == lines.keys())
print(f"tracks: statistics of {len(tables)} samples, {sum(map(len, points.values()))} points of their lines compared")
sys.exit("\n".join(failed) or print("tracks: MultiQC's values are vestrel's"))  # status 1 with the differences
CHECK
