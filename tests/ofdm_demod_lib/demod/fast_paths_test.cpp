// The fast paths of the hot stages against their straightforward forms on seeded random inputs:
// equal to within float rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_half_rate.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_interpolation.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_power_threshold.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_sync_scores.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_window_group.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_window_sums.hpp"
#include "random_signal.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;
using vek::test::gaussian_complex;

std::uint32_t bits(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

float max_abs_difference(const complex_vector_t& a, const complex_vector_t& b) {
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

TEST(QuarterSampleShift, EqualsTheFullInterpolationAndItsShortenedForm) {
    // Straightforward form: the whole capture at four times its rate (zeros inserted, then the
    // 96-tap interpolator as a centred convolution), rotated by k quarter samples, every fourth
    // sample kept. Every branch (k mod 4), wraps and negative shifts; whole-sample shifts (branch
    // 0) are the samples themselves, moved cyclically, to the bit.
    for (const std::size_t length : {std::size_t{5}, std::size_t{1000}}) {
        const complex_vector_t x = gaussian_complex(length, static_cast<std::uint32_t>(length));
        const auto high_len = static_cast<std::int64_t>(4 * length);
        complex_vector_t up, convolved;
        common::upsample(x, 4.0f, up);
        common::conv(up, detail::interp_taps(), convolved, true);
        // The interpolator evaluated branch by branch is that convolution.
        EXPECT_LT(max_abs_difference(detail::interpolate_x4(x), convolved), 1e-5f) << length;
        for (const std::int64_t k :
             {std::int64_t{0}, std::int64_t{1}, std::int64_t{2}, std::int64_t{3}, std::int64_t{19},
              std::int64_t{20}, high_len - 1, high_len, std::int64_t{-3}, std::int64_t{-4}}) {
            complex_vector_t fast, slow, high = convolved;
            detail::shift_quarter_samples(x, k, fast);
            if (k % 4 == 0) {
                const auto whole = static_cast<std::size_t>((k % high_len + high_len) % high_len / 4);
                for (std::size_t n = 0; n < length; ++n)
                    ASSERT_EQ(fast[n], x[(n + whole) % length]) << length << " " << k << " " << n;
            }
            vek::common_lib::lib_common_container_t::deal_cyclic_shift(-k, high);
            common::downsample(high, 4.0f, slow);
            ASSERT_EQ(fast.size(), slow.size()) << length << " " << k;
            EXPECT_LT(max_abs_difference(fast, slow), 1e-5f) << length << " " << k;
            // The shortened shift (only the samples later stages read) is the full one's prefix.
            for (const std::size_t count : {std::size_t{3}, length - 1, length + 7}) {
                complex_vector_t part;
                detail::shift_quarter_samples(x, k, count, part);
                ASSERT_EQ(part.size(), std::min(count, length));
                EXPECT_TRUE(std::equal(part.begin(), part.end(), fast.begin())) << k << " " << count;
            }
        }
    }
}

TEST(QuarterSampleShift, WholeSamplesKeepANonFiniteSampleToItself) {
    complex_vector_t x = gaussian_complex(50, 3);
    x[10] = {std::numeric_limits<float>::infinity(), 0.0f};
    complex_vector_t out;
    detail::shift_quarter_samples(x, 8, out);
    EXPECT_EQ(out[8], x[10]);
    EXPECT_EQ(out[7], x[9]);
    EXPECT_EQ(out[9], x[11]);
}

TEST(FineTimingCorrelation, LanesOfCandidatesEqualOneCandidateAtATime) {
    // Straightforward form: each candidate's normalised |sum conj(ref) data| alone, in sample
    // order. Candidate counts below and above one block of windows summed side by side, a start
    // that puts the last windows past the data (they score 0) and a window that is silent.
    const complex_vector_t ref = gaussian_complex(37, 31);
    complex_vector_t data = gaussian_complex(120, 32);
    std::fill(data.begin() + 60, data.begin() + 100, complex_t(0.0f, 0.0f));
    for (const auto& [start, count] :
         {std::pair<std::int32_t, std::int32_t>{0, 83}, {3, 80}, {5, 7}, {60, 30}, {0, 12}}) {
        std::vector<float> corr;
        std::int32_t index = -1;
        common::synchronize(ref, data, start, count, 37, corr, index);
        ASSERT_EQ(corr.size(), static_cast<std::size_t>(count));
        float best = 0.0f;
        std::int32_t best_index = -1;
        for (std::int32_t k = 0; k < count && start + k + 37 <= static_cast<std::int32_t>(data.size()); ++k) {
            float re = 0.0f, im = 0.0f, er = 0.0f, ed = 0.0f;
            for (std::size_t i = 0; i < 37; ++i) {
                const complex_t a = ref[i], b = data[static_cast<std::size_t>(start + k) + i];
                re += a.real() * b.real() + a.imag() * b.imag();
                im += a.real() * b.imag() - a.imag() * b.real();
                er += a.real() * a.real() + a.imag() * a.imag();
                ed += b.real() * b.real() + b.imag() * b.imag();
            }
            const double denom = std::sqrt(static_cast<double>(er) * ed);
            const float expected =
                denom > 0.0 ? static_cast<float>(std::abs(complex_t(re, im)) / denom) : 0.0f;
            corr[static_cast<std::size_t>(k)] -= expected;  // exactly 0 where equal
            if (expected > best) {
                best = expected;
                best_index = k;
            }
        }
        EXPECT_EQ(corr, std::vector<float>(static_cast<std::size_t>(count), 0.0f)) << start;
        EXPECT_EQ(index, best_index + start) << start;
    }
}

TEST(SymbolPowerTest, DecidesAsTheSequentialMeanPower) {
    // Thresholds at the exact mean power, one float step either side, a hundredth of a dB away,
    // far away, and a silent stretch (-inf dB), on lengths with and without a tail after the
    // lanes, at a unit level and where single-precision squares underflow or overflow.
    for (const std::size_t n : {std::size_t{1}, std::size_t{8}, std::size_t{511}, std::size_t{4095}}) {
        complex_vector_t x = gaussian_complex(n, static_cast<std::uint32_t>(40 + n));
        for (const float scale : {1.0f, 1e-21f, 3e18f}) {
            complex_vector_t y = x;
            for (complex_t& v : y) v *= scale;
            const float exact = common::mean_abs_pow(y);
            for (const float t : {exact, std::nextafter(exact, -1e9f), std::nextafter(exact, 1e9f),
                                  exact - 0.01f, exact + 0.01f, exact - 3.0f, exact + 3.0f}) {
                EXPECT_EQ(detail::mean_power_exceeds(y.data(), n, t), exact > t)
                    << n << " " << scale << " " << t;
            }
        }
        std::fill(x.begin(), x.end(), complex_t(0.0f, 0.0f));
        EXPECT_FALSE(detail::mean_power_exceeds(x.data(), n, -200.0f)) << n;
    }
}

TEST(SyncCandidateScores, EqualTheDirectCorrelationsEverywhere) {
    constexpr std::int32_t body_len = 64;
    const complex_vector_t r = gaussian_complex(3 * body_len, 21);
    complex_vector_t d = gaussian_complex(1500, 22);
    // Planted references (scaled, rotated) score near 1; silence scores 0; a stretch 100 dB down
    // is where FFT rounding alone would exceed the true cross terms.
    for (std::size_t k = 0; k < body_len; ++k) {
        d[300 + k] += complex_t{0.0f, 3.0f} * r[k];
        d[500 + k] += 2.0f * r[2 * body_len + k];
    }
    std::fill(d.begin() + 800, d.begin() + 1200, complex_t{});
    for (std::size_t i = 1200; i < 1450; ++i) d[i] *= 1e-5f;
    const std::vector<detail::sync_body_t> bodies = {{0, 1}, {200, 2 * body_len + 1}, {90, body_len + 1}};
    const auto direct = [&](std::int32_t start) {
        float sum = 0.0f;
        for (const detail::sync_body_t& b : bodies)
            sum += common::deal_signal_corr(d, r, start + b.data_offset + 1, b.ref_start_1based, body_len);
        return sum / static_cast<float>(bodies.size());
    };
    // Every start (the later bodies of the last ones run past the data), then scattered
    // candidates: more than the few that always go direct, but spread thinly enough over the
    // starts that the direct products cost less than the FFT correlations. They take the direct
    // path and must equal the direct correlations to the bit: groups of eight neighbouring windows
    // with every start, with gaps, with one member, after a fall in the starts, in silence, and
    // groups whose eight windows run past the data while the members' own do not.
    std::vector<std::int32_t> all(1500);
    for (std::int32_t p = 0; p < 1500; ++p) all[static_cast<std::size_t>(p)] = p;
    std::vector<std::int32_t> scattered = {600, 601, 602,  603,  3,    300, 301,  302,
                                           850, 500, 1200, 1499, 1236, 7,   1000, 1230};
    for (std::int32_t p = 11; p < 1500; p += 53) scattered.push_back(p);
    for (std::int32_t p = 400; p < 431; p += 3) scattered.push_back(p);
    for (std::int32_t p = 100; p < 181; ++p) scattered.push_back(p);
    for (std::int32_t p = 780; p < 792; ++p) scattered.push_back(p);
    for (std::int32_t p = 1280; p < 1300; ++p) scattered.push_back(p);
    EXPECT_GT(direct(300), 0.6f);  // two of three bodies match
    EXPECT_EQ(direct(850), 0.0f);
    // Last, non-finite samples give non-finite sums, whose magnitudes follow std::abs (an
    // infinite part with a NaN one is infinite there, NaN as a plain root of the squares).
    for (int pass = 0; pass < 3; ++pass) {
        const std::vector<std::int32_t>& candidates = pass == 0 ? all : scattered;
        if (pass == 2) d[140] = {std::numeric_limits<float>::infinity(), 1.0f}, d[150] = {NAN, 0.0f};
        std::vector<float> scores;
        detail::score_sync_candidates(d, r, bodies, candidates, body_len, scores);
        ASSERT_EQ(scores.size(), candidates.size());
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (pass > 0)
                ASSERT_EQ(bits(scores[i]), bits(direct(candidates[i]))) << candidates[i];
            else
                ASSERT_NEAR(scores[i], direct(candidates[i]), 2e-5f) << candidates[i];
        }
    }
}

TEST(WindowGroup, BothRegisterWidthsEqualTheOneWindowLoop) {
    // An odd length, and a window whose energy reaches the float range's top (an infinite sum).
    constexpr std::size_t len = 37;
    complex_vector_t a = gaussian_complex(7 + len, 31);
    const complex_vector_t b = gaussian_complex(len, 32);
    a[7 + len - 1] = {3e19f, 0.0f};
    std::vector<float> b_re, b_im;
    detail::split_parts(b.data(), len, b_re, b_im);
    float energy_b = 0.0f;
    for (const complex_t& z : b) energy_b += z.real() * z.real() + z.imag() * z.imag();
    for (const bool wide : {false, true}) {
        float energy[8], cross_re[8], cross_im[8];
        detail::sum_window_group_against(a.data(), b_re.data(), b_im.data(), len, energy, cross_re, cross_im,
                                         wide);
        for (std::int32_t c = 0; c < 8; ++c) {
            const float direct = common::deal_signal_corr(a, b, c + 1, 1, static_cast<std::int32_t>(len));
            EXPECT_EQ(bits(detail::normalised_correlation(energy[c], energy_b, cross_re[c], cross_im[c])),
                      bits(direct))
                << wide << " " << c;
        }
        EXPECT_EQ(energy[7], std::numeric_limits<float>::infinity()) << wide;
    }
}

TEST(CyclicPrefixSearch, EveryMetricEqualsItsDirectCorrelation) {
    constexpr std::int32_t body_len = 64, cp_len = 9;
    complex_vector_t d = gaussian_complex(700, 23);
    std::copy_n(d.begin() + 100 + body_len, cp_len, d.begin() + 100);  // a planted prefix
    std::fill(d.begin() + 400, d.begin() + 560, complex_t{});
    d[300] = {std::numeric_limits<float>::infinity(), 1.0f};  // non-finite sums: redone one by one
    // Counts within one block of starts summed side by side, over several blocks, and with starts
    // whose copy runs past the data; metrics compared as bit patterns (an infinite sample makes
    // NaN ones).
    for (const std::int32_t count : {3, 626, 700}) {
        std::vector<float> metric;
        float metric_max = -1.0f, expected_max = 0.0f;
        common::cp_corr_search(d, cp_len, body_len, count, metric, metric_max);
        ASSERT_EQ(metric.size(), static_cast<std::size_t>(count));
        for (std::int32_t p = 0; p < count; ++p) {
            const float direct = common::deal_signal_corr(d, d, p + 1, p + body_len + 1, cp_len);
            ASSERT_EQ(bits(metric[static_cast<std::size_t>(p)]), bits(direct)) << count << " " << p;
            if (direct > expected_max) expected_max = direct;
        }
        EXPECT_EQ(metric_max, expected_max);
        if (count > 100) {
            EXPECT_NEAR(metric[100], 1.0f, 1e-5f);  // the planted prefix
        }
    }
}

TEST(CyclicPrefixSearch, CandidatesAreTheStartsAboveTheFractionOfTheLargestMetric) {
    // The starts settled by the ratio of their sums against those cp_corr_search and
    // find_greater_pnt give: planted prefixes of several strengths (so that starts lie on either
    // side of the threshold), silence, a non-finite sample, tiny samples, fractions that put the
    // threshold on a metric exactly; starts whose copy runs past the data.
    constexpr std::int32_t body_len = 64, cp_len = 9;
    complex_vector_t d = gaussian_complex(3000, 29);
    for (int k = 0; k < 20; ++k) {
        const std::size_t at = 100 + 130 * static_cast<std::size_t>(k);
        const float mix = 0.05f * static_cast<float>(k);
        for (std::int32_t i = 0; i < cp_len; ++i)
            d[at + static_cast<std::size_t>(i)] =
                d[at + static_cast<std::size_t>(body_len + i)] * (1.0f - mix) +
                d[at + static_cast<std::size_t>(i)] * mix;
    }
    std::fill(d.begin() + 1400, d.begin() + 1560, complex_t{});
    for (std::size_t i = 1600; i < 1700; ++i) d[i] *= 1e-30f;
    d[2300] = {std::numeric_limits<float>::infinity(), 1.0f};
    for (const std::int32_t count : {1, 700, 2930, 3000}) {
        std::vector<float> metric;
        float metric_max = 0.0f;
        common::cp_corr_search(d, cp_len, body_len, count, metric, metric_max);
        std::vector<float> fractions = {0.9f, 0.5f, 0.0f};
        for (const float m : metric)
            if (m > 0.0f && m < metric_max) fractions.push_back(m / metric_max);  // thresholds on metrics
        fractions.resize(std::min<std::size_t>(fractions.size(), 40));
        for (const float fraction : fractions) {
            std::vector<std::int32_t> expected, above{-1};
            common::find_greater_pnt(
                metric, static_cast<float>(static_cast<double>(fraction) * static_cast<double>(metric_max)),
                expected);
            float largest = -1.0f;
            detail::prefix_correlation_candidates(d, cp_len, body_len, count, fraction, above, largest);
            ASSERT_EQ(bits(largest), bits(metric_max)) << count;
            ASSERT_EQ(above, expected) << count << " " << fraction;
        }
    }
}

TEST(HalfRateFilter, EqualsTheFullConvolutionThenDecimation) {
    // A half-band shape (every other tap zero) and a dense one, odd and even lengths of x, up to
    // several blocks of outputs with a partial last one.
    const std::vector<float> half_band = {-0.01f, 0.0f, 0.06f, 0.0f, -0.3f, 0.0f,
                                          0.5f,   0.0f, -0.3f, 0.0f, 0.06f};
    const std::vector<float> dense = {0.1f, -0.2f, 0.7f, 0.3f, 0.05f, -0.02f};
    // Every output must also be, to the bit, the in-order sum over the non-zero taps of the
    // samples it meets, whether the blocked interior or the edge loop formed it.
    for (const auto* taps : {&half_band, &dense}) {
        for (const std::size_t length :
             {std::size_t{1}, std::size_t{4}, std::size_t{777}, std::size_t{778}, std::size_t{2601}}) {
            const complex_vector_t x =
                gaussian_complex(length, static_cast<std::uint32_t>(length + taps->size()));
            complex_vector_t filtered, slow, fast;
            common::conv(x, *taps, filtered, true);
            common::downsample(filtered, 2.0f, slow);
            detail::filter_to_half_rate(x, *taps, fast);
            ASSERT_EQ(fast.size(), slow.size()) << length;
            EXPECT_LT(max_abs_difference(fast, slow), 1e-5f) << length;
            const auto centre = static_cast<std::int64_t>(taps->size() / 2);
            for (std::size_t i = 0; i < fast.size(); ++i) {
                float re = 0.0f, im = 0.0f;
                for (std::size_t j = 0; j < taps->size(); ++j) {
                    const std::int64_t at =
                        2 * static_cast<std::int64_t>(i) + centre - static_cast<std::int64_t>(j);
                    if ((*taps)[j] == 0.0f || at < 0 || at >= static_cast<std::int64_t>(length)) continue;
                    re += (*taps)[j] * x[static_cast<std::size_t>(at)].real();
                    im += (*taps)[j] * x[static_cast<std::size_t>(at)].imag();
                }
                ASSERT_EQ(fast[i], complex_t(re, im)) << length << " " << i;
            }
        }
    }
}

// Channel power as first written: every bin's frequency tested, |X / n| by the library's abs.
float straightforward_channel_power(const complex_vector_t& samples, float fs, float bandwidth) {
    using namespace vek::common_lib;
    const std::size_t n = samples.size();
    const auto n_f = static_cast<float>(n);
    complex_vector_t window, spectrum(n);
    lib_window_function_t::generate_gauss_window(window, static_cast<std::uint32_t>(n), false, 4.8);
    std::vector<float> a;
    lib_common_math_t::get_complex_array_amplitude(window, a);
    float sum_a = 0.0f, sum_a2 = 0.0f;
    for (std::size_t k = 0; k < n; ++k) sum_a += a[k], sum_a2 += a[k] * a[k], spectrum[k] = samples[k] * a[k];
    const float mean_a = lib_common_math_t::get_average_value(a);
    const float rbw = (sum_a2 / n_f) / (mean_a * mean_a) * fs / n_f, cgc = 1.0f / (sum_a / n_f);
    lib_fourier_transform_t::deal_fft(spectrum, static_cast<std::uint32_t>(n));
    lib_fourier_transform_t::fft_shift(spectrum);
    float sum = 0.0f;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const float f =
            static_cast<float>(static_cast<std::int64_t>(k) - static_cast<std::int64_t>(n / 2)) / n_f * fs;
        if (f < -bandwidth / 2.0f || f > bandwidth / 2.0f) continue;
        const float m = std::abs(spectrum[k] / n_f) * cgc * static_cast<float>(1.0 / std::sqrt(2.0));
        sum += m * m / 50.0f / rbw;
        ++kept;
    }
    return static_cast<float>(
        10.0 * std::log10(static_cast<double>(sum * (bandwidth / static_cast<float>(kept)) * 1000.0f)));
}

