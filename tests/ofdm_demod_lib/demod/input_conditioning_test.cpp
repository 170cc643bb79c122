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

// Largest deviation of |x| from `level` over the middle of x (filter edges excluded).
float max_deviation(const cvec_t& x, std::size_t edge, float level) {
    float worst = 0.0f;
    for (std::size_t k = edge; k + edge < x.size(); ++k)
        worst = std::max(worst, std::fabs(std::abs(x[k]) - level));
    return worst;
}

}  // namespace

TEST(DemodSetSampleData, RefusalsAndTheLengthCheck) {
    demod_input_probe_t demod;
    report_capture_t lines;
    EXPECT_FALSE(demod.set_sample_data(cvec_t(500)));
    EXPECT_EQ(lines.text(), "ofdm config is not ready\n");
    ASSERT_TRUE(demod.set_ofdm_demod_info(make_frame_config(64, 0.25f, 2)));
    demod.set_is_running(true);
    EXPECT_FALSE(demod.set_sample_data(cvec_t(500)));
    EXPECT_TRUE(lines.contains("ofdm demod still running\n"));
    demod.set_is_running(false);
    // One sample short of the symbols: rejected, with the diagnostic lines.
    lines.clear();
    EXPECT_FALSE(demod.set_sample_data(vek::test::gaussian_noise(159, 1.0f, 11)));
    EXPECT_EQ(lines.text(),
              "set_sample_data sample_input_data size is 159\n"
              "after ofdm dvx resample size is 159\n"
              "1 is 16 , 2 is 16 , \n"
              "ofdm_len is 64, and ofdm_symbol_num is 2\n"
              "m_sample_data_len is 159, and m_search_len is 160\n"
              "The input data length is less than the number of set OFDM symbols\n");
    EXPECT_FALSE(demod.is_ready_to_process());

    const cvec_t x = vek::test::gaussian_noise(160, 1.0f, 12);
    EXPECT_TRUE(demod.set_sample_data(x));
    EXPECT_TRUE(demod.is_ready_to_process());
    EXPECT_EQ(demod.m_sample_data_len, 160);
    // Same rate, no decimation: the samples pass unchanged.
    ASSERT_EQ(demod.m_sample_data.size(), x.size());
    for (std::size_t k = 0; k < x.size(); ++k) EXPECT_LT(std::abs(demod.m_sample_data[k] - x[k]), 1e-4f) << k;
    // Too short again: refused, but the earlier acceptance stands.
    EXPECT_FALSE(demod.set_sample_data(cvec_t(100)));
    EXPECT_TRUE(demod.is_ready_to_process());
}

TEST(DemodSetSampleData, RateConversionsKeepTheToneFrequency) {
    // Input rate, instrument rate, decimation ratio; tone in cycles per input sample; expected
    // length; tone in cycles per output sample.
    struct case_t {
        float rate, dvx_rate;
        int ratio;
        std::size_t n;
        double tone;
        std::size_t out_len;
        double out_tone;
    };
    for (const case_t& c : {case_t{10e6f, 0.0f, 1, 400, 0.1, 800, 0.05},        // interpolation by 2
                            case_t{40e6f, 0.0f, 1, 1000, 0.075, 500, 0.15},     // decimation by 2
                            case_t{20e6f, 0.0f, 2, 1000, 0.05, 500, 0.1},       // decimation ratio
                            case_t{10e6f, 40e6f, 1, 2000, 0.05, 1000, 0.1}}) {  // instrument rate wins
        auto cfg = make_frame_config(64, 0.25f, 2);
        cfg.set_sample_rate(c.rate);
        cfg.set_dvx_sample_rate(c.dvx_rate);
        cfg.set_downsampling_ratio(c.ratio);
        demod_input_probe_t demod;
        ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
        report_capture_t lines;
        const cvec_t x = complex_tone(c.n, c.tone, 1.0f);
        ASSERT_TRUE(demod.set_sample_data(x));
        ASSERT_EQ(demod.m_sample_data.size(), c.out_len) << c.rate;
        EXPECT_NEAR(mean_frequency(demod.m_sample_data, 50, c.out_len - 50), c.out_tone, 1e-5) << c.rate;
        EXPECT_LT(max_deviation(demod.m_sample_data, 50, 1.0f), 2e-3f) << c.rate;
        if (c.dvx_rate > 0.0f) {
            EXPECT_TRUE(lines.contains("ofdm dvx resample from 4e+07 hz to 2e+07 hz\n"));
        }
        // The half-band interpolator leaves the original samples in place at even indices.
        for (std::size_t k = 0; c.out_len == 2 * c.n && k < x.size(); ++k) {
            EXPECT_LT(std::abs(demod.m_sample_data[2 * k] - x[k]), 1e-4f);
        }
    }
    // 20 MHz -> 7.68 MHz (L = 48, M = 125): ceil(2000 * 48 / 125) = 768 samples.
    auto cfg = make_frame_config(64, 0.25f, 2);
    cfg.set_system_sample_rate(7.68e6f);
    demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
    ASSERT_TRUE(demod.set_sample_data(complex_tone(2000, 0.05, 1.0f)));
    EXPECT_EQ(demod.m_sample_data.size(), 768u);
}

