// The config manager: checked setters (exact rejection texts, a refused value changes nothing),
// list expansion, the derived per-symbol layout, resource-entry cleaning and index helpers.
#include <gtest/gtest.h>

#include <limits>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;

namespace {

class ConfigSetters : public ::testing::Test {
protected:
    // Runs a setter expected to be refused; checks both texts and that nothing changed.
    template <typename setter_t>
    void expect_refused(setter_t setter, const std::string& short_text, const std::string& log_text) {
        const lib_ofdm_config_manager_t before = manager;
        log.clear();
        vek::common_lib::report_capture_t out;
        EXPECT_FALSE(setter(manager));
        EXPECT_EQ(out.text(), short_text + "\n");
        ASSERT_EQ(log.records().size(), 1u);
        EXPECT_EQ(log.records()[0].message, log_text);
        EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_ERROR);
        EXPECT_EQ(log.records()[0].source_file, "src/ofdm_demod_lib/config/lib_ofdm_config_manager");
        EXPECT_EQ(manager.get_fft_length(), before.get_fft_length());
        EXPECT_EQ(manager.get_guard_interval_per_symbol(), before.get_guard_interval_per_symbol());
        EXPECT_EQ(manager.get_time_gaps(), before.get_time_gaps());
        EXPECT_EQ(manager.get_transmitter_window_beta(), before.get_transmitter_window_beta());
        EXPECT_EQ(manager.get_meas_symbol_num(), before.get_meas_symbol_num());
    }

    vek::test::log_capture_t log;
    lib_ofdm_config_manager_t manager;
};

TEST_F(ConfigSetters, FftLengthRangeGuardsAndPowerOfTwo) {
    expect_refused([](auto& m) { return m.set_fft_length(65537); }, "input fft_length is out range",
                   "input fft_length 65537 is out range");
    // 8 < 6 + 5: the guard check comes before the power-of-two check.
    expect_refused([](auto& m) { return m.set_fft_length(8); },
                   "input fft_length is short than low_subcarr add up_subcarr",
                   "input fft_length 8 is short than low_subcarr 6 add up_subcarr 5");
    expect_refused([](auto& m) { return m.set_fft_length(96); }, "input fft_length 96 is not power of two ",
                   "input fft_length 96 is not power of two");
    EXPECT_TRUE(manager.set_fft_length(65536));
    EXPECT_TRUE(manager.set_fft_length(16));  // 16 >= 11 and a power of two
}

TEST_F(ConfigSetters, RangeBoundaries) {
    EXPECT_TRUE(manager.set_guard_low_subcarr(32));
    EXPECT_EQ(manager.get_subcarr_num(), 64 - 32 - 5 + 1 - 1);
    expect_refused([](auto& m) { return m.set_guard_low_subcarr(33); }, "input guard_low_subcarr is out range",
                   "input guard_low_subcarr 33 is out range 0 to 32");
    expect_refused([](auto& m) { return m.set_guard_interval_per_symbol({0.25f, 1.5f, -1.0f}); },
                   "input m_guard_interval_per_symbol 1 is out range",
                   "input index 1 m_guard_interval_per_symbol 1.5 is out range 0 to 1");
    expect_refused(
        [](auto& m) { return m.set_guard_interval_per_symbol({std::numeric_limits<float>::quiet_NaN()}); },
        "input m_guard_interval_per_symbol 0 is out range",
        "input index 0 m_guard_interval_per_symbol nan is out range 0 to 1");
    expect_refused([](auto& m) { return m.set_time_gaps({0, 3, -2}); }, "input m_time_gaps2 is out range",
                   "input m_time_gaps.at2 at least 0");
    expect_refused([](auto& m) { return m.set_standard(static_cast<lib_ofdm_standard_type_t>(-1)); },
                   "input standard is out range", "input standard -1 is out range");
    EXPECT_TRUE(manager.set_meas_symbol_num(10));
    EXPECT_TRUE(manager.set_meas_symbol_offset(54));
    expect_refused([](auto& m) { return m.set_meas_symbol_offset(55); }, " set_meas_symbol_offset out of range.",
                   "input meas_symbol_offset 55 should less than 54");
    EXPECT_TRUE(manager.set_meas_symbol_num(0));
    EXPECT_EQ(manager.get_meas_symbol_num(), 1);
}

TEST_F(ConfigSetters, WindowBetaAndTimingAdjustmentAreBoundedByTheLongestPrefix) {
    ASSERT_TRUE(manager.set_guard_interval_per_symbol({0.078125f, 0.0703125f}));
    EXPECT_TRUE(manager.set_transmitter_window_beta(0.078125f));
    expect_refused([](auto& m) { return m.set_transmitter_window_beta(0.08f); },
                   "input transmitter_window_beta out range",
                   "input transmitter_window_beta 0.08 is out range 0 to 0.078125");
    ASSERT_TRUE(manager.set_guard_interval_per_symbol({0.25f}));
    EXPECT_TRUE(manager.set_symbol_timing_adjustment(-25.0f));
    expect_refused([](auto& m) { return m.set_symbol_timing_adjustment(-30.0f); },
                   "input symbol_timing_adjustment out range",
                   "input symbol_timing_adjustment -30 is out range -25 to 25");
    // With no guard interval there is no bound: both setters refuse.
    ASSERT_TRUE(manager.set_guard_interval_per_symbol({}));
    vek::common_lib::report_capture_t out;
    EXPECT_FALSE(manager.set_transmitter_window_beta(0.0f));
    EXPECT_FALSE(manager.set_symbol_timing_adjustment(0.0f));
}

