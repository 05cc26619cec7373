// The command line run in the test's process, as main would run it, with
// its standard output and error caught.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FakeForm.h"

std::string ReadFile(const std::string& path);

struct Result {
    int status;
    std::string out, err;
};

// Runs `itemmap ARGS...`, from a fresh Session.
Result Itemmap(std::vector<std::string> args);

// A folder with iris and the cancer sample in it.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override;
    std::string File(const char* name) const { return dir.File(name); }
    TempDir dir;
};
