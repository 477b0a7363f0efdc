// The 32-bit-extent (_700) entry points that the .mexa64 deliverables import,
// for hosts that export only the plain operations with 64-bit extents (GNU
// Octave). Each one narrows or widens extents and forwards to the host's own
// operation; every other operation the deliverables import is the host's own.
// Built against the host's declarations; the host process supplies the symbols.
#include <mex.h>

#include <climits>
#include <vector>

namespace {

// The extents as the host takes them, in a block the host frees after the call.
mwSize *widened(int ndim, const int *dims) {
    mwSize *wide = static_cast<mwSize *>(mxMalloc(sizeof(mwSize) * (ndim > 0 ? ndim : 1)));
    for (int i = 0; i < ndim; ++i)
        wide[i] = dims[i];
    return wide;
}

} // namespace

extern "C" {

int mxGetNumberOfDimensions_700(const mxArray *a) {
    return static_cast<int>(mxGetNumberOfDimensions(a));
}

// Extents beyond 32 bits cannot be told; they read as the largest 32-bit extent,
// and such an array's element count stays what the host reports. They are
// held in a buffer of the bridge's own until the next call, as long as the
// deliverables need them: a block the host handed out with mxMalloc and
// released itself after the call would leave an entry of its bookkeeping
// behind each time (Octave 7.3's mex::~mex), until its address came round
// again, which the soak test would count.
const int *mxGetDimensions_700(const mxArray *a) {
    static std::vector<int> narrow;
    const mwSize ndim = mxGetNumberOfDimensions(a);
    const mwSize *dims = mxGetDimensions(a);
    narrow.resize(ndim);
    for (mwSize i = 0; i < ndim; ++i)
        narrow[i] = dims[i] > INT_MAX ? INT_MAX : static_cast<int>(dims[i]);
    return narrow.data();
}

mxArray *mxGetCell_700(const mxArray *a, int element) {
    return mxGetCell(a, element);
}

mxArray *mxGetFieldByNumber_700(const mxArray *a, int element, int field) {
    return mxGetFieldByNumber(a, element, field);
}

mxArray *mxCreateNumericArray_700(int ndim, const int *dims, mxClassID classId,
                                  mxComplexity complexity) {
    mwSize *wide = widened(ndim, dims);
    mxArray *a = mxCreateNumericArray(ndim, wide, classId, complexity);
    mxFree(wide);
    return a;
}

mxArray *mxCreateDoubleMatrix_700(int m, int n, mxComplexity complexity) {
    return mxCreateDoubleMatrix(m, n, complexity);
}

mxArray *mxCreateCellArray_700(int ndim, const int *dims) {
    mwSize *wide = widened(ndim, dims);
    mxArray *a = mxCreateCellArray(ndim, wide);
    mxFree(wide);
    return a;
}

mxArray *mxCreateStructArray_700(int ndim, const int *dims, int nfields, const char **names) {
    mwSize *wide = widened(ndim, dims);
    mxArray *a = mxCreateStructArray(ndim, wide, nfields, names);
    mxFree(wide);
    return a;
}

void mxSetCell_700(mxArray *a, int element, mxArray *value) {
    mxSetCell(a, element, value);
}

void mxSetFieldByNumber_700(mxArray *a, int element, int field, mxArray *value) {
    mxSetFieldByNumber(a, element, field, value);
}

} // extern "C"
