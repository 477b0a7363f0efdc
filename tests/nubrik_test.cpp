// Behaviour of nubrik.mexa64, loaded and called the way the host does.
#include "arrays.h"
#include "messages.h"
#include "mex_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

const int maxNesting = 1000;

// The stack on which the deepest nesting must fit: a quarter of 1 MiB, and half
// of it where the sanitizers make every frame several times larger.
#if defined(SANITIZED)
const size_t smallStack = size_t{512} * 1024;
#else
const size_t smallStack = size_t{256} * 1024;
#endif

class Nubrik : public MexTest {
protected:
    Nubrik() : MexTest(NUBRIK_MEX) {}

    const mxArray *convert(const mxArray *in) {
        StandinCall result = call(1, {in});
        EXPECT_FALSE(result.failed) << result.error;
        return result.outputs[0];
    }

    // Converts a complex array of n elements whose parts are placed as
    // standinPlaceParts(in) places them into one whose parts are placed as
    // standinPlaceParts(out) does. Byte j of element i is i + 97 j in the real
    // part and 3 i + 41 j + 5 in the imaginary one: from 256 elements on, every
    // byte value stands in every byte position of both.
    void expectPlacedConversion(mxClassID classId, int n, int in, int out) {
        SCOPED_TRACE(testing::Message()
                     << "class " << classId << ", " << n << " elements, input placed at " << in
                     << ", output at " << out);
        const size_t size = standinElementSize(classId);
        standinPlaceParts(in);
        mxArray *argument = standinCreateArray(classId, {1, n}, mxCOMPLEX);
        unsigned char *real = static_cast<unsigned char *>(mxGetData(argument));
        unsigned char *imag = static_cast<unsigned char *>(mxGetImagData(argument));
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            for (size_t j = 0; j < size; ++j) {
                real[i * size + j] = static_cast<unsigned char>(i + 97 * j);
                imag[i * size + j] = static_cast<unsigned char>(3 * i + 41 * j + 5);
            }
        }
        standinPlaceParts(out);
        const mxArray *result = convert(argument);
        standinPlaceParts(-1);
        if (out >= 0) {
            ASSERT_EQ(reinterpret_cast<uintptr_t>(mxGetImagData(result)) % 64, size_t(out));
        }
        expectConversion(argument, result, "argument");
    }

    void expectError(const mxArray *in, const char *text) {
        StandinCall result = call(1, {in});
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.error, text);
    }
};

// Nested cells holding one another, with leaf enclosed in `levels` of them.
mxArray *nestInCells(mxArray *leaf, int levels) {
    for (int i = 0; i < levels; ++i)
        leaf = makeCell({1, 1}, {leaf});
    return leaf;
}

TEST_F(Nubrik, PairsInputsWithOutputs) {
    const struct {
        int nlhs, nrhs;
        bool fails;
    } cases[] = {{0, 0, false}, {1, 1, false}, {0, 1, false}, {3, 3, false}, {2, 1, true},
                 {1, 2, true},  {0, 2, true},  {1, 0, true},  {2, 3, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.nlhs << " outputs, " << c.nrhs << " inputs");
        std::vector<const mxArray *> inputs;
        for (int i = 0; i < c.nrhs; ++i)
            inputs.push_back(makeScalar(mxUINT8_CLASS, static_cast<uint8_t>((1u << i) - 1)));
        StandinCall result = call(c.nlhs, inputs);
        EXPECT_EQ(result.failed, c.fails);
        if (c.fails) {
            EXPECT_EQ(result.error, nubrikText::mismatch);
            continue;
        }
        for (int i = 0; i < c.nrhs; ++i)
            expectConversion(inputs[i], result.outputs[i], "output " + std::to_string(i));
    }
}

