// Symbol demodulation: window positions with the FFT advance, and the advance compensation and
// centred cell order checked with a tone of known phase. (The demodulated grid against the
// transmitted one is checked by the end-to-end tests.)
#include <gtest/gtest.h>

#include <cmath>

#include "log_capture.hpp"
#include "random_signal.hpp"
#include "timing_probe.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::test;
using namespace vek::ofdm_demod_lib;

// WLAN layout cut to three symbols (intervals 16, N = 64) with the advance set through the timing
// adjustment: advance = -adjustment% of 64 (window ramp off).
timing_probe_t three_symbols(float timing_adjustment_percent) {
    lib_ofdm_config_manager_t m;
    m.set_load_address(VEK_TEST_DATA_DIR);
    EXPECT_TRUE(m.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI));
    EXPECT_TRUE(m.set_analy_symbol_num(3));
    EXPECT_TRUE(m.set_transmitter_window_beta(0.0f));
    EXPECT_TRUE(m.set_symbol_timing_adjustment(timing_adjustment_percent));
    timing_probe_t p;
    EXPECT_TRUE(p.set_ofdm_demod_info(m));
    return p;
}

complex_vector_t ramp(std::size_t n) {
    complex_vector_t x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = cf(static_cast<float>(i), 0.0f);
    return x;
}

TEST(SymbolDemod, WindowStartsFollowIntervalsAndAdvance) {
    timing_probe_t p = three_symbols(-6.25f);
    ASSERT_EQ(p.m_config_manager.get_fft_advance(), 4);
    ASSERT_EQ(p.m_config_manager.get_interval_per_sym_vct(), (std::vector<int>{16, 16, 16}));
    p.m_sample_data = ramp(260);
    ASSERT_TRUE(p._deal_ofdm_demod());
    ASSERT_EQ(p.m_symbol_time_data.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(p.m_symbol_time_data[i].size(), 64u);
        EXPECT_EQ(p.m_symbol_time_data[i][0].real(), 12.0f + 80.0f * i);
        EXPECT_EQ(p.m_symbol_time_data[i][63].real(), 75.0f + 80.0f * i);
    }
    // Advance -1 starts one sample after the body start.
    timing_probe_t q = three_symbols(1.5625f);
    ASSERT_EQ(q.m_config_manager.get_fft_advance(), -1);
    q.m_sample_data = ramp(260);
    ASSERT_TRUE(q._deal_ofdm_demod());
    EXPECT_EQ(q.m_symbol_time_data[0][0].real(), 17.0f);
}

TEST(SymbolDemod, AdvanceCompensationRestoresBodyStartPhase) {
    timing_probe_t p = three_symbols(-6.25f);
    const int N = 64;
    const double theta = 0.7;
    for (int k : {5, -9}) {
        // A tone on bin k with phase theta at every body start (symbol length 80 = 64 + 16 keeps
        // the phase of bin k continuous only modulo the prefix, so build each symbol apart).
        p.m_sample_data.assign(240, cf(0, 0));
        for (int s = 0; s < 3; ++s) {
            const long b = body_start(p.m_config_manager, s);
            for (int n = -16; n < N; ++n)
                p.m_sample_data[static_cast<std::size_t>(b + n)] =
                    std::polar(1.0f, static_cast<float>(2.0 * k_test_pi * k * n / N + theta));
        }
        ASSERT_TRUE(p._deal_ofdm_demod());
        for (int s = 0; s < 3; ++s) {
            const cf cell = p.m_symbol_freq_data[s][static_cast<std::size_t>(k + N / 2)];
            EXPECT_NEAR(std::abs(cell), N, 1e-3);
            EXPECT_NEAR(std::arg(cell), theta, 1e-4) << "bin " << k << " symbol " << s;
        }
    }
}

TEST(SymbolDemod, WindowsTakeTheCorrectionTheSamplesOwe) {
    // The frequency estimates leave their correction pending: each window is the slice of the
    // capture rotated as a whole (phase 0 at sample 0), the zero-padded part of a window that
    // leaves the capture included.
    const double step = -2.3e-3;
    for (const std::size_t length : {260u, 100u}) {
        timing_probe_t p = three_symbols(-6.25f);
        p.m_sample_data = gaussian_complex(length, 17);
        complex_vector_t whole = p.m_sample_data;
        for (std::size_t n = 0; n < whole.size(); ++n)
            whole[n] *= std::polar(1.0, step * static_cast<double>(n));
        p.m_pending_rotation_rad = step;
        ASSERT_TRUE(p._deal_ofdm_demod());
        for (int s = 0; s < 3; ++s) {
            const long start = body_start(p.m_config_manager, s) - p.m_config_manager.get_fft_advance();
            for (long n = 0; n < 64; ++n) {
                const cf got = p.m_symbol_time_data[static_cast<std::size_t>(s)][static_cast<std::size_t>(n)];
                const cf expected = start + n < static_cast<long>(length)
                                        ? whole[static_cast<std::size_t>(start + n)]
                                        : cf(0, 0);
                ASSERT_NEAR(std::abs(got - expected), 0.0, 1e-5) << length << " " << s << " " << n;
            }
        }
    }
}

TEST(SymbolDemod, GridSizeAndShortCaptures) {
    // A capture that ends inside symbol 1: the missing samples read as zeros, nothing beyond the
    // vector is touched, and a warning names the symbol. The grids take exactly S rows whatever
    // they held.
    timing_probe_t q = three_symbols(-6.25f);
    q.m_symbol_freq_data.assign(5, complex_vector_t(3));
    q.m_sample_data = ramp(100);
    vek::test::log_capture_t log;
    EXPECT_TRUE(q._deal_ofdm_demod());
    EXPECT_EQ(q.m_symbol_freq_data.size(), 3u);
    ASSERT_EQ(q.m_symbol_time_data.size(), 3u);
    EXPECT_EQ(q.m_symbol_time_data[1][0].real(), 92.0f);
    EXPECT_EQ(q.m_symbol_time_data[1][7].real(), 99.0f);
    EXPECT_EQ(q.m_symbol_time_data[1][8], cf(0, 0));
    for (const auto& x : q.m_symbol_time_data[2]) EXPECT_EQ(x, cf(0, 0));
    EXPECT_NE(log.last_message().find("symbol 2 window"), std::string::npos);
}

}  // namespace
