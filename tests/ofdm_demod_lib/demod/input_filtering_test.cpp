// Filtering and rate-change building blocks: convolution trimming, zero insertion, decimation,
// the rate-change and windowed-sinc designs and the rate divisor.
#include <gtest/gtest.h>

#include <cmath>

#include "demod_input_probe.hpp"
#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;
using vek::common_lib::report_capture_t;
using vek::test::cvec_t;

namespace {

cvec_t ramp(std::size_t n) {
    cvec_t x(n);
    for (std::size_t k = 0; k < n; ++k) x[k] = {static_cast<float>(k + 1), -0.5f * static_cast<float>(k)};
    return x;
}

// Full linear convolution by the defining sum.
cvec_t direct_full_conv(const cvec_t& x, const std::vector<float>& h) {
    cvec_t y(x.size() + h.size() - 1);
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t k = 0; k < h.size(); ++k) y[i + k] += x[i] * h[k];
    }
    return y;
}

void expect_near(const cvec_t& a, const cvec_t& b, float tol) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_LT(std::abs(a[i] - b[i]), tol) << "index " << i;
}

}  // namespace

TEST(DemodConv, SameKeepsTheCentralSamplesOfTheFullConvolution) {
    const cvec_t x = ramp(10);
    // Four taps: 13-sample full convolution, samples 2 ... 11 kept (two dropped in front, one behind).
    const std::vector<float> h4{0.25f, -1.0f, 0.5f, 2.0f};
    const cvec_t full4 = direct_full_conv(x, h4);
    cvec_t out;
    common::conv(x, h4, out, true);
    expect_near(out, cvec_t(full4.begin() + 2, full4.begin() + 12), 1e-4f);
    // Five taps: two dropped at each end.
    const std::vector<float> h5{1.0f, 0.0f, -2.0f, 0.5f, 3.0f};
    const cvec_t full5 = direct_full_conv(x, h5);
    common::conv(x, h5, out, true);
    expect_near(out, cvec_t(full5.begin() + 2, full5.begin() + 12), 1e-4f);
    // Without trimming the whole convolution comes back.
    common::conv(x, h4, out, false);
    expect_near(out, full4, 1e-4f);
}

TEST(DemodConv, ShortKernelsAndEmptyInputCopy) {
    const cvec_t x = ramp(7);
    cvec_t out{{9.0f, 9.0f}};
    common::conv(x, {}, out, true);
    EXPECT_EQ(out, x);
    common::conv(x, {3.0f}, out, true);  // a single tap is no filter at all
    EXPECT_EQ(out, x);
    common::conv({}, {0.5f, 0.5f}, out, true);
    EXPECT_TRUE(out.empty());
}

TEST(DemodUpsample, InsertsTruncatedFactorMinusOneZeros) {
    const cvec_t x{{1.0f, 2.0f}, {3.0f, -1.0f}};
    const std::complex<float> z(0.0f, 0.0f);
    cvec_t out{{7.0f, 7.0f}};
    common::upsample(x, 3.0f, out);
    EXPECT_EQ(out, (cvec_t{x[0], z, z, x[1], z, z}));
    common::upsample(x, 2.7f, out);  // trunc(1.7) = 1 zero
    EXPECT_EQ(out, (cvec_t{x[0], z, x[1], z}));
    common::upsample(x, 1.0f, out);
    EXPECT_EQ(out, x);
    common::upsample(x, 0.5f, out);
    EXPECT_EQ(out, x);
    common::upsample({}, 4.0f, out);
    EXPECT_TRUE(out.empty());
}

TEST(DemodDownsample, PicksTruncatedMultiplesOfTheFactor) {
    const cvec_t x = ramp(6);
    cvec_t out;
    common::downsample(x, 1.5f, out);
    EXPECT_EQ(out, (cvec_t{x[0], x[1], x[3], x[4]}));
    common::downsample(ramp(5), 2.0f, out);
    EXPECT_EQ(out, (cvec_t{ramp(5)[0], ramp(5)[2], ramp(5)[4]}));
    common::downsample(ramp(3), 0.5f, out);  // a factor below 1 repeats samples
    const cvec_t r3 = ramp(3);
    EXPECT_EQ(out, (cvec_t{r3[0], r3[0], r3[1], r3[1], r3[2], r3[2]}));
}

TEST(DemodDownsample, EmptyInputOrZeroFactorReportsAndLeavesOutput) {
    vek::test::log_capture_t logs;
    report_capture_t lines;
    const cvec_t previous{{4.0f, 4.0f}};
    cvec_t out = previous;
    common::downsample({}, 2.0f, out);
    EXPECT_EQ(out, previous);
    EXPECT_TRUE(lines.contains("lib_ofdm_demod_common_t::downsample: Empty input data array!\n"));
    EXPECT_TRUE(logs.has_message("downsample: Empty input data array!"));
    common::downsample(ramp(4), 0.0f, out);
    EXPECT_EQ(out, previous);
    EXPECT_TRUE(lines.contains("lib_ofdm_demod_common_t::downsample: Error decimation paramter!\n"));
    EXPECT_TRUE(logs.has_message("downsample: decimation paramter is zero!"));
    common::downsample(ramp(4), -1.0f, out);  // would never reach the end
    EXPECT_EQ(out, previous);
}

TEST(DemodMultirateFir, UnitFactorsGiveOneTap) {
    std::vector<float> taps;
    common::design_multirate_fir_two_input(1.0f, 1.0f, taps);
    EXPECT_EQ(taps, std::vector<float>{1.0f});
    taps = {3.0f, 4.0f, 5.0f};  // a longer vector keeps only its first element
    common::design_multirate_fir_two_input(1.0f, 1.0f, taps);
    EXPECT_EQ(taps, std::vector<float>{3.0f});
}

