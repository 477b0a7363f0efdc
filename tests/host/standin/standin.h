// Control interface of the stand-in host, used by test and benchmark programs:
// calls an extension's entry point the way the host does, audits what the call
// did with the host's arrays and memory, makes arrays that the host's own
// creation calls cannot make, and injects allocation failures.
#ifndef STANDIN_H
#define STANDIN_H

#include "mex.h"

#include <string>
#include <vector>

typedef void MexEntry(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

// What one call of an entry point left behind.
struct StandinCall {
    bool failed = false;               // an error ended the call
    std::string error;                 // the error's text
    std::vector<std::string> warnings; // warning texts, in order
    std::vector<std::string> faults;   // breaches of the host's rules; empty when clean
    std::vector<mxArray *> outputs;    // the output slots the host reads back
    int allocations = 0;               // creation calls and mxCalloc blocks asked for
};

// Calls entry with nlhs outputs and the given inputs, then audits the call:
// every array it created is reachable exactly once from an output slot (unless an
// error ended it), every mxCalloc block was freed, every input is unchanged, and
// no output slot past the requested ones was written. A requested output left
// unassigned fails the call with the host's own error.
StandinCall standinCall(MexEntry *entry, int nlhs, const std::vector<const mxArray *> &inputs);

// Turns the audit after each call on (the default) or off. Without it a call
// costs what it costs in the host, for measuring; errors still end calls.
void standinAudit(bool on);

// Releases an array that the host owns (an input, or a result read back), with
// everything it holds.
void standinDestroy(mxArray *a);

// Makes the k-th creation call or mxCalloc of every following call return null;
// 0 turns failures off.
void standinFailAllocation(int k);

// Places the part buffers of every array made from now on, by the test and by
// the calls' creation calls, offset bytes (0 to 63) past a 64-byte boundary,
// each ending where its block ends; -1, the default, leaves them where calloc
// puts them. standinReset restores the default. With standinGuardAfterEnd,
// each part ends exactly where an inaccessible page begins; with
// standinGuardBeforeStart, it begins right after one. A read or write that
// crosses such an end then ends the program at once, natively, under QEMU and
// under Wine, with a message naming the array and the end it crossed, and the
// exit status standinGuardStatus.
void standinPlaceParts(int placement);
inline constexpr int standinGuardAfterEnd = -2;
inline constexpr int standinGuardBeforeStart = -3;
inline constexpr int standinGuardStatus = 3;

// Bytes per element in the part buffers of a class that holds data; 0 for the others.
size_t standinElementSize(int classId);

// An array of class 3, 4 or 6 to 15 with zeroed part buffers.
mxArray *standinCreateArray(mxClassID classId, const std::vector<int> &dims,
                            mxComplexity complexity);

// An array of a class that holds no data (a function handle, say): 1-by-1. Its
// class id lies within the range of mxClassID (0 to 31).
mxArray *standinCreateObject(int classId);

// The sparse form of a two-dimensional double or logical array: only the non-zero
// elements are stored.
mxArray *standinCreateSparse(const mxArray *full);

// The full form of a sparse array (a copy of any other array holding data),
// owned by the host.
mxArray *standinFullCopy(const mxArray *a);

// The values of an array holding data as the host function double gives them,
// in full storage, owned by the host.
mxArray *standinDoubleCopy(const mxArray *a);

// Makes the host function double hand back its argument's class unchanged, as a
// class of the user's may; false restores the conversion.
void standinBreakDouble(bool broken);

// The stand-in host's own texts, defined here so that its libraries export
// nothing more: the name of a class, the error of its double for an argument of
// a class that holds no data, and that of a call leaving a requested output
// unassigned.
static inline const char *standinClassName(int classId) {
    static const char *const names[] = {"unknown", "cell",           "struct", "logical", "char",
                                        "void",    "double",         "single", "int8",    "uint8",
                                        "int16",   "uint16",         "int32",  "uint32",  "int64",
                                        "uint64",  "function_handle"};
    return classId >= 0 && classId <= mxFUNCTION_CLASS ? names[classId] : "object";
}
static inline std::string standinDoubleRefusal(int classId) {
    return std::string("Conversion to double from ") + standinClassName(classId) +
           " is not possible.";
}
inline constexpr char standinUnassignedText[] =
    "One or more output arguments not assigned during call.";

// Releases every array and returns the host to its initial state.
void standinReset();

#endif
