#pragma once
// A scratch folder for the running test, named after it: ctest runs tests side by side, so a
// folder shared by name between tests would be emptied under one by another's set-up.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quv::test {

// "TEMP/PREFIX_TESTNAME", emptied and made anew.
inline std::filesystem::path FreshTestFolder(const std::string& prefix)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        (prefix + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace quv::test
