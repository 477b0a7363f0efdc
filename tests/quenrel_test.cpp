// Behaviour of quenrel.mexa64, loaded and called the way the host does.
#include "arrays.h"
#include "correlation.h"
#include "messages.h"
#include "mex_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The texts that name A, and those that name B.
const quenrelText::ArgumentTexts &A = quenrelText::argumentA;
const quenrelText::ArgumentTexts &B = quenrelText::argumentB;
// The host's own errors for arguments that its double cannot convert.
const std::string fromCell = standinDoubleRefusal(mxCELL_CLASS);
const std::string fromStruct = standinDoubleRefusal(mxSTRUCT_CLASS);
const std::string fromHandle = standinDoubleRefusal(mxFUNCTION_CLASS);

// A double array of the given extents holding 1, 2, 3, ... in storage order.
mxArray *counting(const std::vector<int> &dims, mxComplexity complexity = mxREAL) {
    mxArray *a = standinCreateArray(mxDOUBLE_CLASS, dims, complexity);
    for (size_t i = 0; i < mxGetNumberOfElements(a); ++i)
        mxGetPr(a)[i] = static_cast<double>(i + 1);
    return a;
}

mxArray *row(const std::vector<double> &values) {
    return makeArray<double>(mxDOUBLE_CLASS, {1, static_cast<int>(values.size())}, values);
}

class Quenrel : public MexTest {
protected:
    Quenrel() : MexTest(QUENREL_MEX) {}

    // The coefficient of a call that must succeed, and be a 1-by-1 real double.
    double coefficient(const mxArray *a, const mxArray *b) {
        StandinCall result = call(1, {a, b});
        EXPECT_FALSE(result.failed) << result.error;
        const mxArray *out = result.outputs[0];
        if (!out) return 0;
        EXPECT_EQ(mxGetClassID(out), mxDOUBLE_CLASS);
        EXPECT_EQ(dimsOf(out), (std::vector<int>{1, 1}));
        EXPECT_FALSE(mxIsComplex(out));
        return mxGetPr(out)[0];
    }

    void expectError(const std::vector<const mxArray *> &inputs, const char *text) {
        StandinCall result = call(1, inputs);
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.error, text);
    }
};

TEST_F(Quenrel, ReturnsItsIdentificationText) {
    StandinCall result = call(1, {});
    ASSERT_FALSE(result.failed) << result.error;
    const mxArray *text = result.outputs[0];
    ASSERT_EQ(mxGetClassID(text), mxCHAR_CLASS);
    EXPECT_EQ(dimsOf(text),
              (std::vector<int>{1, static_cast<int>(std::strlen(quenrelIdentification))}));
    const mxChar *units = static_cast<const mxChar *>(mxGetData(text));
    EXPECT_EQ(std::string(units, units + mxGetNumberOfElements(text)), quenrelIdentification);
}

TEST_F(Quenrel, EqualsThePlainSequentialLoopBitForBit) {
    std::mt19937_64 random(20261208);
    std::vector<int> sizes;
    for (int n = 1; n <= 100; ++n)
        sizes.push_back(n);
    for (int n : {1000, 4097, 65537, 1000000})
        sizes.push_back(n);
    for (int k = 0; k < 4; ++k)
        sizes.push_back(1 + static_cast<int>(random() % 1000000));
    std::normal_distribution<double> noise;
    for (int n : sizes) {
        // Large offsets and mixed magnitudes make every reordering show in the last bits.
        const double offset = std::ldexp(1.0, static_cast<int>(random() % 40));
        std::vector<double> a(n), b(n);
        for (int i = 0; i < n; ++i) {
            a[i] = offset + noise(random) * std::ldexp(1.0, static_cast<int>(random() % 20));
            b[i] = 0.5 * a[i] - offset / 3 + noise(random);
        }
        const double expected = referenceCorrelation(a.data(), b.data(), n);
        const double actual = coefficient(makeArray<double>(mxDOUBLE_CLASS, {n, 1}, a),
                                          makeArray<double>(mxDOUBLE_CLASS, {1, n}, b));
        ASSERT_EQ(bitsOf(actual), bitsOf(expected))
            << "N = " << n << ": " << actual << " instead of " << expected;
        standinReset();
    }
}

TEST_F(Quenrel, GivesTheTabulatedBitsOnEveryMachine) {
    const std::vector<TabulatedCase> cases = readTabulatedCases(QUENREL_BITS);
    ASSERT_GT(cases.size(), 100u) << QUENREL_BITS;
    for (const TabulatedCase &c : cases) {
        const int n = static_cast<int>(c.a.size());
        const double actual = coefficient(makeArray<double>(mxDOUBLE_CLASS, {n, 1}, c.a),
                                          makeArray<double>(mxDOUBLE_CLASS, {1, n}, c.b));
        if (c.nan)
            EXPECT_TRUE(std::isnan(actual)) << c.text << ": gave " << actual;
        else
            EXPECT_EQ(bitsOf(actual), c.bits)
                << c.text << ": gave " << std::hex << bitsOf(actual) << " (" << actual << ")";
        standinReset();
    }
}

