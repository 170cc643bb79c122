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

TEST(ReferenceDataGenerator, RegeneratedFilesEqualTheCommittedDataAndBadOutputIsRefused) {
    const char* root = std::getenv("VEK_TEST_TMP");
    const fs::path out = fs::path(root != nullptr ? root : "/tmp") / "refgen";
    fs::remove_all(out);
    std::string error;
    ASSERT_TRUE(vek::tools::refgen::generate_reference_data(out.string(), error)) << error;
    std::size_t generated = 0;
    for (const auto& item : fs::recursive_directory_iterator(out)) {
        if (!item.is_regular_file()) continue;
        ++generated;
        const fs::path name = fs::relative(item.path(), out), committed = fs::path(VEK_TEST_DATA_DIR) / name;
        EXPECT_TRUE(fs::exists(committed) && read_all(item.path()) == read_all(committed))
            << "data/" << name.string() << " is stale";
    }
    // Pilot, Preamble, resource map and modulation map for each of WLAN, LTE DL and LTE UL.
    EXPECT_EQ(generated, 12u);
    EXPECT_TRUE(read_all(out / "lteUL/Preamble").empty());

    // A regular file where the output directory should be: refused, naming the path.
    const fs::path blocked = out / "lteUL" / "Pilot";
    EXPECT_FALSE(vek::tools::refgen::generate_reference_data(blocked.string(), error));
    EXPECT_NE(error.find(blocked.string()), std::string::npos) << error;
}

}  // namespace
