// The stand-in host's state: the live arrays, the call in progress, and the audit
// that follows every call.
#include "array.h"
#include "standin.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(_WIN32)
#include <malloc.h>
#endif
#include <unordered_map>
#include <unordered_set>

namespace {

struct Session {
    std::unordered_set<const mxArray *> live;
    std::unordered_map<void *, size_t> blocks; // mxCalloc blocks not yet freed
    std::vector<mxArray *> created;            // arrays the extension made in this call
    int call = 0;                              // number of the call in progress or last
    bool inCall = false;
    int failAt = 0;
    bool doubleBroken = false;
    bool audit = true;
    int placement = -1;
    int allocations = 0;
    std::jmp_buf *target = nullptr;
    StandinCall *outcome = nullptr;
};

Session session;

// Output slots past the requested ones, which must stay untouched.
const int guardSlots = 4;
mxArray *const untouched = reinterpret_cast<mxArray *>(&session);

// A zeroed part buffer of the given bytes, placed as standinPlaceParts says.
void *newPart(size_t bytes) {
    if (session.placement < 0) return std::calloc(bytes, 1);
    const size_t total = static_cast<size_t>(session.placement) + bytes;
#if defined(_WIN32)
    void *block = _aligned_malloc(total, 64);
#else
    void *block = nullptr;
    if (posix_memalign(&block, 64, total) != 0) block = nullptr;
#endif
    if (!block) return nullptr;
    std::memset(block, 0, total);
    return static_cast<unsigned char *>(block) + session.placement;
}

void freePart(void *part, int placement) {
    if (!part || placement < 0) {
        std::free(part);
        return;
    }
    void *block = static_cast<unsigned char *>(part) - placement;
#if defined(_WIN32)
    _aligned_free(block);
#else
    std::free(block);
#endif
}

void release(const mxArray *a) {
    freePart(a->real, a->placement);
    freePart(a->imag, a->placement);
    delete a;
}

uint64_t mix(uint64_t h, uint64_t v) {
    h = (h ^ v) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 31);
}

uint64_t hashBytes(uint64_t h, const void *data, size_t bytes) {
    const unsigned char *p = static_cast<const unsigned char *>(data);
    uint64_t lanes[4] = {h, h + 1, h + 2, h + 3};
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        for (size_t k = 0; k < 4; ++k) {
            uint64_t w;
            std::memcpy(&w, p + i + 8 * k, 8);
            lanes[k] = (lanes[k] ^ w) * 0x9E3779B97F4A7C15ull;
        }
    }
    for (; i < bytes; ++i)
        lanes[0] = mix(lanes[0], p[i]);
    for (uint64_t lane : lanes)
        h = mix(h, lane);
    return mix(h, bytes);
}

// A fingerprint of everything an array holds, down to its last byte and element.
uint64_t digest(const mxArray *a) {
    uint64_t h = mix(mix(mix(0, a->classId), a->complex), a->sparse);
    h = hashBytes(h, a->dims.data(), a->dims.size() * sizeof(int));
    const size_t stored = a->sparse ? a->rowIndex.size() : a->count;
    if (a->real) h = hashBytes(h, a->real, std::max<size_t>(stored, 1) * a->elementSize);
    if (a->imag) h = hashBytes(h, a->imag, std::max<size_t>(stored, 1) * a->elementSize);
    h = hashBytes(h, a->rowIndex.data(), a->rowIndex.size() * sizeof(int));
    h = hashBytes(h, a->columnStart.data(), a->columnStart.size() * sizeof(int));
    for (const std::string &name : a->fields)
        h = hashBytes(h, name.c_str(), name.size() + 1);
    for (const mxArray *element : a->elements) {
        h = mix(h, reinterpret_cast<uintptr_t>(element));
        if (element) h = mix(h, digest(element));
    }
    return h;
}

bool runEntry(MexEntry *entry, int nlhs, mxArray **plhs, int nrhs, const mxArray **prhs) {
    std::jmp_buf here;
    session.target = &here;
    if (setjmp(here) == 0) {
        entry(nlhs, plhs, nrhs, prhs);
        session.target = nullptr;
        return true;
    }
    session.target = nullptr;
    return false;
}

