// Fuzzes quenrel.mexa64 through the stand-in host: any arguments, any number of
// inputs and outputs, the result's creation failing or not. Every call must
// leave the host's audit clean, warn exactly when it must, and end exactly as
// an independent model of the argument rules says: with the first text that
// applies, or with the coefficient of a plain sequential two-pass loop.
#include "arrays.h"
#include "correlation.h"
#include "decoder.h"
#include "loader.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "quenrel: %s\n", what.c_str());
    std::abort();
}

// The stand-in host's own error for an argument its double cannot convert.
std::string hostError(int classId) {
    static const char *const names[] = {"unknown", "cell",           "struct", "logical", "char",
                                        "void",    "double",         "single", "int8",    "uint8",
                                        "int16",   "uint16",         "int32",  "uint32",  "int64",
                                        "uint64",  "function_handle"};
    return std::string("Conversion to double from ") +
           (classId <= mxFUNCTION_CLASS ? names[classId] : "object") + " is not possible.";
}

// The first text that the intake of x must end with, or nothing.
std::string intakeError(const mxArray *x, long long n, const std::string &letter, int position) {
    const std::string named =
        "input argument \"" + letter + "\" (" + std::to_string(position) + ")";
    const int classId = mxGetClassID(x);
    if (classId != mxDOUBLE_CLASS && standinElementSize(classId) == 0) return hostError(classId);
    if (mxIsComplex(x)) return "Expected REAL number as " + named;
    const std::vector<int> e = dimsOf(x);
    const int k = e.size() > 2 ? static_cast<int>(e.size()) : e[1] > 1 ? 2 : e[0] > 1 ? 1 : 0;
    long long t = 1;
    for (int i = 0; !(t == n && i == k); ++i) {
        if (i >= k || n < t * e[i])
            return "Can not match size of dimensions for " + letter + " to iterator";
        t *= e[i];
    }
    const long long m = static_cast<long long>(mxGetNumberOfElements(x));
    if (t == 0 || m / t != 1) return "Expected 1 elements as iterator window dims as " + named;
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
        if (creationFails) expected = "Unable to create output array";
    } else {
        const std::vector<std::string> warnings =
            nrhs > 2 ? std::vector<std::string>{"Too many arguments to function quenrel. "
                                                "Argument(s) ignored."}
                     : std::vector<std::string>{};
        if (call.warnings != warnings) fail("wrong warnings");
        const long long n =
            nrhs >= 1 ? static_cast<long long>(mxGetNumberOfElements(inputs[0])) : 1;
        if (nrhs >= 1) expected = intakeError(inputs[0], n, "A", 1);
        if (expected.empty() && nrhs >= 2) expected = intakeError(inputs[1], n, "B", 2);
        if (expected.empty() && nrhs < 2) expected = "Wrong number of input variables";
        if (expected.empty() && creationFails) expected = "Unable to create output array";
        // The coefficient fills one output; the host refuses to leave a second empty.
        if (expected.empty() && nlhs > 1)
            expected = "One or more output arguments not assigned during call.";
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
