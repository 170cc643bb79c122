// The resampler's building blocks and the integer oversampler.
#include <gtest/gtest.h>

#include <numeric>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/resample/lib_oversampling.hpp"
#include "vek/common_lib/resample/lib_resampler.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_oversampling_t;
using vcl::lib_resampler_t;
using cvec = std::vector<std::complex<float>>;

namespace {
cvec real_vector(std::initializer_list<float> values) {
    cvec v;
    for (float x : values) v.emplace_back(x, 0.0f);
    return v;
}
}  // namespace

TEST(ResamplerParts, EdgeExtensionReflectsAboutTheEndSamples) {
    const cvec x = real_vector({1, 2, 4});
    cvec y;
    lib_resampler_t::_deal_data_linear_extrapolate(x, y, 2);
    EXPECT_EQ(y, real_vector({-2, 0, 1, 2, 4, 6, 7}));
    // Longer than the data allows: the reflected block repeats outwards.
    lib_resampler_t::_deal_data_linear_extrapolate(x, y, 3);
    EXPECT_EQ(y, real_vector({0, -2, 0, 1, 2, 4, 6, 7, 6}));
    // Complex samples reflect component-wise; a linear ramp continues exactly.
    const cvec ramp{{0, 0}, {1, -1}, {2, -2}, {3, -3}};
    lib_resampler_t::_deal_data_linear_extrapolate(ramp, y, 2);
    EXPECT_EQ(y, cvec({{-2, 2}, {-1, 1}, {0, 0}, {1, -1}, {2, -2}, {3, -3}, {4, -4}, {5, -5}}));
    // Too short for a slope: zeros.
    lib_resampler_t::_deal_data_linear_extrapolate(real_vector({5, 6}), y, 2);
    EXPECT_EQ(y, real_vector({0, 0, 5, 6, 0, 0}));
}

TEST(ResamplerParts, OrderFactorFollowsInputLength) {
    EXPECT_EQ(lib_resampler_t::_get_antialiasing_filter_order_factor(1000), 10u);
    EXPECT_EQ(lib_resampler_t::_get_antialiasing_filter_order_factor(21), 10u);
    EXPECT_EQ(lib_resampler_t::_get_antialiasing_filter_order_factor(20), 9u);
    EXPECT_EQ(lib_resampler_t::_get_antialiasing_filter_order_factor(3), 1u);
}

