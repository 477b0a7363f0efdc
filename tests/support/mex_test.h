// A test fixture that loads one built extension the way the host does and calls
// it through the stand-in host, whose audit must come out clean on every call.
// The environment variable MEX_FILE names another file of the same function to
// test instead, such as the one a release carries. A deliverable built for an
// instruction set (MEX_MARCH) is tested only on a processor that has it; on
// another, each test reports itself skipped.
#ifndef MEX_TEST_H
#define MEX_TEST_H

#include "arrays.h"
#include "loader.h"
#include "standin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

// The instruction set the deliverables are built for (MEX_MARCH) when this
// processor lacks it, else nullptr.
inline const char *missingInstructionSet() {
#ifdef MEX_MARCH
    if (!__builtin_cpu_supports(MEX_MARCH)) return MEX_MARCH;
#endif
    return nullptr;
}

class MexTest : public ::testing::Test {
protected:
    explicit MexTest(const char *path)
        : path_(std::getenv("MEX_FILE") ? std::getenv("MEX_FILE") : path) {}

    void SetUp() override {
        if (const char *missing = missingInstructionSet())
            GTEST_SKIP() << "this processor cannot run code built for " << missing;
        entry_ = loadMexEntry(path_);
        ASSERT_NE(entry_, nullptr) << path_ << " did not load";
    }
    void TearDown() override { standinReset(); }

    MexEntry *entry() const { return entry_; }

    StandinCall call(int nlhs, const std::vector<const mxArray *> &inputs) const {
        StandinCall result = standinCall(entry_, nlhs, inputs);
        EXPECT_EQ(result.faults, std::vector<std::string>{});
        return result;
    }

private:
    const char *path_;
    MexEntry *entry_ = nullptr;
};

inline void expectConversion(const mxArray *in, const mxArray *out, const std::string &where) {
    EXPECT_EQ(conversionMismatch(in, out, where), "");
}

#endif