TEST(DemodSetSampleData, RatesWithoutARationalChangeAreRefused) {
    // No rate at all, factors beyond the resampler's limit (20 MHz against 3 Hz), and factors
    // within it (40000 / 39999) whose zero-stuffed capture would outgrow memory (80 M samples).
    for (float rate : {0.0f, 3.0f, 19999500.0f}) {
        auto cfg = make_frame_config(64, 0.25f, 2);
        cfg.set_sample_rate(rate);
        demod_input_probe_t demod;
        ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
        vek::test::log_capture_t logs;
        report_capture_t lines;
        EXPECT_FALSE(demod.set_sample_data(cvec_t(2000))) << rate;
        EXPECT_FALSE(demod.is_ready_to_process());
    }
}

TEST(DemodReceiveFilter, ArbitraryTapsAreAppliedCentred) {
    demod_input_probe_t demod;
    auto filter = default_filter();
    filter.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {0.5f, 0.5f};
    demod.m_config_manager.set_filter(filter);
    demod.m_sample_data = {{1.0f, 0.0f}, {3.0f, 0.0f}, {5.0f, 2.0f}, {-1.0f, 0.0f}};
    demod._init_load_file_filter();
    // Two taps: one sample dropped in front, none behind.
    const cvec_t expected{{2.0f, 0.0f}, {4.0f, 1.0f}, {2.0f, 1.0f}, {-0.5f, 0.0f}};
    ASSERT_EQ(demod.m_sample_data.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_LT(std::abs(demod.m_sample_data[k] - expected[k]), 1e-5f);
}

TEST(DemodReceiveFilter, WindowedSincPassesTheBandAndStopsAboveIt) {
    auto filter = default_filter();
    filter.selection = LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC;
    filter.ws_pass_bandwidth = 0.2f;
    filter.ws_transition_bandwidth = 0.1f;  // automatic length 40, cut-off 0.3
    for (bool automatic : {true, false}) {
        filter.ws_auto_length = automatic;
        filter.ws_length = 41;  // used only without the automatic length
        demod_input_probe_t demod;
        demod.m_config_manager.set_filter(filter);
        demod.m_sample_data = complex_tone(600, 0.05, 1.0f);  // 0.1 of the Nyquist frequency
        demod._init_load_file_filter();
        ASSERT_EQ(demod.m_sample_data.size(), 600u);
        EXPECT_LT(max_deviation(demod.m_sample_data, 30, 1.0f), 0.01f) << automatic;
        demod.m_sample_data = complex_tone(600, 0.4, 1.0f);  // 0.8 of the Nyquist frequency
        demod._init_load_file_filter();
        EXPECT_LT(max_deviation(demod.m_sample_data, 30, 0.0f), 0.01f) << automatic;
    }
    // An unusable length leaves the samples alone and says so.
    filter.ws_auto_length = false;
    filter.ws_length = 0;
    demod_input_probe_t demod;
    demod.m_config_manager.set_filter(filter);
    const cvec_t x = vek::test::gaussian_noise(100, 1.0f, 3);
    demod.m_sample_data = x;
    vek::test::log_capture_t logs;
    report_capture_t lines;
    demod._init_load_file_filter();
    EXPECT_EQ(demod.m_sample_data, x);
    EXPECT_TRUE(lines.contains("window_sinc_filter_hanning fail\n"));
}
