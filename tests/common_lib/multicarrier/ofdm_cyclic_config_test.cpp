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

TEST(OfdmCyclicSpecialCase, FactorIsClampedIntoUnitInterval) {
    EXPECT_DOUBLE_EQ(lib_ofdm_cyclic_special_case_t(1.5).get_cyclic_length_factor(), 1.0);
    EXPECT_DOUBLE_EQ(lib_ofdm_cyclic_special_case_t(-0.2).get_cyclic_length_factor(), 0.0);
    lib_ofdm_cyclic_special_case_t special_case(0.25);
    special_case.set_cyclic_length_factor(2.0);
    EXPECT_DOUBLE_EQ(special_case.get_cyclic_length_factor(), 1.0);
}

TEST(OfdmCyclicSpecialCase, IndicesAtOrAboveSymbolNumberAreDropped) {
    lib_ofdm_cyclic_special_case_t special_case = make_case(0.125, 4, {0, 7, 3, 4, 2});
    EXPECT_EQ(special_case.get_symbol_index_list(), (std::vector<std::uint32_t>{0, 3, 2}));
    EXPECT_TRUE(special_case.check_symbol_index_contain(3));
    EXPECT_FALSE(special_case.check_symbol_index_contain(7));

    special_case.deal_symbol_number_limit(3);
    EXPECT_EQ(special_case.get_symbol_index_list(), (std::vector<std::uint32_t>{0, 2}));
    special_case.deal_symbol_number_limit(0);
    EXPECT_TRUE(special_case.is_symbol_index_list_empty());
}

TEST(OfdmCyclicConfig, LengthIsFloorOfFactorTimesBody) {
    lib_ofdm_cyclic_config_t config(0.25);
    EXPECT_EQ(config.get_cyclic_length(0, 64), 16u);
    EXPECT_EQ(config.get_cyclic_length(5, 128), 32u);
    // 0.1 x 65 = 6.5: the length is rounded down.
    config.set_default_cyclic_length_factor(0.1);
    EXPECT_EQ(config.get_cyclic_length(0, 65), 6u);
    config.set_default_cyclic_length_factor(7.0);
    EXPECT_EQ(config.get_cyclic_length(0, 64), 64u);  // clamped to a whole body
}

TEST(OfdmCyclicConfig, SpecialCaseOverridesDefaultAndMovesLaterSymbols) {
    lib_ofdm_cyclic_config_t prefix(0.25);
    prefix.set_specified_config_arr(10, {make_case(0.125, 10, {0})});
    const lib_ofdm_cyclic_config_t suffix(0.0);

    EXPECT_EQ(prefix.get_cyclic_length(0, 64), 8u);
    EXPECT_EQ(prefix.get_cyclic_length(1, 64), 16u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_total_length(0, 64, prefix, suffix), 72u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_total_length(1, 64, prefix, suffix), 80u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_start_index(0, 64, prefix, suffix), 0u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_start_index(1, 64, prefix, suffix), 72u);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_start_index(3, 64, prefix, suffix), 72u + 80u + 80u);

    // A suffix adds to the total length of its symbol too.
    const lib_ofdm_cyclic_config_t long_suffix(0.5);
    EXPECT_EQ(lib_ofdm_cyclic_config_t::get_symbol_data_total_length(1, 64, prefix, long_suffix),
              16u + 64u + 32u);

    std::map<std::uint32_t, std::uint32_t> lengths;
    prefix.get_cyclic_length_map(3, 64, lengths);
    EXPECT_EQ(lengths, (std::map<std::uint32_t, std::uint32_t>{{0, 8}, {1, 16}, {2, 16}}));
}

TEST(OfdmCyclicConfig, FirstMatchingCaseWinsAndOverlapIsInvalid) {
    lib_ofdm_cyclic_config_t config(0.25);
    config.set_specified_config_arr(8, {make_case(0.5, 8, {1, 2}), make_case(0.125, 8, {2, 3})});
    EXPECT_EQ(config.get_cyclic_length(2, 64), 32u);
    EXPECT_EQ(config.get_cyclic_length(3, 64), 8u);
    EXPECT_FALSE(config.check_valid(8));

    config.set_specified_config_arr(8, {make_case(0.5, 8, {1, 2}), make_case(0.125, 8, {3, 3})});
    EXPECT_TRUE(config.check_valid(8));
    // Index 3 is out of range for a frame of three symbols.
    EXPECT_FALSE(config.check_valid(3));
    config.deal_symbol_number_limit(3);
    EXPECT_TRUE(config.check_valid(3));
    EXPECT_EQ(config.get_cyclic_length(3, 64), 16u);  // back to the default
}

TEST(OfdmCyclicConfig, SettingAllSymbolsRemovesSpecialCases) {
    lib_ofdm_cyclic_config_t config(0.25);
    config.set_specified_config_arr(4, {make_case(0.5, 4, {0, 9})});
    ASSERT_EQ(config.get_specified_config_arr().size(), 1u);
    EXPECT_EQ(config.get_specified_config_arr()[0].get_symbol_index_list(), (std::vector<std::uint32_t>{0}));

    config.set_all_symbol_cyclic_prefix_length(0.125);
    EXPECT_TRUE(config.get_specified_config_arr().empty());
    EXPECT_EQ(config.get_cyclic_length(0, 64), 8u);
    EXPECT_EQ(config, lib_ofdm_cyclic_config_t(0.125));
}

}  // namespace
}  // namespace vek::common_lib
