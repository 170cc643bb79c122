// The committed data/ is exactly what the generator writes today: regenerate every file into a
// scratch directory and compare byte for byte. A failure here means data/ is stale: re-run
// vek_gen_reference_data (tools/README.md) and commit the result with the change that caused it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "refgen_files.hpp"

namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

fs::path scratch(const std::string& name) {
    const char* root = std::getenv("VEK_TEST_TMP");
    const fs::path dir = fs::path(root != nullptr ? root : "/tmp") / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(ReferenceDataGenerator, RegeneratedFilesEqualTheCommittedData) {
    const fs::path out = scratch("refgen");
    std::string error;
    ASSERT_TRUE(vek::tools::refgen::generate_reference_data(out.string(), error)) << error;

    const char* files[] = {"wlan54Mbps/Pilot", "wlan54Mbps/Preamble", "wlan54Mbps/remap",  "wlan54Mbps/remod",
                           "lteDL/ltePilot",   "lteDL/ltePreamble",   "lteDL/lteReMap",    "lteDL/lteReMod",
                           "lteUL/Pilot",      "lteUL/Preamble",      "lteUL/remap",       "lteUL/remod"};
    std::size_t generated = 0;
    for (const auto& item : fs::recursive_directory_iterator(out)) generated += item.is_regular_file() ? 1 : 0;
    EXPECT_EQ(generated, std::size(files));
    const fs::path data = VEK_TEST_DATA_DIR;
    for (const char* name : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(data / name));
        ASSERT_TRUE(fs::exists(out / name));
        EXPECT_TRUE(read_all(out / name) == read_all(data / name)) << "data/" << name << " is stale";
    }
    EXPECT_TRUE(read_all(out / "lteUL/Preamble").empty());
}

TEST(ReferenceDataGenerator, UnwritableOutputIsRefusedNamingThePath) {
    const fs::path dir = scratch("refgen_blocked");
    // A regular file where the output directory should be.
    std::ofstream(dir / "blocked") << "x";
    std::string error;
    EXPECT_FALSE(vek::tools::refgen::generate_reference_data((dir / "blocked").string(), error));
    EXPECT_NE(error.find((dir / "blocked").string()), std::string::npos) << error;
}

}  // namespace