TEST(ResamplerParts, InterpolationAndDecimation) {
    cvec v = real_vector({1, 2, 3});
    lib_resampler_t::_deal_interpolate(v, 3);
    EXPECT_EQ(v, real_vector({1, 0, 0, 2, 0, 0, 3, 0, 0}));
    EXPECT_TRUE(lib_resampler_t::_deal_decimation(3, 0, v));
    EXPECT_EQ(v, real_vector({1, 2, 3}));

    cvec w = real_vector({0, 1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(lib_resampler_t::_deal_decimation(3, 2, w));
    EXPECT_EQ(w, real_vector({2, 5}));
    cvec past = real_vector({0, 1});
    EXPECT_TRUE(lib_resampler_t::_deal_decimation(1, 5, past));
    EXPECT_TRUE(past.empty());

    vcl::report_capture_t capture;
    cvec empty;
    EXPECT_FALSE(lib_resampler_t::_deal_decimation(2, 0, empty));
    cvec keep = real_vector({1, 2});
    EXPECT_FALSE(lib_resampler_t::_deal_decimation(0, 0, keep));
    EXPECT_EQ(keep, real_vector({1, 2}));
    EXPECT_EQ(capture.text(),
              "lib_resample_t::_deal_decimation Report: Empty input data array!\n"
              "lib_resample_t::_deal_decimation Report: Error decimation paramter!\n");
}

TEST(ResamplerParts, FactorReduction) {
    std::uint32_t up = 100000, down = 2;
    lib_resampler_t::_reduce_resample_coefficient(up, down);
    EXPECT_EQ(up, 50000u);
    EXPECT_EQ(down, 1u);
    up = 384;
    down = 1000;
    lib_resampler_t::_reduce_resample_coefficient(up, down);
    EXPECT_EQ(up, 48u);
    EXPECT_EQ(down, 125u);
}

TEST(ResamplerParts, AntialiasingFilterAndItsPolyphaseBank) {
    cvec taps;
    lib_resampler_t::_generate_antialiasing_filter(4, 3, 10, taps);
    ASSERT_EQ(taps.size(), 81u);  // 2 * 10 * max(4, 3) + 1
    // Gain U at DC compensates the zero-stuffing.
    std::complex<float> sum = std::accumulate(taps.begin(), taps.end(), std::complex<float>());
    EXPECT_NEAR(sum.real(), 4.0, 1e-2);

    std::vector<std::vector<float>> phases;
    std::vector<std::uint32_t> delays;
    lib_resampler_t::_generate_polyphase_filter(4, 3, 10, phases, delays);
    ASSERT_EQ(phases.size(), 4u);
    ASSERT_EQ(delays.size(), 4u);
    // Every tap lands in exactly one phase, at h[c + p + (d_p - j) U], c = 40.
    std::size_t total = 0;
    for (std::uint32_t p = 0; p < 4; ++p) {
        EXPECT_EQ(delays[p], (40 - p) / 4);
        float phase_sum = 0.0f;
        for (std::size_t j = 0; j < phases[p].size(); ++j) {
            const long index = 40 + static_cast<long>(p) + (static_cast<long>(delays[p]) - static_cast<long>(j)) * 4;
            ASSERT_GE(index, 0);
            ASSERT_LT(index, 81);
            EXPECT_EQ(phases[p][j], taps[static_cast<std::size_t>(index)].real());
            phase_sum += phases[p][j];
        }
        total += phases[p].size();
        // Each branch interpolates a constant with gain 1.
        EXPECT_NEAR(phase_sum, 1.0f, 2e-3f) << p;
    }
    EXPECT_EQ(total, taps.size());
}

TEST(ResamplerParts, AntialiasingFilterRejectsBadInput) {
    vcl::report_capture_t capture;
    cvec empty;
    EXPECT_FALSE(lib_resampler_t::_deal_antialiasing_filter(2, 1, 10, empty));
    cvec data = real_vector({1, 2, 3});
    EXPECT_FALSE(lib_resampler_t::_deal_antialiasing_filter(0, 1, 10, data));
    EXPECT_EQ(data, real_vector({1, 2, 3}));
    EXPECT_EQ(capture.text(),
              "lib_resample_t::deal_resampling Report: Empty input data array!\n"
              "lib_resample_t::deal_resampling Report: Error resample parameters!\n");
}

TEST(Oversampling, Methods) {
    cvec v{{1, 2}, {3, 4}};
    lib_oversampling_t::deal_oversampling(3, v, vcl::LIB_OVERSAMPLING_INSERT_ZERO);
    EXPECT_EQ(v, cvec({{1, 2}, {0, 0}, {0, 0}, {3, 4}, {0, 0}, {0, 0}}));

    v = {{1, 2}, {3, 4}};
    lib_oversampling_t::deal_oversampling(2, v, vcl::LIB_OVERSAMPLING_HOLDER);
    EXPECT_EQ(v, cvec({{1, 2}, {1, 2}, {3, 4}, {3, 4}}));

    v = {{1, 2}};
    lib_oversampling_t::deal_oversampling(4, v, vcl::LIB_OVERSAMPLING_OFFSET);
    EXPECT_EQ(v, cvec({{1, 0}, {0, 0}, {0, 2}, {0, 0}}));

    v = {{1, 2}};
    lib_oversampling_t::deal_oversampling(4, v, static_cast<vcl::lib_oversampling_method_t>(3));
    EXPECT_EQ(v, cvec({{1, 2}}));
}

TEST(Oversampling, BadRatiosLeaveTheDataUnchanged) {
    const cvec before{{1, 2}};
    vcl::report_capture_t capture;
    cvec v = before;
    lib_oversampling_t::deal_oversampling(0, v, vcl::LIB_OVERSAMPLING_INSERT_ZERO);
    lib_oversampling_t::deal_oversampling(0, v, vcl::LIB_OVERSAMPLING_HOLDER);
    lib_oversampling_t::deal_oversampling(3, v, vcl::LIB_OVERSAMPLING_OFFSET);
    EXPECT_EQ(v, before);
    EXPECT_EQ(capture.text(),
              "lib_oversampling_t::_deal_insert_zero_oversampling Report: Oversample Rate must be positive!\n"
              "lib_oversampling_t::_deal_holder_oversampling Report: Oversample Rate must be positive!\n"
              "lib_oversampling_t::deal_offset_oversampling Report: Oversampling Ratio must be positive and even! "
              "But current value = 3\n");
}
