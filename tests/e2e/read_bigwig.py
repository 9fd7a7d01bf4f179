"""Reads back every bigWig file beside the bedGraph files named: its
chromosomes must be the records of GENOME (name<TAB>length lines, in file
order), its intervals those of the bedGraph, its values the bedGraph's
within their six decimals (and a float's precision). Prints one line per
file: its name and the intervals compared, or what differs."""
import sys

import pyBigWig

genome = [(name, int(length)) for name, length in (line.split("\t") for line in open(sys.argv[1]))]
for bedgraph in sys.argv[2:]:
    bw = pyBigWig.open(bedgraph.replace(".bedGraph", ".bw"))
    if list(bw.chroms().items()) != genome:
        sys.exit(f"{bedgraph}: the chromosomes are {bw.chroms()}")
    read = [(name, *interval) for name, _ in genome for interval in (bw.intervals(name) or ())]
    lines = [line.split("\t") for line in open(bedgraph) if not line.startswith("track ")]
    if len(read) != len(lines):
        sys.exit(f"{bedgraph}: {len(read)} intervals in the bigWig file, {len(lines)} lines")
    for (name, start, end, value), line in zip(read, lines):
        if [name, str(start), str(end)] != line[:3] or abs(value - float(line[3])) > 5e-7 + 1e-7 * abs(value):
            sys.exit(f"{bedgraph}: {name} {start} {end} {value} against {line}")
    print(bedgraph, len(read))
