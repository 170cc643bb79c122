#include "vek/common_lib/resample/lib_resampler.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tone_measure.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_resampler_t;
using vek_test::cvec;

namespace {

// Pass-band ripple of the beta 5 Kaiser anti-aliasing filter plus single-precision filtering.
constexpr double kAmplitudeTolerance = 3e-3;    // relative
constexpr double kFrequencyTolerance = 1e-6;    // cycles per output sample
constexpr double kWaveformTolerance = 5e-3;     // of the amplitude, sample by sample
// Stop-band leakage of the anti-aliasing filter onto a constant (relative).
constexpr double kConstantTolerance = 2e-3;
// The direct (FFT) and polyphase paths compute the same sums in a different order.
constexpr double kPathAgreement = 1e-4;

using resample_fn = bool (*)(const cvec&, cvec&, std::uint32_t, std::uint32_t, std::uint64_t);

struct path_t {
    const char* name;
    resample_fn run;
};

const path_t kPaths[] = {{"direct", &lib_resampler_t::deal_resampling},
                         {"polyphase", &lib_resampler_t::deal_polyphase_resampling}};

cvec random_signal(std::size_t length, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    cvec x(length);
    for (auto& s : x) s = {normal(gen), normal(gen)};
    return x;
}

}  // namespace

TEST(Resampler, OutputLengths) {
    const cvec x = vek_test::make_tone(100, 1.0, 0.01);
    for (const auto& path : kPaths) {
        cvec y;
        ASSERT_TRUE(path.run(x, y, 2, 1, 0));
        EXPECT_EQ(y.size(), 200u) << path.name;
        ASSERT_TRUE(path.run(x, y, 1, 2, 0));
        EXPECT_EQ(y.size(), 50u) << path.name;
        ASSERT_TRUE(path.run(x, y, 1, 2, 1));
        ASSERT_EQ(y.size(), 50u) << path.name;
        // A slow tone is passed unchanged: decimating from offset 1 keeps samples 1, 3, 5, ...
        for (std::size_t k = 0; k < y.size(); ++k) {
            EXPECT_LT(std::abs(y[k] - x[2 * k + 1]), kWaveformTolerance) << path.name << " " << k;
        }
    }
    cvec y;
    ASSERT_TRUE(lib_resampler_t::deal_polyphase_resampling(vek_test::make_tone(1000, 1.0, 0.01), y, 4, 3, 0));
    EXPECT_EQ(y.size(), 1334u);
}

TEST(Resampler, EqualFactorsReturnTheInput) {
    const cvec x = random_signal(257, 11);
    for (const auto& path : kPaths) {
        cvec y;
        ASSERT_TRUE(path.run(x, y, 3, 3, 0));
        ASSERT_EQ(y.size(), x.size()) << path.name;
        EXPECT_LT(vek_test::max_difference(x, y, 0, x.size()), 1e-5) << path.name;
    }
}

TEST(Resampler, ConstantStaysConstantIncludingTheEdges) {
    const cvec x(300, {0.75f, -0.5f});
    struct factors_t { std::uint32_t up, down; };
    for (const auto& path : kPaths) {
        for (const auto f : {factors_t{4, 3}, factors_t{1, 2}, factors_t{3, 1}, factors_t{48, 125}, factors_t{5, 7}}) {
            cvec y;
            ASSERT_TRUE(path.run(x, y, f.up, f.down, 0));
            ASSERT_FALSE(y.empty());
            for (std::size_t k = 0; k < y.size(); ++k) {
                ASSERT_LT(std::abs(y[k] - x[0]), kConstantTolerance * std::abs(x[0]))
                    << path.name << " " << f.up << "/" << f.down << " sample " << k << " of " << y.size();
            }
        }
    }
}

TEST(Resampler, LastPhaseReachesTheFullExtension) {
    // 48/125: the filter centre c = 1250 is 2 mod 48, so phases 46 and 47 reach one input sample
    // further ahead than the longest delay; the last input sample's phase 46 must still read
    // inside the extended data (an extension of only the longest delay reads one sample past
    // the end, which the sanitizer build reports).
    const cvec x(300, {0.5f, 0.25f});
    for (const auto& path : kPaths) {
        cvec y;
        ASSERT_TRUE(path.run(x, y, 48, 125, 300 * 48 - 2));
        ASSERT_EQ(y.size(), 1u) << path.name;
        EXPECT_LT(std::abs(y[0] - x[0]), kConstantTolerance) << path.name;
    }
}

