#pragma once
// Shared helpers of the settings tests: a holder on the project's data directory, and a field-by-
// field comparison of everything the settings XML carries.
#include <gtest/gtest.h>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::test {

using namespace vek::ofdm_demod_lib;

inline cfg_ofdm_t holder_on_data_dir() {
    cfg_ofdm_t holder;
    holder.set_load_address(VEK_TEST_DATA_DIR);
    return holder;
}

inline cfg_ofdm_t preset_holder(lib_ofdm_standard_type_t standard) {
    cfg_ofdm_t holder = holder_on_data_dir();
    EXPECT_TRUE(holder.set_standard(standard));
    return holder;
}

// Every value the XML layout saves, compared through the managers' getters.
inline void expect_same_saved_fields(const lib_ofdm_config_manager_t& a, const lib_ofdm_config_manager_t& b) {
    EXPECT_EQ(a.get_standard(), b.get_standard());
    EXPECT_EQ(a.get_system_sample_rate(), b.get_system_sample_rate());
    EXPECT_EQ(a.get_fft_length(), b.get_fft_length());
    EXPECT_EQ(a.get_guard_low_subcarr(), b.get_guard_low_subcarr());
    EXPECT_EQ(a.get_guard_up_subcarr(), b.get_guard_up_subcarr());
    EXPECT_EQ(a.get_half_subcarrier_shift(), b.get_half_subcarrier_shift());
    EXPECT_EQ(a.get_guard_interval_per_symbol(), b.get_guard_interval_per_symbol());
    EXPECT_EQ(a.get_guard_interval_repeat_index(), b.get_guard_interval_repeat_index());
    EXPECT_EQ(a.get_time_gaps(), b.get_time_gaps());
    EXPECT_EQ(a.get_time_gaps_repeat_index(), b.get_time_gaps_repeat_index());
    EXPECT_EQ(a.get_dft_spread(), b.get_dft_spread());
    EXPECT_EQ(a.get_transmitter_window_beta(), b.get_transmitter_window_beta());
    EXPECT_EQ(a.get_preamble_repeat_index(), b.get_preamble_repeat_index());
    EXPECT_EQ(a.get_pilot_repeat_index(), b.get_pilot_repeat_index());

    const auto& ea = a.get_resource_mapping_vct();
    const auto& eb = b.get_resource_mapping_vct();
    ASSERT_EQ(ea.size(), eb.size());
    for (std::size_t i = 0; i < ea.size(); ++i) {
        SCOPED_TRACE(ea[i].name);
        EXPECT_EQ(ea[i].name, eb[i].name);
        EXPECT_EQ(ea[i].type, eb[i].type);
        EXPECT_EQ(ea[i].symbol_set, eb[i].symbol_set);
        EXPECT_EQ(ea[i].subcarrier_set, eb[i].subcarrier_set);
        EXPECT_EQ(ea[i].modulation, eb[i].modulation);
        EXPECT_EQ(ea[i].boost_level, eb[i].boost_level);
    }

    EXPECT_EQ(a.get_user_boosting(), b.get_user_boosting());
    // The receiver records have exact equality functions; the filter's depends on its selection,
    // so it is compared field by field.
    EXPECT_TRUE(lib_ofdm_demod_common_t::is_equal_equalizer(a.get_equalizer(), b.get_equalizer()));
    EXPECT_TRUE(lib_ofdm_demod_common_t::is_equal_tracking(a.get_tracking(), b.get_tracking()));
    const auto& fa = a.get_filter();
    const auto& fb = b.get_filter();
    EXPECT_EQ(fa.selection, fb.selection);
    EXPECT_EQ(fa.arb_coefficients, fb.arb_coefficients);
    EXPECT_EQ(fa.arb_coefficients_sample_ratio, fb.arb_coefficients_sample_ratio);
    EXPECT_EQ(fa.ws_auto_length, fb.ws_auto_length);
    EXPECT_EQ(fa.ws_length, fb.ws_length);
    EXPECT_EQ(fa.ws_window, fb.ws_window);
    EXPECT_EQ(fa.ws_pass_bandwidth, fb.ws_pass_bandwidth);
    EXPECT_EQ(fa.ws_transition_bandwidth, fb.ws_transition_bandwidth);
    EXPECT_EQ(a.get_symbol_timing_adjustment(), b.get_symbol_timing_adjustment());
    EXPECT_EQ(a.get_synchronization_mode(), b.get_synchronization_mode());
    EXPECT_EQ(a.get_analy_symbol_num(), b.get_analy_symbol_num());
    EXPECT_EQ(a.get_meas_symbol_num(), b.get_meas_symbol_num());
    EXPECT_EQ(a.get_meas_symbol_offset(), b.get_meas_symbol_offset());
}

// Quiet fixture: the holders print rejections and the preset banner, and log.
class settings_test_t : public ::testing::Test {
protected:
    log_capture_t log;
    vek::common_lib::report_capture_t out;
};

}  // namespace vek::test