TEST_F(Quenrel, GivesTheExpectedCoefficients) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        mxArray *a, *b;
        double expected;
    } cases[] = {
        {row({1, 2, 3}), row({2, 4, 6}), 1},
        {row({1, 2, 3}), row({3, 2, 1}), -1},
        {counting({2, 3}), counting({3, 2}), 1},
        {row({5}), row({7}), nan},
        {row({5, 5, 5}), row({1, 2, 3}), nan},
        {row({1, 2, 3}), row({4, 4, 4}), nan},
        {row({1, nan, 3}), row({1, 2, 3}), nan},
        {row({1, inf, 3}), row({1, 2, 3}), nan},
        {row({1, 2, 3, 4}), row({1, 2, 3, 5}),
         referenceCorrelation(std::vector<double>{1, 2, 3, 4}.data(),
                              std::vector<double>{1, 2, 3, 5}.data(), 4)},
    };
    for (const auto &c : cases) {
        const double actual = coefficient(c.a, c.b);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(actual)) << actual;
        else
            EXPECT_EQ(actual, c.expected);
    }
}

TEST_F(Quenrel, RaisesEachMessageInItsOrder) {
    mxArray *handle = standinCreateObject(mxFUNCTION_CLASS);
    mxArray *cell = makeCell({1, 3}, {});
    const struct {
        std::vector<const mxArray *> inputs;
        const char *error; // nullptr: the call returns a coefficient
        int nlhs;
        bool warns;
    } cases[] = {
        {{}, quenrelText::wrongCount, 0, false},
        {{}, quenrelText::wrongCount, 2, false},
        {{counting({1, 3})}, quenrelText::wrongCount, 1, false},
        {{counting({1, 3})}, quenrelText::wrongCount, 0, false},
        {{counting({1, 3}, mxCOMPLEX)}, A.real, 1, false},
        {{cell}, fromCell.c_str(), 1, false},
        {{handle, counting({1, 3}, mxCOMPLEX)}, fromHandle.c_str(), 1, false},
        {{counting({1, 3}), makeStruct({1, 1}, {}, {})}, fromStruct.c_str(), 1, false},
        {{counting({1, 3}, mxCOMPLEX), counting({1, 3}, mxCOMPLEX)}, A.real, 1, false},
        {{counting({1, 3}), counting({1, 3}, mxCOMPLEX)}, B.real, 1, false},
        {{counting({0, 0}), counting({0, 0})}, A.match, 1, false},
        {{counting({5, 0}), counting({5, 0})}, A.match, 1, false},
        {{counting({0, 1}), counting({0, 1})}, A.match, 1, false},
        {{counting({1, 0}), counting({1, 0})}, A.match, 1, false},
        {{counting({0, 5}), counting({0, 5})}, A.count, 1, false},
        {{counting({0, 5, 2}), counting({1, 1})}, A.count, 1, false},
        {{counting({1, 6}), counting({1, 7})}, B.match, 1, false},
        {{counting({1, 6}), counting({1, 5})}, B.match, 1, false},
        {{counting({1, 1}), counting({0, 0})}, B.count, 1, false},
        {{counting({1, 1}), counting({1, 0})}, B.count, 1, false},
        {{counting({1, 1}), counting({0, 1})}, B.count, 1, false},
        {{counting({5, 1}), counting({5, 0})}, B.count, 1, false},
        {{counting({6, 1}), counting({6, 1, 2})}, B.match, 1, false},
        {{counting({2, 1, 3}), counting({6, 1})}, nullptr, 1, false},
        {{counting({2, 3}), counting({1, 6})}, nullptr, 1, false},
        {{counting({2, 3}), counting({6, 1})}, nullptr, 1, false},
        {{counting({1, 3}), counting({1, 3})}, nullptr, 0, false},
        {{counting({1, 3}), counting({1, 3}), cell}, nullptr, 1, true},
        {{counting({1, 3}), counting({1, 3}), handle, cell}, nullptr, 1, true},
        {{counting({1, 3}, mxCOMPLEX), counting({1, 3}), cell}, A.real, 1, true},
        {{makeArray<int32_t>(mxINT32_CLASS, {1, 3}, {1, 2, 4}),
          makeArray<uint8_t>(mxLOGICAL_CLASS, {3, 1}, {1, 0, 1})},
         nullptr,
         1,
         false},
        {{makeArray<mxChar>(mxCHAR_CLASS, {1, 3}, {'a', 'b', 'd'}),
          makeArray<float>(mxSINGLE_CLASS, {1, 3}, {1, 2, 3})},
         nullptr,
         1,
         false},
    };
    int row = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << row++);
        StandinCall result = call(c.nlhs, c.inputs);
        EXPECT_EQ(result.warnings, c.warns ? std::vector<std::string>{quenrelText::warning}
                                           : std::vector<std::string>{});
        EXPECT_EQ(result.failed, c.error != nullptr) << result.error;
        if (c.error) {
            EXPECT_EQ(result.error, c.error);
        } else {
            ASSERT_NE(result.outputs[0], nullptr);
            EXPECT_EQ(mxGetClassID(result.outputs[0]), mxDOUBLE_CLASS);
        }
    }
}