TEST(DemodMultirateFir, InterpolationByTwoIsAHalfBandScaledByTwo) {
    std::vector<float> taps;
    common::design_multirate_fir_two_input(2.0f, 1.0f, taps);
    // Order 48: 49 designed taps, the last dropped.
    ASSERT_EQ(taps.size(), 48u);
    // Cut-off at half the Nyquist frequency: the ideal response sin(pi m / 2) / (pi m) is 1/2 at
    // the centre and 0 at every even offset; the gain of 2 makes the centre 1.
    EXPECT_NEAR(taps[24], 1.0f, 1e-6f);
    for (int m = 2; m <= 24; m += 2) EXPECT_EQ(taps[24 - m], 0.0f) << m;
    for (int m = 2; m < 24; m += 2) EXPECT_EQ(taps[24 + m], 0.0f) << m;
    // Linear phase about tap 24 (the dropped tap 48 mirrored tap 0).
    for (int m = 1; m < 24; ++m) EXPECT_FLOAT_EQ(taps[24 - m], taps[24 + m]) << m;
    // First odd offset: 2 sin(pi/2)/pi shaped by a Kaiser window that is nearly 1 there.
    EXPECT_NEAR(taps[23], 2.0 / vek::test::k_pi, 0.01);
}

TEST(DemodMultirateFir, DecimationUsesTheDownFactorForTheOrderAndUnitGain) {
    std::vector<float> taps;
    common::design_multirate_fir_two_input(1.0f, 2.0f, taps);
    ASSERT_EQ(taps.size(), 48u);
    EXPECT_NEAR(taps[24], 0.5f, 1e-6f);
    common::design_multirate_fir_two_input(48.0f, 125.0f, taps);
    EXPECT_EQ(taps.size(), 24u * 48u);
}

TEST(DemodWindowedSinc, RectangleWindowGivesTheIdealSinc) {
    std::vector<float> taps;
    const float cutoff = 0.3f;
    common::window_sinc_filter_hanning(31, cutoff, LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_RECTANGLE, taps);
    ASSERT_EQ(taps.size(), 31u);
    for (int n = 0; n < 31; ++n) {
        const double m = n - 15;
        const double ideal =
            m == 0.0 ? cutoff : std::sin(vek::test::k_pi * cutoff * m) / (vek::test::k_pi * m);
        EXPECT_NEAR(taps[static_cast<std::size_t>(n)], ideal, 1e-5) << n;
    }
}

TEST(DemodWindowedSinc, WindowsTaperTheEnds) {
    std::vector<float> hann;
    std::vector<float> hamming;
    common::window_sinc_filter_hanning(31, 0.3f, LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HANN, hann);
    common::window_sinc_filter_hanning(31, 0.3f, LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HAMMING, hamming);
    ASSERT_EQ(hann.size(), 31u);
    ASSERT_EQ(hamming.size(), 31u);
    EXPECT_NEAR(hann[15], 0.3f, 1e-5f);  // both windows are 1 at the centre
    EXPECT_NEAR(hamming[15], 0.3f, 1e-5f);
    EXPECT_NEAR(hann[0], 0.0f, 1e-6f);  // Hann reaches 0 at the ends, Hamming 0.08
    const double end_ideal = std::sin(vek::test::k_pi * 0.3 * -15.0) / (vek::test::k_pi * -15.0);
    EXPECT_NEAR(hamming[0], 0.08 * end_ideal, 1e-4);
}

TEST(DemodWindowedSinc, ZeroOrNegativeLengthFailsWithAWarning) {
    vek::test::log_capture_t logs;
    report_capture_t lines;
    std::vector<float> taps{1.0f, 2.0f};
    common::window_sinc_filter_hanning(0, 0.3f, LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HANN, taps);
    EXPECT_TRUE(taps.empty());
    EXPECT_TRUE(lines.contains("window_sinc_filter_hanning fail\n"));
    EXPECT_TRUE(logs.has_message("window_sinc_filter_hanning fail"));
    taps = {1.0f};
    common::window_sinc_filter_hanning(-5, 0.3f, LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HANN, taps);
    EXPECT_TRUE(taps.empty());
}

TEST(DemodGreatestCommonDivisor, IntegerPartsOfTheRates) {
    EXPECT_EQ(common::get_greatest_common_divisor(20e6f, 7.68e6f), 160000.0f);
    EXPECT_EQ(common::get_greatest_common_divisor(7.68e6f, 20e6f), 160000.0f);
    EXPECT_EQ(common::get_greatest_common_divisor(20e6f, 10e6f), 10e6f);
    EXPECT_EQ(common::get_greatest_common_divisor(20e6f, 20e6f), 20e6f);
    EXPECT_EQ(common::get_greatest_common_divisor(7.0f, 5.0f), 1.0f);
    EXPECT_EQ(common::get_greatest_common_divisor(20.9f, 10.2f), 10.0f);  // truncation
    EXPECT_EQ(common::get_greatest_common_divisor(1e9f, 3.0f), 1.0f);     // no long subtraction chain
    // Below 1 Hz there is nothing to divide by.
    EXPECT_EQ(common::get_greatest_common_divisor(0.5f, 10.0f), 0.0f);
    EXPECT_EQ(common::get_greatest_common_divisor(10.0f, 0.0f), 0.0f);
    EXPECT_EQ(common::get_greatest_common_divisor(-10.0f, 5.0f), 0.0f);
}
