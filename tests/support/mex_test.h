// A test fixture that loads one built extension the way the host does and calls
// it through the stand-in host, whose audit must come out clean on every call.
// The environment variable MEX_FILE names another file of the same function to
// test instead, such as the one a release carries.
#ifndef MEX_TEST_H
#define MEX_TEST_H

#include "arrays.h"
#include "loader.h"
#include "standin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

class MexTest : public ::testing::Test {
protected:
    explicit MexTest(const char *path)
        : path_(std::getenv("MEX_FILE") ? std::getenv("MEX_FILE") : path) {}

    void SetUp() override {
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
