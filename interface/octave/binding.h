// The two halves of the Octave binding meet here. operations.cpp defines the
// host operations of interface/mex.h, compiled against it, and hands each on
// to values.cpp, compiled against Octave's own headers, which carries it out
// on Octave's values. Neither half can include the other's headers, since both
// declare an mxArray, an mwSize and an mxClassID of their own, and the
// function's source unit must meet the operations exactly as mex.h declares
// them, in every type, also where the compiler checks across files (GCC's
// link-time optimization, which Octave 11 builds with). So the halves meet in
// plain types, and an array is the struct that mex.h names.
#ifndef BINDING_H
#define BINDING_H

#include <stddef.h>

struct mxArray_tag;

namespace binding {

// The class ids of interface/mex.h, which operations.cpp checks against it.
enum ClassId {
    unknownClass = 0,
    cellClass = 1,
    structClass = 2,
    logicalClass = 3,
    charClass = 4,
    doubleClass = 6,
    singleClass = 7,
    int8Class = 8,
    uint8Class = 9,
    int16Class = 10,
    uint16Class = 11,
    int32Class = 12,
    uint32Class = 13,
    int64Class = 14,
    uint64Class = 15,
    functionClass = 16
};

// Each host operation of interface/mex.h, under the name of what it does;
// values.cpp says what each maps to.
[[noreturn]] void raiseError(const char *text);
void warn(const char *text);
int callHost(int nlhs, mxArray_tag *plhs[], int nrhs, mxArray_tag *prhs[], const char *name);
ClassId classId(const mxArray_tag *a);
bool isComplex(const mxArray_tag *a);
bool isSparse(const mxArray_tag *a);
size_t elements(const mxArray_tag *a);
int dimensionCount(const mxArray_tag *a);
const int *dimensions(const mxArray_tag *a);
void *data(const mxArray_tag *a);
void *imagData(const mxArray_tag *a);
int fieldCount(const mxArray_tag *a);
const char *fieldName(const mxArray_tag *a, int field);
mxArray_tag *cellElement(const mxArray_tag *a, int element);
mxArray_tag *fieldValue(const mxArray_tag *a, int element, int field);
mxArray_tag *numericArray(int ndim, const int *dims, ClassId classId, bool complex);
mxArray_tag *cellArray(int ndim, const int *dims);
mxArray_tag *structArray(int ndim, const int *dims, int nfields, const char **names);
mxArray_tag *text(const char *text);
void setCellElement(mxArray_tag *a, int element, mxArray_tag *value);
void setFieldValue(mxArray_tag *a, int element, int field, mxArray_tag *value);
void *scratch(size_t count, size_t size);
void release(void *block);

// The function's own entry, which values.cpp calls for each call from Octave.
void callFunction(int nlhs, mxArray_tag *plhs[], int nrhs, const mxArray_tag *prhs[]);

} // namespace binding

#endif
