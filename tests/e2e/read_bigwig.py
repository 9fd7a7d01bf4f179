# Reads back the bigWig file beside each bedGraph named: its chromosomes are
# the records of GENOME (name<TAB>length lines, in file order), its intervals
# the bedGraph's, its values theirs within six decimals and a float's
# precision. Prints each file's name and intervals, or stops at a difference.
import sys

import pyBigWig

genome = [(name, int(length)) for name, length in (line.split("\t") for line in open(sys.argv[1]))]
for bedgraph in sys.argv[2:]:
    bw = pyBigWig.open(bedgraph.replace(".bedGraph", ".bw"))
    read = [(name, *interval) for name, _ in genome for interval in (bw.intervals(name) or ())]
    lines = [line.split("\t") for line in open(bedgraph) if not line.startswith("track ")]
    if list(bw.chroms().items()) != genome or len(read) != len(lines):
        sys.exit(f"{bedgraph}: {bw.chroms()}, {len(read)} intervals, {len(lines)} lines")
    for (name, start, end, value), line in zip(read, lines):
        if [name, str(start), str(end)] != line[:3] or abs(value - float(line[3])) > 5e-7 + 1e-7 * abs(value):
            sys.exit(f"{bedgraph}: {name} {start} {end} {value} against {line}")
    print(bedgraph, len(read))
