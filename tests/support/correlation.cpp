#include "correlation.h"

#include <cmath>
#include <cstring>

const char quenrelIdentification[] =
    "FENWARD Version 1.0 Beta -pipeline -force -fastmath -typecast [double corr]=quenrel( A, B) "
    "init: elements=prod_size(iter) iter: suma=suma+A sumb=sumb+B post: ma=suma/elements "
    "mb=sumb/elements itersec: a=(A)-ma b=(B)-mb sab+=a*b saa+=a*a sbb+=b*b postsec: "
    "corr=sab/(sqrt(saa*sbb)) ";

double referenceCorrelation(const double *a, const double *b, int n) {
    double suma = 0, sumb = 0;
    for (int i = 0; i < n; ++i) {
        suma += a[i];
        sumb += b[i];
    }
    const double ma = suma / n, mb = sumb / n;
    double sab = 0, saa = 0, sbb = 0;
    for (int i = 0; i < n; ++i) {
        const double x = a[i] - ma, y = b[i] - mb;
        sab += x * y;
        saa += x * x;
        sbb += y * y;
    }
    return sab / std::sqrt(saa * sbb);
}

uint64_t bitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
