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
#include <windows.h>
#else
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>
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

// The system's page size, and the unit in which it hands out address space
// (64 KiB on Windows).
struct Pages {
    size_t size;
    size_t granularity;
};
const Pages &pages() {
    static const Pages system = [] {
#if defined(_WIN32)
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return Pages{info.dwPageSize, info.dwAllocationGranularity};
#else
        const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        return Pages{size, size};
#endif
    }();
    return system;
}

// The mapping that holds a guarded part of the given bytes: the part's pages
// and one inaccessible page, after them or before them, in whole units of
// address space.
size_t mappingLength(size_t bytes) {
    const size_t unit = pages().granularity;
    return (bytes + pages().size + unit - 1) / unit * unit;
}

// The inaccessible page beside a guarded part.
const unsigned char *guardPage(const void *part, size_t bytes, int placement) {
    const unsigned char *p = static_cast<const unsigned char *>(part);
    return placement == standinGuardAfterEnd ? p + bytes : p - pages().size;
}

// Describes the read or write at address into text when it reached the
// inaccessible page of a live array's part. A processor reports the first byte
// it could not reach, but QEMU the first byte of the access, which for one
// that runs past the end of a part can lie up to a vector before the page.
bool describeGuardFault(const void *address, char *text, size_t size) {
    const size_t widestVector = 64;
    const unsigned char *at = static_cast<const unsigned char *>(address);
    for (const mxArray *a : session.live) {
        if (a->placement != standinGuardAfterEnd && a->placement != standinGuardBeforeStart)
            continue;
        for (const void *part : {a->real, a->imag}) {
            if (!part) continue;
            const unsigned char *guard = guardPage(part, a->partBytes, a->placement);
            const unsigned char *from =
                a->placement == standinGuardAfterEnd ? guard - widestVector : guard;
            if (at < from || at >= guard + pages().size) continue;
            const char *role = a->born == 0   ? "an argument"
                               : a->temporary ? "an array a host function made"
                                              : "an array the call made";
            std::snprintf(text, size,
                          "stand-in host: a read or write %s of the %s part of %s (class %s, "
                          "%zu elements) reached the inaccessible page there\n",
                          a->placement == standinGuardAfterEnd ? "past the end"
                                                               : "before the start",
                          part == a->real ? "real" : "imaginary", role,
                          standinClassName(a->classId), a->count);
            return true;
        }
    }
    return false;
}

// Ends the program on a read or write that reached a guard page, and leaves
// every other fault to the handler there was before.
#if defined(_WIN32)
LONG CALLBACK onFault(EXCEPTION_POINTERS *fault) {
    static char text[256];
    const EXCEPTION_RECORD *record = fault->ExceptionRecord;
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
        describeGuardFault(reinterpret_cast<const void *>(record->ExceptionInformation[1]), text,
                           sizeof text)) {
        std::fputs(text, stderr);
        std::fflush(stderr);
        ExitProcess(standinGuardStatus);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
void watchGuardPages() {
    static const bool watching = AddVectoredExceptionHandler(1, onFault) != nullptr;
    (void)watching;
}
#else
// QEMU 7.2's x86-64 signal frame can leave the stack off the 16-byte
// alignment that the handler's code (snprintf's among it) relies on: the
// handler aligns it again itself.
#if defined(__x86_64__)
#define ALIGNS_ITS_STACK __attribute__((force_align_arg_pointer))
#else
#define ALIGNS_ITS_STACK
#endif
struct sigaction previousHandler;
ALIGNS_ITS_STACK void onFault(int, siginfo_t *info, void *) {
    static char text[256];
    if (describeGuardFault(info->si_addr, text, sizeof text)) {
        (void)!write(STDERR_FILENO, text, std::strlen(text));
        _exit(standinGuardStatus);
    }
    // The faulting instruction runs again, to meet the handler there was.
    sigaction(SIGSEGV, &previousHandler, nullptr);
}
void watchGuardPages() {
    static const bool watching = [] {
        struct sigaction action = {};
        action.sa_sigaction = onFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return sigaction(SIGSEGV, &action, &previousHandler) == 0;
    }();
    (void)watching;
}
#endif

// A zeroed part buffer of the given bytes, placed as standinPlaceParts says.
void *newPart(size_t bytes) {
    const int placement = session.placement;
    if (placement == standinGuardAfterEnd || placement == standinGuardBeforeStart) {
        watchGuardPages();
        const size_t length = mappingLength(bytes);
#if defined(_WIN32)
        unsigned char *mapping = static_cast<unsigned char *>(
            VirtualAlloc(nullptr, length, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!mapping) return nullptr;
#else
        void *mapped =
            mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return nullptr;
        unsigned char *mapping = static_cast<unsigned char *>(mapped);
#endif
        unsigned char *guard =
            placement == standinGuardAfterEnd ? mapping + length - pages().size : mapping;
#if defined(_WIN32)
        DWORD previous = 0;
        VirtualProtect(guard, pages().size, PAGE_NOACCESS, &previous);
#else
        mprotect(guard, pages().size, PROT_NONE);
#endif
        return placement == standinGuardAfterEnd ? guard - bytes : guard + pages().size;
    }
    if (placement < 0) return std::calloc(bytes, 1);
    const size_t total = static_cast<size_t>(placement) + bytes;
#if defined(_WIN32)
    void *block = _aligned_malloc(total, 64);
#else
    void *block = nullptr;
    if (posix_memalign(&block, 64, total) != 0) block = nullptr;
#endif
    if (!block) return nullptr;
    std::memset(block, 0, total);
    return static_cast<unsigned char *>(block) + placement;
}

void freePart(void *part, size_t bytes, int placement) {
    if (!part) return;
    if (placement == standinGuardAfterEnd || placement == standinGuardBeforeStart) {
        const size_t length = mappingLength(bytes);
        const unsigned char *guard = guardPage(part, bytes, placement);
        void *mapping = const_cast<unsigned char *>(
            placement == standinGuardAfterEnd ? guard + pages().size - length : guard);
#if defined(_WIN32)
        VirtualFree(mapping, 0, MEM_RELEASE);
#else
        munmap(mapping, length);
#endif
        return;
    }
    if (placement < 0) {
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
    freePart(a->real, a->partBytes, a->placement);
    freePart(a->imag, a->partBytes, a->placement);
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

void standinPlaceParts(int placement) {
    if (placement < standinGuardBeforeStart || placement > 63)
        standinFault("standinPlaceParts was asked for no such placement");
    session.placement = placement;
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
        a->partBytes = bytes;
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
