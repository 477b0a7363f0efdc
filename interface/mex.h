/* Interface of the host that loads the extension functions: its array library
 * (libmx) and its extension library (libmex). Only the operations the functions
 * rely on are declared. Extents and indexes are 32-bit; the plain names map to
 * the host's 32-bit-extent entry points, whose names end in _700. */
#ifndef MEX_H
#define MEX_H

#include <stddef.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define MEX_NORETURN __attribute__((noreturn))
#else
#define MEX_NORETURN
#endif

typedef int mwSize;
typedef int mwIndex;
typedef unsigned short mxChar; /* one 16-bit code unit */

typedef struct mxArray_tag mxArray;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS = 1,
    mxSTRUCT_CLASS = 2,
    mxLOGICAL_CLASS = 3,
    mxCHAR_CLASS = 4,
    mxVOID_CLASS = 5,
    mxDOUBLE_CLASS = 6,
    mxSINGLE_CLASS = 7,
    mxINT8_CLASS = 8,
    mxUINT8_CLASS = 9,
    mxINT16_CLASS = 10,
    mxUINT16_CLASS = 11,
    mxINT32_CLASS = 12,
    mxUINT32_CLASS = 13,
    mxINT64_CLASS = 14,
    mxUINT64_CLASS = 15,
    mxFUNCTION_CLASS = 16
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

#define mxGetNumberOfDimensions mxGetNumberOfDimensions_700
#define mxGetDimensions mxGetDimensions_700
#define mxGetCell mxGetCell_700
#define mxGetFieldByNumber mxGetFieldByNumber_700
#define mxCreateNumericArray mxCreateNumericArray_700
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_700
#define mxCreateCellArray mxCreateCellArray_700
#define mxCreateStructArray mxCreateStructArray_700
#define mxSetCell mxSetCell_700
#define mxSetFieldByNumber mxSetFieldByNumber_700

/* The entry point that every extension exports. */
void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

/* libmex: messages and calls back into the host. */
MEX_NORETURN void mexErrMsgTxt(const char *text);
void mexWarnMsgTxt(const char *text);
int mexCallMATLAB(int nlhs, mxArray *plhs[], int nrhs, mxArray *prhs[], const char *name);

/* libmx: queries. */
mxClassID mxGetClassID(const mxArray *a);
bool mxIsComplex(const mxArray *a);
bool mxIsSparse(const mxArray *a);
size_t mxGetNumberOfElements(const mxArray *a);
mwSize mxGetNumberOfDimensions_700(const mxArray *a);
const mwSize *mxGetDimensions_700(const mxArray *a);
double *mxGetPr(const mxArray *a);
void *mxGetData(const mxArray *a);
void *mxGetImagData(const mxArray *a);
int mxGetNumberOfFields(const mxArray *a);
const char *mxGetFieldNameByNumber(const mxArray *a, int field);
mxArray *mxGetCell_700(const mxArray *a, mwIndex element);
mxArray *mxGetFieldByNumber_700(const mxArray *a, mwIndex element, int field);

/* libmx: creation and filling; a container owns what is put into it. */
mxArray *mxCreateNumericArray_700(mwSize ndim, const mwSize *dims, mxClassID classId,
                                  mxComplexity complexity);
mxArray *mxCreateDoubleMatrix_700(mwSize m, mwSize n, mxComplexity complexity);
mxArray *mxCreateCellArray_700(mwSize ndim, const mwSize *dims);
mxArray *mxCreateStructArray_700(mwSize ndim, const mwSize *dims, int nfields, const char **names);
mxArray *mxCreateString(const char *text);
void mxSetCell_700(mxArray *a, mwIndex element, mxArray *value);
void mxSetFieldByNumber_700(mxArray *a, mwIndex element, int field, mxArray *value);

/* libmx: scratch memory. */
void *mxCalloc(size_t count, size_t size);
void mxFree(void *block);

#ifdef __cplusplus
}
#endif

#endif
