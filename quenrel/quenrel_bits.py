#!/usr/bin/env python3
"""Writes quenrel_bits.txt beside this file: correlation cases with the
coefficient that quenrel must give on every machine, as its IEEE-754 bit
pattern. With --check, tells instead whether that file is what it writes.

The arguments are made from integers alone: for i = 1, ..., n
    A(i) = (a0 + mod(i * ap, aq)) / ad
    B(i) = (b0 + bk * (a0 + mod(i * ap, aq)) + mod(i * bp, bq)) / bd
with every integer below 2^53 in magnitude, so that each element is one
correctly rounded division in any language, whatever a compiler fuses. The
coefficient is computed here as quenrel defines it, in Python's floats: every
+, -, * and / is one IEEE-754 operation on its own, and math.sqrt is
correctly rounded; no compiler stands between the definition and the bits."""

import math
import struct
import sys
from pathlib import Path

TABLE = Path(__file__).with_name("quenrel_bits.txt")
EXACT = 2 ** 53

HEADER = """\
# The correlation coefficient that quenrel must give, bit for bit, on every
# machine. For i = 1, ..., n the arguments are
#   A(i) = (a0 + mod(i * ap, aq)) / ad
#   B(i) = (b0 + bk * (a0 + mod(i * ap, aq)) + mod(i * bp, bq)) / bd
# where every integer is exact in 64-bit arithmetic and below 2^53 in
# magnitude, so that each element is one correctly rounded division. "bits" is
# the coefficient's IEEE-754 pattern in hex, or nan for a NaN, whose sign
# IEEE-754 leaves to the processor. Written by quenrel_bits.py.
# name n a0 ap aq ad b0 bk bp bq bd bits
"""

# Recipes of A: (a0, ap, aq, ad).
SPREAD = (0, 7919, 10007, 10007)               # in [0, 1)
OFFSET_2_30 = (2 ** 42, 7919, 4093, 4096)      # 2^30 plus [0, 1)
OFFSET_2_40 = (2 ** 50, 7919, 1021, 1024)      # 2^40 plus [0, 1)
ONE_PLUS_TINY = (2 ** 52, 1, 3, 2 ** 52)       # 1 plus 0, 1 or 2 units of 2^-52
CONSTANT = (5, 0, 1, 1)                        # 5 everywhere

# Recipes of B: (b0, bk, bp, bq, bd).
NOISY = (0, 3, 104729, 10007, 30021)           # A plus noise, on another scale
CANCELLING = (2 ** 43, -1, 104729, 2048, 4096)  # 2^31 minus A plus noise
SCALED = (0, 1, 6007, 1019, 2048)              # A / 2 plus noise
TINY = (2 ** 52, 0, 5, 7, 2 ** 52)             # 1 plus up to 6 units of 2^-52
TWICE = (0, 2, 0, 1, 10007)                    # exactly 2 A
LINEAR = (7 * 10007, 3, 0, 1, 10007)           # 3 A + 7, rounded
NEGATED = (0, -1, 0, 1, 10007)                 # exactly -A
FALLING = (5 * 10007, -3, 0, 1, 10007)         # 5 - 3 A, rounded

RUNS = list(range(1, 41)) + [47, 48, 49, 63, 64, 65, 100, 1000, 4097]
FEW = [1, 2, 3, 5, 16, 17, 33, 1000]


def cases():
    """(name, n, A recipe, B recipe) of every row, in the table's order."""
    for n in RUNS:
        yield "spread", n, SPREAD, NOISY
        yield "offset30", n, OFFSET_2_30, CANCELLING
    for n in FEW:
        yield "offset40", n, OFFSET_2_40, SCALED
        yield "tiny", n, ONE_PLUS_TINY, TINY
    for n in FEW[1:]:
        yield "twice", n, SPREAD, TWICE
        yield "linear", n, SPREAD, LINEAR
        yield "negated", n, SPREAD, NEGATED
        yield "falling", n, SPREAD, FALLING
    for n in [1, 17]:
        yield "constant", n, CONSTANT, NOISY
    yield "long", 100003, SPREAD, NOISY
    yield "long", 131073, ONE_PLUS_TINY, TINY
    yield "long", 1000000, OFFSET_2_30, CANCELLING


def arguments(n, a_recipe, b_recipe):
    a0, ap, aq, ad = a_recipe
    b0, bk, bp, bq, bd = b_recipe
    a, b = [], []
    for i in range(1, n + 1):
        a_top = a0 + (i * ap) % aq
        b_top = b0 + bk * a_top + (i * bp) % bq
        assert max(abs(a_top), abs(b_top), ad, bd) < EXACT
        a.append(float(a_top) / float(ad))
        b.append(float(b_top) / float(bd))
    return a, b


def divide(x, y):
    """x / y as IEEE-754 divides, where Python would raise instead."""
    if y != 0 or math.isnan(x) or math.isnan(y):
        return x / y
    return math.nan if x == 0 else math.copysign(math.inf, x) * math.copysign(1.0, y)


def correlation(a, b):
    """Two passes in index order: the means, then the centred sums."""
    n = len(a)
    suma = sumb = 0.0
    for x, y in zip(a, b):
        suma = suma + x
        sumb = sumb + y
    ma = suma / float(n)
    mb = sumb / float(n)
    sab = saa = sbb = 0.0
    for x, y in zip(a, b):
        da = x - ma
        db = y - mb
        sab = sab + da * db
        saa = saa + da * da
        sbb = sbb + db * db
    return divide(sab, math.sqrt(saa * sbb))


def bits(value):
    if math.isnan(value):
        return "nan"
    return struct.pack(">d", value).hex()


def table():
    rows = []
    for name, n, a_recipe, b_recipe in cases():
        coefficient = correlation(*arguments(n, a_recipe, b_recipe))
        fields = [name, n, *a_recipe, *b_recipe, bits(coefficient)]
        rows.append(" ".join(str(f) for f in fields) + "\n")
    return HEADER + "".join(rows)


def main():
    text = table()
    if sys.argv[1:] == ["--check"]:
        if TABLE.read_text() != text:
            sys.exit(f"{TABLE} is not what {Path(__file__).name} writes: run it again")
        print(f"{TABLE} is what {Path(__file__).name} writes")
    else:
        TABLE.write_text(text)


if __name__ == "__main__":
    main()
