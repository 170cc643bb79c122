// Version texts: ordering, formats and the withdrawn suffix.
#include <gtest/gtest.h>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/text/lib_version_manager.hpp"

using vek::common_lib::lib_common_version_t;
using vek::common_lib::lib_version_manager_t;

TEST(VersionManager, ParsesDottedNonNegativeFields) {
    EXPECT_EQ(lib_version_manager_t::parse_version("1.0.2.6"), (std::vector<int>{1, 0, 2, 6}));
    EXPECT_EQ(lib_version_manager_t::parse_version("3.1_BETA"), (std::vector<int>{3, 1}));
    for (const char* bad : {"", "1..2", "1.-2", "1.2_beta"}) EXPECT_TRUE(lib_version_manager_t::parse_version(bad).empty()) << bad;
    EXPECT_TRUE(lib_version_manager_t::is_withdraw_version("1.2_BETA"));
    EXPECT_FALSE(lib_version_manager_t::is_withdraw_version("1.2"));
    EXPECT_EQ(lib_common_version_t::get_version_str(), "1.0.2.6");
}

TEST(VersionManager, OrderingFieldByFieldAndSameness) {
    EXPECT_TRUE(lib_version_manager_t::is_version_smaller("1.2.3", "1.2.4"));
    EXPECT_FALSE(lib_version_manager_t::is_version_greater("1.2.3", "1.2.4"));
    EXPECT_TRUE(lib_version_manager_t::is_version_greater("2.0.0", "1.9.9"));
    EXPECT_TRUE(lib_version_manager_t::is_version_greater("1.10", "1.9"));  // numeric, not textual
    // Equal versions are both greater and smaller; the suffix plays no part in the order.
    EXPECT_TRUE(lib_version_manager_t::is_version_greater("1.2.3", "1.2.3_BETA"));
    EXPECT_TRUE(lib_version_manager_t::is_version_smaller("1.2.3", "1.2.3_BETA"));
    // Sameness needs the same withdrawn state.
    EXPECT_TRUE(lib_version_manager_t::is_same_version("1.2.3_BETA", "1.2.3_BETA"));
    EXPECT_FALSE(lib_version_manager_t::is_same_version("1.2.3_BETA", "1.2.3"));
    EXPECT_FALSE(lib_version_manager_t::is_same_version("x", "x"));

    EXPECT_TRUE(lib_version_manager_t::is_same_version_format("1.2", "7.0_BETA"));
    EXPECT_FALSE(lib_version_manager_t::is_same_version_format("", ""));
    vek::common_lib::report_capture_t out;
    EXPECT_FALSE(lib_version_manager_t::is_version_greater("1.2", "1.2.3"));
    EXPECT_FALSE(lib_version_manager_t::is_version_smaller("1.2", "1.2.3"));
    EXPECT_EQ(out.text(),
              "lib_version_manager_t::is_version_greater Report : Different Version Format!\n"
              "lib_version_manager_t::is_version_greater Report : Different Version Format!\n");
}
