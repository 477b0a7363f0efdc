#include "decoder.h"

#include <climits>
#include <cstring>
#include <vector>

namespace {

const char *const fieldNames[] = {"a", "b", "c", "value", "x2"};

std::vector<int> decodeDims(Bytes &bytes) {
    std::vector<int> dims(2 + bytes.below(3));
    for (int &extent : dims)
        extent = static_cast<int>(bytes.below(6));
    // An extent at or near the 32-bit limit, next to an empty one.
    if (bytes.below(8) == 0) {
        dims[bytes.below(static_cast<unsigned>(dims.size()))] = 0;
        int &huge = dims[bytes.below(static_cast<unsigned>(dims.size()))];
        if (huge != 0) huge = INT_MAX - static_cast<int>(bytes.below(3));
    }
    return dims;
}

bool holdsData(int classId) {
    return standinElementSize(classId) != 0;
}

} // namespace

void Bytes::fill(void *part, size_t bytes) {
    unsigned char *p = static_cast<unsigned char *>(part);
    for (size_t i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(next());
}

mxArray *decodeArray(Bytes &bytes, int depth) {
    const unsigned kind = bytes.below(depth > 0 ? 8 : 6);
    if (kind == 6 || kind == 7) {
        const std::vector<int> dims = decodeDims(bytes);
        const bool isCell = kind == 6;
        std::vector<const char *> names;
        if (!isCell)
            for (unsigned k = bytes.below(6); k > 0; --k)
                names.push_back(fieldNames[names.size()]);
        mxArray *a = isCell ? mxCreateCellArray(static_cast<int>(dims.size()), dims.data())
                            : mxCreateStructArray(static_cast<int>(dims.size()), dims.data(),
                                                  static_cast<int>(names.size()), names.data());
        const size_t slots = mxGetNumberOfElements(a) * (isCell ? 1 : names.size());
        for (size_t i = 0; i < slots && i < 64; ++i) {
            if (bytes.below(5) == 0) continue; // absent
            mxArray *element = decodeArray(bytes, depth - 1);
            if (isCell)
                mxSetCell(a, static_cast<int>(i), element);
            else
                mxSetFieldByNumber(a, static_cast<int>(i / names.size()),
                                   static_cast<int>(i % names.size()), element);
        }
        return a;
    }
    const int classId = static_cast<int>(bytes.below(32));
    if (!holdsData(classId) || classId == mxCELL_CLASS || classId == mxSTRUCT_CLASS) {
        if (classId == mxCELL_CLASS || classId == mxSTRUCT_CLASS) return decodeArray(bytes, 0);
        return standinCreateObject(classId);
    }
    const bool complex =
        classId != mxLOGICAL_CLASS && classId != mxCHAR_CLASS && bytes.below(3) == 0;
    mxArray *a = standinCreateArray(static_cast<mxClassID>(classId), decodeDims(bytes),
                                    complex ? mxCOMPLEX : mxREAL);
    const size_t partBytes = mxGetNumberOfElements(a) * standinElementSize(classId);
    bytes.fill(mxGetData(a), partBytes);
    if (complex) bytes.fill(mxGetImagData(a), partBytes);
    if (classId == mxLOGICAL_CLASS)
        for (size_t i = 0; i < partBytes; ++i)
            static_cast<unsigned char *>(mxGetData(a))[i] &= 1;
    // Some bytes decide whether a small two-dimensional double or logical array
    // is handed over in sparse storage.
    const mwSize *dims = mxGetDimensions(a);
    if ((classId == mxDOUBLE_CLASS || classId == mxLOGICAL_CLASS) &&
        mxGetNumberOfDimensions(a) == 2 && dims[0] < 64 && dims[1] < 64 && bytes.below(3) == 0) {
        mxArray *sparse = standinCreateSparse(a);
        standinDestroy(a);
        return sparse;
    }
    return a;
}
