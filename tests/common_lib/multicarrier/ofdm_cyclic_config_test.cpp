#include <gtest/gtest.h>

#include <map>

#include "vek/common_lib/multicarrier/lib_ofdm_cyclic_config.hpp"

namespace vek::common_lib {
namespace {

lib_ofdm_cyclic_special_case_t make_case(double factor, std::uint32_t symbol_number,
                                         std::vector<std::uint32_t> indices) {
    lib_ofdm_cyclic_special_case_t special_case(factor);
    special_case.set_symbol_index_list(symbol_number, indices);
    return special_case;
}

TEST(OfdmCyclicConfig, LengthIsFloorOfClampedFactorTimesBody) {
    lib_ofdm_cyclic_config_t config(0.1);
    EXPECT_EQ(config.get_cyclic_length(0, 65), 6u);  // 6.5 rounded down
    config.set_default_cyclic_length_factor(7.0);
    EXPECT_EQ(config.get_cyclic_length(0, 64), 64u);  // clamped to a whole body
    EXPECT_DOUBLE_EQ(lib_ofdm_cyclic_special_case_t(-0.2).get_cyclic_length_factor(), 0.0);

    // Indices at or above the symbol number are dropped, also when the number shrinks later.
    lib_ofdm_cyclic_special_case_t special_case = make_case(0.125, 4, {0, 7, 3, 4, 2});
    EXPECT_EQ(special_case.get_symbol_index_list(), (std::vector<std::uint32_t>{0, 3, 2}));
    special_case.deal_symbol_number_limit(3);
    EXPECT_EQ(special_case.get_symbol_index_list(), (std::vector<std::uint32_t>{0, 2}));
}

TEST(OfdmCyclicConfig, SpecialCaseOverridesDefaultAndMovesLaterSymbols) {
    lib_ofdm_cyclic_config_t prefix(0.25);
    prefix.set_specified_config_arr(10, {make_case(0.125, 10, {0})});
    const lib_ofdm_cyclic_config_t suffix(0.5);

    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_total_length(0, 64, prefix, suffix), 8u + 64u + 32u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_total_length(1, 64, prefix, suffix), 16u + 64u + 32u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_start_index(3, 64, prefix, lib_ofdm_cyclic_config_t(0.0)),
              72u + 80u + 80u);
    std::map<std::uint32_t, std::uint32_t> lengths;
    prefix.get_cyclic_length_map(3, 64, lengths);
    EXPECT_EQ(lengths, (std::map<std::uint32_t, std::uint32_t>{{0, 8}, {1, 16}, {2, 16}}));

    prefix.set_all_symbol_cyclic_prefix_length(0.125);
    EXPECT_EQ(prefix, lib_ofdm_cyclic_config_t(0.125));  // special cases removed
}

TEST(OfdmCyclicConfig, FirstMatchingCaseWinsAndOverlapIsInvalid) {
    lib_ofdm_cyclic_config_t config(0.25);
    config.set_specified_config_arr(8, {make_case(0.5, 8, {1, 2}), make_case(0.125, 8, {2, 3})});
    EXPECT_EQ(config.get_cyclic_length(2, 64), 32u);
    EXPECT_EQ(config.get_cyclic_length(3, 64), 8u);
    EXPECT_FALSE(config.check_valid(8));

    config.set_specified_config_arr(8, {make_case(0.5, 8, {1, 2}), make_case(0.125, 8, {3, 3})});
    EXPECT_TRUE(config.check_valid(8));
    EXPECT_FALSE(config.check_valid(3));  // index 3 is out of range for three symbols
    config.deal_symbol_number_limit(3);
    EXPECT_TRUE(config.check_valid(3));
    EXPECT_EQ(config.get_cyclic_length(3, 64), 16u);  // back to the default
}

}  // namespace
}  // namespace vek::common_lib
