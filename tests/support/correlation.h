// What quenrel must give, written independently of it: its identification
// text, and the coefficient as the plain sequential two-pass loop computes it
// (built with the same flags, so no contraction or reordering), compared bit for
// bit through bitsOf.
#ifndef CORRELATION_H
#define CORRELATION_H

#include <cstdint>
#include <string>
#include <vector>

extern const char quenrelIdentification[];

double referenceCorrelation(const double *a, const double *b, int n);

// The IEEE-754 pattern of a coefficient.
uint64_t bitsOf(double value);

// One case of the table of coefficients that quenrel must give on every
// machine, whatever compiler built it and this test (quenrel_bits.txt, written
// by quenrel_bits.py), with its arguments made from the case's integers.
struct TabulatedCase {
    std::string text; // the case as the table writes it
    std::vector<double> a, b;
    bool nan;      // the coefficient is a NaN, of either sign
    uint64_t bits; // otherwise its IEEE-754 pattern
};

// The cases of the table at path; none when it cannot be read.
std::vector<TabulatedCase> readTabulatedCases(const char *path);

#endif
