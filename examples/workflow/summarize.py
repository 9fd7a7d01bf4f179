#!/usr/bin/env python3
"""One row per vestrel run: genome, length, segments, split points, mean GC,
and, when the runs wrote PREFIX_replication.tsv (--windows), the replication
origin and terminus of each genome's first record. With --per-record, one row
per record of runs with --per-record instead (see records_rows).

Usage: summarize.py [--per-record] PREFIX...   (writes the table to standard output)

Each PREFIX names the outputs of one run (PREFIX.SegGC, PREFIX.SegP) and the
saved console of the run (PREFIX.console); the genome is the last part of the
prefix. The length is the one vestrel printed ("Sequence length: N(bp)"), the
segments are the steps of the .SegGC file, the split points the lines of the
.SegP file and the mean GC the length-weighted mean of the segments' GC
fractions (NA when there is no segment).
"""
import os
import re
import sys

LENGTH_LINE = re.compile(r"^Sequence length: (\d+)\(bp\)$", re.MULTILINE)
BREAK_VALUE = '" "'


def sequence_length(console_path):
    with open(console_path, encoding="utf-8", errors="replace") as console:
        match = LENGTH_LINE.search(console.read())
    if not match:
        raise ValueError(f"{console_path}: no 'Sequence length: N(bp)' line")
    return int(match.group(1))


def segments(seggc_path):
    """(start, end, gc) of every step: the lines that do not break the steps, in pairs."""
    points = []
    with open(seggc_path, encoding="ascii") as steps:
        for number, line in enumerate(steps, 1):
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 2:
                raise ValueError(f"{seggc_path}:{number}: expected two tab-separated fields")
            if fields[1] != BREAK_VALUE:
                points.append((int(fields[0]), fields[1], number))
    if len(points) % 2:
        raise ValueError(f"{seggc_path}: a step without its end")
    result = []
    for (start, gc, number), (end, end_gc, _) in zip(points[::2], points[1::2]):
        if gc != end_gc or end < start:
            raise ValueError(f"{seggc_path}:{number}: a step whose two ends differ")
        result.append((start, end, float(gc)))
    return result


def line_count(path):
    with open(path, "rb") as lines:
        return sum(1 for _ in lines)


def row(prefix, with_origin):
    steps = segments(prefix + ".SegGC")
    covered = sum(end - start + 1 for start, end, _ in steps)
    if covered:
        mean_gc = "%.6f" % (sum((end - start + 1) * gc for start, end, gc in steps) / covered)
    else:
        mean_gc = "NA"
    fields = [os.path.basename(prefix), str(sequence_length(prefix + ".console")), str(len(steps)),
              str(line_count(prefix + ".SegP")), mean_gc]
    if with_origin:
        fields += first_record_origin(prefix + "_replication.tsv")
    return fields


def first_record_origin(path):
    """Origin and terminus of the first record of a replication table."""
    with open(path, encoding="utf-8") as table:
        lines = table.read().splitlines()
    if len(lines) < 2 or not lines[0].startswith("record\tlength\torigin\tterminus"):
        raise ValueError(f"{path}: not a replication table")
    fields = lines[1].split("\t")
    return [fields[2], fields[3]]


# The columns of a records table (PREFIX_records.tsv) that the summary keeps,
# after the genome, in this order; origin and terminus when every table has them.
RECORD_COLUMNS = ["record", "file", "length", "length_without_gaps", "gc", "segments", "split_points", "strongest"]
ORIGIN_COLUMNS = ["origin", "terminus"]


def records_table(path):
    """The header of a records table and its rows, in file order."""
    with open(path, encoding="utf-8", newline="\n") as table:
        lines = [line[:-1] if line.endswith("\n") else line for line in table]
    header = lines[0].split("\t") if lines else []
    missing = [column for column in RECORD_COLUMNS + ["status"] if column not in header]
    if missing:
        raise ValueError(f"{path}: not a records table (no column {missing[0]})")
    rows = []
    for number, line in enumerate(lines[1:], 2):
        fields = line.split("\t")
        if len(fields) != len(header):
            raise ValueError(f"{path}:{number}: {len(fields)} fields under a header of {len(header)}")
        rows.append(dict(zip(header, fields)))
    return header, rows


def records_rows(prefixes):
    """A row per record of every PREFIX_records.tsv, genome by genome: the
    genome, the record's fields, NA for a field the table leaves empty (a
    skipped record has no segments, split points, strongest cut or origin; a
    record with no cut has no strongest one)."""
    tables = [(os.path.basename(prefix), *records_table(prefix + "_records.tsv")) for prefix in prefixes]
    columns = RECORD_COLUMNS
    if tables and all(column in header for _, header, _ in tables for column in ORIGIN_COLUMNS):
        columns = columns + ORIGIN_COLUMNS
    columns = columns + ["status"]
    rows = [["genome"] + columns]
    for genome, _, records in tables:
        rows += [[genome] + [record[column] or "NA" for column in columns] for record in records]
    return rows


def genome_rows(prefixes):
    with_origin = bool(prefixes) and all(os.path.exists(prefix + "_replication.tsv") for prefix in prefixes)
    rows = [["genome", "length", "segments", "split_points", "mean_gc"] + (["origin", "terminus"] if with_origin else [])]
    return rows + [row(prefix, with_origin) for prefix in prefixes]


def main(arguments):
    per_record = arguments[:1] == ["--per-record"]
    prefixes = arguments[1:] if per_record else arguments
    try:
        rows = records_rows(prefixes) if per_record else genome_rows(prefixes)
    except (OSError, ValueError) as error:
        print(f"summarize.py: {error}", file=sys.stderr)
        return 1
    sys.stdout.write("".join("\t".join(fields) + "\n" for fields in rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
