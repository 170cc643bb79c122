// Fine timing, half-subcarrier shift and the frequency-error routines on worked examples and
// closed forms.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "log_capture.hpp"
#include "timing_probe.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::test;
using namespace vek::ofdm_demod_lib;

TEST(FineDelay, QuarterSampleWorkedExample) {
    timing_probe_t p = prepared(LIB_OFDM_STANDARD_TYPE_WIFI);
    const auto& c = p.m_config_manager;
    const complex_vector_t frame = make_frame(c, make_grid(p, 11));
    // True start 101.25, coarse start 100: the best match lies at quarter-sample 25.
    // Handed over as frame synchronisation leaves it: the coarse start at sample 5, 10 samples wide.
    p.m_sample_data = make_capture(frame, 101, 300, 0.25, 0.0, 20e6, 200.0, 1);
    std::rotate(p.m_sample_data.begin(), p.m_sample_data.begin() + 95, p.m_sample_data.end());
    p.m_ofdm_frame_dly = 100;
    p.m_fine_search_len = 10;
    vek::test::log_capture_t log;
    ASSERT_TRUE(p._deal_ofdm_fine_delay());
    EXPECT_FLOAT_EQ(p.m_dly_est, 101.25f);
    EXPECT_FLOAT_EQ(p.m_result.m_dly_est, 101.25f);
    EXPECT_FLOAT_EQ(p.m_time_offset, 101.25f / 20e6f * 1000.0f);
    EXPECT_EQ(p.m_ref_len, 64);
    EXPECT_TRUE(
        log.has_message(fmt::format("m_dly_est is {}, m_time_offset is {}", 101.25f, p.m_time_offset)));

    // The frame now starts at sample 0: the first symbols correlate with the transmitted ones.
    std::complex<double> acc;
    double e0 = 0, e1 = 0;
    for (std::size_t n = 0; n < 640; ++n) {
        acc += std::complex<double>(p.m_sample_data[n]) * std::conj(std::complex<double>(frame[n]));
        e0 += std::norm(p.m_sample_data[n]);
        e1 += std::norm(frame[n]);
    }
    EXPECT_GT(std::abs(acc) / std::sqrt(e0 * e1), 0.995);

    // The frame search records its rotation rather than performing it: the stage reads the frame
    // where it lies when the kept frame (a search length set) does not wrap past the buffer's end,
    // and performs the rotation first otherwise (no search length: the whole capture is kept).
    // Either way the same samples and delay as from the rotated buffer.
    for (const std::int32_t search_len : {static_cast<std::int32_t>(frame.size()), 0}) {
        timing_probe_t rotated = prepared(LIB_OFDM_STANDARD_TYPE_WIFI);
        rotated.m_sample_data = make_capture(frame, 101, 300, 0.25, 0.0, 20e6, 200.0, 1);
        timing_probe_t recorded = rotated;
        std::rotate(rotated.m_sample_data.begin(), rotated.m_sample_data.begin() + 95,
                    rotated.m_sample_data.end());
        recorded.m_frame_origin = 95;
        for (timing_probe_t* q : {&rotated, &recorded}) {
            q->m_ofdm_frame_dly = 100;
            q->m_fine_search_len = 10;
            q->m_search_len = search_len;
            ASSERT_TRUE(q->_deal_ofdm_fine_delay()) << search_len;
        }
        EXPECT_EQ(recorded.m_frame_origin, 0);
        EXPECT_EQ(recorded.m_dly_est, rotated.m_dly_est) << search_len;
        EXPECT_EQ(recorded.m_sample_data, rotated.m_sample_data) << search_len;
    }
}

TEST(FineDelay, RefusesWhatItCannotRead) {
    timing_probe_t p = prepared(LIB_OFDM_STANDARD_TYPE_WIFI);
    vek::test::log_capture_t log;
    p.m_sync_start_sym = 64;
    vek::common_lib::report_capture_t out;
    EXPECT_FALSE(p._deal_ofdm_fine_delay());
    EXPECT_TRUE(out.contains("_deal_ofdm_fine_delay sync_ref_dat size is error"));
    EXPECT_TRUE(log.has_message("sync_start_sym 64 is larger than analy_symbol_num 64"));
    // A capture that ends before the search window does: fail, without reading past it.
    p.m_sync_start_sym = 0;
    p.m_fine_search_len = 10;
    p.m_sample_data.assign(80, cf(1, 0));
    EXPECT_FALSE(p._deal_ofdm_fine_delay());
    EXPECT_NE(log.last_message().find("fine timing window"), std::string::npos);
    EXPECT_EQ(p.m_sample_data.size(), 80u);
}

