// Gives a test program a fresh, empty VANTRO_HOME for its whole run, so that the per-user
// store, history and logs it touches live in a temporary folder and never in the user's
// own files. Must not be used for anything but test isolation.
#pragma once

#include <string>

#include <gtest/gtest.h>

class FreshHomeEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
    // The folder VANTRO_HOME names while the tests run.
    static const std::string& folder();
};

// A fresh empty folder under the system's temporary folder; removed by the caller.
std::string make_temporary_folder(const char* tag);

// Registers the environment; use once per program at namespace scope:
//   const bool kFreshHome = use_fresh_vantro_home();
bool use_fresh_vantro_home();
