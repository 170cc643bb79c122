// One demodulator object analysing capture after capture keeps what depends on the configuration
// alone (reference waveforms, windows) from run to run; every run must still give exactly what a
// fresh object gives, including after the configuration changes in between.
#include <gtest/gtest.h>

#include "end_to_end_support.hpp"

using namespace vek::test;

namespace {

struct capture_case_t {
    lib_ofdm_standard_type_t standard;
    std::uint32_t seed;
    double freq_offset_hz;
};

lib_ofdm_capture_t make_capture(const lib_ofdm_config_manager_t& cfg, const capture_case_t& c) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_generated_frame_t frame;
    lib_ofdm_capture_t capture;
    lib_ofdm_impairment_info_t info = idle_around(60, 200);
    info.noise_en = true;
    info.snr_db = 30.0f;
    info.noise_seed = c.seed;
    info.freq_offset_en = true;
    info.freq_offset_hz = c.freq_offset_hz;
    EXPECT_TRUE(lib_ofdm_frame_generator_t::generate_frame(cfg, c.seed, frame));
    EXPECT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, capture));
    return capture;
}

void expect_same_results(const lib_ofdm_t& reused, const lib_ofdm_t& fresh, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(reused.get_result_frame_dly(), fresh.get_result_frame_dly());
    EXPECT_EQ(reused.get_result_dly_est(), fresh.get_result_dly_est());
    EXPECT_EQ(reused.get_result_freq_error_est(), fresh.get_result_freq_error_est());
    EXPECT_EQ(reused.get_result_channel_power(), fresh.get_result_channel_power());
    EXPECT_EQ(reused.get_result_evm_rms(), fresh.get_result_evm_rms());
    EXPECT_EQ(reused.get_result_evm_max(), fresh.get_result_evm_max());
    EXPECT_EQ(reused.get_result_pilot_evm_rms(), fresh.get_result_pilot_evm_rms());
    EXPECT_EQ(reused.get_result_payload_sinr(), fresh.get_result_payload_sinr());
    EXPECT_EQ(reused.get_result_ofdm_demod_data(), fresh.get_result_ofdm_demod_data());
    EXPECT_EQ(reused.get_result_evm_map(), fresh.get_result_evm_map());
}

TEST(RepeatedRuns, EveryRunEqualsAFreshDemodulatorAcrossCapturesAndConfigurations) {
    // Two captures per configuration (tracking rewrites the reference grid in the first run), and
    // the first configuration again after another one.
    const capture_case_t cases[] = {
        {LIB_OFDM_STANDARD_TYPE_LTE_DL, 3, 1500.0}, {LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, -700.0},
        {LIB_OFDM_STANDARD_TYPE_WIFI, 5, 20000.0},  {LIB_OFDM_STANDARD_TYPE_WIFI, 6, -3000.0},
        {LIB_OFDM_STANDARD_TYPE_LTE_DL, 7, 50.0},
    };
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_t reused;
    lib_ofdm_standard_type_t configured = LIB_OFDM_STANDARD_TYPE_LTE_UL;
    for (const capture_case_t& c : cases) {
        const lib_ofdm_config_manager_t cfg = preset_manager(c.standard);
        const lib_ofdm_capture_t capture = make_capture(cfg, c);
        if (c.standard != configured) {
            ASSERT_TRUE(reused.set_config_manager(cfg));
            configured = c.standard;
        }
        ASSERT_TRUE(reused.set_input_data(capture.samples) && reused.process());

        lib_ofdm_t fresh;
        ASSERT_TRUE(fresh.set_config_manager(cfg) && fresh.set_input_data(capture.samples) && fresh.process());
        expect_same_results(reused, fresh, standard_name(c.standard));
    }
}

}  // namespace
