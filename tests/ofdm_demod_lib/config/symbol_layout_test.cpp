// Derived per-symbol layout, list expansion, entry cleaning, equality and copying.
#include <gtest/gtest.h>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;

namespace {

std::vector<int> expand(const std::vector<int>& list, int repeat_index, int count) {
    std::vector<int> out{99};  // stale content must be cleared
    common::ofdm_reuse_data_adjustment(list, repeat_index, count, out);
    return out;
}

TEST(ListExpansion, RepeatIndexNamesTheRepeatingTail) {
    EXPECT_EQ(expand({1, 2, 3}, 2, 6), (std::vector<int>{1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(expand({1, 2, 3}, 1, 6), (std::vector<int>{1, 2, 3, 2, 3, 2}));  // partial last pass
    EXPECT_EQ(expand({1, 2, 3, 4, 5, 6, 7}, 0, 5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(expand({1, 2}, 0, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(expand({}, 0, 4), std::vector<int>{});
    EXPECT_EQ(expand({1, 2}, 0, 0), std::vector<int>{});
    EXPECT_EQ(expand({10, 0}, 1, 4), (std::vector<int>{10, 0, 0, 0}));
    // A stale repeat index (the list shrank after it was set) is clamped to the last element.
    EXPECT_EQ(expand({5, 6}, 7, 4), (std::vector<int>{5, 6, 6, 6}));
    EXPECT_EQ(expand({5, 6}, -3, 4), (std::vector<int>{5, 6, 5, 6}));
}

TEST(SymbolLayout, DefaultsAfterConstruction) {
    lib_ofdm_config_manager_t m;
    EXPECT_EQ(m.get_load_address(), "/usr/bin/orvanex/data");
    EXPECT_FLOAT_EQ(m.get_subcarr_space(), 312500.0f);
    EXPECT_EQ(m.get_subcarr_num(), 53);
    EXPECT_EQ(m.get_ofdm_len(), 64);
    EXPECT_EQ(m.get_fft_advance(), 2);
    EXPECT_EQ(m.get_window_half_length(), 0);
    EXPECT_EQ(m.get_cp_length_set(), std::vector<int>{0});
    EXPECT_EQ(m.get_interval_per_sym_vct(), std::vector<int>(64, 0));
    EXPECT_EQ(m.get_synchronization_mode(), LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX);
    EXPECT_FLOAT_EQ(m.get_symbol_timing_adjustment(), -3.125f);
    EXPECT_EQ(m.get_downsampling_ratio(), 1u);
    EXPECT_EQ(m.get_filter().arb_coefficients, std::vector<float>{1.0f});
    EXPECT_TRUE(m.get_tracking().track_phase && m.get_tracking().track_timing);
    EXPECT_EQ(m.get_preamble_index_map(), bool_grid_t(1, std::vector<bool>(1, false)));
}

TEST(SymbolLayout, WorkedFftAdvanceAndWindowHalfLength) {
    lib_ofdm_config_manager_t m;
    // N = 64, adjustment -12.5 %, half length 0: round(0 + 8) = 8.
    ASSERT_TRUE(m.set_symbol_timing_adjustment(-12.5f));
    EXPECT_EQ(m.get_window_half_length(), 0);
    EXPECT_EQ(m.get_fft_advance(), 8);
    ASSERT_TRUE(m.set_symbol_timing_adjustment(0.0f));
    EXPECT_EQ(m.get_fft_advance(), 0);

    // N = 512, beta 0.005 -> 2.56 rounds to 3; adjustment -3.125 % -> round(1.5 + 16) = 18.
    ASSERT_TRUE(m.set_fft_length(512));
    ASSERT_TRUE(m.set_guard_interval_per_symbol({0.078125f, 0.0703125f}));
    ASSERT_TRUE(m.set_transmitter_window_beta(0.005f));
    ASSERT_TRUE(m.set_symbol_timing_adjustment(-3.125f));
    EXPECT_EQ(m.get_window_half_length(), 3);
    EXPECT_EQ(m.get_fft_advance(), 18);
    EXPECT_EQ(m.get_cp_length_set(), (std::vector<int>{40, 36}));
    EXPECT_FLOAT_EQ(m.get_subcarr_space(), 20000000.0f / 512.0f);
}

TEST(SymbolLayout, LteCyclicPrefixPatternOver140Symbols) {
    lib_ofdm_config_manager_t m;
    ASSERT_TRUE(m.set_fft_length(512));
    ASSERT_TRUE(m.set_analy_symbol_num(140));
    ASSERT_TRUE(m.set_guard_interval_per_symbol({0.078125f, 0.0703125f, 0.0703125f, 0.0703125f, 0.0703125f,
                                                 0.0703125f, 0.0703125f}));
    ASSERT_TRUE(m.set_guard_interval_repeat_index(0));
    const auto& cp = m.get_cp_length_per_sym_vct();
    ASSERT_EQ(cp.size(), 140u);
    for (int i = 0; i < 140; ++i) EXPECT_EQ(cp[i], i % 7 == 0 ? 40 : 36) << "symbol " << i;
    EXPECT_EQ(m.get_interval_per_sym_vct(), cp);  // no gaps

    ASSERT_TRUE(m.set_analy_symbol_num(5));  // fewer symbols than listed prefixes
    EXPECT_EQ(m.get_cp_length_per_sym_vct(), (std::vector<int>{40, 36, 36, 36, 36}));
}

TEST(SymbolLayout, IntervalsCombinePrefixAndGaps) {
    lib_ofdm_config_manager_t m;
    ASSERT_TRUE(m.set_guard_interval_per_symbol({0.25f}));
    EXPECT_EQ(m.get_interval_per_sym_vct(), std::vector<int>(64, 16));

    ASSERT_TRUE(m.set_analy_symbol_num(4));
    ASSERT_TRUE(m.set_time_gaps({10, 0}));
    ASSERT_TRUE(m.set_time_gaps_repeat_index(1));
    EXPECT_EQ(m.get_time_gaps_per_sym_vct(), (std::vector<int>{10, 0, 0, 0}));
    EXPECT_EQ(m.get_interval_per_sym_vct(), (std::vector<int>{26, 16, 16, 16}));

    // An empty prefix list leaves the two per-symbol vectors of different lengths: all zero.
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
    const auto& kept = m.get_resource_mapping_vct();
    // -26 + 32 = 6 is the first used column, 26 + 32 = 58 < 64 - 5 the last.
    EXPECT_EQ(kept[0].subcarrier_set, (std::vector<std::vector<int>>{{-26, 0, 26}}));
    // Subcarriers all in the guard bands collapse to the DC subcarrier.
    EXPECT_EQ(kept[1].subcarrier_set, (std::vector<std::vector<int>>{{0}}));

    ASSERT_TRUE(m.set_analy_symbol_num(10));
    EXPECT_EQ(m.get_resource_mapping_vct()[0].symbol_set, (std::vector<std::vector<int>>{{5, 6, 7, 8, 9}}));
    EXPECT_EQ(m.get_resource_mapping_vct()[1].symbol_set, (std::vector<std::vector<int>>{{0}}));

    // Narrower guards after the fact: entries are cleaned against the new band, not restored.
    ASSERT_TRUE(m.set_guard_low_subcarr(20));
    EXPECT_EQ(m.get_resource_mapping_vct()[0].subcarrier_set, (std::vector<std::vector<int>>{{0, 26}}));
}

TEST(ConfigEquality, RecordRules) {
    EXPECT_TRUE(common::is_equal_resource_mapping_vct({}, {}));
    auto a = entry({{1}}, {{2}});
    auto b = a;
    EXPECT_TRUE(common::is_equal_resource_mapping_vct({a}, {b}));
    b.boost_level = std::numeric_limits<float>::quiet_NaN();
    a.boost_level = b.boost_level;
    EXPECT_FALSE(common::is_equal_resource_mapping_vct({a}, {b}));  // NaN never equals
    b = a;
    b.boost_level = 1.0f;
    a.boost_level = 1.0f;
    b.symbol_set.push_back({3});
    EXPECT_FALSE(common::is_equal_resource_mapping_vct({a}, {b}));

    lib_ofdm_filter_info_t f = default_filter();
    EXPECT_FALSE(common::is_equal_filter(f, f));  // selection 0 never equals
    f.selection = LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC;
    lib_ofdm_filter_info_t g = f;
    g.ws_window = LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_RECTANGLE;
    g.ws_pass_bandwidth = 0.3f;
    g.ws_transition_bandwidth = 0.4f;
    g.ws_length = 99;  // ignored while auto length is on
    EXPECT_TRUE(common::is_equal_filter(f, g));
    f.ws_auto_length = g.ws_auto_length = false;
    EXPECT_FALSE(common::is_equal_filter(f, g));
    f.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    EXPECT_TRUE(common::is_equal_filter(f, g));  // lengths play no part for a coefficient list
    g.arb_coefficients.push_back(0.5f);
    EXPECT_FALSE(common::is_equal_filter(f, g));

    lib_ofdm_eq_info_t e1 = default_equalizer(), e2 = default_equalizer();
    EXPECT_TRUE(common::is_equal_equalizer(e1, e2));
    e2.initial_equalizer_symbols = 5;
    EXPECT_FALSE(common::is_equal_equalizer(e1, e2));
    lib_ofdm_track_info_t t1 = default_tracking(), t2 = default_tracking();
    t2.track_amplitude = true;
    EXPECT_FALSE(common::is_equal_tracking(t1, t2));
}

TEST(ConfigEquality, ManagersWithoutReceiveFilterNeverCompareEqual) {
    lib_ofdm_config_manager_t a;
    lib_ofdm_config_manager_t b = a;
    EXPECT_FALSE(a == b);  // the default filter selects none
    lib_ofdm_filter_info_t f = default_filter();
    f.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    ASSERT_TRUE(a.set_filter(f));
    b = a;
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    ASSERT_TRUE(b.set_fft_length(128));
    EXPECT_TRUE(a != b);
    b = a;
    ASSERT_TRUE(b.set_load_address("/elsewhere"));
    EXPECT_FALSE(a == b);
    b = a;
    ASSERT_TRUE(b.set_debug_en(true));
    EXPECT_FALSE(a == b);
}

}  // namespace
