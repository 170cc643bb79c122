// The impairment channel: each switch does what it says, measured independently of how the
// channel computes it (noise power from sample statistics, delays by the cross-spectrum's phase
// slope, gain and echoes cell by cell). The carrier offset and the rate change are pinned end to
// end: the analysis recovers the offset, and the tool's round trips through a capture rate of
// twice the frame's rate measure the offset and EVM.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "generator_test_support.hpp"
#include "log_capture.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

using namespace vek::ofdm_demod_lib;
using vek::test::preset_manager;

namespace {

const double k_pi = std::acos(-1.0);

lib_ofdm_generated_frame_t wlan_frame(std::uint32_t seed = 9) {
    lib_ofdm_generated_frame_t frame;
    EXPECT_TRUE(lib_ofdm_frame_generator_t::generate_frame(preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI), seed, frame));
    return frame;
}

TEST(ImpairmentChannel, NoisePowerFollowsTheSnrPerFftBin) {
    // A silent "frame" of 10^5 samples: all of the capture's power is noise. Data cells of power
    // 2 in a 64-point FFT at 17 dB: per-sample variance 2 / 64 / 10^1.7.
    lib_ofdm_generated_frame_t frame;
    frame.sample_rate_hz = 20e6f;
    frame.fft_length = 64;
    frame.data_cell_power = 2.0f;
    frame.samples.assign(100000, complex_t{});
    lib_ofdm_impairment_info_t info;
    info.noise_en = true;
    info.snr_db = 17.0f;
    info.noise_seed = 4;
    lib_ofdm_capture_t capture;
    ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, capture));
    double power = 0.0, re = 0.0, im = 0.0;
    for (const complex_t& v : capture.samples) power += std::norm(v), re += v.real() * v.real(), im += v.imag() * v.imag();
    power /= capture.samples.size();
    const double expected = 2.0 / 64.0 / std::pow(10.0, 1.7);
    EXPECT_NEAR(10.0 * std::log10(power / expected), 0.0, 0.2);
    EXPECT_NEAR(re / im, 1.0, 0.05);  // circular: equal power in I and Q
    lib_ofdm_capture_t other;  // another seed, other noise
    info.noise_seed = 5;
    ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, other));
    EXPECT_NE(other.samples, capture.samples);
}

TEST(ImpairmentChannel, IdleSamplesDelayTheFrameByAWholeNumberOfSamples) {
    const lib_ofdm_generated_frame_t frame = wlan_frame();
    lib_ofdm_capture_t untouched;  // all switches off: the frame itself
    ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments({}, frame, 17, untouched));
    EXPECT_EQ(untouched.samples, frame.samples);
    lib_ofdm_impairment_info_t info;
    info.idle_en = true;
    info.leading_idle_samples = 37;
    info.trailing_idle_samples = 11;
    lib_ofdm_capture_t capture;
    ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 17, capture));
    ASSERT_EQ(capture.samples.size(), frame.samples.size() + 48);
    EXPECT_EQ(capture.frame_start_samples, 37.0);
    EXPECT_TRUE(std::equal(frame.samples.begin(), frame.samples.end(), capture.samples.begin() + 37));
    for (int n = 0; n < 37; ++n) EXPECT_EQ(capture.samples[n], complex_t{});
    EXPECT_EQ(capture.samples.back(), complex_t{});
}

