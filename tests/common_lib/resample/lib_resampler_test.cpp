// Rational resampling (direct and polyphase) on tones, constants and random data, its edge
// extension, the factor search and the integer oversampler. The polyphase bank's tap mapping and
// gains are checked through its agreement with the direct path and on constants.
#include "vek/common_lib/resample/lib_resampler.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "random_signal.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/resample/lib_oversampling.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_resampler_t;
using cvec = std::vector<std::complex<float>>;

namespace {

// Pass-band ripple of the beta 5 Kaiser anti-aliasing filter plus single-precision filtering.
constexpr double kAmplitudeTolerance = 3e-3;  // relative
constexpr double kWaveformTolerance = 5e-3;   // of the amplitude, sample by sample
constexpr double kConstantTolerance = 2e-3;   // stop-band leakage onto a constant, relative

using resample_fn = bool (*)(const cvec&, cvec&, std::uint32_t, std::uint32_t, std::uint64_t);
const std::pair<const char*, resample_fn> kPaths[] = {
    {"direct", &lib_resampler_t::deal_resampling},
    {"polyphase", &lib_resampler_t::deal_polyphase_resampling}};

cvec make_tone(std::size_t length, double amplitude, double cycles_per_sample, double phase = 0.0) {
    cvec x(length);
    for (std::size_t n = 0; n < length; ++n)
        x[n] = std::polar(amplitude,
                          2.0 * 3.14159265358979323846 * cycles_per_sample * static_cast<double>(n) + phase);
    return x;
}

// Largest |x[n] - y[n]| and RMS of x over [from, to).
double max_difference(const cvec& x, const cvec& y, std::size_t from, std::size_t to) {
    double worst = 0.0;
    for (std::size_t n = from; n < to; ++n)
        worst = std::max(worst, static_cast<double>(std::abs(x[n] - y[n])));
    return worst;
}

double rms(const cvec& x, std::size_t from, std::size_t to) {
    double energy = 0.0;
    for (std::size_t n = from; n < to; ++n) energy += std::norm(std::complex<double>(x[n]));
    return std::sqrt(energy / static_cast<double>(to - from));
}

}  // namespace

