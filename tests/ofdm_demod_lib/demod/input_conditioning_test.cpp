// Accepting samples: refusals, the length check and its diagnostic lines, rate conversions that
// keep a tone's frequency, and the receive filter of every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "demod_input_probe.hpp"
#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"

using namespace vek::ofdm_demod_lib;
using vek::common_lib::report_capture_t;
using vek::test::complex_tone;
using vek::test::cvec_t;
using vek::test::demod_input_probe_t;
using vek::test::make_frame_config;
using vek::test::mean_frequency;

namespace {

// Largest deviation from amplitude 1 over the middle of x (filter edges excluded).
float max_amplitude_error(const cvec_t& x, std::size_t edge) {
    float worst = 0.0f;
    for (std::size_t k = edge; k + edge < x.size(); ++k)
        worst = std::max(worst, std::fabs(std::abs(x[k]) - 1.0f));
    return worst;
}

float max_amplitude(const cvec_t& x, std::size_t edge) {
    float worst = 0.0f;
    for (std::size_t k = edge; k + edge < x.size(); ++k) worst = std::max(worst, std::abs(x[k]));
    return worst;
}

}  // namespace

TEST(DemodSetSampleData, RefusedBeforeConfigurationAndWhileRunning) {
    demod_input_probe_t demod;
    report_capture_t lines;
    EXPECT_FALSE(demod.set_sample_data(cvec_t(500)));
    EXPECT_EQ(lines.text(), "ofdm config is not ready\n");
    ASSERT_TRUE(demod.set_ofdm_demod_info(make_frame_config(64, 0.25f, 2)));
    demod.set_is_running(true);
    lines.clear();
    EXPECT_FALSE(demod.set_sample_data(cvec_t(500)));
    EXPECT_EQ(lines.text(), "ofdm demod still running\n");
    EXPECT_FALSE(demod.is_ready_to_process());
}

TEST(DemodSetSampleData, OneSampleShortOfTheSymbolsIsRejectedWithDiagnostics) {
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(make_frame_config(64, 0.25f, 2)));
    report_capture_t lines;
    EXPECT_FALSE(demod.set_sample_data(vek::test::gaussian_noise(159, 1.0f, 11)));
    EXPECT_EQ(lines.text(),
              "set_sample_data sample_input_data size is 159\n"
              "after ofdm dvx resample size is 159\n"
              "1 is 16 , 2 is 16 , \n"
              "ofdm_len is 64, and ofdm_symbol_num is 2\n"
              "m_sample_data_len is 159, and m_search_len is 160\n"
              "The input data length is less than the number of set OFDM symbols\n");
    EXPECT_FALSE(demod.is_ready_to_process());
    EXPECT_EQ(demod.m_sample_data.size(), 159u);  // the short samples are kept

    const cvec_t x = vek::test::gaussian_noise(160, 1.0f, 12);
    lines.clear();
    EXPECT_TRUE(demod.set_sample_data(x));
    EXPECT_EQ(lines.text(),
              "set_sample_data sample_input_data size is 160\nafter ofdm dvx resample size is 160\n");
    EXPECT_TRUE(demod.is_ready_to_process());
    EXPECT_EQ(demod.m_search_len, 160);
    EXPECT_EQ(demod.m_sample_data_len, 160);
    // Same rate, no decimation: the samples pass unchanged.
    ASSERT_EQ(demod.m_sample_data.size(), x.size());
    for (std::size_t k = 0; k < x.size(); ++k) EXPECT_LT(std::abs(demod.m_sample_data[k] - x[k]), 1e-4f) << k;

    // Too short again: refused, but the earlier acceptance stands.
    EXPECT_FALSE(demod.set_sample_data(cvec_t(100)));
    EXPECT_TRUE(demod.is_ready_to_process());
}

