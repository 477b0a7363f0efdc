// Fuzzes nubrik.mexa64 through the stand-in host: any arguments, any number of
// outputs, any one creation or mxCalloc failing. Every call must leave the
// host's audit clean and end exactly as it must: the pairing text, the creation
// text when a creation failed, or results equal to an independent count.
#include "arrays.h"
#include "decoder.h"
#include "loader.h"
#include "messages.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "nubrik: %s\n", what.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MexEntry *const entry = loadMexEntry(NUBRIK_MEX);
    if (!entry) fail("did not load");
    Bytes bytes(data, size);
    const int nlhs = static_cast<int>(bytes.below(4));
    const int nrhs = static_cast<int>(bytes.below(4));
    const int failAt = static_cast<int>(bytes.below(4) == 0 ? 1 + bytes.below(12) : 0);
    std::vector<const mxArray *> inputs;
    for (int i = 0; i < nrhs; ++i)
        inputs.push_back(decodeArray(bytes, static_cast<int>(bytes.below(5))));

    standinFailAllocation(failAt);
    const StandinCall call = standinCall(entry, nlhs, inputs);
    for (const std::string &fault : call.faults)
        fail("broke the host's rules: " + fault);

    const bool paired = nlhs == nrhs || (nrhs == 1 && nlhs == 0);
    const bool creationFailed = failAt > 0 && failAt <= call.allocations;
    if (!paired) {
        if (call.error != nubrikText::mismatch)
            fail("unpaired call ended with \"" + call.error + "\"");
    } else if (creationFailed) {
        if (call.error != nubrikText::create)
            fail("failed creation ended with \"" + call.error + "\"");
    } else {
        if (call.failed) fail("call failed with \"" + call.error + "\"");
        for (int i = 0; i < nrhs; ++i) {
            const std::string mismatch =
                conversionMismatch(inputs[i], call.outputs[i], "argument " + std::to_string(i));
            if (!mismatch.empty()) fail(mismatch);
        }
    }
    standinReset();
    return 0;
}
