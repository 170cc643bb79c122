// Synthetic captures of the three presets with a known delay, carrier offset and noise through
// every stage: fine timing and frequency error against the injected truth.
#include <gtest/gtest.h>

#include <cmath>

#include "timing_probe.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

using namespace vek::test;
using namespace vek::ofdm_demod_lib;

struct preset_case_t {
    lib_ofdm_standard_type_t standard;
    double cfo_hz;  // magnitude of the injected carrier offsets
};

class TimingPresets : public ::testing::TestWithParam<preset_case_t> {};

TEST_P(TimingPresets, WholeRunThroughProcess) {
    // The accepted capture through every stage (frame synchronisation included): every stage
    // succeeds, fine start within 0.15 sample, frequency error within 1 % of the subcarrier spacing.
    timing_probe_t p = prepared(GetParam().standard);
    const lib_ofdm_config_manager_t& c = p.m_config_manager;
    const double cfo_hz = 0.3 * GetParam().cfo_hz;
    const double fs_hz = c.get_system_sample_rate();
    ASSERT_TRUE(p.set_sample_data(
        make_capture(make_frame(c, make_grid(p, 21)), 100, 500, 0.3, cfo_hz, fs_hz, 30.0, 10)));
    vek::common_lib::report_capture_t out;
    ASSERT_TRUE(p.process());
    const std::string text = out.text();
    std::size_t successes = 0;
    for (std::size_t at = text.find("is success "); at != std::string::npos;
         at = text.find("is success ", at + 1))
        ++successes;
    EXPECT_EQ(successes, 9u);
    EXPECT_EQ(text.find("is fail"), std::string::npos);
    EXPECT_NEAR(p.get_ofdm_demod_result().m_dly_est, 100.3, 0.15);
    EXPECT_NEAR(p.get_ofdm_demod_result().m_freq_error_est, cfo_hz, 0.01 * c.get_subcarr_space());
}

INSTANTIATE_TEST_SUITE_P(Presets, TimingPresets,
                         ::testing::Values(preset_case_t{LIB_OFDM_STANDARD_TYPE_WIFI, 100e3},
                                           preset_case_t{LIB_OFDM_STANDARD_TYPE_LTE_DL, 5e3},
                                           preset_case_t{LIB_OFDM_STANDARD_TYPE_LTE_UL, 5e3}),
                         [](const auto& info) {
                             return std::string(info.param.standard == LIB_OFDM_STANDARD_TYPE_WIFI ? "Wlan"
                                                : info.param.standard == LIB_OFDM_STANDARD_TYPE_LTE_DL
                                                    ? "LteDl"
                                                    : "LteUl");
                         });

}  // namespace