TEST_F(Nubrik, CountsTheStoredBitsOfEachClass) {
    const struct {
        mxArray *in;
        int bits;
    } cases[] = {
        {makeScalar(mxUINT8_CLASS, uint8_t{255}), 8},
        {makeScalar(mxINT8_CLASS, int8_t{-1}), 8},
        {makeScalar(mxLOGICAL_CLASS, uint8_t{1}), 1},
        {makeScalar(mxCHAR_CLASS, mxChar{'A'}), 2},
        {makeScalar(mxCHAR_CLASS, mxChar{0xFFFF}), 16},
        {makeScalar(mxINT16_CLASS, int16_t{-1}), 16},
        {makeScalar(mxUINT16_CLASS, uint16_t{0x8001}), 2},
        {makeScalar(mxINT32_CLASS, std::numeric_limits<int32_t>::min()), 1},
        {makeScalar(mxUINT32_CLASS, std::numeric_limits<uint32_t>::max()), 32},
        {makeScalar(mxSINGLE_CLASS, 1.0f), 7},
        {makeScalar(mxDOUBLE_CLASS, 1.0), 10},
        {makeScalar(mxDOUBLE_CLASS, -0.0), 1},
        {makeScalar(mxDOUBLE_CLASS, -std::numeric_limits<double>::infinity()), 12},
        {makeScalar(mxINT64_CLASS, int64_t{-1}), 64},
        {makeScalar(mxUINT64_CLASS, std::numeric_limits<uint64_t>::max()), 64},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "class " << mxGetClassID(c.in));
        const mxArray *out = convert(c.in);
        ASSERT_EQ(mxGetClassID(out), mxINT8_CLASS);
        EXPECT_FALSE(mxIsComplex(out));
        EXPECT_EQ(dimsOf(out), (std::vector<int>{1, 1}));
        EXPECT_EQ(countsOf(out), std::vector<int>{c.bits});
    }
}

TEST_F(Nubrik, CountsComplexPartsSeparately) {
    const mxArray *out =
        convert(makeArray<int16_t>(mxINT16_CLASS, {1, 3}, {-1, 3, 0}, {0, 257, -2}));
    ASSERT_TRUE(mxIsComplex(out));
    EXPECT_EQ(countsOf(out), (std::vector<int>{16, 2, 0}));
    EXPECT_EQ(countsOf(out, true), (std::vector<int>{0, 2, 15}));
}

TEST_F(Nubrik, KeepsTheExtentsOfEmptyArrays) {
    const struct {
        std::vector<int> dims;
        mxClassID classId;
        mxComplexity complexity;
    } cases[] = {{{0, 0}, mxDOUBLE_CLASS, mxREAL},       {{0, 5}, mxUINT8_CLASS, mxREAL},
                 {{3, 0, 2}, mxSINGLE_CLASS, mxCOMPLEX}, {{1, 0}, mxCHAR_CLASS, mxREAL},
                 {{0, 1}, mxLOGICAL_CLASS, mxREAL},      {{2, 2, 0}, mxINT64_CLASS, mxCOMPLEX}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "class " << c.classId);
        mxArray *in = standinCreateArray(c.classId, c.dims, c.complexity);
        const mxArray *out = convert(in);
        expectConversion(in, out, "argument");
        EXPECT_EQ(mxIsComplex(out), c.complexity == mxCOMPLEX);
    }
}

TEST_F(Nubrik, ConvertsNestedCellsAndOtherClasses) {
    mxArray *nested =
        makeCell({1, 2}, {makeScalar(mxUINT8_CLASS, uint8_t{255}),
                          makeCell({1, 1}, {makeScalar(mxINT16_CLASS, int16_t{-1})})});
    const mxArray *out = convert(nested);
    expectConversion(nested, out, "cell");
    EXPECT_EQ(countsOf(mxGetCell(mxGetCell(out, 1), 0)), std::vector<int>{16});

    for (int classId :
         std::initializer_list<int>{mxUNKNOWN_CLASS, mxVOID_CLASS, mxFUNCTION_CLASS, 17, 18}) {
        SCOPED_TRACE(testing::Message() << "class " << classId);
        mxArray *object = standinCreateObject(classId);
        expectConversion(object, convert(object), "object");
        mxArray *holder = makeCell({2, 1}, {object, makeScalar(mxINT8_CLASS, int8_t{3})});
        expectConversion(holder, convert(holder), "cell");
    }
}