TEST(FreqErrorRoutines, MeanPowerAndTwoObservationEstimate) {
    using common = vek::ofdm_demod_lib::lib_ofdm_demod_common_t;
    EXPECT_EQ(common::mean_abs_pow({}), 0.0f);
    EXPECT_NEAR(common::mean_abs_pow({cf(3, 4), cf(0, 0)}), 10.0 * std::log10(12.5), 1e-5);

    // Observations D samples apart rotated by 2 pi eps D / N: the estimate is eps subcarriers.
    const int N = 64, D = 80;
    const double eps = 0.13;
    complex_vector_t r0{cf(1, 0), cf(0, -1), cf(-0.7f, 0.7f)}, r1{cf(0, 1), cf(1, 0), cf(0.7f, 0.7f)};
    complex_vector_t t0 = r0, t1 = r1;
    const cf turn = std::polar(1.0f, static_cast<float>(2.0 * k_test_pi * eps * D / N));
    for (std::size_t i = 0; i < 3; ++i) t1[i] = r1[i] * turn * cf(0.5f, 0.2f), t0[i] = r0[i] * cf(0.5f, 0.2f);
    EXPECT_NEAR(common::deal_freq_error_estimate(t0, r0, t1, r1, N, D), eps, 1e-5);
    EXPECT_TRUE(std::isnan(common::deal_freq_error_estimate(t0, r0, t1, r1, N, 0)));
}

