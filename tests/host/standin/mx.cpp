// The stand-in host's array library (libmx): queries, creation, filling and
// scratch memory, each checking its arguments as strictly as the host's rules go.
#include "array.h"
#include "standin.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

bool isDataClass(int classId) {
    return classId == mxLOGICAL_CLASS || classId == mxCHAR_CLASS ||
           (classId >= mxDOUBLE_CLASS && classId <= mxUINT64_CLASS);
}

bool isNumericClass(int classId) {
    return classId >= mxDOUBLE_CLASS && classId <= mxUINT64_CLASS;
}

std::vector<int> checkedDims(mwSize ndim, const mwSize *dims) {
    if (ndim < 2 || !dims) standinFault("an array was asked for with fewer than 2 dimensions");
    for (mwSize i = 0; i < ndim; ++i)
        if (dims[i] < 0) standinFault("an array was asked for with a negative extent");
    return std::vector<int>(dims, dims + ndim);
}

// During a call, only arrays that the call made may be filled: inputs are read-only.
mxArray *checkFillable(mxArray *a, int classId, const char *operation) {
    standinCheck(a, operation);
    if (a->classId != classId) standinFault("a container operation was handed another class");
    if (standinInCall() && a->born == 0) standinFault("an input array was written");
    return a;
}

void checkValue(const mxArray *value, const char *operation) {
    if (!value) return;
    const mxArray *v = standinCheck(value, operation);
    if (standinInCall() && (v->born == 0 || v->temporary))
        standinFault("a container was given an array that the call did not create");
}

bool isFieldName(const char *name) {
    if (!name || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    size_t length = 0;
    for (; name[length]; ++length)
        if (!std::isalnum(static_cast<unsigned char>(name[length])) && name[length] != '_')
            return false;
    return length <= 63;
}

const mxArray *checkData(const mxArray *a, const char *operation) {
    standinCheck(a, operation);
    if (!a->elementSize) standinFault("the data of an array that holds none was asked for");
    return a;
}

} // namespace