[[noreturn]] void endCall() {
    std::longjmp(*session.target, 1);
}

// Counts how often each array is reached from a, which must have been made by the
// extension in this call.
void reach(const mxArray *a, std::unordered_map<const mxArray *, int> &reached,
           std::vector<std::string> &faults) {
    if (!session.live.count(a)) {
        faults.emplace_back("a result holds an unknown or released array");
        return;
    }
    if (a->born != session.call || a->temporary) {
        faults.emplace_back("a result holds an array that the call did not create");
        return;
    }
    if (++reached[a] > 1) return;
    for (const mxArray *element : a->elements)
        if (element) reach(element, reached, faults);
}

void auditResults(int nlhs, const std::vector<mxArray *> &slots, StandinCall &outcome) {
    std::unordered_map<const mxArray *, int> reached;
    for (int i = 0; i < static_cast<int>(outcome.outputs.size()); ++i) {
        if (slots[i]) {
            reach(slots[i], reached, outcome.faults);
        } else if (i < nlhs) {
            outcome.failed = true;
            outcome.error = standinUnassignedText;
        }
    }
    for (const mxArray *a : session.created) {
        const int times = reached.count(a) ? reached[a] : 0;
        if (times != 1)
            outcome.faults.push_back("an array of class " + std::to_string(a->classId) +
                                     " made by the call is reachable " + std::to_string(times) +
                                     " times from the results");
    }
}

} // namespace

StandinCall standinCall(MexEntry *entry, int nlhs, const std::vector<const mxArray *> &inputs) {
    StandinCall outcome;
    std::vector<uint64_t> before;
    for (const mxArray *input : inputs) {
        standinCheck(input, "standinCall");
        if (session.audit) before.push_back(digest(input));
    }
    const int requested = std::max(nlhs, 1);
    std::vector<mxArray *> slots(requested, nullptr);
    slots.resize(requested + guardSlots, untouched);
    std::vector<const mxArray *> arguments(inputs);

    session.call += 1;
    session.inCall = true;
    session.created.clear();
    session.blocks.clear();
    session.allocations = 0;
    session.outcome = &outcome;
    const bool finished =
        runEntry(entry, nlhs, slots.data(), static_cast<int>(arguments.size()), arguments.data());
    session.inCall = false;
    session.outcome = nullptr;
    outcome.failed = !finished;
    outcome.allocations = session.allocations;
    outcome.outputs.assign(slots.begin(), slots.begin() + requested);

    for (int i = requested; i < requested + guardSlots; ++i)
        if (slots[i] != untouched)
            outcome.faults.push_back("output slot " + std::to_string(i) +
                                     " past those requested was written");
    if (finished && session.audit) auditResults(nlhs, slots, outcome);
    for (const auto &block : session.blocks) {
        outcome.faults.push_back("an mxCalloc block of " + std::to_string(block.second) +
                                 " bytes was not freed");
        std::free(block.first);
    }
    session.blocks.clear();
    for (size_t i = 0; i < before.size(); ++i)
        if (arguments[i] != inputs[i] || digest(inputs[i]) != before[i])
            outcome.faults.push_back("input " + std::to_string(i) + " was changed");
    return outcome;
}

void standinAudit(bool on) {
    session.audit = on;
}

void standinDestroy(mxArray *a) {
    standinCheck(a, "standinDestroy");
    for (mxArray *element : a->elements)
        if (element) standinDestroy(element);
    session.live.erase(a);
    release(a);
}

void standinPlaceParts(int offset) {
    if (offset < -1 || offset > 63) standinFault("standinPlaceParts was asked for no such offset");
    session.placement = offset;
}

void standinFailAllocation(int k) {
    session.failAt = k;
}

void standinReset() {
    for (const mxArray *a : session.live)
        release(a);
    session.live.clear();
    session.created.clear();
    session.failAt = 0;
    session.doubleBroken = false;
    session.audit = true;
    session.placement = -1;
}

void standinBreakDouble(bool broken) {
    session.doubleBroken = broken;
}

bool standinDoubleBroken() {
    return session.doubleBroken;
}

