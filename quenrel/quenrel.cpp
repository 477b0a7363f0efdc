// quenrel(A, B): the correlation coefficient of two real arrays with the same
// number of elements, taken in storage order and computed in two passes (means
// first, then the centred sums of products and squares). The first argument
// fixes an iteration space of N elements; each argument must fit that space.
// Called with no arguments and one output, it returns its identification text:
// the script it was generated from.

#include "mex.h"

#include <limits.h>
#include <math.h>
#include <stddef.h>
#include <stdint.h>

namespace {

const char identification[] =
    "FENWARD Version 1.0 Beta -pipeline -force -fastmath -typecast [double corr]=quenrel( A, B) "
    "init: elements=prod_size(iter) iter: suma=suma+A sumb=sumb+B post: ma=suma/elements "
    "mb=sumb/elements itersec: a=(A)-ma b=(B)-mb sab+=a*b saa+=a*a sbb+=b*b postsec: "
    "corr=sab/(sqrt(saa*sbb)) ";

const char tooManyArgumentsText[] = "Too many arguments to function quenrel. Argument(s) ignored.";
const char wrongCountText[] = "Wrong number of input variables";
const char createText[] = "Unable to create output array";

// The texts of one argument, naming it by letter and position.
struct ArgumentTexts {
    const char *tooLarge;
    const char *datatype;
    const char *real;
    const char *match;
    const char *elements;
};

const ArgumentTexts textsOfA = {
    "Expected fewer than 2^31 elements in input argument \"A\" (1)",
    "Datatype double expected as input argument \"A\" (1)",
    "Expected REAL number as input argument \"A\" (1)",
    "Can not match size of dimensions for A to iterator",
    "Expected 1 elements as iterator window dims as input argument \"A\" (1)"};

const ArgumentTexts textsOfB = {
    "Expected fewer than 2^31 elements in input argument \"B\" (2)",
    "Datatype double expected as input argument \"B\" (2)",
    "Expected REAL number as input argument \"B\" (2)",
    "Can not match size of dimensions for B to iterator",
    "Expected 1 elements as iterator window dims as input argument \"B\" (2)"};

// Elements of a run of the blocked passes.
const int runLength = 16;

// The number of dimensions that count for matching: more than two as the host
// reports them; otherwise 2 for a row, 1 for a column, 0 for a scalar or empty.
int myGetNumberOfDimensions(const mxArray *array) {
    const int d = static_cast<int>(mxGetNumberOfDimensions(array));
    if (d > 2) return d;
    const mwSize *e = mxGetDimensions(array);
    if (e[1] > 1) return 2;
    return e[0] > 1 ? 1 : 0;
}

// Hands back the result of the host function name applied to x.
const mxArray *callHost(const mxArray *x, const char *name) {
    mxArray *argument = const_cast<mxArray *>(x);
    mxArray *out = nullptr;
    mexCallMATLAB(1, &out, 1, &argument, name);
    return out;
}

// Checks one argument against the iteration space of n elements and returns its
// real data as doubles.
const double *intake(const mxArray *x, int n, const ArgumentTexts &texts) {
    if (mxGetNumberOfElements(x) > INT_MAX) mexErrMsgTxt(texts.tooLarge);
    if (mxGetClassID(x) != mxDOUBLE_CLASS) x = callHost(x, "double");
    if (mxGetClassID(x) != mxDOUBLE_CLASS) mexErrMsgTxt(texts.datatype);
    if (mxIsComplex(x)) mexErrMsgTxt(texts.real);
    // Sparse storage holds only the non-zeros: read the full equivalent.
    if (mxIsSparse(x)) x = callHost(x, "full");

    const double *data = mxGetPr(x);
    const int k = myGetNumberOfDimensions(x);
    const int m = static_cast<int>(mxGetNumberOfElements(x));
    const mwSize *e = mxGetDimensions(x);

    // The window: extents multiplied in order must reach n exactly, with no
    // partial product above n.
    int64_t t = 1;
    int i = 0;
    while (!(t == n && i == k)) {
        if (i >= k || n < t * e[i]) mexErrMsgTxt(texts.match);
        t *= e[i];
        ++i;
    }
    // A window of no elements leaves nothing to divide by.
    if (t == 0 || m / t != 1) mexErrMsgTxt(texts.elements);
    return data;
}

// One element of the first pass.
inline void iterStep(const double *A, const double *B, int i, double *suma, double *sumb) {
    *suma = *suma + A[i];
    *sumb = *sumb + B[i];
}

// One element of the second pass; each product is rounded before it is added.
inline void itersecStep(const double *A, const double *B, int i, double ma, double mb, double *sab,
                        double *saa, double *sbb) {
    const double a = A[i] - ma;
    const double b = B[i] - mb;
    *sab = *sab + a * b;
    *saa = *saa + a * a;
    *sbb = *sbb + b * b;
}

// The correlation coefficient of the n pairs (A[i], B[i]); every accumulator
// takes its terms in index order, so runs give the plain loop's result bit for bit.
double correlate(const double *A, const double *B, int n) {
    double suma = 0, sumb = 0, sab = 0, saa = 0, sbb = 0;
    if (n > 0) {
        int i = 0;
        while (i < n) {
            if (i < n - runLength) {
                iterStep(A, B, i + 0, &suma, &sumb);
                iterStep(A, B, i + 1, &suma, &sumb);
                iterStep(A, B, i + 2, &suma, &sumb);
                iterStep(A, B, i + 3, &suma, &sumb);
                iterStep(A, B, i + 4, &suma, &sumb);
                iterStep(A, B, i + 5, &suma, &sumb);
                iterStep(A, B, i + 6, &suma, &sumb);
                iterStep(A, B, i + 7, &suma, &sumb);
                iterStep(A, B, i + 8, &suma, &sumb);
                iterStep(A, B, i + 9, &suma, &sumb);
                iterStep(A, B, i + 10, &suma, &sumb);
                iterStep(A, B, i + 11, &suma, &sumb);
                iterStep(A, B, i + 12, &suma, &sumb);
                iterStep(A, B, i + 13, &suma, &sumb);
                iterStep(A, B, i + 14, &suma, &sumb);
                iterStep(A, B, i + 15, &suma, &sumb);
                i += runLength;
            } else {
                iterStep(A, B, i, &suma, &sumb);
                i += 1;
            }
        }
        const double ma = suma / n;
        const double mb = sumb / n;
        i = 0;
        while (i < n) {
            if (i < n - runLength) {
                itersecStep(A, B, i + 0, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 1, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 2, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 3, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 4, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 5, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 6, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 7, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 8, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 9, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 10, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 11, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 12, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 13, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 14, ma, mb, &sab, &saa, &sbb);
                itersecStep(A, B, i + 15, ma, mb, &sab, &saa, &sbb);
                i += runLength;
            } else {
                itersecStep(A, B, i, ma, mb, &sab, &saa, &sbb);
                i += 1;
            }
        }
    }
    return sab / sqrt(saa * sbb);
}

} // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
    if (nrhs == 0 && nlhs == 1) {
        plhs[0] = mxCreateString(identification);
        if (!plhs[0]) mexErrMsgTxt(createText);
        return;
    }
    const int taken = nrhs < 2 ? nrhs : 2;
    const mxArray *a = taken >= 1 ? prhs[0] : nullptr;
    const mxArray *b = taken >= 2 ? prhs[1] : nullptr;
    if (nrhs > 2) mexWarnMsgTxt(tooManyArgumentsText);
    // The low 32 bits; an A beyond them is refused by its intake.
    const int n = taken >= 1 ? static_cast<int>(mxGetNumberOfElements(a)) : 1;
    const double *dataA = taken >= 1 ? intake(a, n, textsOfA) : nullptr;
    const double *dataB = taken >= 2 ? intake(b, n, textsOfB) : nullptr;
    if (taken < 2) mexErrMsgTxt(wrongCountText);

    const mwSize extents[2] = {1, 1};
    mxArray *result = mxCreateNumericArray(2, extents, mxDOUBLE_CLASS, mxREAL);
    if (!result) mexErrMsgTxt(createText);
    mxGetPr(result)[0] = correlate(dataA, dataB, n);
    plhs[0] = result;
}
