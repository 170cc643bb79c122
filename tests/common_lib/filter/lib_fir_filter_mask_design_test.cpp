#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dtft_reference.hpp"
#include "vek/common_lib/filter/lib_fir_filter_design.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_fir_filter_design_t;
using mask_t = std::vector<lib_fir_filter_design_t::mask_point_t>;
using cvec = std::vector<std::complex<float>>;

TEST(FirMaskDesign, LengthFollowsTheNumberOfMaskPoints) {
    cvec taps;
    ASSERT_TRUE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data({{-1.0, 0.0f}, {1.0, 0.0f}}, taps,
                                                                           vcl::LIB_WINDOW_HANN));
    EXPECT_EQ(taps.size(), 65u);

    mask_t twenty;
    for (int i = 0; i < 20; ++i) twenty.push_back({-1.0 + 2.0 * i / 19.0, 0.0f});
    ASSERT_TRUE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data(twenty, taps, vcl::LIB_WINDOW_HANN));
    EXPECT_EQ(taps.size(), 129u);  // 4 x 20 = 80 -> 128, plus one
}

TEST(FirMaskDesign, FlatMaskIsACentredUnitImpulse) {
    cvec taps;
    ASSERT_TRUE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data({{-1.0, -6.0f}, {1.0, -6.0f}}, taps,
                                                                           vcl::LIB_WINDOW_RECTANGLE));
    ASSERT_EQ(taps.size(), 65u);
    for (std::size_t n = 0; n < taps.size(); ++n) {
        EXPECT_NEAR(std::abs(taps[n]), n == 32 ? 1.0 : 0.0, 1e-6) << n;
    }
}

TEST(FirMaskDesign, LowPassMaskShapesTheResponse) {
    // 0 dB inside |f| <= 0.3, -60 dB beyond |f| >= 0.5, given unsorted.
    const mask_t mask{{0.5, -60.0f}, {-1.0, -60.0f}, {-0.3, 0.0f}, {1.0, -60.0f}, {0.3, 0.0f}, {-0.5, -60.0f}};
    cvec taps;
    ASSERT_TRUE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data(mask, taps, vcl::LIB_WINDOW_HANN));
    ASSERT_EQ(taps.size(), 65u);
    double peak = 0.0;
    for (const auto& t : taps) peak = std::max(peak, static_cast<double>(std::abs(t)));
    EXPECT_NEAR(peak, 1.0, 1e-6);  // largest tap normalised to 1

    // The 65-point frequency grid and the Hann window smear the mask by a few grid steps
    // (2/64 of Nyquist each); well inside each band the response follows it.
    const double dc = vek_test::dtft_magnitude(taps, 0.0);
    for (double f : {-0.2, -0.1, 0.1, 0.2}) {
        EXPECT_NEAR(vek_test::to_db(vek_test::dtft_magnitude(taps, f) / dc), 0.0, 1.0) << f;
    }
    for (double f : {-0.9, -0.75, -0.65, 0.65, 0.75, 0.9}) {
        EXPECT_LT(vek_test::to_db(vek_test::dtft_magnitude(taps, f) / dc), -40.0) << f;
    }

    // Sorting is stable and makes the result independent of the given order.
    const mask_t sorted{{-1.0, -60.0f}, {-0.5, -60.0f}, {-0.3, 0.0f}, {0.3, 0.0f}, {0.5, -60.0f}, {1.0, -60.0f}};
    cvec taps_sorted;
    lib_fir_filter_design_t::generate_fir_filter_by_mask_data(sorted, taps_sorted, vcl::LIB_WINDOW_HANN);
    EXPECT_EQ(taps, taps_sorted);
}

TEST(FirMaskDesign, MaskSamplingInterpolatesLinearlyAndAveragesSteps) {
    std::vector<float> levels;
    // Nine samples at -1, -0.75, ..., 1.
    lib_fir_filter_design_t::_sample_mask_levels({{-0.5, -10.0f}, {0.5, 10.0f}}, 9, levels);
    const std::vector<float> ramp{-10.0f, -10.0f, -10.0f, -5.0f, 0.0f, 5.0f, 10.0f, 10.0f, 10.0f};
    ASSERT_EQ(levels.size(), ramp.size());
    for (std::size_t i = 0; i < ramp.size(); ++i) EXPECT_NEAR(levels[i], ramp[i], 1e-5) << i;

    // A step at 0 (two points at one frequency, plus one between them with equal frequency):
    // the mean of the first and the last level given there.
    lib_fir_filter_design_t::_sample_mask_levels(
        {{-1.0, 0.0f}, {0.0, -20.0f}, {0.0, -99.0f}, {0.0, -40.0f}, {1.0, -40.0f}}, 9, levels);
    EXPECT_NEAR(levels[4], -30.0f, 1e-5);
    EXPECT_NEAR(levels[2], -10.0f, 1e-5);  // -0.5: halfway from 0 dB at -1 to -20 dB at 0
    EXPECT_NEAR(levels[8], -40.0f, 1e-5);
}

TEST(FirMaskDesign, EmptyMaskIsRejected) {
    vcl::report_capture_t capture;
    cvec taps{{1.0f, 0.0f}};
    EXPECT_FALSE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data({}, taps, vcl::LIB_WINDOW_HANN));
    EXPECT_TRUE(taps.empty());
    EXPECT_TRUE(capture.contains("Empty mask"));
}
