// Checks written once and called from many tests report the line of the test
// that called them, not only their own: a helper takes the caller's place
// (defaulted, so calls stay short) and traces it for every failure within.
#pragma once

#include <gtest/gtest.h>

#include <source_location>

namespace sw::test {

using Caller = std::source_location;

class CalledFrom {
public:
    explicit CalledFrom(const Caller& caller)
        : trace_(caller.file_name(), static_cast<int>(caller.line()), "called from here") {}

private:
    ::testing::ScopedTrace trace_;
};

}  // namespace sw::test
