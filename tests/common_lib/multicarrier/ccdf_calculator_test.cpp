#include <gtest/gtest.h>

#include <cmath>

#include "random_signal.hpp"
#include "vek/common_lib/multicarrier/lib_ccdf_calculator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;

// Complex Gaussian noise: 200,000 samples put the standard error of any CCDF value below
// 0.0011, so a 0.005 band holds every point with a wide margin.
constexpr std::size_t GAUSS_SAMPLE_COUNT = 200000;
constexpr double GAUSS_CCDF_TOLERANCE = 0.005;
// Marker levels: 0.1 % of 200,000 is 200 samples, whose count varies by about 7 %, i.e. about
// 0.05 dB at that level.
constexpr double GAUSS_MARKER_TOLERANCE_DB = 0.15;

// Half the samples at twice the mean power (+3.0103 dB), half at zero: the curve is 0.5 up to
// 3.01 dB and 0 from 3.02 dB on.
TEST(CcdfCalculator, TwoLevelSignalByHand) {
    const float root2 = std::sqrt(2.0f);
    const cvec_t signal = {{0, 0}, {root2, 0}, {0, 0}, {0, root2}};
    std::vector<double> ccdf;
    ASSERT_TRUE(lib_ccdf_calculator_t::calculate_default_ccdf_data(signal, ccdf));
    for (std::size_t i = 0; i <= 301; ++i) ASSERT_DOUBLE_EQ(ccdf[i], 0.5) << i;
    for (std::size_t i = 302; i < ccdf.size(); ++i) ASSERT_DOUBLE_EQ(ccdf[i], 0.0) << i;

    std::vector<double> markers;
    lib_ccdf_calculator_t::get_default_ccdf_marker_data(ccdf, signal, markers);
    const double peak_db = 20.0 * std::log10(double(root2));
    ASSERT_EQ(markers.size(), 7u);
    EXPECT_NEAR(markers[0], 3.01, 1e-9);
    for (std::size_t i = 1; i < 6; ++i) EXPECT_NEAR(markers[i], peak_db, 1e-5) << i;  // clipped to the peak
    EXPECT_NEAR(markers[6], 3.02, 1e-9);

    // Over only 0 ... 1 dB the curve never falls to 10 %: every marker is padded with max_db.
    ASSERT_TRUE(lib_ccdf_calculator_t::calculate_ccdf_data(signal, 101, 1.0, ccdf));
    for (double value : ccdf) EXPECT_DOUBLE_EQ(value, 0.5);
    lib_ccdf_calculator_t::get_ccdf_marker_data(1.0, ccdf, signal, markers);
    EXPECT_EQ(markers, (std::vector<double>{1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 3.02}));

    // One sample of 100 exactly at the top edge (RMS 1, peak +20 dB) counts everywhere.
    cvec_t edge(100, std::complex<float>(0.0f, 0.0f));
    edge[17] = {0.0f, 10.0f};
    ASSERT_TRUE(lib_ccdf_calculator_t::calculate_default_ccdf_data(edge, ccdf));
    for (double value : ccdf) ASSERT_DOUBLE_EQ(value, 0.01);
}

TEST(CcdfCalculator, BadInputIsReported) {
    std::vector<double> ccdf;
    {
        report_capture_t capture;
        EXPECT_FALSE(lib_ccdf_calculator_t::calculate_ccdf_data(cvec_t(4, 1.0f), 2001, 0.0, ccdf));
        EXPECT_TRUE(capture.contains(
            "lib_ccdf_calculator_t::calculate_ccdf_data Report : Error Amplitude Ratio Range!"));
        EXPECT_TRUE(ccdf.empty());
    }
    report_capture_t capture;
    EXPECT_FALSE(lib_ccdf_calculator_t::calculate_default_ccdf_data(cvec_t{}, ccdf));
    EXPECT_EQ(ccdf, std::vector<double>(2001, 0.0));
    // All-zero input: every sample counted in the first section.
    ASSERT_TRUE(lib_ccdf_calculator_t::calculate_default_ccdf_data(cvec_t(10, 0.0f), ccdf));
    EXPECT_TRUE(capture.contains(
        "lib_ccdf_calculator_t::_deal_amplitude_histogram_analysis Report : Unexpected Input Data!"));
    EXPECT_DOUBLE_EQ(ccdf[0], 1.0);
    EXPECT_DOUBLE_EQ(ccdf[1], 0.0);
}

// The power of complex Gaussian noise relative to its mean is exponential: P(p > x dB) =
// exp(-10^(x/10)). The measured curve and its markers follow it.
TEST(CcdfCalculator, GaussianNoiseFollowsExponentialPower) {
    const cvec_t noise = vek::test::gaussian_complex(GAUSS_SAMPLE_COUNT, 2024);
    std::vector<double> ccdf;
    ASSERT_TRUE(lib_ccdf_calculator_t::calculate_default_ccdf_data(noise, ccdf));
    for (std::size_t i = 0; i < ccdf.size(); ++i) {
        ASSERT_NEAR(ccdf[i], std::exp(-std::pow(10.0, i * 0.001)), GAUSS_CCDF_TOLERANCE) << "at " << i * 0.01 << " dB";
    }

    std::vector<double> reference;  // the library's own closed-form curve
    lib_ccdf_calculator_t::get_gauss_ccdf_data(3, 20.0, reference);
    EXPECT_EQ(reference, (std::vector<double>{std::exp(-1.0), std::exp(-10.0), std::exp(-100.0)}));

    std::vector<double> markers;
    lib_ccdf_calculator_t::get_default_ccdf_marker_data(ccdf, noise, markers);
    ASSERT_EQ(markers.size(), 7u);
    // Level exceeded with probability p: 10 log10(ln(1/p)).
    const double probabilities[] = {0.1, 0.01, 0.001};
    for (std::size_t k = 0; k < 3; ++k) {
        const double expected_db = 10.0 * std::log10(std::log(1.0 / probabilities[k]));
        EXPECT_NEAR(markers[k], expected_db, GAUSS_MARKER_TOLERANCE_DB) << probabilities[k];
    }
    for (std::size_t k = 1; k < 6; ++k) EXPECT_GE(markers[k], markers[k - 1]);
    EXPECT_GE(markers[6], markers[5]);
    EXPECT_LT(markers[6], 13.0);  // a 200,000-sample Gaussian peak is near 11 dB
}

}  // namespace
}  // namespace vek::common_lib