TEST(Resampler, ToneKeepsFrequencyAndAmplitude) {
    struct case_t {
        std::uint32_t up, down;
        double freq_in;  // cycles per input sample, inside the output band
    };
    const double amplitude = 0.8;
    const std::size_t n = 3000;
    for (const auto& path : kPaths) {
        for (const auto c : {case_t{4, 3, 0.05}, case_t{1, 2, 0.1}, case_t{4, 3, -0.2}}) {
            const cvec x = vek_test::make_tone(n, amplitude, c.freq_in, 0.3);
            cvec y;
            ASSERT_TRUE(path.run(x, y, c.up, c.down, 0));
            const double ratio = static_cast<double>(c.down) / c.up;  // input samples per output sample
            const double freq_out = c.freq_in * ratio;
            const std::size_t from = 50;
            const std::size_t to = y.size() - 50;
            EXPECT_NEAR(vek_test::measure_frequency(y, from, to), freq_out, kFrequencyTolerance)
                << path.name << " " << c.up << "/" << c.down;
            EXPECT_NEAR(vek_test::measure_amplitude(y, from, to) / amplitude, 1.0, kAmplitudeTolerance)
                << path.name << " " << c.up << "/" << c.down;
            // Output sample k lies at input time k*D/U: the waveform itself, phase included.
            const cvec ideal = vek_test::make_tone(y.size(), amplitude, freq_out, 0.3);
            EXPECT_LT(vek_test::max_difference(y, ideal, from, to), kWaveformTolerance * amplitude)
                << path.name << " " << c.up << "/" << c.down;
        }
    }
}

TEST(Resampler, ToneAboveTheOutputBandIsRemoved) {
    // 0.4 cycles per input sample aliases to -0.2 after decimation by 2 unless filtered out.
    const cvec x = vek_test::make_tone(2000, 1.0, 0.4);
    for (const auto& path : kPaths) {
        cvec y;
        ASSERT_TRUE(path.run(x, y, 1, 2, 0));
        EXPECT_LT(20.0 * std::log10(vek_test::measure_amplitude(y, 50, y.size() - 50)), -40.0) << path.name;
    }
}

TEST(Resampler, PolyphaseAgreesWithDirect) {
    const cvec x = random_signal(1000, 5);
    struct factors_t { std::uint32_t up, down; std::uint64_t offset; };
    for (const auto f : {factors_t{4, 3, 0}, factors_t{3, 7, 2}, factors_t{5, 2, 4}}) {
        cvec direct, poly;
        ASSERT_TRUE(lib_resampler_t::deal_resampling(x, direct, f.up, f.down, f.offset));
        ASSERT_TRUE(lib_resampler_t::deal_polyphase_resampling(x, poly, f.up, f.down, f.offset));
        ASSERT_EQ(direct.size(), poly.size());
        EXPECT_LT(vek_test::max_difference(direct, poly, 20, poly.size() - 20), kPathAgreement)
            << f.up << "/" << f.down;
    }
}

