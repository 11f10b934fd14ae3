// The code pages a test can run its cases in. On POSIX a test chooses one
// through MVDB_CODEPAGE, so both known code pages run in every suite; a
// Windows process has one code page, so each run of the suite there checks
// its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mvdb::test {

std::vector<int> TestableCodePages();

// The code page with this number; nullptr when this process cannot have it.
std::unique_ptr<platform::CodePage> CodePageNumbered(int number);

// A suite that runs once in each code page given as its parameter; the
// code page of the run is codePage_.
class CodePageTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        codePage_ = CodePageNumbered(GetParam());
        ASSERT_TRUE(codePage_) << "code page " << GetParam() << " is not available";
    }
    std::unique_ptr<platform::CodePage> codePage_;
};

// A parameter name for a code page number, for parameterised suites.
inline std::string CodePageName(const ::testing::TestParamInfo<int>& info) {
    return std::to_string(info.param);
}

}  // namespace mvdb::test
