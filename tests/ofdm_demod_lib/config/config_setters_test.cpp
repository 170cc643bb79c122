// Acceptance boundaries of the checked setters, their two rejection texts (standard output and
// log), and that a refused value leaves the manager exactly as it was.
#include <gtest/gtest.h>

#include <limits>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

class ConfigSetters : public ::testing::Test {
protected:
    // Runs a setter expected to be refused; checks both texts and that nothing changed.
    template <typename setter_t>
    void expect_refused(setter_t setter, const std::string& short_text, const std::string& log_text,
                        const std::string& function) {
        const lib_ofdm_config_manager_t before = manager;
        log.clear();
        vek::common_lib::report_capture_t out;
        EXPECT_FALSE(setter(manager));
        EXPECT_EQ(out.text(), short_text + "\n");
        const auto records = log.records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].message, log_text);
        EXPECT_EQ(records[0].level, common_log::LOG_LEVEL_ERROR);
        EXPECT_EQ(records[0].logger_name, "OFDM_LIB");
        EXPECT_EQ(records[0].function, function);
        EXPECT_EQ(records[0].source_file, "src/ofdm_demod_lib/config/lib_ofdm_config_manager");
        EXPECT_TRUE(manager.get_fft_length() == before.get_fft_length() &&
                    manager.get_guard_interval_per_symbol() == before.get_guard_interval_per_symbol() &&
                    manager.get_time_gaps() == before.get_time_gaps() &&
                    manager.get_transmitter_window_beta() == before.get_transmitter_window_beta() &&
                    manager.get_meas_symbol_num() == before.get_meas_symbol_num() &&
                    lib_ofdm_config_manager_t::is_equal(manager, before) ==
                        lib_ofdm_config_manager_t::is_equal(before, before));
    }

    vek::test::log_capture_t log;
    lib_ofdm_config_manager_t manager;
};

TEST_F(ConfigSetters, FftLengthRangeGuardsAndPowerOfTwo) {
    expect_refused([](auto& m) { return m.set_fft_length(2); }, "input fft_length is out range",
                   "input fft_length 2 is out range", "set_fft_length");
    expect_refused([](auto& m) { return m.set_fft_length(65537); }, "input fft_length is out range",
                   "input fft_length 65537 is out range", "set_fft_length");
    // 8 < 6 + 5: the guard check comes before the power-of-two check.
    expect_refused([](auto& m) { return m.set_fft_length(8); },
                   "input fft_length is short than low_subcarr add up_subcarr",
                   "input fft_length 8 is short than low_subcarr 6 add up_subcarr 5", "set_fft_length");
    expect_refused([](auto& m) { return m.set_fft_length(96); }, "input fft_length 96 is not power of two ",
                   "input fft_length 96 is not power of two", "set_fft_length");
    EXPECT_TRUE(manager.set_fft_length(65536));
    EXPECT_EQ(manager.get_fft_length(), 65536);
    EXPECT_EQ(manager.get_ofdm_len(), 65536);
    EXPECT_TRUE(manager.set_fft_length(16));  // 16 >= 11 and a power of two
}

TEST_F(ConfigSetters, GuardBands) {
    EXPECT_TRUE(manager.set_guard_low_subcarr(32));
    EXPECT_EQ(manager.get_subcarr_num(), 64 - 32 - 5 + 1 - 1);
    expect_refused([](auto& m) { return m.set_guard_low_subcarr(33); }, "input guard_low_subcarr is out range",
                   "input guard_low_subcarr 33 is out range 0 to 32", "set_guard_low_subcarr");
    expect_refused([](auto& m) { return m.set_guard_low_subcarr(-1); }, "input guard_low_subcarr is out range",
                   "input guard_low_subcarr -1 is out range 0 to 32", "set_guard_low_subcarr");
    ASSERT_TRUE(manager.set_guard_low_subcarr(6));
    EXPECT_TRUE(manager.set_guard_up_subcarr(57));
    expect_refused([](auto& m) { return m.set_guard_up_subcarr(58); }, "input m_guard_up_subcarr is out range",
                   "input m_guard_up_subcarr 58 is out range 0 to 57", "set_guard_up_subcarr");
}

TEST_F(ConfigSetters, GuardIntervalsAndTimeGaps) {
    expect_refused([](auto& m) { return m.set_guard_interval_per_symbol({0.25f, 1.5f, -1.0f}); },
                   "input m_guard_interval_per_symbol 1 is out range",
                   "input index 1 m_guard_interval_per_symbol 1.5 is out range 0 to 1",
                   "set_guard_interval_per_symbol");
    expect_refused(
        [](auto& m) { return m.set_guard_interval_per_symbol({std::numeric_limits<float>::quiet_NaN()}); },
        "input m_guard_interval_per_symbol 0 is out range",
        "input index 0 m_guard_interval_per_symbol nan is out range 0 to 1", "set_guard_interval_per_symbol");
    EXPECT_TRUE(manager.set_guard_interval_per_symbol({0.0f, 1.0f}));
    EXPECT_TRUE(manager.set_guard_interval_repeat_index(1));
    expect_refused([](auto& m) { return m.set_guard_interval_repeat_index(2); },
                   "input m_guard_interval_repeat_index is out range",
                   "input m_guard_interval_repeat_index 2 is out range 0 to 2", "set_guard_interval_repeat_index");

    expect_refused([](auto& m) { return m.set_time_gaps({0, 3, -2}); }, "input m_time_gaps2 is out range",
                   "input m_time_gaps.at2 at least 0", "set_time_gaps");
    EXPECT_TRUE(manager.set_time_gaps({}));  // an empty list is accepted
    expect_refused([](auto& m) { return m.set_time_gaps_repeat_index(0); }, "input m_time_gaps is out range",
                   "input m_time_gaps 0 is out range 0 to 0", "set_time_gaps_repeat_index");
}