mxArray *standinNewArray(int classId, const std::vector<int> &dims, bool complex, bool temporary) {
    mxArray *a = new mxArray;
    a->classId = static_cast<mxClassID>(classId);
    a->complex = complex;
    a->dims = dims;
    while (a->dims.size() < 2)
        a->dims.push_back(1);
    // Trailing singleton extents beyond the second are not kept, as the host does.
    while (a->dims.size() > 2 && a->dims.back() == 1)
        a->dims.pop_back();
    a->count = 1;
    for (int extent : a->dims)
        a->count *= static_cast<size_t>(extent);
    a->elementSize = standinElementSize(classId);
    if (a->elementSize) {
        const size_t bytes = std::max<size_t>(a->count, 1) * a->elementSize;
        a->placement = session.placement;
        a->real = newPart(bytes);
        if (complex) a->imag = newPart(bytes);
        if (!a->real || (complex && !a->imag)) standinFault("the host is out of memory");
    }
    if (classId == mxCELL_CLASS) a->elements.assign(a->count, nullptr);
    a->born = session.inCall ? session.call : 0;
    a->temporary = temporary;
    session.live.insert(a);
    if (session.inCall && !temporary) session.created.push_back(a);
    return a;
}

mxArray *standinNewSparse(int classId, const std::vector<int> &dims, bool complex,
                          const std::vector<int> &rowIndex, const std::vector<int> &columnStart,
                          bool temporary) {
    mxArray *a =
        standinNewArray(classId, {static_cast<int>(rowIndex.size()), 1}, complex, temporary);
    a->dims = dims;
    a->count = static_cast<size_t>(dims[0]) * dims[1];
    a->sparse = true;
    a->rowIndex = rowIndex;
    a->columnStart = columnStart;
    return a;
}

void standinCopyElement(const mxArray *in, size_t from, mxArray *out, size_t to) {
    const size_t size = in->elementSize;
    std::memcpy(static_cast<char *>(out->real) + to * size,
                static_cast<const char *>(in->real) + from * size, size);
    if (in->complex)
        std::memcpy(static_cast<char *>(out->imag) + to * size,
                    static_cast<const char *>(in->imag) + from * size, size);
}

mxArray *standinFullOf(const mxArray *in, bool temporary) {
    mxArray *out = standinNewArray(in->classId, in->dims, in->complex, temporary);
    if (!in->sparse) {
        for (size_t i = 0; i < in->count; ++i)
            standinCopyElement(in, i, out, i);
        return out;
    }
    const size_t rows = in->dims[0];
    for (size_t column = 0; column + 1 < in->columnStart.size(); ++column)
        for (int s = in->columnStart[column]; s < in->columnStart[column + 1]; ++s)
            standinCopyElement(in, s, out, column * rows + in->rowIndex[s]);
    return out;
}

mxArray *standinFullCopy(const mxArray *a) {
    if (!standinCheck(a, "standinFullCopy")->elementSize)
        standinFault("standinFullCopy was handed an array that holds no data");
    return standinFullOf(a, false);
}

mxArray *standinCheck(const mxArray *a, const char *operation) {
    if (!a || !session.live.count(a)) {
        static char what[160];
        std::snprintf(what, sizeof what, "%s was handed %s", operation,
                      a ? "an unknown or released array" : "a null array");
        standinFault(what);
    }
    return const_cast<mxArray *>(a);
}

void standinFault(const char *what) {
    if (!session.inCall) {
        std::fprintf(stderr, "stand-in host: %s outside a call\n", what);
        std::abort();
    }
    session.outcome->faults.emplace_back(what);
    endCall();
}

void standinError(const char *text) {
    if (!session.inCall) standinFault("an error was raised");
    session.outcome->error = text;
    endCall();
}

void standinWarn(const char *text) {
    if (!session.inCall) standinFault("a warning was raised");
    session.outcome->warnings.emplace_back(text);
}

bool standinInCall() {
    return session.inCall;
}

bool standinAllocationFails() {
    return session.inCall && ++session.allocations == session.failAt;
}

void standinTrackBlock(void *block, size_t bytes) {
    session.blocks[block] = bytes;
}

bool standinReleaseBlock(void *block) {
    return session.blocks.erase(block) == 1;
}
