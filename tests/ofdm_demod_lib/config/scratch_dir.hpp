#pragma once
// A fresh scratch directory per test below VEK_TEST_TMP, with helpers to write data files into it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace vek::test {

inline std::filesystem::path make_scratch_dir_at(const std::filesystem::path& root, const std::string& name) {
    std::filesystem::path dir = root / ("refdata_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::filesystem::path make_scratch_dir(const std::string& name) {
    const char* root = std::getenv("VEK_TEST_TMP");
    return make_scratch_dir_at(root != nullptr ? root : "/tmp", name);
}

// The scratch directory of the running test. The readers cut paths to 99 bytes, so the name is a
// short digest of the suite and case names rather than the names themselves.
inline std::filesystem::path scratch_dir_for_current_test() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::size_t digest = std::hash<std::string>{}(std::string(info->test_suite_name()) + "." + info->name());
    return make_scratch_dir(std::to_string(digest % 1000000));
}

inline void write_file(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

}  // namespace vek::test