TEST(DemodSetSampleData, EmptyAndTinyInputsAreRejected) {
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(make_frame_config(64, 0.25f, 1)));
    report_capture_t lines;
    vek::test::log_capture_t logs;
    for (std::size_t n : {0u, 1u, 2u}) {
        lines.clear();
        EXPECT_FALSE(demod.set_sample_data(cvec_t(n, {1.0f, 0.0f}))) << n;
        EXPECT_TRUE(lines.contains("m_sample_data_len is 0, and m_search_len is 80\n")) << lines.text();
        EXPECT_FALSE(demod.is_ready_to_process());
    }
}

TEST(DemodSetSampleData, InterpolationByTwoKeepsTheSamplesAndTheToneFrequency) {
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_sample_rate(10e6f);  // supplied at 10 MHz, frame defined at 20 MHz
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    const cvec_t x = complex_tone(400, 1e6 / 10e6, 1.0f);
    ASSERT_TRUE(demod.set_sample_data(x));
    ASSERT_EQ(demod.m_sample_data.size(), 800u);
    // The half-band interpolator leaves the original samples in place at even indices.
    for (std::size_t k = 0; k < x.size(); ++k)
        EXPECT_LT(std::abs(demod.m_sample_data[2 * k] - x[k]), 1e-4f) << k;
    EXPECT_NEAR(mean_frequency(demod.m_sample_data, 50, 750), 1e6 / 20e6, 1e-6);
    EXPECT_LT(max_amplitude_error(demod.m_sample_data, 50), 1e-3f);
}

TEST(DemodSetSampleData, DecimationByTwoKeepsTheToneFrequency) {
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_sample_rate(40e6f);  // 40 MHz -> 20 MHz: L = 1, M = 2
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    ASSERT_TRUE(demod.set_sample_data(complex_tone(1000, 3e6 / 40e6, 1.0f)));
    ASSERT_EQ(demod.m_sample_data.size(), 500u);
    EXPECT_NEAR(mean_frequency(demod.m_sample_data, 30, 470), 3e6 / 20e6, 1e-6);
    EXPECT_LT(max_amplitude_error(demod.m_sample_data, 30), 1e-3f);
}

TEST(DemodSetSampleData, RationalRateChangeToTheLteRateHasTheRateRatioLength) {
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_system_sample_rate(7.68e6f);  // 20 MHz -> 7.68 MHz: L = 48, M = 125
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    ASSERT_TRUE(demod.set_sample_data(complex_tone(2000, 1e6 / 20e6, 1.0f)));
    // 2000 * 48 zero-stuffed samples, every 125th kept: ceil(96000 / 125) = 768.
    EXPECT_EQ(demod.m_sample_data.size(), 768u);
}

TEST(DemodSetSampleData, DecimationRatioHalvesTheRate) {
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_downsampling_ratio(2);
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    ASSERT_TRUE(demod.set_sample_data(complex_tone(1000, 0.05, 1.0f)));
    ASSERT_EQ(demod.m_sample_data.size(), 500u);
    EXPECT_NEAR(mean_frequency(demod.m_sample_data, 30, 470), 0.1, 1e-5);
}

TEST(DemodSetSampleData, InstrumentRateConversionEndsAtTheSystemRate) {
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_dvx_sample_rate(40e6f);
    cfg.set_sample_rate(10e6f);  // not consulted once the instrument rate brought the samples to 20 MHz
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    report_capture_t lines;
    ASSERT_TRUE(demod.set_sample_data(complex_tone(2000, 2e6 / 40e6, 1.0f)));
    EXPECT_TRUE(lines.contains("ofdm dvx resample from 4e+07 hz to 2e+07 hz\n"));
    EXPECT_TRUE(lines.contains("after ofdm dvx resample size is 1000\n"));
    ASSERT_EQ(demod.m_sample_data.size(), 1000u);
    EXPECT_NEAR(mean_frequency(demod.m_sample_data, 40, 960), 2e6 / 20e6, 1e-5);
}

