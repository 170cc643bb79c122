#pragma once
// A fresh scratch directory per test below VEK_TEST_TMP, and a helper to write data files into it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace vek::test {

// The readers cut paths to 99 bytes, so the name is a short digest of the suite and case names.
inline std::filesystem::path scratch_dir_for_current_test() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::size_t digest = std::hash<std::string>{}(std::string(info->test_suite_name()) + "." + info->name());
    const char* root = std::getenv("VEK_TEST_TMP");
    const std::filesystem::path dir =
        std::filesystem::path(root != nullptr ? root : "/tmp") / ("refdata_" + std::to_string(digest % 1000000));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void write_file(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

}  // namespace vek::test