TEST_F(ConfigSetters, WindowBetaAndTimingAdjustmentAreBoundedByTheLongestPrefix) {
    ASSERT_TRUE(manager.set_guard_interval_per_symbol({0.078125f, 0.0703125f}));
    EXPECT_TRUE(manager.set_transmitter_window_beta(0.078125f));
    expect_refused([](auto& m) { return m.set_transmitter_window_beta(0.08f); },
                   "input transmitter_window_beta out range",
                   "input transmitter_window_beta 0.08 is out range 0 to 0.078125", "set_transmitter_window_beta");

    ASSERT_TRUE(manager.set_guard_interval_per_symbol({0.25f}));
    EXPECT_TRUE(manager.set_symbol_timing_adjustment(-25.0f));
    EXPECT_TRUE(manager.set_symbol_timing_adjustment(25.0f));
    expect_refused([](auto& m) { return m.set_symbol_timing_adjustment(-30.0f); },
                   "input symbol_timing_adjustment out range",
                   "input symbol_timing_adjustment -30 is out range -25 to 25", "set_symbol_timing_adjustment");

    // With no guard interval there is no bound: both setters refuse without reading the list.
    ASSERT_TRUE(manager.set_guard_interval_per_symbol({}));
    vek::common_lib::report_capture_t out;
    EXPECT_FALSE(manager.set_transmitter_window_beta(0.0f));
    EXPECT_FALSE(manager.set_symbol_timing_adjustment(0.0f));
    EXPECT_EQ(out.text(), "input transmitter_window_beta out range\ninput symbol_timing_adjustment out range\n");
}

TEST_F(ConfigSetters, MeasurementWindow) {
    EXPECT_TRUE(manager.set_meas_symbol_num(0));
    EXPECT_EQ(manager.get_meas_symbol_num(), 1);
    expect_refused([](auto& m) { return m.set_meas_symbol_num(65); }, " set_meas_symbol_num out of range.",
                   "input meas_symbol_num 65 should less than 64", "set_meas_symbol_num");
    expect_refused([](auto& m) { return m.set_meas_symbol_num(std::numeric_limits<int>::max()); },
                   " set_meas_symbol_num out of range.", "input meas_symbol_num 2147483647 should less than 64",
                   "set_meas_symbol_num");
    EXPECT_TRUE(manager.set_meas_symbol_num(10));
    EXPECT_TRUE(manager.set_meas_symbol_offset(54));
    expect_refused([](auto& m) { return m.set_meas_symbol_offset(55); }, " set_meas_symbol_offset out of range.",
                   "input meas_symbol_offset 55 should less than 54", "set_meas_symbol_offset");
}

TEST_F(ConfigSetters, StandardOutOfRangeComparedUnsigned) {
    expect_refused([](auto& m) { return m.set_standard(static_cast<lib_ofdm_standard_type_t>(3)); },
                   "input standard is out range", "input standard 3 is out range", "set_standard");
    expect_refused([](auto& m) { return m.set_standard(static_cast<lib_ofdm_standard_type_t>(-1)); },
                   "input standard is out range", "input standard -1 is out range", "set_standard");
}

TEST_F(ConfigSetters, UncheckedSettersClampOrKeep) {
    EXPECT_TRUE(manager.set_user_boosting(0.01f));
    EXPECT_FLOAT_EQ(manager.get_user_boosting(), 0.1f);
    EXPECT_TRUE(manager.set_user_boosting(50.0f));
    EXPECT_FLOAT_EQ(manager.get_user_boosting(), 10.0f);
    EXPECT_TRUE(manager.set_user_boosting(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FLOAT_EQ(manager.get_user_boosting(), 0.1f);

    lib_ofdm_eq_info_t eq;  // all zero: initial_equalizer_symbols 0 keeps the stored 4
    eq.equalizer_use_pilot = true;
    EXPECT_TRUE(manager.set_equalizer(eq));
    EXPECT_EQ(manager.get_equalizer().initial_equalizer_symbols, 4);
    EXPECT_TRUE(manager.get_equalizer().equalizer_use_pilot);
    EXPECT_FALSE(manager.get_equalizer().equalizer_use_preamble);

    EXPECT_TRUE(manager.set_analy_symbol_num(-5));
    EXPECT_EQ(manager.get_analy_symbol_num(), 1);
    // The prefix set keeps its reset value {0} until a guard-interval list is set.
    EXPECT_EQ(manager.get_interval_per_sym_vct(), std::vector<int>(1, 0));
}

}  // namespace
