// nubrik: replaces every element of its arguments by the number of set bits in
// the element's stored representation. Numeric, char and logical arrays give int8
// arrays of counts with the same extents (real and imaginary parts counted
// separately); cells and structs are rebuilt around their converted elements, to
// any depth; any other class gives an empty double matrix.

#include "mex.h"

#include <limits.h>
#include <stddef.h>

namespace {

// Number of set bits of each byte value.
const int nubrik8[256] = {
    0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7, 4, 5, 5, 6, 5, 6, 6, 7, 5, 6, 6, 7, 6, 7, 7, 8,
};

// Containers may enclose an array at most this many levels deep, which keeps the
// recursion well inside a 1 MiB thread stack.
const int maxNesting = 1000;

const char mismatchText[] = "Mismatched number of input/output arguments\n";
const char createText[] = "Unable to create output array\n";
const char tooManyElementsText[] = "Input array has 2^31 or more elements\n";
const char tooDeepText[] = "Cells and structs nested more than 1000 levels deep\n";

// Bytes per element of each class that is counted; 0 for every other class.
size_t elementSize(mxClassID classId) {
    switch (classId) {
    case mxLOGICAL_CLASS:
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
        return 1;
    case mxCHAR_CLASS:
        return sizeof(mxChar);
    case mxINT16_CLASS:
    case mxUINT16_CLASS:
        return 2;
    case mxSINGLE_CLASS:
    case mxINT32_CLASS:
    case mxUINT32_CLASS:
        return 4;
    case mxDOUBLE_CLASS:
    case mxINT64_CLASS:
    case mxUINT64_CLASS:
        return 8;
    default:
        return 0;
    }
}

// Counts the n elements at p into the int8 counts at o, with the byte lookups of
// each element written out in straight line.
void countElements(const unsigned char *p, signed char *o, int n, size_t size) {
    switch (size) {
    case 1:
        for (int i = 0; i < n; ++i, p += 1)
            o[i] = static_cast<signed char>(nubrik8[p[0]]);
        break;
    case 2:
        for (int i = 0; i < n; ++i, p += 2)
            o[i] = static_cast<signed char>(nubrik8[p[0]] + nubrik8[p[1]]);
        break;
    case 4:
        for (int i = 0; i < n; ++i, p += 4)
            o[i] = static_cast<signed char>(nubrik8[p[0]] + nubrik8[p[1]] + nubrik8[p[2]] +
                                            nubrik8[p[3]]);
        break;
    default:
        // Two half sums: written as one sum of eight, the lookups get packed into
        // vector registers by some compilers, which is slower than adding them.
        for (int i = 0; i < n; ++i, p += 8) {
            const int low = nubrik8[p[0]] + nubrik8[p[1]] + nubrik8[p[2]] + nubrik8[p[3]];
            const int high = nubrik8[p[4]] + nubrik8[p[5]] + nubrik8[p[6]] + nubrik8[p[7]];
            o[i] = static_cast<signed char>(low + high);
        }
        break;
    }
}

// A part is counted in blocks of this many bytes. Before each block, the input
// one block further on is asked for, a cache line at a time: the lookups keep
// the processor too busy to see the stream coming, and a large argument would
// otherwise be counted at half the speed of one held in cache.
const size_t blockBytes = 1024;
const size_t cacheLine = 64;
#if defined(__GNUC__)
#define PREFETCH(address) __builtin_prefetch(address)
#else
#define PREFETCH(address) ((void)(address))
#endif

// Counts the n elements of one part buffer into the int8 buffer out.
void countPart(const void *part, void *out, int n, size_t size) {
    const unsigned char *p = static_cast<const unsigned char *>(part);
    signed char *o = static_cast<signed char *>(out);
    const int perBlock = static_cast<int>(blockBytes / size);
    int count = 0;
    for (int begin = 0; begin < n; begin += count) {
        const unsigned char *block = p + static_cast<size_t>(begin) * size;
        if (n - begin >= 2 * perBlock) {
            for (size_t line = 0; line < blockBytes; line += cacheLine)
                PREFETCH(block + blockBytes + line);
        }
        count = n - begin < perBlock ? n - begin : perBlock;
        countElements(block, o + begin, count, size);
    }
}

// Returns a newly created array holding the conversion of in, which is enclosed
// in depth containers of the argument.
//
// Octave hands an argument over in a light form and converts it to its full
// form when an element, a field name or a separately stored part is first asked
// for; extents asked for before that conversion are lost to the session, some
// 80 bytes on every call. So each branch asks for one of those first and for
// the extents only then.
mxArray *nubrik(const mxArray *in, int depth) {
    if (depth > maxNesting) mexErrMsgTxt(tooDeepText);
    const size_t count = mxGetNumberOfElements(in);
    if (count > INT_MAX) mexErrMsgTxt(tooManyElementsText);
    if (mxIsSparse(in)) {
        // Sparse storage holds only the non-zeros: count the full equivalent.
        mxArray *sparse = const_cast<mxArray *>(in);
        mxArray *full = nullptr;
        mexCallMATLAB(1, &full, 1, &sparse, "full");
        in = full;
    }
    const int n = static_cast<int>(count);
    const mxClassID classId = mxGetClassID(in);

    if (classId == mxCELL_CLASS) {
        if (n > 0) mxGetCell(in, 0); // converts the cell before its extents are asked for
        mxArray *out = mxCreateCellArray(mxGetNumberOfDimensions(in), mxGetDimensions(in));
        if (!out) mexErrMsgTxt(createText);
        for (int i = 0; i < n; ++i) {
            // An absent element stays absent in the result.
            const mxArray *element = mxGetCell(in, i);
            if (element) mxSetCell(out, i, nubrik(element, depth + 1));
        }
        return out;
    }
    if (classId == mxSTRUCT_CLASS) {
        const int fields = mxGetNumberOfFields(in);
        const char **names = nullptr;
        if (fields > 0) {
            names = static_cast<const char **>(mxCalloc(fields, sizeof *names));
            if (!names) mexErrMsgTxt(createText);
            for (int k = 0; k < fields; ++k)
                names[k] = mxGetFieldNameByNumber(in, k);
        }
        mxArray *out =
            mxCreateStructArray(mxGetNumberOfDimensions(in), mxGetDimensions(in), fields, names);
        if (names) mxFree(names);
        if (!out) mexErrMsgTxt(createText);
        for (int k = 0; k < fields; ++k) {
            for (int j = 0; j < n; ++j) {
                // An absent field value stays absent in the result.
                const mxArray *value = mxGetFieldByNumber(in, j, k);
                if (value) mxSetFieldByNumber(out, j, k, nubrik(value, depth + 1));
            }
        }
        return out;
    }

    const size_t size = elementSize(classId);
    if (size == 0) {
        mxArray *out = mxCreateDoubleMatrix(0, 0, mxREAL);
        if (!out) mexErrMsgTxt(createText);
        return out;
    }
    const mxComplexity complexity = mxIsComplex(in) ? mxCOMPLEX : mxREAL;
    const void *real = mxGetData(in);
    const void *imag = complexity == mxCOMPLEX ? mxGetImagData(in) : nullptr;
    mxArray *out = mxCreateNumericArray(mxGetNumberOfDimensions(in), mxGetDimensions(in),
                                        mxINT8_CLASS, complexity);
    if (!out) mexErrMsgTxt(createText);
    countPart(real, mxGetData(out), n, size);
    if (complexity == mxCOMPLEX) countPart(imag, mxGetImagData(out), n, size);
    return out;
}

} // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
    if (nlhs != nrhs && !(nrhs == 1 && nlhs == 0)) mexErrMsgTxt(mismatchText);
    for (int i = 0; i < nrhs; ++i)
        plhs[i] = nubrik(prhs[i], 0);
}
