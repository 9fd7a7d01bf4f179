#!/usr/bin/env python3
"""Writes to standard output a deterministic assembly of eight records for
the runs per record: gaps and soft-masked stretches, a header without a name,
a repeated name, names that are not file names, letters outside the alphabet,
a record of 500 bases and one of 10,000,001, too long for a minimum length
below 1000 with a halting parameter below 100.
"""
import random
import sys

rng = random.Random(20261208)


def domains(*parts):
    """Bases of domains (length, GC fraction), every fifth stretch of 300 soft-masked."""
    out = []
    for length, gc in parts:
        out += [rng.choice("GC") if rng.random() < gc else rng.choice("AT") for _ in range(length)]
    for start in range(150, len(out), 1500):
        out[start:start + 300] = [b.lower() for b in out[start:start + 300]]
    return "".join(out)


def fast_domains(length, block):
    """A long record quickly: blocks of bases drawn by bytes, GC varying block to block."""
    pieces = []
    for start in range(0, length, block):
        table = bytes.maketrans(bytes(range(256)), (b"GCGCATAT" if (start // block) % 2 else b"GCATATAT") * 32)
        pieces.append(rng.randbytes(min(block, length - start)).translate(table).decode())
    return "".join(pieces)


records = [
    (">chrA first record", domains((20000, 0.35), (10000, 0.6)) + "N" * 2000 + domains((15000, 0.45))
     + "N" * 50 + domains((13000, 0.55))),
    (">", domains((12000, 0.4), (8000, 0.58))),
    (">chrA", "N" * 500 + domains((15000, 0.62), (14500, 0.38))),
    (">tiny", domains((500, 0.5))),
    (">big", fast_domains(10000001, 400000)),
    (">odd|name:with/chars.1 note", domains((2500, 0.3)) + "RYKMX" + domains((2495, 0.65))),
    (">.hidden", domains((3000, 0.5))),
    (">last", domains((6000, 0.3), (6000, 0.7))),
]
out = sys.stdout
for header, bases in records:
    out.write(header + "\n")
    for at in range(0, len(bases), 60):
        out.write(bases[at:at + 60] + "\n")
