// The host operations of interface/mex.h, as the function's source unit calls
// them, each handed on to its counterpart on Octave's values (values.cpp,
// through binding.h). Compiled against mex.h, so that each is defined with
// exactly the types it declares.
#include "../mex.h"
#include "binding.h"

static_assert(sizeof(mxChar) == 2, "the characters the function reads are 16-bit");
static_assert(sizeof(mwSize) == sizeof(int) && sizeof(mwIndex) == sizeof(int),
              "extents and indexes are 32-bit");

// The class ids values.cpp gives and takes are those of the interface.
#define SAME_CLASS(interface, binding)                                                             \
    static_assert(static_cast<int>(interface) == static_cast<int>(binding), #interface)
SAME_CLASS(mxUNKNOWN_CLASS, binding::unknownClass);
SAME_CLASS(mxCELL_CLASS, binding::cellClass);
SAME_CLASS(mxSTRUCT_CLASS, binding::structClass);
SAME_CLASS(mxLOGICAL_CLASS, binding::logicalClass);
SAME_CLASS(mxCHAR_CLASS, binding::charClass);
SAME_CLASS(mxDOUBLE_CLASS, binding::doubleClass);
SAME_CLASS(mxSINGLE_CLASS, binding::singleClass);
SAME_CLASS(mxINT8_CLASS, binding::int8Class);
SAME_CLASS(mxUINT8_CLASS, binding::uint8Class);
SAME_CLASS(mxINT16_CLASS, binding::int16Class);
SAME_CLASS(mxUINT16_CLASS, binding::uint16Class);
SAME_CLASS(mxINT32_CLASS, binding::int32Class);
SAME_CLASS(mxUINT32_CLASS, binding::uint32Class);
SAME_CLASS(mxINT64_CLASS, binding::int64Class);
SAME_CLASS(mxUINT64_CLASS, binding::uint64Class);
SAME_CLASS(mxFUNCTION_CLASS, binding::functionClass);

void binding::callFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
    mexFunction(nlhs, plhs, nrhs, prhs);
}

void mexErrMsgTxt(const char *text) {
    binding::raiseError(text);
}

void mexWarnMsgTxt(const char *text) {
    binding::warn(text);
}

int mexCallMATLAB(int nlhs, mxArray *plhs[], int nrhs, mxArray *prhs[], const char *name) {
    return binding::callHost(nlhs, plhs, nrhs, prhs, name);
}

mxClassID mxGetClassID(const mxArray *a) {
    return static_cast<mxClassID>(binding::classId(a));
}

bool mxIsComplex(const mxArray *a) {
    return binding::isComplex(a);
}

bool mxIsSparse(const mxArray *a) {
    return binding::isSparse(a);
}

size_t mxGetNumberOfElements(const mxArray *a) {
    return binding::elements(a);
}

mwSize mxGetNumberOfDimensions_700(const mxArray *a) {
    return binding::dimensionCount(a);
}

const mwSize *mxGetDimensions_700(const mxArray *a) {
    return binding::dimensions(a);
}

double *mxGetPr(const mxArray *a) {
    return static_cast<double *>(binding::data(a));
}

void *mxGetData(const mxArray *a) {
    return binding::data(a);
}

void *mxGetImagData(const mxArray *a) {
    return binding::imagData(a);
}

int mxGetNumberOfFields(const mxArray *a) {
    return binding::fieldCount(a);
}

const char *mxGetFieldNameByNumber(const mxArray *a, int field) {
    return binding::fieldName(a, field);
}

mxArray *mxGetCell_700(const mxArray *a, mwIndex element) {
    return binding::cellElement(a, element);
}

mxArray *mxGetFieldByNumber_700(const mxArray *a, mwIndex element, int field) {
    return binding::fieldValue(a, element, field);
}

mxArray *mxCreateNumericArray_700(mwSize ndim, const mwSize *dims, mxClassID classId,
                                  mxComplexity complexity) {
    return binding::numericArray(ndim, dims, static_cast<binding::ClassId>(classId),
                                 complexity == mxCOMPLEX);
}

mxArray *mxCreateDoubleMatrix_700(mwSize m, mwSize n, mxComplexity complexity) {
    const mwSize dims[2] = {m, n};
    return binding::numericArray(2, dims, binding::doubleClass, complexity == mxCOMPLEX);
}

mxArray *mxCreateCellArray_700(mwSize ndim, const mwSize *dims) {
    return binding::cellArray(ndim, dims);
}

mxArray *mxCreateStructArray_700(mwSize ndim, const mwSize *dims, int nfields, const char **names) {
    return binding::structArray(ndim, dims, nfields, names);
}

mxArray *mxCreateString(const char *text) {
    return binding::text(text);
}

void mxSetCell_700(mxArray *a, mwIndex element, mxArray *value) {
    binding::setCellElement(a, element, value);
}

void mxSetFieldByNumber_700(mxArray *a, mwIndex element, int field, mxArray *value) {
    binding::setFieldValue(a, element, field, value);
}

void *mxCalloc(size_t count, size_t size) {
    return binding::scratch(count, size);
}

void mxFree(void *block) {
    binding::release(block);
}