TEST_F(ConfigSetters, UncheckedSettersClampOrKeep) {
    EXPECT_TRUE(manager.set_user_boosting(50.0f));
    EXPECT_FLOAT_EQ(manager.get_user_boosting(), 10.0f);
    EXPECT_TRUE(manager.set_user_boosting(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FLOAT_EQ(manager.get_user_boosting(), 0.1f);
    EXPECT_TRUE(manager.set_analy_symbol_num(-5));
    EXPECT_EQ(manager.get_analy_symbol_num(), 1);
}

std::vector<int> expand(const std::vector<int>& list, int repeat_index, int count) {
    std::vector<int> out{99};  // stale content must be cleared
    common::ofdm_reuse_data_adjustment(list, repeat_index, count, out);
    return out;
}

TEST(ListExpansion, RepeatIndexNamesTheRepeatingTail) {
    EXPECT_EQ(expand({1, 2, 3}, 2, 6), (std::vector<int>{1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(expand({1, 2, 3}, 1, 6), (std::vector<int>{1, 2, 3, 2, 3, 2}));  // partial last pass
    EXPECT_EQ(expand({1, 2, 3, 4, 5, 6, 7}, 0, 5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(expand({}, 0, 4), std::vector<int>{});
    // A stale repeat index (the list shrank after it was set) is clamped to the last element.
    EXPECT_EQ(expand({5, 6}, 7, 4), (std::vector<int>{5, 6, 6, 6}));
    EXPECT_EQ(expand({5, 6}, -3, 4), (std::vector<int>{5, 6, 5, 6}));
}

TEST(SymbolLayout, IntervalsCombinePrefixAndGaps) {
    lib_ofdm_config_manager_t m;
    ASSERT_TRUE(m.set_guard_interval_per_symbol({0.25f}));
    ASSERT_TRUE(m.set_analy_symbol_num(4));
    ASSERT_TRUE(m.set_time_gaps({10, 0}));
    ASSERT_TRUE(m.set_time_gaps_repeat_index(1));
    EXPECT_EQ(m.get_time_gaps_per_sym_vct(), (std::vector<int>{10, 0, 0, 0}));
    EXPECT_EQ(m.get_interval_per_sym_vct(), (std::vector<int>{26, 16, 16, 16}));
    // An empty prefix list leaves no prefixes and all-zero intervals.
    ASSERT_TRUE(m.set_guard_interval_per_symbol({}));
    EXPECT_TRUE(m.get_cp_length_per_sym_vct().empty());
    EXPECT_EQ(m.get_interval_per_sym_vct(), std::vector<int>(4, 0));
}

lib_ofdm_res_info_t entry(std::vector<std::vector<int>> symbols, std::vector<std::vector<int>> subcarriers) {
    lib_ofdm_res_info_t e;
    e.name = "Data1";
    e.symbol_set = std::move(symbols);
    e.subcarrier_set = std::move(subcarriers);
    e.modulation = LIB_OFDM_MOD_LEVEL_64QAM;
    e.boost_level = 1.0f;
    return e;
}

TEST(ResourceEntryCleaning, SymbolsAndSubcarriersAreSortedDedupedAndBounded) {
    lib_ofdm_config_manager_t m;
    std::vector<int> late_symbols;
    for (int s = 5; s < 64; ++s) late_symbols.push_back(s);
    ASSERT_TRUE(m.set_resource_mapping_vct({entry({late_symbols}, {{40, -26, 0, 26, -40, 26}}),
                                           entry({{20}}, {{-30, 31}})}));
    // -26 + 32 = 6 is the first used column, 26 + 32 = 58 < 64 - 5 the last.
    EXPECT_EQ(m.get_resource_mapping_vct()[0].subcarrier_set, (std::vector<std::vector<int>>{{-26, 0, 26}}));
    // Subcarriers all in the guard bands collapse to the DC subcarrier.
    EXPECT_EQ(m.get_resource_mapping_vct()[1].subcarrier_set, (std::vector<std::vector<int>>{{0}}));
    ASSERT_TRUE(m.set_analy_symbol_num(10));
    EXPECT_EQ(m.get_resource_mapping_vct()[0].symbol_set, (std::vector<std::vector<int>>{{5, 6, 7, 8, 9}}));
    EXPECT_EQ(m.get_resource_mapping_vct()[1].symbol_set, (std::vector<std::vector<int>>{{0}}));
    // Narrower guards after the fact: entries are cleaned against the new band, not restored.
    ASSERT_TRUE(m.set_guard_low_subcarr(20));
    EXPECT_EQ(m.get_resource_mapping_vct()[0].subcarrier_set, (std::vector<std::vector<int>>{{0, 26}}));
}

TEST(ResourceIndex, FlagsToPositionsSymbolsAndSums) {
    std::vector<int> out{7};
    common::find_nonzero_index({true, false, true, true}, out);
    EXPECT_EQ(out, (std::vector<int>{0, 2, 3}));
    const bool_grid_t map{{false, true, false}, {false, false, false}, {true, true, false}};
    EXPECT_EQ(common::find_nonzero_num(map), 3);
    common::ofdm_index_to_symbel_index(map, out);
    EXPECT_EQ(out, (std::vector<int>{0, 2}));
    bool_grid_t flags;
    common::ofdm_resource_map_to_index(int_grid_t{{4, 0, 1}, {3, 3, 0}}, LIB_OFDM_RESOURCE_FLAG_DATA, flags);
    EXPECT_EQ(flags, (bool_grid_t{{false, true, false}, {false, false, true}}));

    // Sums elements first ... last - first (inclusive), never past the end.
    const std::vector<int> v{1, 2, 4, 8, 16, 32};
    EXPECT_EQ(common::sum(v, 2, 5), 4 + 8);
    EXPECT_EQ(common::sum(v, 4, 5), 0);
    EXPECT_EQ(common::sum(v, 0, 100), 63);
}

}  // namespace