TEST(Resampler, EqualFactorsReturnTheInputAndAnOffsetShiftsTheDecimation) {
    // The one-to-one filter is a unit impulse: its side taps are rounding errors.
    cvec taps;
    lib_resampler_t::_generate_antialiasing_filter(
        1, 1, lib_resampler_t::_get_antialiasing_filter_order_factor(100), taps);
    const auto centre = std::max_element(
        taps.begin(), taps.end(), [](const auto& a, const auto& b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(*centre, std::complex<float>(1.0f, 0.0f));
    double side = 0.0;
    for (auto tap = taps.begin(); tap != taps.end(); ++tap)
        if (tap != centre) side += std::abs(*tap);
    EXPECT_LT(side, 1e-14);
    const cvec x = make_tone(100, 1.0, 0.01);
    for (const auto& [name, run] : kPaths) {
        cvec y;
        ASSERT_TRUE(run(x, y, 3, 3, 0));
        ASSERT_EQ(y.size(), 100u) << name;
        EXPECT_LT(max_difference(x, y, 0, x.size()), 1e-5) << name;
        if (run == kPaths[0].second) {
            EXPECT_EQ(y, x);
            ASSERT_TRUE(run(x, y, 1, 1, 7));
            EXPECT_EQ(y, cvec(x.begin() + 7, x.end()));
        }
        ASSERT_TRUE(run(x, y, 1, 2, 1));
        ASSERT_EQ(y.size(), 50u) << name;
        // A slow tone is passed unchanged: decimating from offset 1 keeps samples 1, 3, 5, ...
        for (std::size_t k = 0; k < y.size(); ++k)
            EXPECT_LT(std::abs(y[k] - x[2 * k + 1]), kWaveformTolerance) << name << " " << k;
    }
}

TEST(Resampler, ConstantStaysConstantIncludingTheEdges) {
    const cvec x(300, {0.75f, -0.5f});
    for (const auto& [name, run] : kPaths) {
        for (const auto& [up, down] :
             {std::pair<std::uint32_t, std::uint32_t>{4, 3}, {1, 2}, {3, 1}, {48, 125}, {5, 7}}) {
            cvec y;
            ASSERT_TRUE(run(x, y, up, down, 0));
            ASSERT_FALSE(y.empty());
            for (std::size_t k = 0; k < y.size(); ++k)
                ASSERT_LT(std::abs(y[k] - x[0]), kConstantTolerance * std::abs(x[0]))
                    << name << " " << up << "/" << down << " at " << k;
        }
        // 48/125: the filter centre 1250 is 2 mod 48, so phases 46 and 47 reach one input sample
        // beyond the longest delay; the last input sample's phase 46 must still read inside the
        // extended data (one sample past it is what the sanitizer build would report).
        cvec y;
        ASSERT_TRUE(run(x, y, 48, 125, 300 * 48 - 2));
        ASSERT_EQ(y.size(), 1u) << name;
        EXPECT_LT(std::abs(y[0] - x[0]), kConstantTolerance) << name;
    }
}

TEST(Resampler, ToneKeepsItsWaveformAndOutOfBandToneIsRemoved) {
    const double amplitude = 0.8;
    for (const auto& [name, run] : kPaths) {
        for (const auto& [up, down, freq_in] :
             {std::tuple<std::uint32_t, std::uint32_t, double>{4, 3, 0.05}, {1, 2, 0.1}, {4, 3, -0.2}}) {
            cvec y;
            ASSERT_TRUE(run(make_tone(3001, amplitude, freq_in, 0.3), y, up, down, 0));
            ASSERT_EQ(y.size(), (3001u * up + down - 1u) / down) << name << " " << up << "/" << down;
            // Output sample k lies at input time k D / U: the waveform itself, phase included.
            const cvec ideal = make_tone(y.size(), amplitude, freq_in * down / up, 0.3);
            EXPECT_LT(max_difference(y, ideal, 50, y.size() - 50), kWaveformTolerance * amplitude)
                << name << " " << up << "/" << down;
            EXPECT_NEAR(rms(y, 50, y.size() - 50) / amplitude, 1.0, kAmplitudeTolerance)
                << name << " " << up << "/" << down;
        }
        // 0.4 cycles per input sample aliases to -0.2 after decimation by 2 unless filtered out.
        cvec y;
        ASSERT_TRUE(run(make_tone(2000, 1.0, 0.4), y, 1, 2, 0));
        EXPECT_LT(20.0 * std::log10(rms(y, 50, y.size() - 50)), -40.0) << name;
    }
}

TEST(Resampler, PolyphaseAgreesWithDirect) {
    // The direct (FFT) and polyphase paths compute the same sums in a different order.
    const cvec x = vek::test::gaussian_complex(1000, 5);
    for (const auto& [up, down, offset] :
         {std::tuple<std::uint32_t, std::uint32_t, std::uint64_t>{4, 3, 0}, {3, 7, 2}, {5, 2, 4}}) {
        cvec direct, poly;
        ASSERT_TRUE(lib_resampler_t::deal_resampling(x, direct, up, down, offset));
        ASSERT_TRUE(lib_resampler_t::deal_polyphase_resampling(x, poly, up, down, offset));
        ASSERT_EQ(direct.size(), poly.size());
        EXPECT_LT(max_difference(direct, poly, 20, poly.size() - 20), 1e-4) << up << "/" << down;
    }
}

TEST(Resampler, PolyphaseDecimationEqualsTheSumsSampleBySample) {
    // Decimation (up factor 1) runs four outputs at a time; every output must be the plain
    // in-order sum over the phase's taps of the extended input, to the bit, including the outputs
    // near the end that fall back to one at a time.
    const cvec x = vek::test::gaussian_complex(1000, 8);
    for (const std::uint32_t down : {2u, 3u, 4u, 7u}) {
        for (const std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{down - 1u}}) {
            cvec poly;
            ASSERT_TRUE(lib_resampler_t::deal_polyphase_resampling(x, poly, 1, down, offset));
            std::vector<std::vector<float>> phases;
            std::vector<std::uint32_t> delays;
            const std::uint32_t order = lib_resampler_t::_get_antialiasing_filter_order_factor(x.size());
            lib_resampler_t::_generate_polyphase_filter(1, down, order, phases, delays);
            const std::uint32_t extension = std::max(2 * order, delays[0] + 1);
            cvec ext;
            lib_resampler_t::_deal_data_linear_extrapolate(x, ext, extension);
            ASSERT_EQ(poly.size(), (x.size() - offset + down - 1) / down);
            for (std::size_t k = 0; k < poly.size(); ++k) {
                const std::size_t first = offset + k * down + extension - delays[0];
                float re = 0.0f;
                float im = 0.0f;
                for (std::size_t j = 0; j < phases[0].size(); ++j) {
                    re += phases[0][j] * ext[first + j].real();
                    im += phases[0][j] * ext[first + j].imag();
                }
                ASSERT_EQ(poly[k], std::complex<float>(re, im)) << down << " " << offset << " " << k;
            }
        }
    }
}

TEST(Resampler, KeptOutputsEqualTheCyclicFilterThenDrop) {
    // Ratios whose short filter reaches no further than the extension are formed as a plain
    // section of the extended block; every output must equal the written-out chain (cyclic
    // filter over the whole block, extension dropped, then decimation) to the bit; at 1/1 the
    // chain's unit impulse returns the input. Long inputs: 2/1 and 1/2 (41 taps) take the chain;
    // a 15-sample input's shorter filter (order 7, 29 taps) takes the section for 2/1 and 1/2,
    // and the chain for 1/3.
    for (const std::size_t n : {std::size_t{700}, std::size_t{15}}) {
        const cvec x = vek::test::gaussian_complex(n, 9);
        for (const auto& [up, down] :
             {std::pair<std::uint32_t, std::uint32_t>{1, 1}, {2, 1}, {1, 2}, {1, 3}}) {
            cvec fast;
            ASSERT_TRUE(lib_resampler_t::deal_resampling(x, fast, up, down, 0));
            const std::uint32_t order = lib_resampler_t::_get_antialiasing_filter_order_factor(x.size());
            cvec chain;
            lib_resampler_t::_deal_data_linear_extrapolate(x, chain, 2 * order);
            lib_resampler_t::_deal_interpolate(chain, up);
            ASSERT_TRUE(lib_resampler_t::_deal_antialiasing_filter(up, down, order, chain));
            const auto edge = static_cast<std::ptrdiff_t>(2u * order * up);
            chain = cvec(chain.begin() + edge, chain.end() - edge);
            ASSERT_TRUE(lib_resampler_t::_deal_decimation(down, 0, chain));
            ASSERT_EQ(fast.size(), chain.size()) << n << ": " << up << "/" << down;
            for (std::size_t k = 0; k < fast.size(); ++k)
                ASSERT_EQ(fast[k], chain[k]) << n << ": " << up << "/" << down << " " << k;
        }
    }
}

TEST(Resampler, KeptFilterDesignsEqualFreshOnes) {
    // Six factor sets visited twice, out of order: more than the designs kept, so some come back
    // from the store and some are designed again; each must equal a fresh design.
    const std::uint32_t sets[][3] = {{1, 1, 10}, {2, 1, 10}, {1, 3, 10}, {4, 3, 7}, {1, 1, 5}, {5, 2, 10}};
    for (const std::size_t i : {0u, 1u, 2u, 0u, 3u, 4u, 5u, 1u, 0u, 5u, 2u, 3u}) {
        const auto& [up, down, order] = sets[i];
        cvec kept, fresh;
        lib_resampler_t::_generate_antialiasing_filter(up, down, order, kept);
        lib_resampler_t::_design_antialiasing_filter(up, down, order, fresh);
        ASSERT_FALSE(fresh.empty());
        EXPECT_EQ(kept, fresh) << up << "/" << down << " order " << order;
    }
}

TEST(Resampler, RejectedInputsLeaveTheOutputEmpty) {
    const cvec x(100, {1.0f, 0.0f});
    vcl::report_capture_t capture;
    for (const auto& [name, run] : kPaths) {
        for (const auto& [up, down] : {std::pair<std::uint32_t, std::uint32_t>{0, 2}, {3, 0}, {60000, 1}}) {
            cvec y{{1.0f, 1.0f}};
            EXPECT_FALSE(run(x, y, up, down, 0)) << name << " " << up << "/" << down;
            EXPECT_TRUE(y.empty());
        }
        for (const cvec& input : {cvec(), cvec(2, {1.0f, 0.0f})}) {  // empty, too short to filter
            cvec y{{1.0f, 1.0f}};
            EXPECT_FALSE(run(input, y, 2, 1, 0)) << name << " " << input.size();
            EXPECT_TRUE(y.empty());
        }
    }
    EXPECT_TRUE(
        capture.contains("lib_resample_t::deal_polyphase_resampling Report: Error resample parameters!\n"));
    EXPECT_TRUE(
        capture.contains("lib_resample_t::deal_resampling Report: Resample Coefficients Overlimit!\n"));
    EXPECT_TRUE(capture.contains("lib_resample_t::deal_resampling Report: Empty input data array!\n"));
    capture.clear();
    cvec y;
    EXPECT_FALSE(lib_resampler_t::deal_polyphase_resampling(x, y, 4, 1, 401));
    EXPECT_EQ(capture.text(),
              "lib_resample_t::deal_polyphase_resampling Report: decimation delay is overlimit!\n");
    EXPECT_TRUE(lib_resampler_t::deal_polyphase_resampling(x, y, 4, 1, 400));  // nothing left to keep
    EXPECT_TRUE(y.empty());
    EXPECT_FALSE(lib_resampler_t::deal_resampling(x, y, 4, 1, 400));
}

TEST(Resampler, LargeFactorsAreReducedFirstAndFactorSearch) {
    // 100,000 / 2 is 50,000 / 1 after reduction: accepted, with a 1,000,001-tap filter at F = 10.
    cvec y;
    vcl::report_capture_t capture;
    ASSERT_TRUE(lib_resampler_t::deal_polyphase_resampling(cvec(21, {1.0f, 0.0f}), y, 100000, 2, 0));
    EXPECT_EQ(y.size(), 21u * 50000u);
    EXPECT_NEAR(y[y.size() / 2].real(), 1.0, kConstantTolerance);
    ASSERT_TRUE(lib_resampler_t::deal_resampling(cvec(3, {1.0f, 0.0f}), y, 100000, 2, 0));
    EXPECT_EQ(y.size(), 3u * 50000u);
    EXPECT_TRUE(capture.text().empty());

    std::uint32_t up = 0, down = 0;
    EXPECT_TRUE(lib_resampler_t::calc_resample_coef(20e6, 20e6, 7.68e6, up, down));
    EXPECT_EQ(up, 48u);
    EXPECT_EQ(down, 125u);
    // No pair below 1000 reaches pi exactly; a short block tolerates the best approximation
    // (drift below 0.2 output samples), a long one none.
    EXPECT_FALSE(lib_resampler_t::calc_resample_coef(100, 1.0, 3.14159265358979, up, down));
    EXPECT_EQ(capture.text(),
              "lib_resample_t::_calc_resample_coef Report: Cannot find a proper sample rate!\n");
    const double rate = static_cast<double>(up) / down;
    EXPECT_LE(std::floor(100.0 * rate) * std::fabs(1.0 - rate / 3.14159265358979), 0.2);
    EXPECT_FALSE(lib_resampler_t::calc_resample_coef(1e12, 1.0, 3.14159265358979, up, down));
    EXPECT_EQ(up, 1u);
    EXPECT_EQ(down, 1u);
}

TEST(Resampler, EdgeExtensionReflectsAboutTheEndSamples) {
    auto real_vector = [](std::initializer_list<float> values) {
        cvec v;
        for (float f : values) v.emplace_back(f, 0.0f);
        return v;
    };
    // Reflection about the end samples; longer than the data allows, the reflected block repeats
    // outwards; too short for a slope, zeros.
    cvec y;
    lib_resampler_t::_deal_data_linear_extrapolate(real_vector({1, 2, 4}), y, 2);
    EXPECT_EQ(y, real_vector({-2, 0, 1, 2, 4, 6, 7}));
    lib_resampler_t::_deal_data_linear_extrapolate(real_vector({1, 2, 4}), y, 3);
    EXPECT_EQ(y, real_vector({0, -2, 0, 1, 2, 4, 6, 7, 6}));
    lib_resampler_t::_deal_data_linear_extrapolate(real_vector({5, 6}), y, 2);
    EXPECT_EQ(y, real_vector({0, 0, 5, 6, 0, 0}));
}

TEST(Oversampling, MethodsAndBadRatios) {
    cvec v{{1, 2}, {3, 4}};
    vcl::lib_oversampling_t::deal_oversampling(3, v, vcl::LIB_OVERSAMPLING_INSERT_ZERO);
    EXPECT_EQ(v, cvec({{1, 2}, {0, 0}, {0, 0}, {3, 4}, {0, 0}, {0, 0}}));
    v = {{1, 2}, {3, 4}};
    vcl::lib_oversampling_t::deal_oversampling(2, v, vcl::LIB_OVERSAMPLING_HOLDER);
    EXPECT_EQ(v, cvec({{1, 2}, {1, 2}, {3, 4}, {3, 4}}));
    v = {{1, 2}};
    vcl::lib_oversampling_t::deal_oversampling(4, v, vcl::LIB_OVERSAMPLING_OFFSET);
    EXPECT_EQ(v, cvec({{1, 0}, {0, 0}, {0, 2}, {0, 0}}));

    // Unknown methods and bad ratios leave the data unchanged.
    const cvec before{{1, 2}};
    v = before;
    vcl::report_capture_t capture;
    vcl::lib_oversampling_t::deal_oversampling(4, v, static_cast<vcl::lib_oversampling_method_t>(3));
    vcl::lib_oversampling_t::deal_oversampling(0, v, vcl::LIB_OVERSAMPLING_INSERT_ZERO);
    vcl::lib_oversampling_t::deal_oversampling(0, v, vcl::LIB_OVERSAMPLING_HOLDER);
    vcl::lib_oversampling_t::deal_oversampling(3, v, vcl::LIB_OVERSAMPLING_OFFSET);
    EXPECT_EQ(v, before);
    EXPECT_TRUE(
        capture.contains("lib_oversampling_t::deal_offset_oversampling Report: Oversampling Ratio must be "
                         "positive and even! But current value = 3\n"));
}
