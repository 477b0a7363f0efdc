// The stand-in host's array records and the bookkeeping shared by its libraries.
#ifndef STANDIN_ARRAY_H
#define STANDIN_ARRAY_H

#include "mex.h"

#include <cstddef>
#include <string>
#include <vector>

struct mxArray_tag {
    mxClassID classId = mxUNKNOWN_CLASS;
    bool complex = false;
    bool sparse = false;
    std::vector<int> dims;  // at least two extents
    size_t count = 0;       // product of the extents
    size_t elementSize = 0; // bytes per element of a part buffer; 0 when it holds no data
    void *real = nullptr;   // part buffers: count elements, or the stored ones when sparse
    void *imag = nullptr;
    int placement = -1;              // as standinPlaceParts gave it when the parts were made
    size_t partBytes = 0;            // the size of each part buffer
    std::vector<int> rowIndex;       // sparse: row of each stored element
    std::vector<int> columnStart;    // sparse: where each column's stored elements start
    std::vector<mxArray *> elements; // cell: count; struct: count times fields, element-major
    std::vector<std::string> fields;
    int born = 0;           // the call that created it; 0 outside any call
    bool temporary = false; // made by a host function that the extension called
};

// A new array with zeroed buffers, registered as live; during a call it counts as
// made by that call (a temporary when the host made it for the extension).
mxArray *standinNewArray(int classId, const std::vector<int> &dims, bool complex, bool temporary);

// A new sparse array of the given extents whose part buffers hold one element for
// each row index (at least one slot); columnStart has one entry per column and a
// last one for the end.
mxArray *standinNewSparse(int classId, const std::vector<int> &dims, bool complex,
                          const std::vector<int> &rowIndex, const std::vector<int> &columnStart,
                          bool temporary);

// A new array holding every element of in, which holds data (the stored ones
// in place when it is sparse).
mxArray *standinFullOf(const mxArray *in, bool temporary);

// Copies element from of in's part buffers to element to of out's.
void standinCopyElement(const mxArray *in, size_t from, mxArray *out, size_t to);

// Ends the current call because the extension broke one of the host's rules;
// outside a call it aborts the program.
[[noreturn]] void standinFault(const char *what);

// Ends the current call with an error text, as the host's error call does.
[[noreturn]] void standinError(const char *text);

void standinWarn(const char *text);
bool standinInCall();
bool standinDoubleBroken();

// Counts one creation call or mxCalloc of the current call; true when the
// injected failure falls on it.
bool standinAllocationFails();

// Records a block handed out by mxCalloc; true when mxFree may release it, and
// then forgets it.
void standinTrackBlock(void *block, size_t bytes);
bool standinReleaseBlock(void *block);

// Checks that a is a live array (a fault otherwise) and returns it.
mxArray *standinCheck(const mxArray *a, const char *operation);

#endif