TEST(ChannelPower, BandBinsAloneEqualTheWalkOverEveryBin) {
    // Band edges exactly on 1 kHz bins (4.5 MHz at 7.68 MS/s), an odd length, a band wider than
    // the rate; the repeated length after another one checks the cached window is replaced.
    struct case_t {
        std::size_t n;
        float fs, bandwidth;
    };
    for (const case_t c : {case_t{7680, 7.68e6f, 4.5e6f}, case_t{4001, 20e6f, 16.6e6f},
                           case_t{7680, 7.68e6f, 4.5e6f}, case_t{640, 20e6f, 30e6f}}) {
        const complex_vector_t x = gaussian_complex(c.n, static_cast<std::uint32_t>(c.n));
        EXPECT_NEAR(common::channel_power(x, 50, c.fs, c.bandwidth, true),
                    straightforward_channel_power(x, c.fs, c.bandwidth), 1e-4f)
            << c.n;
    }
}

TEST(AdvanceCompensation, CachedRotationsMatchTheFormula) {
    // Alternating settings make every call after the first change the cached table.
    for (const auto& [fft_len, advance] :
         {std::pair{64, 8}, std::pair{512, 36}, std::pair{64, 8}, std::pair{64, -3}}) {
        const complex_vector_t spectrum = gaussian_complex(static_cast<std::size_t>(fft_len), 40);
        complex_vector_t out;
        common::deal_fft_advance_compensation(spectrum, fft_len, advance, out);
        ASSERT_EQ(out.size(), spectrum.size());
        for (std::size_t k = 0; k < out.size(); ++k) {
            const std::complex<double> expected =
                std::complex<double>(spectrum[k]) *
                std::polar(1.0, 6.283185307179586 * static_cast<double>(k) * advance / fft_len);
            ASSERT_LT(std::abs(std::complex<double>(out[k]) - expected), 1e-4)
                << fft_len << " " << advance << " " << k;
        }
    }
}

}  // namespace
