// nubrik's choice of vector path, from what real processors and systems report:
// cpuid's leaf 1 ecx and leaf 7 ebx and ecx of each processor (the first
// logical processor of public cpuid dumps) and the XCR0 its system shows. A
// wrong choice crashes the host on the processors it misjudges: an instruction
// the processor lacks, or registers the system does not save. The test
// compiles nubrik's source unit into itself to ask it.
#include "nubrik.cpp" // NOLINT(bugprone-suspicious-include): the unit is asked itself

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

// XCR0 as systems report it: the SSE, AVX, opmask and ZMM state saved
// (Windows 10 and 11 on an AVX-512 processor), the SSE and AVX state alone (an
// AVX processor; an AVX-512 one whose system leaves the ZMM state off), or
// the SSE state alone (a system without the AVX state). Where leaf 1 lacks
// OSXSAVE or AVX, xgetbv must not run at all: it would fault when nubrik is
// loaded.
const unsigned zmmSaved = 0xE7;
const unsigned avxSaved = 0x7;
const unsigned sseSaved = 0x3;
const unsigned notRead = 0;

struct Row {
    const char *processor;
    unsigned ecx1, ebx7, ecx7;
    unsigned xcr0; // notRead: xgetbv must not run
    const char *widest;
};

// The processors and their systems.
const Row processors[] = {
    {"Nehalem", 0x00BCE3BD, 0, 0, notRead, "SSSE3"},
    {"Westmere W3670", 0x029EE3FF, 0, 0, notRead, "SSSE3"},
    {"Sandy Bridge-E i7-3930K", 0x1FBEE3BF, 0, 0, avxSaved, "SSSE3"},
    {"Haswell i7-4770", 0x7FFAFBFF, 0x000027AB, 0, avxSaved, "AVX2"},
    {"Skylake i5-6400T", 0x7FFAFBFF, 0x029C67AF, 0, avxSaved, "AVX2"},
    {"Skylake-X i9-7900X", 0x7FFEFBBF, 0xD39FFFFB, 0, zmmSaved, "AVX2"},
    {"Cascade Lake Gold 5215", 0x7FFEFBFF, 0xD39FFFFB, 0x00000808, zmmSaved, "AVX2"},
    {"Cannon Lake i3-8121U", 0x7FFAFBBF, 0xF2BF67EB, 0x0000000E, zmmSaved, "AVX2"},
    {"Ice Lake i7-1065G7", 0x7FFAFBBF, 0xF2BF27EF, 0x40405F4E, zmmSaved, "AVX-512"},
    {"Ice Lake Gold 6330", 0x7FFEFBFF, 0xF3BFBFFF, 0x40417F4E, zmmSaved, "AVX-512"},
    {"Tiger Lake i5-1135G7", 0x7FFAFBBF, 0xF3BFA7EB, 0x18C05FCE, zmmSaved, "AVX-512"},
    {"Alder Lake i5-12500", 0x7FFAFBFF, 0x239CA7EB, 0x98C027AC, avxSaved, "AVX2"},
    {"Alder Lake i9-12900K, AVX-512 on", 0x7FFAFBFF, 0xF3BFA7EB, 0x98C07FEE, zmmSaved, "AVX-512"},
    {"Sapphire Rapids w7-2475X", 0x7FFEFBFF, 0xF3BFBFFB, 0xBB417FEE, zmmSaved, "AVX-512"},
    {"Knights Landing 7210", 0x7FF8F39F, 0x1C0D23AB, 0x00000001, zmmSaved, "AVX2"},
    {"Goldmont N4200", 0x4FF8EBBF, 0x2294E283, 0, notRead, "SSSE3"},
    {"Tremont N6005", 0x4FF8EBBF, 0x2394A2C3, 0x18400124, notRead, "SSSE3"},
    {"Piledriver FX-8350", 0x3E98320B, 0x00000008, 0, avxSaved, "SSSE3"},
    {"Zen 2 Ryzen 9 3900", 0x7ED8320B, 0x219C91A9, 0x00400004, avxSaved, "AVX2"},
    {"Zen 3 Ryzen 9 5950X", 0x7ED8320B, 0x219C97A9, 0x0040068C, avxSaved, "AVX2"},
    {"Zen 4 Ryzen 5 7600X", 0x7EF8320B, 0xF1BF97A9, 0x00405FCE, zmmSaved, "AVX-512"},
    {"Zen 5 Ryzen 9 9950X", 0x7ED8320B, 0xF1BF97AB, 0x19405FCE, zmmSaved, "AVX-512"},
};

// The bits that the rows below clear from a processor's.
const unsigned osxsave = 1u << 27;
const unsigned bw = 1u << 30, vl = 1u << 31, bitalg = 1u << 12, vpopcntdq = 1u << 14;

const Row &processor(const char *name) {
    for (const Row &row : processors)
        if (std::strcmp(row.processor, name) == 0) return row;
    std::abort();
}

std::vector<Row> rows() {
    std::vector<Row> all(std::begin(processors), std::end(processors));
    // Each AVX-512 processor on a system that leaves the ZMM state off.
    for (const Row &row : processors) {
        if (row.xcr0 == zmmSaved) {
            Row off = row;
            off.xcr0 = avxSaved;
            off.widest = "AVX2";
            all.push_back(off);
        }
    }
    const Row &haswell = processor("Haswell i7-4770");
    Row noAvxState = haswell, noOsxsave = haswell;
    noAvxState.xcr0 = sseSaved;
    noAvxState.widest = noOsxsave.widest = "SSSE3";
    noOsxsave.ecx1 &= ~osxsave;
    noOsxsave.xcr0 = notRead;
    all.push_back(noAvxState);
    all.push_back(noOsxsave);
    // Ice Lake with one of the bits the AVX-512 path needs cleared: no real
    // processor lacks one of them alone. Without the SSE or the AVX state
    // saved, AVX2 goes too.
    const Row &iceLake = processor("Ice Lake Gold 6330");
    for (unsigned bit : {bw, vl}) {
        Row row = iceLake;
        row.ebx7 &= ~bit;
        row.widest = "AVX2";
        all.push_back(row);
    }
    for (unsigned bit : {bitalg, vpopcntdq}) {
        Row row = iceLake;
        row.ecx7 &= ~bit;
        row.widest = "AVX2";
        all.push_back(row);
    }
    for (int bit : {1, 2, 5, 6, 7}) {
        Row row = iceLake;
        row.xcr0 &= ~(1u << bit);
        row.widest = bit <= 2 ? "SSSE3" : "AVX2";
        all.push_back(row);
    }
    return all;
}

// XCR0 as the row's system gives it, counting the reads.
unsigned rowXcr0 = 0;
int xcr0Reads = 0;
unsigned readRowXcr0() {
    ++xcr0Reads;
    return rowXcr0;
}

TEST(NubrikFeatures, ChoosesTheWidestPathEachProcessorAndSystemAllow) {
    for (const Row &row : rows()) {
        SCOPED_TRACE(testing::Message() << row.processor << std::hex << ": leaf 1 ecx 0x"
                                        << row.ecx1 << ", leaf 7 ebx 0x" << row.ebx7 << ", ecx 0x"
                                        << row.ecx7 << ", XCR0 0x" << row.xcr0);
        rowXcr0 = row.xcr0;
        xcr0Reads = 0;
        const VectorPath *path = pathFor(featuresOf(row.ecx1, row.ebx7, row.ecx7, readRowXcr0));
        EXPECT_STREQ(path ? path->name : "the table loop alone", row.widest);
        EXPECT_EQ(xcr0Reads, row.xcr0 == notRead ? 0 : 1);
    }
}

} // namespace
