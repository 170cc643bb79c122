// The fast paths of the hot stages against their straightforward forms on seeded random inputs:
// equal to within float rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_interpolation.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_sync_scores.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "random_signal.hpp"

namespace {

using namespace vek::ofdm_demod_lib;

complex_vector_t random_samples(std::size_t n, std::uint32_t seed) { return vek::test::gaussian_complex(n, seed); }

float max_abs_difference(const complex_vector_t& a, const complex_vector_t& b) {
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// The whole capture at four times its rate, rotated by k quarter samples, every fourth sample kept.
complex_vector_t shift_by_full_interpolation(const complex_vector_t& x, std::int64_t k) {
    complex_vector_t high = detail::interpolate_x4(x);
    vek::common_lib::lib_common_container_t::deal_cyclic_shift(-k, high);
    complex_vector_t out;
    lib_ofdm_demod_common_t::downsample(high, 4.0f, out);
    return out;
}

TEST(QuarterSampleShift, EqualsTheFullInterpolationForEveryBranchAndWrap) {
    for (const std::size_t length : {std::size_t{5}, std::size_t{30}, std::size_t{1000}}) {
        const complex_vector_t x = random_samples(length, static_cast<std::uint32_t>(length));
        const auto high_len = static_cast<std::int64_t>(4 * length);
        for (const std::int64_t k : {std::int64_t{0}, std::int64_t{1}, std::int64_t{2}, std::int64_t{3},
                                     std::int64_t{6}, std::int64_t{19}, high_len - 1, high_len, std::int64_t{-3}}) {
            complex_vector_t fast;
            detail::shift_quarter_samples(x, k, fast);
            const complex_vector_t slow = shift_by_full_interpolation(x, k);
            ASSERT_EQ(fast.size(), slow.size()) << length << " " << k;
            EXPECT_LT(max_abs_difference(fast, slow), 1e-5f) << length << " " << k;
        }
    }
}

TEST(QuarterSampleShift, ShortenedShiftIsThePrefixOfTheFullShift) {
    // The fine timing forms only the samples the later stages read; each of them, wrapped ones
    // included, must equal the full shift's.
    const complex_vector_t x = random_samples(3000, 77);
    for (const std::int64_t k : {std::int64_t{5}, std::int64_t{4 * 2990 + 2}, std::int64_t{-7}}) {
        complex_vector_t full;
        detail::shift_quarter_samples(x, k, full);
        for (const std::size_t count : {std::size_t{0}, std::size_t{10}, std::size_t{2500}, std::size_t{2999},
                                        std::size_t{5000}}) {
            complex_vector_t part;
            detail::shift_quarter_samples(x, k, count, part);
            ASSERT_EQ(part.size(), std::min(count, x.size())) << k << " " << count;
            EXPECT_TRUE(std::equal(part.begin(), part.end(), full.begin())) << k << " " << count;
        }
    }
}

TEST(QuarterSampleShift, WholeSampleShiftsMoveTheSamplesUnchanged) {
    const complex_vector_t x = random_samples(200, 9);
    complex_vector_t out;
    detail::shift_quarter_samples(x, 8, out);  // two whole samples, cyclically
    for (std::size_t n = 0; n < x.size(); ++n) EXPECT_EQ(out[n], x[(n + 2) % x.size()]) << n;
    detail::shift_quarter_samples(x, 4 * 200 + 1, out);  // beyond one turn: left unshifted
    EXPECT_LT(max_abs_difference(out, x), 1e-6f);
    detail::shift_quarter_samples({}, 3, out);
    EXPECT_TRUE(out.empty());
}

// The mean normalised correlation of the bodies at one start, product by product.
float direct_score(const complex_vector_t& d, const complex_vector_t& r, const std::vector<detail::sync_body_t>& bodies,
                   std::int32_t start, std::int32_t body_len) {
    float sum = 0.0f;
    for (const detail::sync_body_t& body : bodies)
        sum += lib_ofdm_demod_common_t::deal_signal_corr(d, r, static_cast<std::int32_t>(start + body.data_offset + 1),
                                                         body.ref_start_1based, body_len);
    return sum / static_cast<float>(bodies.size());
}

TEST(SyncCandidateScores, EqualTheDirectCorrelationsEverywhere) {
    constexpr std::int32_t body_len = 64;
    const complex_vector_t r = random_samples(3 * body_len, 21);
    complex_vector_t d = random_samples(1500, 22);
    // Plant the references (scaled, rotated, noisy) so that some candidates score near 1, and a
    // silent stretch where the correlation is undefined and scores 0.
    for (std::int32_t k = 0; k < body_len; ++k) {
        d[static_cast<std::size_t>(300 + k)] += complex_t{0.0f, 3.0f} * r[static_cast<std::size_t>(k)];
        d[static_cast<std::size_t>(300 + 200 + k)] += 2.0f * r[static_cast<std::size_t>(2 * body_len + k)];
    }
    std::fill(d.begin() + 800, d.begin() + 1200, complex_t{});
    // And a stretch 100 dB down (filter leakage into idle samples), where FFT rounding alone
    // would exceed the true cross terms.
    for (std::size_t i = 1200; i < 1450; ++i) d[i] *= 1e-5f;
    const std::vector<detail::sync_body_t> bodies = {{0, 1}, {200, 2 * body_len + 1}, {90, body_len + 1}};
    // Every start, including starts whose later bodies run past the data.
    std::vector<std::int32_t> candidates;
    for (std::int32_t p = 0; p < 1500; ++p) candidates.push_back(p);
    std::vector<float> scores;
    detail::score_sync_candidates(d, r, bodies, candidates, body_len, scores);
    ASSERT_EQ(scores.size(), candidates.size());
    float worst = 0.0f;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        worst = std::max(worst, std::fabs(scores[i] - direct_score(d, r, bodies, candidates[i], body_len)));
    EXPECT_LT(worst, 2e-5f);
    EXPECT_GT(scores[300], 0.6f);  // two of three bodies match
    EXPECT_EQ(scores[850], 0.0f);  // silence in all three windows

    // A few scattered candidates (the cyclic-prefix mode's threshold crossings) take the direct path.
    const std::vector<std::int32_t> few = {3, 300, 1499};
    detail::score_sync_candidates(d, r, bodies, few, body_len, scores);
    for (std::size_t i = 0; i < few.size(); ++i)
        EXPECT_EQ(scores[i], direct_score(d, r, bodies, few[i], body_len)) << few[i];
}

TEST(CyclicPrefixSearch, EveryMetricEqualsItsDirectCorrelation) {
    // Starts in groups of four and one by one, including the last starts whose copies run past
    // the data (metric 0) and a silent stretch (no defined correlation, 0).
    constexpr std::int32_t body_len = 64;
    constexpr std::int32_t cp_len = 9;
    complex_vector_t d = random_samples(700, 23);
    for (std::int32_t k = 0; k < cp_len; ++k) d[static_cast<std::size_t>(100 + k)] = d[static_cast<std::size_t>(100 + body_len + k)];
    std::fill(d.begin() + 400, d.begin() + 560, complex_t{});
    for (const std::int32_t count : {0, 3, 626, 700}) {
        std::vector<float> metric;
        float metric_max = -1.0f;
        lib_ofdm_demod_common_t::cp_corr_search(d, cp_len, body_len, count, metric, metric_max);
        ASSERT_EQ(metric.size(), static_cast<std::size_t>(count));
        float expected_max = 0.0f;
        for (std::int32_t p = 0; p < count; ++p) {
            const float direct = lib_ofdm_demod_common_t::deal_signal_corr(d, d, p + 1, p + body_len + 1, cp_len);
            EXPECT_EQ(metric[static_cast<std::size_t>(p)], direct) << count << " " << p;
            expected_max = std::max(expected_max, direct);
        }
        EXPECT_EQ(metric_max, expected_max) << count;
        if (count > 100) {
            EXPECT_NEAR(metric[100], 1.0f, 1e-5f);  // the planted prefix
            EXPECT_EQ(metric[450], 0.0f);           // silence in both windows
        }
    }
}

TEST(HalfRateFilter, EqualsTheFullConvolutionThenDecimation) {
    // A half-band shape (every other tap zero) and a dense one, odd and even lengths of x.
    const std::vector<float> half_band = {-0.01f, 0.0f, 0.06f, 0.0f, -0.3f, 0.0f, 0.5f, 0.0f, -0.3f, 0.0f, 0.06f};
    const std::vector<float> dense = {0.1f, -0.2f, 0.7f, 0.3f, 0.05f, -0.02f};
    for (const auto* taps : {&half_band, &dense}) {
        for (const std::size_t length : {std::size_t{1}, std::size_t{4}, std::size_t{777}, std::size_t{2000}}) {
            const complex_vector_t x = random_samples(length, static_cast<std::uint32_t>(length + taps->size()));
            complex_vector_t filtered;
            complex_vector_t slow;
            lib_ofdm_demod_common_t::conv(x, *taps, filtered, true);
            lib_ofdm_demod_common_t::downsample(filtered, 2.0f, slow);
            complex_vector_t fast;
            detail::filter_to_half_rate(x, *taps, fast);
            ASSERT_EQ(fast.size(), slow.size()) << length;
            EXPECT_LT(max_abs_difference(fast, slow), 1e-5f) << length;
        }
    }
}

// Channel power as first written: every bin's frequency tested, |X / n| by the library's abs.
float straightforward_channel_power(const complex_vector_t& samples, float fs, float bandwidth) {
    const std::size_t n = samples.size();
    const auto n_f = static_cast<float>(n);
    complex_vector_t window;
    vek::common_lib::lib_window_function_t::generate_gauss_window(window, static_cast<std::uint32_t>(n), false, 4.8);
    std::vector<float> a;
    vek::common_lib::lib_common_math_t::get_complex_array_amplitude(window, a);
    float sum_a = 0.0f;
    float sum_a2 = 0.0f;
    for (float v : a) {
        sum_a += v;
        sum_a2 += v * v;
    }
    const float mean_a = vek::common_lib::lib_common_math_t::get_average_value(a);
    const float rbw = (sum_a2 / n_f) / (mean_a * mean_a) * fs / n_f;
    const float cgc = 1.0f / (sum_a / n_f);
    complex_vector_t spectrum(n);
    for (std::size_t k = 0; k < n; ++k) spectrum[k] = samples[k] * a[k];
    vek::common_lib::lib_fourier_transform_t::deal_fft(spectrum, static_cast<std::uint32_t>(n));
    vek::common_lib::lib_fourier_transform_t::fft_shift(spectrum);
    const auto centre = static_cast<std::int64_t>(n / 2);
    float sum = 0.0f;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const float f = static_cast<float>(static_cast<std::int64_t>(k) - centre) / n_f * fs;
        if (f < -bandwidth / 2.0f || f > bandwidth / 2.0f) continue;
        const float m = std::abs(spectrum[k] / n_f) * cgc * static_cast<float>(1.0 / std::sqrt(2.0));
        sum += m * m / 50.0f / rbw;
        ++kept;
    }
    return static_cast<float>(10.0 * std::log10(static_cast<double>(sum * (bandwidth / static_cast<float>(kept)) * 1000.0f)));
}

TEST(ChannelPower, BandBinsAloneEqualTheWalkOverEveryBin) {
    // 1 kHz bins with the band edges exactly on bins (LTE 5 MHz: 4.5 MHz at 7.68 MS/s), an odd
    // length, and a length that changes the cached window between calls.
    struct case_t {
        std::size_t n;
        float fs;
        float bandwidth;
    };
    for (const case_t c : {case_t{7680, 7.68e6f, 4.5e6f}, case_t{4001, 20e6f, 16.6e6f}, case_t{7680, 7.68e6f, 4.5e6f},
                           case_t{640, 20e6f, 30e6f}}) {
        const complex_vector_t x = random_samples(c.n, static_cast<std::uint32_t>(c.n));
        const float fast = lib_ofdm_demod_common_t::channel_power(x, 50, c.fs, c.bandwidth, true);
        EXPECT_NEAR(fast, straightforward_channel_power(x, c.fs, c.bandwidth), 1e-4f) << c.n << " " << c.bandwidth;
    }
}

TEST(AdvanceCompensation, CachedRotationsMatchTheFormulaAcrossLengthsAndAdvances) {
    constexpr double two_pi = 6.283185307179586;
    // Alternating settings make every call after the first change the cached table.
    for (const auto& [fft_len, advance] : {std::pair{64, 8}, std::pair{512, 36}, std::pair{64, 8}, std::pair{64, -3}}) {
        const complex_vector_t spectrum = random_samples(static_cast<std::size_t>(fft_len), 40);
        complex_vector_t out;
        lib_ofdm_demod_common_t::deal_fft_advance_compensation(spectrum, fft_len, advance, out);
        ASSERT_EQ(out.size(), spectrum.size());
        for (int k = 0; k < fft_len; ++k) {
            const double phase = two_pi * k * advance / fft_len;
            const std::complex<double> expected =
                std::complex<double>(spectrum[static_cast<std::size_t>(k)]) * std::polar(1.0, phase);
            EXPECT_LT(std::abs(std::complex<double>(out[static_cast<std::size_t>(k)]) - expected), 1e-4)
                << fft_len << " " << advance << " " << k;
        }
    }
}

}  // namespace