TEST(Resampler, PolyphaseDecimationEqualsTheSumsSampleBySample) {
    // Decimation (up factor 1) runs four outputs at a time; every output must be the plain
    // in-order sum over the phase's taps of the extended input, to the bit, including the outputs
    // near the end that fall back to one at a time.
    const cvec x = random_signal(1000, 8);
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

TEST(Resampler, RejectedInputsLeaveTheOutputEmpty) {
    const cvec x(100, {1.0f, 0.0f});
    struct reject_t {
        const cvec* input;
        std::uint32_t up, down;
        std::uint64_t offset;
        const char* direct_line;
        const char* poly_line;
    };
    const cvec empty;
    const reject_t cases[] = {
        {&empty, 1, 2, 0, "lib_resample_t::deal_resampling Report: Empty input data array!\n",
         "lib_resample_t::deal_polyphase_resampling Report: Empty input data array!\n"},
        {&x, 0, 2, 0, "lib_resample_t::deal_resampling Report: Error resample parameters!\n",
         "lib_resample_t::deal_polyphase_resampling Report: Error resample parameters!\n"},
        {&x, 3, 0, 0, "lib_resample_t::deal_resampling Report: Error resample parameters!\n",
         "lib_resample_t::deal_polyphase_resampling Report: Error resample parameters!\n"},
        {&x, 60000, 1, 0, "lib_resample_t::deal_resampling Report: Resample Coefficients Overlimit!\n",
         "lib_resample_t::deal_polyphase_resampling Report: Resample Coefficients Overlimit!\n"},
    };
    for (const auto& c : cases) {
        cvec direct{{1.0f, 1.0f}}, poly{{1.0f, 1.0f}};
        vcl::report_capture_t capture;
        EXPECT_FALSE(lib_resampler_t::deal_resampling(*c.input, direct, c.up, c.down, c.offset));
        EXPECT_EQ(capture.text(), c.direct_line);
        capture.clear();
        EXPECT_FALSE(lib_resampler_t::deal_polyphase_resampling(*c.input, poly, c.up, c.down, c.offset));
        EXPECT_EQ(capture.text(), c.poly_line);
        EXPECT_TRUE(direct.empty());
        EXPECT_TRUE(poly.empty());
    }

    vcl::report_capture_t capture;
    cvec y;
    EXPECT_FALSE(lib_resampler_t::deal_polyphase_resampling(x, y, 4, 1, 401));
    EXPECT_EQ(capture.text(), "lib_resample_t::deal_polyphase_resampling Report: decimation delay is overlimit!\n");
    EXPECT_TRUE(y.empty());
    capture.clear();
    EXPECT_TRUE(lib_resampler_t::deal_polyphase_resampling(x, y, 4, 1, 400));  // nothing left to keep
    EXPECT_TRUE(y.empty());
    EXPECT_FALSE(lib_resampler_t::deal_resampling(x, y, 4, 1, 400));
    EXPECT_TRUE(capture.contains("decimation delay is overlimit"));
    capture.clear();
    EXPECT_FALSE(lib_resampler_t::deal_resampling(cvec(2, {1.0f, 0.0f}), y, 2, 1, 0));
    EXPECT_FALSE(lib_resampler_t::deal_polyphase_resampling(cvec(2, {1.0f, 0.0f}), y, 2, 1, 0));
    EXPECT_TRUE(capture.contains("too short"));
}

TEST(Resampler, LargeFactorsAreReducedFirst) {
    // 100,000 / 2 is 50,000 / 1 after reduction: accepted, with a 1,000,001-tap filter at F = 10.
    const cvec x(21, {1.0f, 0.0f});
    cvec y;
    vcl::report_capture_t capture;
    ASSERT_TRUE(lib_resampler_t::deal_polyphase_resampling(x, y, 100000, 2, 0));
    EXPECT_EQ(y.size(), 21u * 50000u);
    EXPECT_NEAR(y[y.size() / 2].real(), 1.0, kConstantTolerance);
    ASSERT_TRUE(lib_resampler_t::deal_resampling(cvec(3, {1.0f, 0.0f}), y, 100000, 2, 0));
    EXPECT_EQ(y.size(), 3u * 50000u);
    EXPECT_TRUE(capture.text().empty());
}

TEST(Resampler, FactorSearch) {
    std::uint32_t up = 0, down = 0;
    EXPECT_TRUE(lib_resampler_t::calc_resample_coef(1000, 30.72e6, 15.36e6, up, down));
    EXPECT_EQ(up, 1u);
    EXPECT_EQ(down, 2u);
    EXPECT_TRUE(lib_resampler_t::calc_resample_coef(20e6, 20e6, 7.68e6, up, down));
    EXPECT_EQ(up, 48u);
    EXPECT_EQ(down, 125u);

    // No pair below 1000 reaches pi exactly; a short block tolerates the best approximation
    // (drift below 0.2 output samples), a long one none.
    vcl::report_capture_t capture;
    EXPECT_FALSE(lib_resampler_t::calc_resample_coef(100, 1.0, 3.14159265358979, up, down));
    EXPECT_EQ(capture.text(), "lib_resample_t::_calc_resample_coef Report: Cannot find a proper sample rate!\n");
    const double rate = static_cast<double>(up) / down;
    EXPECT_LE(std::floor(100.0 * rate) * std::fabs(1.0 - rate / 3.14159265358979), 0.2);
    EXPECT_FALSE(lib_resampler_t::calc_resample_coef(1e12, 1.0, 3.14159265358979, up, down));
    EXPECT_EQ(up, 1u);
    EXPECT_EQ(down, 1u);
}