TEST_F(Nubrik, KeepsStructExtentsAndFieldOrder) {
    std::vector<mxArray *> values;
    for (int i = 0; i < 6 * 3; ++i)
        values.push_back(makeScalar(mxINT32_CLASS, int32_t{i}));
    mxArray *in = makeStruct({2, 3}, {"zeta", "alpha", "mid"}, values);
    const mxArray *out = convert(in);
    expectConversion(in, out, "struct");
    EXPECT_EQ(std::string(mxGetFieldNameByNumber(out, 0)), "zeta");
    EXPECT_EQ(countsOf(mxGetFieldByNumber(out, 5, 2)), std::vector<int>{2}); // value 17
}

TEST_F(Nubrik, AgreesWithAnIndependentCountOnRandomArrays) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 400; ++round) {
        const int arguments = 1 + round % 3;
        std::vector<const mxArray *> inputs;
        for (int i = 0; i < arguments; ++i)
            inputs.push_back(randomArray(random, 3));
        StandinCall result = call(arguments, inputs);
        ASSERT_FALSE(result.failed) << result.error;
        for (int i = 0; i < arguments; ++i)
            expectConversion(inputs[i], result.outputs[i],
                             "round " + std::to_string(round) + " argument " + std::to_string(i));
        if (HasFailure()) return;
        standinReset();
    }
}

TEST_F(Nubrik, CountsEveryLengthAtEveryPlacement) {
    // The vector loops count 16 to 64 elements at a time and leave the rest to
    // the table loop, which counts in blocks of 1 KiB and prefetches from two
    // blocks on. Every length up to three turns of the widest loop and one
    // more, and those around one and two blocks: with every part ending where
    // an inaccessible page begins, and beginning right after one, where a loop
    // that reads or writes past either end of a part ends the program (before
    // such a loop could spoil the heap around the parts placed next); with
    // input and output at offsets cycled through a vector; then every pair of
    // offsets.
    const int widest = 64;
    for (mxClassID classId : {mxUINT8_CLASS, mxINT16_CLASS, mxSINGLE_CLASS, mxDOUBLE_CLASS}) {
        const int perBlock = 1024 / static_cast<int>(standinElementSize(classId));
        std::vector<int> lengths;
        for (int n = 0; n <= 3 * widest + 1; ++n)
            lengths.push_back(n);
        for (int n : {perBlock, 2 * perBlock})
            lengths.insert(lengths.end(), {n - 1, n, n + 1});
        for (int n : lengths) {
            for (int guarded : {standinGuardAfterEnd, standinGuardBeforeStart})
                expectPlacedConversion(classId, n, guarded, guarded);
            expectPlacedConversion(classId, n, n % widest, (7 * n + 3) % widest);
        }
        for (int in = 0; in < widest; ++in)
            for (int out = 0; out < widest; ++out)
                expectPlacedConversion(classId, 3 * widest + 1, in, out);
        if (HasFailure()) return;
    }
}

TEST_F(Nubrik, ReportsEveryFailedCreation) {
    mxArray *noFields = makeStruct({1, 1}, {}, {});
    mxArray *inner = makeStruct({1, 2}, {"b", "a"},
                                {makeScalar(mxDOUBLE_CLASS, 2.0), noFields,
                                 makeCell({1, 1}, {standinCreateObject(mxFUNCTION_CLASS)}),
                                 makeArray<int16_t>(mxINT16_CLASS, {1, 2}, {1, 2}, {3, 4})});
    mxArray *arguments[] = {makeScalar(mxUINT8_CLASS, uint8_t{7}),
                            standinCreateObject(mxFUNCTION_CLASS),
                            makeCell({2, 1}, {inner, makeScalar(mxCHAR_CLASS, mxChar{'x'})})};
    for (const mxArray *argument : arguments) {
        standinFailAllocation(0);
        const StandinCall clean = call(1, {argument});
        ASSERT_FALSE(clean.failed) << clean.error;
        const int points = clean.allocations;
        ASSERT_GT(points, 0);
        for (int k = 1; k <= points; ++k) {
            SCOPED_TRACE(testing::Message() << "allocation " << k << " of " << points);
            standinFailAllocation(k);
            StandinCall failed = call(1, {argument});
            EXPECT_TRUE(failed.failed);
            EXPECT_EQ(failed.error, nubrikText::create);
        }
    }
}

