#!/usr/bin/env python3
"""Writes synthetic.fa: a small deterministic genome for the golden runs.

Two records, 60-column lines, domains of different GC content, soft-masked
(lower-case) stretches, IUPAC ambiguity letters, one unexpected letter, short
runs of N inside contigs, and long runs of N (assembly gaps) at the start, in
the middle and at the end.
"""
import random

rng = random.Random(20261206)


def domain(length, gc):
    return "".join(rng.choice("GC") if rng.random() < gc else rng.choice("AT")
                   for _ in range(length))


def soft_mask(seq, every=7000, width=400):
    out = list(seq)
    for start in range(every // 2, len(out), every):
        for i in range(start, min(start + width, len(out))):
            out[i] = out[i].lower()
    return "".join(out)


first = ("N" * 700 + domain(9000, 0.35) + "RYKM" + domain(7000, 0.62) + "N" * 30
         + domain(8000, 0.45) + "N" * 1200 + domain(6000, 0.55) + "X" + domain(5000, 0.30))
second = domain(12000, 0.50) + "N" * 900 + domain(4000, 0.65) + "SWBDHV" + domain(3000, 0.40) + "N" * 800

with open("synthetic.fa", "w") as out:
    for name, seq in (("synthetic_1 first record", soft_mask(first)), ("synthetic_2", soft_mask(second))):
        out.write(">" + name + "\n")
        for i in range(0, len(seq), 60):
            out.write(seq[i:i + 60] + "\n")