TEST(ImpairmentChannel, FractionalDelayShowsAsThePhaseSlopeOfEverySymbol) {
    const lib_ofdm_config_manager_t m = preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
    const lib_ofdm_generated_frame_t frame = wlan_frame();
    for (const double delay : {0.3, -0.45}) {
        lib_ofdm_impairment_info_t info;
        info.idle_en = true;
        info.leading_idle_samples = 40;
        info.trailing_idle_samples = 40;
        info.fractional_delay_en = true;
        info.fractional_delay_samples = delay;
        lib_ofdm_capture_t capture;
        ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 17, capture));
        EXPECT_DOUBLE_EQ(capture.frame_start_samples, 40.0 + delay);
        // Cross-spectrum of received and sent cells: phase -2 pi k d / N between neighbours k, k+1.
        const cell_grid_t cells = vek::test::demodulate(m, capture.samples, 40);
        std::complex<double> step = 0.0;
        for (std::size_t s = 4; s < cells.size(); ++s) {
            for (int c = 6; c + 1 < 59; ++c) {
                if (c == 32 || c + 1 == 32) continue;  // DC is empty
                const std::complex<double> r0 = std::complex<double>(cells[s][c]) * std::conj(std::complex<double>(frame.freq_grid[s][c]));
                const std::complex<double> r1 = std::complex<double>(cells[s][c + 1]) * std::conj(std::complex<double>(frame.freq_grid[s][c + 1]));
                step += r1 * std::conj(r0);
            }
        }
        EXPECT_NEAR(-std::arg(step) * 64.0 / (2.0 * k_pi), delay, 0.01) << delay;
    }
    lib_ofdm_impairment_info_t bad;  // a whole sample is not a fractional delay
    bad.fractional_delay_en = true;
    bad.fractional_delay_samples = 1.0;
    vek::test::log_capture_t log;
    vek::common_lib::report_capture_t out;
    lib_ofdm_capture_t capture;
    EXPECT_FALSE(lib_ofdm_impairment_channel_t::deal_impairments(bad, frame, 17, capture));
}

TEST(ImpairmentChannel, GainPhaseAndEchoesUpToTheLimitMultiplyEachCellByTheChannel) {
    // WLAN: prefix 16, advance 8: echoes up to 8 samples, 9 taps. LTE: shortest prefix 36,
    // advance 18: 19 taps.
    const lib_ofdm_config_manager_t m = preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
    EXPECT_EQ(lib_ofdm_impairment_channel_t::get_max_multipath_taps(m), 9);
    EXPECT_EQ(
        lib_ofdm_impairment_channel_t::get_max_multipath_taps(preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_DL)),
        19);
    // Windows taken 8 samples early see every cell as g H(k) X(k) while the last echo is at the
    // limit (8 samples); one sample further and the previous symbol leaks in.
    const lib_ofdm_generated_frame_t frame = wlan_frame();
    const std::complex<double> g = std::polar(std::pow(10.0, 3.0 / 20.0), 0.7);
    lib_ofdm_impairment_info_t info;
    info.gain_en = info.multipath_en = true;
    info.gain_db = 3.0f;
    info.phase_rad = 0.7f;
    for (const std::size_t echo : {8u, 9u}) {
        info.multipath_taps.assign(echo + 1, complex_t{});
        info.multipath_taps[0] = {1.0f, 0.0f};
        info.multipath_taps[1] = {0.0f, 0.3f};
        info.multipath_taps[3] = {-0.1f, 0.05f};
        info.multipath_taps[echo] = {0.0f, 0.5f};
        lib_ofdm_capture_t capture;
        ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 17, capture));
        ASSERT_EQ(capture.samples.size(), frame.samples.size() + echo);
        double worst = 0.0;
        const std::vector<std::size_t> starts = vek::test::body_starts(m);
        for (std::size_t s = 1; s < starts.size(); ++s) {
            const complex_vector_t cells = vek::test::fft_cells(capture.samples, starts[s] - 8, 64, false);
            for (int c = 0; c < 64; ++c) {
                // H(k) = sum_t h_t e^(-j 2 pi k t / N), k = c - 32, each delay t seen 8 samples later.
                std::complex<double> h = 0.0;
                for (std::size_t t = 0; t <= echo; ++t)
                    h += std::complex<double>(info.multipath_taps[t]) *
                         std::polar(1.0, -2.0 * k_pi * (c - 32) * double(t + 8) / 64.0);
                worst = std::max(worst, std::abs(std::complex<double>(cells[c]) -
                                                 g * h * std::complex<double>(frame.freq_grid[s][c])));
            }
        }
        if (echo == 8) {
            EXPECT_LT(worst, 1e-4);
        } else {
            EXPECT_GT(worst, 1e-2);
        }
    }
    // Longer than the prefix allows: refused.
    info.multipath_taps.assign(18, complex_t{0.1f, 0.0f});
    vek::test::log_capture_t log;
    vek::common_lib::report_capture_t out;
    lib_ofdm_capture_t capture;
    EXPECT_FALSE(lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 17, capture));
    EXPECT_FALSE(log.records().empty());
}

}  // namespace
