#include "correlation.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

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

std::vector<TabulatedCase> readTabulatedCases(const char *path) {
    std::vector<TabulatedCase> cases;
    std::ifstream table(path);
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name, bits;
        long long n, a0, ap, aq, ad, b0, bk, bp, bq, bd;
        fields >> name >> n >> a0 >> ap >> aq >> ad >> b0 >> bk >> bp >> bq >> bd >> bits;
        TabulatedCase c{line, {}, {}, bits == "nan", 0};
        if (!c.nan) c.bits = std::stoull(bits, nullptr, 16);
        // Every numerator is an exact integer below 2^53: one rounding, the division.
        for (long long i = 1; i <= n; ++i) {
            const long long aTop = a0 + i * ap % aq;
            c.a.push_back(static_cast<double>(aTop) / static_cast<double>(ad));
            c.b.push_back(static_cast<double>(b0 + bk * aTop + i * bp % bq) /
                          static_cast<double>(bd));
        }
        cases.push_back(c);
    }
    return cases;
}