TEST_F(Quenrel, ConvertsOtherClassesWithTheHostsDouble) {
    const double expected = coefficient(row({1, 2, 4}), row({1, 0, 1}));
    EXPECT_EQ(coefficient(makeArray<int32_t>(mxINT32_CLASS, {1, 3}, {1, 2, 4}),
                          makeArray<uint8_t>(mxLOGICAL_CLASS, {1, 3}, {1, 0, 1})),
              expected);

    standinBreakDouble(true);
    expectError({makeArray<int32_t>(mxINT32_CLASS, {1, 3}, {1, 2, 4}), row({1, 2, 3})}, A.datatype);
    expectError({row({1, 2, 3}), makeArray<float>(mxSINGLE_CLASS, {1, 3}, {1, 2, 3})}, B.datatype);
    // A complex argument that double leaves in its class: the class is told first.
    expectError({standinCreateArray(mxINT32_CLASS, {1, 3}, mxCOMPLEX), row({1, 2, 3})}, A.datatype);
    expectError({row({1, 2, 3}), standinCreateArray(mxSINGLE_CLASS, {1, 3}, mxCOMPLEX)},
                B.datatype);
}

TEST_F(Quenrel, ReadsSparseArraysAsTheirFullForm) {
    const std::vector<double> a = {0, 1.5, 0, 0, 0, -2, 0, 0, 7, 0, 0, 1};
    const std::vector<double> b = {3, 0, 0, 1, 0, 0, 0, 2, 0, 0, 5, 0};
    const std::vector<uint8_t> mask = {1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1};
    mxArray *fullA = makeArray<double>(mxDOUBLE_CLASS, {3, 4}, a);
    mxArray *fullB = makeArray<double>(mxDOUBLE_CLASS, {3, 4}, b);
    const double expected = referenceCorrelation(a.data(), b.data(), 12);
    EXPECT_EQ(bitsOf(coefficient(standinCreateSparse(fullA), fullB)), bitsOf(expected));
    EXPECT_EQ(bitsOf(coefficient(fullA, standinCreateSparse(fullB))), bitsOf(expected));
    EXPECT_EQ(bitsOf(coefficient(standinCreateSparse(fullA), standinCreateSparse(fullB))),
              bitsOf(expected));
    mxArray *logical = makeArray<uint8_t>(mxLOGICAL_CLASS, {3, 4}, mask);
    const std::vector<double> maskValues(mask.begin(), mask.end());
    EXPECT_EQ(bitsOf(coefficient(fullA, standinCreateSparse(logical))),
              bitsOf(referenceCorrelation(a.data(), maskValues.data(), 12)));
}

TEST_F(Quenrel, RefusesArraysOfTwoToTheThirtyFirstElementsOrMore) {
    // Buffers this large are zero pages until written, and nothing writes them.
    for (const std::vector<int> &dims :
         {std::vector<int>{65536, 32768}, std::vector<int>{65536, 65536}}) {
        mxArray *huge = standinCreateArray(mxUINT8_CLASS, dims, mxREAL);
        expectError({huge, row({1, 2, 3})}, A.tooLarge);
        expectError({row({1, 2, 3}), huge}, B.tooLarge);
    }
}

TEST_F(Quenrel, ReportsEveryFailedCreation) {
    mxArray *full = makeArray<double>(mxDOUBLE_CLASS, {2, 2}, {0, 3, 0, 1});
    const std::vector<const mxArray *> calls[] = {
        {},
        {row({1, 2}), row({2, 1})},
        {row({1, 2, 3}), row({3, 1, 2}), makeCell({1, 1}, {})},
        {makeArray<int32_t>(mxINT32_CLASS, {2, 1}, {4, 5}),
         makeArray<uint8_t>(mxLOGICAL_CLASS, {1, 2}, {1, 0})},
        {standinCreateSparse(full), full},
    };
    for (const auto &inputs : calls) {
        standinFailAllocation(0);
        const StandinCall clean = call(1, inputs);
        ASSERT_FALSE(clean.failed) << clean.error;
        ASSERT_GT(clean.allocations, 0);
        for (int k = 1; k <= clean.allocations; ++k) {
            SCOPED_TRACE(testing::Message() << inputs.size() << " inputs, allocation " << k);
            standinFailAllocation(k);
            expectError(inputs, quenrelText::create);
        }
    }
}

} // namespace
