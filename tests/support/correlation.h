// What quenrel must give, written independently of it: its identification
// text, and the coefficient as the plain sequential two-pass loop computes it
// (built with the same flags, so no contraction or reordering), compared bit for
// bit through bitsOf.
#ifndef CORRELATION_H
#define CORRELATION_H

#include <cstdint>

extern const char quenrelIdentification[];

double referenceCorrelation(const double *a, const double *b, int n);

// The IEEE-754 pattern of a coefficient.
uint64_t bitsOf(double value);

#endif
