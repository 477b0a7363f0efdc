// Fuzzes quenrel.mexa64 through the stand-in host: any arguments, any number of
// inputs and outputs, the result's creation failing or not. Every call must
// leave the host's audit clean, warn exactly when it must, and end exactly as
// an independent model of the argument rules says: with the first text that
// applies, or with the coefficient of a plain sequential two-pass loop.
#include "arrays.h"
#include "correlation.h"
#include "decoder.h"
#include "loader.h"
#include "messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "quenrel: %s\n", what.c_str());
    std::abort();
}

// The sizes an argument's window is matched with: every extent of an array of
// more than two dimensions; of a matrix, its extents less the trailing ones of
// at most 1 (a row keeps both, a column its first, a scalar or an empty 0-by-0,
// 0-by-1 or 1-by-0 none).
std::vector<int> windowSizes(const mxArray *x) {
    std::vector<int> sizes = dimsOf(x);
    if (sizes.size() == 2)
        while (!sizes.empty() && sizes.back() <= 1)
            sizes.pop_back();
    return sizes;
}

// The rule as users read it: the sizes, multiplied in order, reach exactly n,
// with no partial product above n.
bool reachesExactly(const std::vector<int> &sizes, long long n) {
    long long product = 1;
    bool above = false;
    for (const int size : sizes) {
        // Held at n + 1 once above n, so that no product overflows.
        product = std::min(product * size, n + 1);
        above = above || product > n;
    }
    return !above && product == n;
}

// The first text that the intake of x must end with against n elements, or nothing.
std::string intakeError(const mxArray *x, long long n, const quenrelText::ArgumentTexts &texts) {
    const int classId = mxGetClassID(x);
    if (classId != mxDOUBLE_CLASS && standinElementSize(classId) == 0)
        return standinDoubleRefusal(classId);
    if (mxIsComplex(x)) return texts.real;
    if (!reachesExactly(windowSizes(x), n)) return texts.match;
    // Then the element count: the window holds all of x's elements, and at least one.
    if (n == 0 || static_cast<long long>(mxGetNumberOfElements(x)) != n) return texts.count;
    return "";
}

void expectCoefficient(const StandinCall &call, const std::vector<const mxArray *> &inputs) {
    const mxArray *out = call.outputs[0];
    if (!out || mxGetClassID(out) != mxDOUBLE_CLASS || dimsOf(out) != std::vector<int>{1, 1} ||
        mxIsComplex(out))
        fail("no 1-by-1 real double result");
    const int n = static_cast<int>(mxGetNumberOfElements(inputs[0]));
    // The values come from the host's double, which is what defines them.
    const double expected = referenceCorrelation(mxGetPr(standinDoubleCopy(inputs[0])),
                                                 mxGetPr(standinDoubleCopy(inputs[1])), n);
    const double actual = mxGetPr(out)[0];
    if (bitsOf(actual) != bitsOf(expected) && !(std::isnan(actual) && std::isnan(expected)))
        fail("coefficient " + std::to_string(actual) + " instead of " + std::to_string(expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MexEntry *const entry = loadMexEntry(QUENREL_MEX);
    if (!entry) fail("did not load");
    Bytes bytes(data, size);
    const int nlhs = static_cast<int>(bytes.below(3));
    const int nrhs = static_cast<int>(bytes.below(5));
    const bool creationFails = bytes.below(8) == 0;
    std::vector<const mxArray *> inputs;
    for (int i = 0; i < nrhs; ++i)
        inputs.push_back(decodeArray(bytes, static_cast<int>(bytes.below(3))));

    standinFailAllocation(creationFails ? 1 : 0);
    const StandinCall call = standinCall(entry, nlhs, inputs);
    for (const std::string &fault : call.faults)
        fail("broke the host's rules: " + fault);

    std::string expected;
    if (nrhs == 0 && nlhs == 1) {
        if (creationFails) expected = quenrelText::create;
    } else {
        const std::vector<std::string> warnings =
            nrhs > 2 ? std::vector<std::string>{quenrelText::warning} : std::vector<std::string>{};
        if (call.warnings != warnings) fail("wrong warnings");
        const long long n =
            nrhs >= 1 ? static_cast<long long>(mxGetNumberOfElements(inputs[0])) : 1;
        if (nrhs >= 1) expected = intakeError(inputs[0], n, quenrelText::argumentA);
        if (expected.empty() && nrhs >= 2)
            expected = intakeError(inputs[1], n, quenrelText::argumentB);
        if (expected.empty() && nrhs < 2) expected = quenrelText::wrongCount;
        if (expected.empty() && creationFails) expected = quenrelText::create;
        // The coefficient fills one output; the host refuses to leave a second empty.
        if (expected.empty() && nlhs > 1) expected = standinUnassignedText;
    }
    if (!expected.empty()) {
        if (!call.failed || call.error != expected)
            fail("ended with \"" + call.error + "\" instead of \"" + expected + "\"");
    } else if (call.failed) {
        fail("failed with \"" + call.error + "\"");
    } else if (nrhs == 0) {
        const mxArray *text = call.outputs[0];
        const mxChar *units = static_cast<const mxChar *>(mxGetData(text));
        if (std::string(units, units + mxGetNumberOfElements(text)) != quenrelIdentification)
            fail("wrong identification text");
    } else {
        expectCoefficient(call, inputs);
    }
    standinReset();
    return 0;
}
