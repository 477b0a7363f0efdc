// The stand-in host's extension library (libmex): errors, warnings, and the host
// functions an extension may call by name (double and full).
#include "array.h"
#include "standin.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Element i of a part buffer of the given class, as a double.
double valueAt(const void *part, size_t i, int classId) {
    switch (classId) {
    case mxLOGICAL_CLASS:
    case mxUINT8_CLASS:
        return static_cast<const uint8_t *>(part)[i];
    case mxINT8_CLASS:
        return static_cast<const int8_t *>(part)[i];
    case mxCHAR_CLASS:
        return static_cast<const mxChar *>(part)[i];
    case mxINT16_CLASS:
        return static_cast<const int16_t *>(part)[i];
    case mxUINT16_CLASS:
        return static_cast<const uint16_t *>(part)[i];
    case mxINT32_CLASS:
        return static_cast<const int32_t *>(part)[i];
    case mxUINT32_CLASS:
        return static_cast<const uint32_t *>(part)[i];
    case mxINT64_CLASS:
        return static_cast<double>(static_cast<const int64_t *>(part)[i]);
    case mxUINT64_CLASS:
        return static_cast<double>(static_cast<const uint64_t *>(part)[i]);
    case mxSINGLE_CLASS:
        return static_cast<const float *>(part)[i];
    default:
        return static_cast<const double *>(part)[i];
    }
}

// The element values an array stores: all of them, or only the non-zeros when sparse.
size_t storedCount(const mxArray *a) {
    return a->sparse ? a->rowIndex.size() : a->count;
}

[[noreturn]] void undefined(const char *name, const mxArray *in) {
    const std::string text = std::string("Undefined function '") + name +
                             "' for input arguments of type '" + standinClassName(in->classId) +
                             "'.";
    static std::string kept;
    kept = text;
    standinError(kept.c_str());
}

// The values of in, which holds data, as doubles in the same extents,
// complexity and storage form.
mxArray *doubleOf(const mxArray *in, bool temporary) {
    mxArray *out = in->sparse ? standinNewSparse(mxDOUBLE_CLASS, in->dims, in->complex,
                                                 in->rowIndex, in->columnStart, temporary)
                              : standinNewArray(mxDOUBLE_CLASS, in->dims, in->complex, temporary);
    for (size_t i = 0; i < storedCount(in); ++i) {
        static_cast<double *>(out->real)[i] = valueAt(in->real, i, in->classId);
        if (in->complex) static_cast<double *>(out->imag)[i] = valueAt(in->imag, i, in->classId);
    }
    return out;
}

// double(in): numeric, char and logical arrays to double.
mxArray *toDouble(const mxArray *in) {
    if (!in->elementSize) {
        static std::string text;
        text = standinDoubleRefusal(in->classId);
        standinError(text.c_str());
    }
    if (standinDoubleBroken()) return standinFullOf(in, true);
    return doubleOf(in, true);
}

} // namespace

mxArray *standinDoubleCopy(const mxArray *a) {
    if (!standinCheck(a, "standinDoubleCopy")->elementSize)
        standinFault("standinDoubleCopy was handed an array that holds no data");
    mxArray *full = standinFullOf(a, false);
    mxArray *copy = doubleOf(full, false);
    standinDestroy(full);
    return copy;
}

void mexErrMsgTxt(const char *text) {
    if (!text) standinFault("mexErrMsgTxt was handed a null text");
    standinError(text);
}

void mexWarnMsgTxt(const char *text) {
    if (!text) standinFault("mexWarnMsgTxt was handed a null text");
    standinWarn(text);
}

int mexCallMATLAB(int nlhs, mxArray *plhs[], int nrhs, mxArray *prhs[], const char *name) {
    if (nlhs != 1 || nrhs != 1 || !plhs || !prhs || !name)
        standinFault("mexCallMATLAB was asked for a call the host does not run here");
    const mxArray *in = standinCheck(prhs[0], "mexCallMATLAB");
    if (std::strcmp(name, "double") == 0) {
        plhs[0] = toDouble(in);
    } else if (std::strcmp(name, "full") == 0 && in->elementSize) {
        plhs[0] = standinFullOf(in, true);
    } else {
        undefined(name, in);
    }
    return 0;
}