size_t standinElementSize(int classId) {
    switch (classId) {
    case mxLOGICAL_CLASS:
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
        return 1;
    case mxCHAR_CLASS:
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

mxClassID mxGetClassID(const mxArray *a) {
    return standinCheck(a, "mxGetClassID")->classId;
}

bool mxIsComplex(const mxArray *a) {
    return standinCheck(a, "mxIsComplex")->complex;
}

bool mxIsSparse(const mxArray *a) {
    return standinCheck(a, "mxIsSparse")->sparse;
}

size_t mxGetNumberOfElements(const mxArray *a) {
    return standinCheck(a, "mxGetNumberOfElements")->count;
}

mwSize mxGetNumberOfDimensions_700(const mxArray *a) {
    return static_cast<mwSize>(standinCheck(a, "mxGetNumberOfDimensions")->dims.size());
}

const mwSize *mxGetDimensions_700(const mxArray *a) {
    return standinCheck(a, "mxGetDimensions")->dims.data();
}

double *mxGetPr(const mxArray *a) {
    if (standinCheck(a, "mxGetPr")->classId != mxDOUBLE_CLASS)
        standinFault("mxGetPr was handed an array that is not double");
    return static_cast<double *>(a->real);
}

void *mxGetData(const mxArray *a) {
    return checkData(a, "mxGetData")->real;
}

void *mxGetImagData(const mxArray *a) {
    return checkData(a, "mxGetImagData")->imag;
}

int mxGetNumberOfFields(const mxArray *a) {
    return static_cast<int>(standinCheck(a, "mxGetNumberOfFields")->fields.size());
}

const char *mxGetFieldNameByNumber(const mxArray *a, int field) {
    standinCheck(a, "mxGetFieldNameByNumber");
    if (field < 0 || field >= static_cast<int>(a->fields.size()))
        standinFault("mxGetFieldNameByNumber was handed a field number out of range");
    return a->fields[field].c_str();
}

mxArray *mxGetCell_700(const mxArray *a, mwIndex element) {
    standinCheck(a, "mxGetCell");
    if (a->classId != mxCELL_CLASS)
        standinFault("mxGetCell was handed an array that is not a cell");
    if (element < 0 || static_cast<size_t>(element) >= a->count)
        standinFault("mxGetCell was handed an element index out of range");
    return a->elements[element];
}

mxArray *mxGetFieldByNumber_700(const mxArray *a, mwIndex element, int field) {
    standinCheck(a, "mxGetFieldByNumber");
    if (a->classId != mxSTRUCT_CLASS)
        standinFault("mxGetFieldByNumber was handed an array that is not a struct");
    if (element < 0 || static_cast<size_t>(element) >= a->count || field < 0 ||
        field >= static_cast<int>(a->fields.size()))
        standinFault("mxGetFieldByNumber was handed an index out of range");
    return a->elements[element * a->fields.size() + field];
}

mxArray *mxCreateNumericArray_700(mwSize ndim, const mwSize *dims, mxClassID classId,
                                  mxComplexity complexity) {
    std::vector<int> extents = checkedDims(ndim, dims);
    if (!isNumericClass(classId))
        standinFault("mxCreateNumericArray was asked for a class that is not numeric");
    if (standinAllocationFails()) return nullptr;
    return standinNewArray(classId, extents, complexity == mxCOMPLEX, false);
}

mxArray *mxCreateDoubleMatrix_700(mwSize m, mwSize n, mxComplexity complexity) {
    const mwSize dims[2] = {m, n};
    return mxCreateNumericArray_700(2, dims, mxDOUBLE_CLASS, complexity);
}

mxArray *mxCreateCellArray_700(mwSize ndim, const mwSize *dims) {
    std::vector<int> extents = checkedDims(ndim, dims);
    if (standinAllocationFails()) return nullptr;
    return standinNewArray(mxCELL_CLASS, extents, false, false);
}

mxArray *mxCreateStructArray_700(mwSize ndim, const mwSize *dims, int nfields, const char **names) {
    std::vector<int> extents = checkedDims(ndim, dims);
    if (nfields < 0 || (nfields > 0 && !names))
        standinFault("mxCreateStructArray was handed no field names");
    std::set<std::string> seen;
    for (int k = 0; k < nfields; ++k)
        if (!isFieldName(names[k]) || !seen.insert(names[k]).second)
            standinFault("mxCreateStructArray was handed an invalid or repeated field name");
    if (standinAllocationFails()) return nullptr;
    mxArray *a = standinNewArray(mxSTRUCT_CLASS, extents, false, false);
    a->fields.assign(names, names + nfields);
    a->elements.assign(a->count * nfields, nullptr);
    return a;
}

mxArray *mxCreateString(const char *text) {
    if (!text) standinFault("mxCreateString was handed a null text");
    if (standinAllocationFails()) return nullptr;
    const size_t length = std::strlen(text);
    mxArray *a = standinNewArray(mxCHAR_CLASS, {1, static_cast<int>(length)}, false, false);
    mxChar *units = static_cast<mxChar *>(a->real);
    for (size_t i = 0; i < length; ++i)
        units[i] = static_cast<unsigned char>(text[i]);
    return a;
}

void mxSetCell_700(mxArray *a, mwIndex element, mxArray *value) {
    checkFillable(a, mxCELL_CLASS, "mxSetCell");
    if (element < 0 || static_cast<size_t>(element) >= a->count)
        standinFault("mxSetCell was handed an element index out of range");
    checkValue(value, "mxSetCell");
    a->elements[element] = value;
}

void mxSetFieldByNumber_700(mxArray *a, mwIndex element, int field, mxArray *value) {
    checkFillable(a, mxSTRUCT_CLASS, "mxSetFieldByNumber");
    if (element < 0 || static_cast<size_t>(element) >= a->count || field < 0 ||
        field >= static_cast<int>(a->fields.size()))
        standinFault("mxSetFieldByNumber was handed an index out of range");
    checkValue(value, "mxSetFieldByNumber");
    a->elements[element * a->fields.size() + field] = value;
}

void *mxCalloc(size_t count, size_t size) {
    if (standinAllocationFails() || count == 0 || size == 0) return nullptr;
    void *block = std::calloc(count, size);
    if (block) standinTrackBlock(block, count * size);
    return block;
}

void mxFree(void *block) {
    if (!standinReleaseBlock(block))
        standinFault("mxFree was handed a block that mxCalloc did not hand out");
    std::free(block);
}

mxArray *standinCreateArray(mxClassID classId, const std::vector<int> &dims,
                            mxComplexity complexity) {
    if (!isDataClass(classId) ||
        (complexity == mxCOMPLEX && (classId == mxLOGICAL_CLASS || classId == mxCHAR_CLASS)))
        standinFault("standinCreateArray was asked for a class that holds no such data");
    return standinNewArray(classId, dims, complexity == mxCOMPLEX, false);
}

mxArray *standinCreateObject(int classId) {
    if (standinElementSize(classId) || classId == mxCELL_CLASS || classId == mxSTRUCT_CLASS ||
        classId < 0 || classId > 31)
        standinFault("standinCreateObject was asked for a class that holds data, or no class");
    return standinNewArray(classId, {1, 1}, false, false);
}

mxArray *standinCreateSparse(const mxArray *full) {
    standinCheck(full, "standinCreateSparse");
    if ((full->classId != mxDOUBLE_CLASS && full->classId != mxLOGICAL_CLASS) ||
        full->dims.size() != 2 || full->sparse)
        standinFault("standinCreateSparse was handed an array that cannot be sparse");
    const size_t size = full->elementSize;
    const unsigned char *re = static_cast<const unsigned char *>(full->real);
    const unsigned char *im = static_cast<const unsigned char *>(full->imag);
    const std::vector<unsigned char> zero(size, 0);
    std::vector<size_t> stored;
    std::vector<int> rows, starts;
    const int m = full->dims[0], n = full->dims[1];
    for (int j = 0; j < n; ++j) {
        starts.push_back(static_cast<int>(stored.size()));
        for (int i = 0; i < m; ++i) {
            const size_t k = static_cast<size_t>(j) * m + i;
            if (std::memcmp(re + k * size, zero.data(), size) != 0 ||
                (im && std::memcmp(im + k * size, zero.data(), size) != 0)) {
                stored.push_back(k);
                rows.push_back(i);
            }
        }
    }
    starts.push_back(static_cast<int>(stored.size()));
    mxArray *a = standinNewSparse(full->classId, full->dims, full->complex, rows, starts, false);
    for (size_t s = 0; s < stored.size(); ++s)
        standinCopyElement(full, stored[s], a, s);
    return a;
}