TEST(HalfSubcarrierShift, PhaseReferencedToEachBodyStart) {
    timing_probe_t p = prepared(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    const auto& c = p.m_config_manager;
    ASSERT_TRUE(c.get_half_subcarrier_shift());
    ASSERT_EQ(c.get_fft_length(), 512);
    const long len = body_start(c, c.get_analy_symbol_num() - 1) + 512;
    p.m_sample_data.assign(static_cast<std::size_t>(len), cf(1, 0));
    p._deal_half_subcarrier_shift();
    const auto rot = [](double n) { return std::polar(1.0f, static_cast<float>(-k_test_pi * n / 512)); };
    for (int k : {0, 1, 139}) {
        // Sample n from the body start turns by e^(-j pi n / 512) (the transmitter's shift undone),
        // prefix samples (n < 0) included.
        const long b = body_start(c, k);
        const int cp = c.get_cp_length_per_sym_vct()[k];
        EXPECT_LT(std::abs(p.m_sample_data[b] - cf(1, 0)), 1e-6f);
        EXPECT_LT(std::abs(p.m_sample_data[b - cp] - rot(-cp)), 1e-6f) << k;
        EXPECT_LT(std::abs(p.m_sample_data[b + 100] - rot(100)), 1e-6f) << k;
    }
    // A buffer shorter than the frame: the samples there are turned, the others not touched.
    p.m_sample_data.assign(100, cf(1, 0));
    p._deal_half_subcarrier_shift();
    ASSERT_EQ(p.m_sample_data.size(), 100u);
    EXPECT_LT(std::abs(p.m_sample_data[0] - rot(-40)), 1e-6f);
}

// The prefix estimate as written for one symbol at a time: ratios, their phases, U/4 passes that
// replace the ratio furthest from the running mean by that mean, the mean of what is left; the
// phasors summed in symbol order. The stage gathers every symbol first and runs each pass over all
// of them (batched phases, selects): it must give these bits.
float per_symbol_prefix_estimate(const timing_probe_t& p, const complex_vector_t& x) {
    using vek::common_lib::lib_common_math_t;
    const auto& c = p.m_config_manager;
    const int N = c.get_ofdm_len();
    const auto& cp = c.get_cp_length_set();
    const int q = *std::min_element(cp.begin(), cp.end()) / 8;
    const int U = *std::min_element(cp.begin(), cp.end()) - 2 * q;
    const auto mean = [](const complex_vector_t& v) {
        cf acc(0.0f, 0.0f);
        for (const cf& z : v) acc += z;
        return acc / static_cast<float>(v.size());
    };
    const long ref = body_start(c, c.get_pilot_sym_index_vct().front());
    const float threshold =
        lib_ofdm_demod_common_t::mean_abs_pow(complex_vector_t(x.begin() + ref, x.begin() + ref + N)) - 10.0f;
    cf total(0.0f, 0.0f);
    for (int k = 0; k < c.get_analy_symbol_num(); ++k) {
        const long e = body_start(c, k) - q;
        if (lib_ofdm_demod_common_t::mean_abs_pow(complex_vector_t(x.begin() + e, x.begin() + e + N - 1)) <=
            threshold)
            continue;
        complex_vector_t ratio(static_cast<std::size_t>(U));
        std::vector<float> phase(ratio.size());
        for (int i = 0; i < U; ++i) {
            const auto j = static_cast<std::size_t>(i);
            ratio[j] = lib_common_math_t::divide_complex(x[static_cast<std::size_t>(e + N - U + i)],
                                                         x[static_cast<std::size_t>(e - U + i)]);
            if (!std::isfinite(ratio[j].real()) || !std::isfinite(ratio[j].imag())) ratio[j] = cf(0.0f, 0.0f);
            phase[j] = lib_common_math_t::get_complex_phase(ratio[j]);
        }
        for (int pass = 0; pass < U / 4; ++pass) {
            const cf m = mean(ratio);
            const float phi = lib_common_math_t::get_complex_phase(m);
            std::size_t worst = 0;
            for (std::size_t i = 1; i < ratio.size(); ++i)
                if (std::fabs(phase[i] - phi) > std::fabs(phase[worst] - phi)) worst = i;
            ratio[worst] = m;
            phase[worst] = phi;
        }
        total += mean(ratio);
    }
    const double theta_rad = lib_common_math_t::get_complex_phase(total);
    return static_cast<float>(theta_rad * static_cast<double>(c.get_system_sample_rate()) / N * 0.5 /
                              k_test_pi);
}

TEST(CyclicPrefixEstimate, EqualsThePerSymbolForm) {
    // Offsets of both signs, a silent symbol (skipped by the power test) and zero prefix samples
    // (their ratios replaced by 0 and then by the mean).
    for (const auto standard : {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL}) {
        for (const double cfo_hz : {-3100.0, 870.0}) {
            timing_probe_t p = prepared(standard);
            const auto& c = p.m_config_manager;
            complex_vector_t x = make_capture(make_frame(c, make_grid(p, 5)), 0, 2 * c.get_ofdm_len(), 0.0,
                                              cfo_hz, c.get_system_sample_rate(), 25.0, 9);
            const long silent = body_start(c, c.get_analy_symbol_num() - 2);
            std::fill(x.begin() + silent - c.get_ofdm_len() / 2, x.begin() + silent + c.get_ofdm_len(),
                      cf(0, 0));
            const long zeros = body_start(c, 3) - c.get_ofdm_len() / 8;
            std::fill(x.begin() + zeros - 3, x.begin() + zeros, cf(0, 0));
            p.m_sample_data = x;
            p.m_freq_error_est = 0.0f;
            ASSERT_TRUE(p._deal_ofdm_cp_freq_error_estimate());
            EXPECT_EQ(p.m_freq_error_est, per_symbol_prefix_estimate(p, x)) << standard << " " << cfo_hz;
        }
    }
}

TEST(FineFreqError, ZeroAndShortCapturesApplyNothing) {
    // Without the frame's symbols around it, the stage must neither read outside the buffer nor
    // apply anything: an all-zero capture of the right length gives no estimate at all.
    timing_probe_t p = prepared(LIB_OFDM_STANDARD_TYPE_WIFI);
    p.m_sample_data.assign(p.m_ref_time_frame.size(), cf(0, 0));
    p.m_freq_error_est = 0.0f;
    EXPECT_TRUE(p._deal_ofdm_fine_freq_error_estimate());
    EXPECT_EQ(p.m_freq_error_est, 0.0f);
    // Too short to hold the power reference symbol: the cyclic-prefix estimate is not formed.
    p.m_sample_data.assign(10, cf(0, 0));
    vek::test::log_capture_t log;
    EXPECT_TRUE(p._deal_ofdm_fine_freq_error_estimate());
    EXPECT_TRUE(p._deal_ofdm_cp_freq_error_estimate());
    EXPECT_EQ(p.m_freq_error_est, 0.0f);
    EXPECT_NE(log.last_message().find("no power reference symbol"), std::string::npos);
    EXPECT_EQ(p.m_sample_data, complex_vector_t(10, cf(0, 0)));
}

}  // namespace