TEST_F(Nubrik, LeavesAbsentElementsAbsent) {
    mxArray *cell = makeCell({1, 3}, {makeScalar(mxUINT8_CLASS, uint8_t{3}), nullptr,
                                      makeScalar(mxUINT8_CLASS, uint8_t{1})});
    expectConversion(cell, convert(cell), "cell");
    mxArray *record = makeStruct({2, 1}, {"a", "b"},
                                 {nullptr, makeScalar(mxDOUBLE_CLASS, 1.0), nullptr, nullptr});
    expectConversion(record, convert(record), "struct");
}

TEST_F(Nubrik, ConvertsStructsWithoutFields) {
    for (const std::vector<int> &dims :
         {std::vector<int>{1, 1}, std::vector<int>{2, 3}, std::vector<int>{0, 0}}) {
        mxArray *in = makeStruct(dims, {}, {});
        const mxArray *out = convert(in);
        expectConversion(in, out, "struct");
        EXPECT_EQ(mxGetNumberOfFields(out), 0);
    }
}

TEST_F(Nubrik, CountsSparseArraysAsTheirFullForm) {
    const struct {
        mxArray *full;
    } cases[] = {
        {makeArray<double>(mxDOUBLE_CLASS, {3, 4}, {0, 1.5, 0, 0, 0, -2, 0, 0, 7, 0, 0, 1})},
        {makeArray<double>(mxDOUBLE_CLASS, {2, 2}, {0, 3, 0, 0}, {1, 0, 0, -1})},
        {makeArray<uint8_t>(mxLOGICAL_CLASS, {2, 3}, {1, 0, 0, 1, 1, 0})},
        {standinCreateArray(mxDOUBLE_CLASS, {4, 5}, mxREAL)},
        {standinCreateArray(mxDOUBLE_CLASS, {0, 3}, mxREAL)},
    };
    for (const auto &c : cases) {
        mxArray *sparse = standinCreateSparse(c.full);
        expectConversion(c.full, convert(sparse), "sparse");
        mxArray *holder = makeCell({1, 1}, {standinCreateSparse(c.full)});
        const mxArray *out = convert(holder);
        expectConversion(c.full, mxGetCell(out, 0), "sparse in a cell");
    }
}

TEST_F(Nubrik, BoundsNestingWellInsideAOneMebibyteStack) {
    mxArray *deepest = nestInCells(makeScalar(mxUINT16_CLASS, uint16_t{0xFF}), maxNesting);
    mxArray *tooDeep = nestInCells(makeScalar(mxUINT16_CLASS, uint16_t{0xFF}), maxNesting + 1);
    mxArray *deepStruct = makeStruct(
        {1, 1}, {"inner"}, {nestInCells(makeScalar(mxUINT8_CLASS, uint8_t{1}), maxNesting)});
    StandinCall deep, beyond, structBeyond;
    const bool ran = runOnThread(smallStack, [&] {
        deep = standinCall(entry(), 1, {deepest});
        beyond = standinCall(entry(), 1, {tooDeep});
        structBeyond = standinCall(entry(), 1, {deepStruct});
    });
    ASSERT_TRUE(ran);
    EXPECT_FALSE(deep.failed) << deep.error;
    EXPECT_EQ(deep.faults, std::vector<std::string>{});
    const mxArray *leaf = deep.outputs[0];
    for (int i = 0; i < maxNesting && leaf; ++i)
        leaf = mxGetCell(leaf, 0);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(countsOf(leaf), std::vector<int>{8});
    for (const StandinCall &result : {beyond, structBeyond}) {
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.error, nubrikText::tooDeep);
        EXPECT_EQ(result.faults, std::vector<std::string>{});
    }
}

TEST_F(Nubrik, RefusesArraysOfTwoToTheThirtyFirstElementsOrMore) {
    // Buffers this large are zero pages until written, and nothing writes them.
    for (const std::vector<int> &dims :
         {std::vector<int>{65536, 32768}, std::vector<int>{65536, 65536}}) {
        mxArray *huge = standinCreateArray(mxUINT8_CLASS, dims, mxREAL);
        expectError(huge, nubrikText::tooMany);
        expectError(makeCell({1, 1}, {huge}), nubrikText::tooMany);
    }
}

} // namespace