TEST(DemodSetSampleData, RatesWithoutARationalChangeAreRefused) {
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_sample_rate(0.0f);
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    vek::test::log_capture_t logs;
    report_capture_t lines;
    EXPECT_FALSE(demod.set_sample_data(cvec_t(500)));
    EXPECT_TRUE(lines.contains("ofdm sample rate is not supported\n"));
    EXPECT_FALSE(demod.is_ready_to_process());
    // Factors beyond the resampler's limit (20 MHz against 3 Hz: L = 20,000,000) are refused too.
    cfg.set_sample_rate(3.0f);
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    EXPECT_FALSE(demod.set_sample_data(cvec_t(500)));
    EXPECT_FALSE(demod.is_ready_to_process());
}

TEST(DemodReceiveFilter, ArbitraryTapsAreAppliedCentred) {
    demod_input_probe_t demod;
    auto filter = default_filter();
    filter.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {0.5f, 0.5f};
    demod.m_config_manager.set_filter(filter);
    const cvec_t x{{1.0f, 0.0f}, {3.0f, 0.0f}, {5.0f, 2.0f}, {-1.0f, 0.0f}};
    demod.m_sample_data = x;
    demod._init_load_file_filter();
    // Two taps: one sample dropped in front, none behind.
    const cvec_t expected{{2.0f, 0.0f}, {4.0f, 1.0f}, {2.0f, 1.0f}, {-0.5f, 0.0f}};
    ASSERT_EQ(demod.m_sample_data.size(), expected.size());
    for (std::size_t k = 0; k < x.size(); ++k)
        EXPECT_LT(std::abs(demod.m_sample_data[k] - expected[k]), 1e-5f);
}

TEST(DemodReceiveFilter, WindowedSincPassesTheBandAndStopsAboveIt) {
    const cvec_t low = complex_tone(600, 0.05, 1.0f);  // 0.1 of the Nyquist frequency
    const cvec_t high = complex_tone(600, 0.4, 1.0f);  // 0.8 of the Nyquist frequency
    auto filter = default_filter();
    filter.selection = LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC;
    filter.ws_pass_bandwidth = 0.2f;
    filter.ws_transition_bandwidth = 0.1f;  // automatic length 40, cut-off 0.3
    for (bool automatic : {true, false}) {
        filter.ws_auto_length = automatic;
        filter.ws_length = 41;  // used only without the automatic length
        demod_input_probe_t demod;
        demod.m_config_manager.set_filter(filter);
        demod.m_sample_data = low;
        demod._init_load_file_filter();
        ASSERT_EQ(demod.m_sample_data.size(), low.size());
        EXPECT_LT(max_amplitude_error(demod.m_sample_data, 30), 0.01f) << automatic;
        demod.m_sample_data = high;
        demod._init_load_file_filter();
        EXPECT_LT(max_amplitude(demod.m_sample_data, 30), 0.01f) << automatic;
    }
}

TEST(DemodReceiveFilter, UnusableLengthOrNoSelectionLeavesTheSamples) {
    const cvec_t x = vek::test::gaussian_noise(100, 1.0f, 3);
    auto filter = default_filter();
    filter.selection = LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC;
    filter.ws_auto_length = false;
    filter.ws_length = 0;
    demod_input_probe_t demod;
    demod.m_config_manager.set_filter(filter);
    demod.m_sample_data = x;
    vek::test::log_capture_t logs;
    report_capture_t lines;
    demod._init_load_file_filter();
    EXPECT_EQ(demod.m_sample_data, x);
    EXPECT_TRUE(lines.contains("window_sinc_filter_hanning fail\n"));
    // A zero transition band has no automatic length either.
    filter.ws_auto_length = true;
    filter.ws_transition_bandwidth = 0.0f;
    demod.m_config_manager.set_filter(filter);
    demod._init_load_file_filter();
    EXPECT_EQ(demod.m_sample_data, x);

    filter.selection = LIB_OFDM_FILTER_SELECTION_NONE;
    demod.m_config_manager.set_filter(filter);
    demod._init_load_file_filter();
    EXPECT_EQ(demod.m_sample_data, x);
}
