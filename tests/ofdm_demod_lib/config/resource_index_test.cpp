#include <gtest/gtest.h>

#include <stdexcept>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;

namespace {

TEST(ResourceIndex, FlagsToPositionsAndSymbols) {
    std::vector<int> out{7};
    common::find_nonzero_index({false, false, false}, out);
    EXPECT_TRUE(out.empty());
    common::find_nonzero_index({true, false, true, true}, out);
    EXPECT_EQ(out, (std::vector<int>{0, 2, 3}));

    const bool_grid_t map{{false, true, false}, {false, false, false}, {true, true, false}};
    EXPECT_EQ(common::find_nonzero_num(map), 3);
    common::ofdm_index_to_symbel_index(map, out);
    EXPECT_EQ(out, (std::vector<int>{0, 2}));
    EXPECT_THROW(common::find_nonzero_num(bool_grid_t{}), std::out_of_range);
}

TEST(ResourceIndex, ResourceMapToIndex) {
    const int_grid_t map{{4, 0, 1}, {3, 3, 0}};
    bool_grid_t out;
    common::ofdm_resource_map_to_index(map, LIB_OFDM_RESOURCE_FLAG_DATA, out);
    EXPECT_EQ(out, (bool_grid_t{{false, true, false}, {false, false, true}}));
    out.clear();
    common::ofdm_resource_map_to_index(map, LIB_OFDM_RESOURCE_FLAG_RESERVED, out);
    EXPECT_EQ(out, bool_grid_t(2, std::vector<bool>(3, false)));
    EXPECT_THROW(common::ofdm_resource_map_to_index(int_grid_t{}, LIB_OFDM_RESOURCE_FLAG_DATA, out),
                 std::out_of_range);
}

TEST(ResourceIndex, SumUpperEndIsLastMinusFirst) {
    const std::vector<int> v{1, 2, 4, 8, 16, 32};
    EXPECT_EQ(common::sum(v, 0, 3), 1 + 2 + 4 + 8);
    EXPECT_EQ(common::sum(v, 2, 5), 4 + 8);  // elements 2 ... 5 - 2
    EXPECT_EQ(common::sum(v, 4, 5), 0);      // first > last - first
    EXPECT_EQ(common::sum(v, 0, 100), 63);   // never past the end
    EXPECT_FLOAT_EQ(common::sum(std::vector<float>{0.5f, 0.25f}, 0, 1), 0.75f);
}

}  // namespace
