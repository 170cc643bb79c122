// Direct and overlap-add convolution against a double-precision reference; filtering with delay
// compensation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/math/lib_filter.hpp"
#include "vek/common_lib/report/report.hpp"
#include "random_signal.hpp"

using namespace vek::common_lib;
using cvec_t = std::vector<std::complex<float>>;

namespace {

cvec_t random_vector(std::size_t n, unsigned seed) { return vek::test::uniform_complex(n, seed); }

cvec_t real_vector(std::initializer_list<float> values)
{
    cvec_t v;
    for (float f : values) v.emplace_back(f, 0.0f);
    return v;
}

// Full linear convolution in double.
std::vector<std::complex<double>> reference_convolution(const cvec_t& h, const cvec_t& x)
{
    std::vector<std::complex<double>> y(x.size() + h.size() - 1u);
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t j = 0; j < h.size(); ++j) y[i + j] += std::complex<double>(h[j]) * std::complex<double>(x[i]);
    }
    return y;
}

double relative_l2_error(const cvec_t& a, const std::vector<std::complex<double>>& b)
{
    double err = 0.0;
    double ref = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        err += std::norm(std::complex<double>(a[i]) - b[i]);
        ref += std::norm(b[i]);
    }
    return std::sqrt(err / ref);
}

}  // namespace

TEST(Convolution, SmallKnownResult)
{
    cvec_t x = real_vector({1, 2, 3});
    ASSERT_TRUE(lib_convolution_t::deal_convolution(real_vector({1, 1}), x));
    EXPECT_EQ(x, real_vector({1, 3, 5, 3}));

    cvec_t y = real_vector({1, 2, 3});
    ASSERT_TRUE(lib_convolution_t::deal_fft_convolution(real_vector({1, 1}), y));
    ASSERT_EQ(y.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(std::abs(y[i] - x[i]), 0.0f, 1e-6f);

    cvec_t z = real_vector({1, 2});
    EXPECT_FALSE(lib_convolution_t::deal_convolution({}, z));
    EXPECT_EQ(z, real_vector({1, 2}));
}

TEST(Convolution, SegmentFftLengthRule)
{
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(100, 2), 32u);
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(1000, 16), 32u);
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(1000, 17), 64u);
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(300000, 96), 256u);   // n/m = 3125
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(4096 * 96, 96), 256u);  // ratio exactly 4096
    // n/m = 16384: a = 2 -> growth 2. n/m = 4096 * 20: a = floor(4.47) = 4 -> growth 4.
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(16384 * 96, 96), 512u);
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(4096 * 20 * 3, 3), 128u);
    // n/m = 4096 * 26: a = floor(5.1) = 5 -> growth 8.
    EXPECT_EQ(lib_convolution_t::_get_segment_fft_length(4096 * 26 * 3, 3), 256u);
}

TEST(Convolution, DirectAndOverlapAddMatchReferenceAcrossSizes)
{
    // Sizes chosen to cross the rule's branches: short signals, signals of a few segments,
    // ratio just below and above 4096, and ratios that grow the FFT by 2, 4 and 8.
    struct size_case_t {
        std::size_t n;
        std::size_t m;
    };
    const size_case_t cases[] = {{3, 2},        {17, 16},        {100, 5},       {1000, 63},
                                 {4095, 96},    {12288, 3},      {12289, 3},     {16384 * 2, 2},
                                 {4096 * 20 * 3, 3}, {4096 * 26 * 3, 3}, {30000, 96}};
    unsigned seed = 1;
    for (const auto& c : cases) {
        const cvec_t h = random_vector(c.m, seed++);
        const cvec_t x = random_vector(c.n, seed++);
        const auto expected = reference_convolution(h, x);

        cvec_t direct = x;
        ASSERT_TRUE(lib_convolution_t::deal_convolution(h, direct));
        ASSERT_EQ(direct.size(), c.n + c.m - 1u);
        EXPECT_LE(relative_l2_error(direct, expected), 1e-6) << c.n << " x " << c.m;

        cvec_t fast = x;
        ASSERT_TRUE(lib_convolution_t::deal_fft_convolution(h, fast));
        ASSERT_EQ(fast.size(), c.n + c.m - 1u);
        EXPECT_LE(relative_l2_error(fast, expected), 1e-5) << c.n << " x " << c.m;
    }
}

TEST(Convolution, ShortRealFiltersSummedDirectlyMatchReference)
{
    // Real filters of up to 32 taps are summed directly in blocks of 512 outputs: lengths on both
    // sides of the block size and of the 32-tap limit, against the double reference.
    unsigned seed = 100;
    for (const std::size_t m : {std::size_t{2}, std::size_t{21}, std::size_t{32}, std::size_t{33}}) {
        for (const std::size_t n : {std::size_t{3}, std::size_t{511}, std::size_t{1500}}) {
            cvec_t h = random_vector(m, seed++);
            for (auto& tap : h) tap = {tap.real(), 0.0f};
            const cvec_t x = random_vector(n, seed++);
            const auto expected = reference_convolution(h, x);
            cvec_t y = x;
            ASSERT_TRUE(lib_convolution_t::deal_fft_convolution(h, y));
            ASSERT_EQ(y.size(), n + m - 1u);
            EXPECT_LE(relative_l2_error(y, expected), 1e-6) << n << " x " << m;
            EXPECT_EQ(lib_convolution_t::is_direct_faster(h), m <= 32u) << m;
        }
    }
}

TEST(Convolution, SectionsAreSlicesOfTheFullConvolution)
{
    const cvec_t h = random_vector(7, 31);  // complex taps take the written-out product
    cvec_t h_real = random_vector(5, 32);
    for (auto& tap : h_real) tap = {tap.real(), 0.0f};
    const cvec_t x = random_vector(1200, 33);
    struct section_t {
        std::size_t first;
        std::size_t count;
    };
    // Inside, overlapping either edge, and reaching beyond the full length (zeros there).
    for (const auto& filter : {h, h_real}) {
        const auto full = reference_convolution(filter, x);
        for (const section_t sec : {section_t{10, 1000}, section_t{0, 1210}, section_t{1190, 30}, section_t{0, 0}}) {
            cvec_t out;
            ASSERT_TRUE(lib_convolution_t::deal_convolution_section(filter, x, sec.first, sec.count, out));
            ASSERT_EQ(out.size(), sec.count);
            for (std::size_t i = 0; i < sec.count; ++i) {
                const std::size_t k = sec.first + i;
                const std::complex<double> expected = k < full.size() ? full[k] : std::complex<double>();
                EXPECT_LT(std::abs(std::complex<double>(out[i]) - expected), 1e-5) << sec.first << " " << i;
            }
        }
    }
    cvec_t untouched = real_vector({1});
    EXPECT_FALSE(lib_convolution_t::deal_convolution_section({}, x, 0, 3, untouched));
    EXPECT_EQ(untouched, real_vector({1}));
}

TEST(Filter, CyclicToneComesOutScaledByTheResponseForShortAndLongFilters)
{
    // A tone periodic in the block is an eigenvector of cyclic filtering: with the centre tap's
    // delay removed, y[n] = x[n] * sum_j h[j] exp(i w (m/2 - j)). 21 taps are summed directly,
    // 40 by overlap-add; both must give the closed form.
    constexpr double pi = 3.14159265358979323846;
    const std::size_t n = 1024;
    const double w = 2.0 * pi * 37.0 / static_cast<double>(n);
    cvec_t tone(n);
    for (std::size_t k = 0; k < n; ++k)
        tone[k] = {static_cast<float>(std::cos(w * static_cast<double>(k))), static_cast<float>(std::sin(w * static_cast<double>(k)))};
    for (const std::size_t m : {std::size_t{21}, std::size_t{40}}) {
        cvec_t h = random_vector(m, static_cast<unsigned>(m));
        for (auto& tap : h) tap = {tap.real(), 0.0f};
        std::complex<double> response;
        for (std::size_t j = 0; j < m; ++j)
            response += std::complex<double>(h[j]) *
                        std::polar(1.0, w * (static_cast<double>(m / 2) - static_cast<double>(j)));
        cvec_t y = tone;
        ASSERT_TRUE(lib_filter_t::deal_filter(h, y, LIB_FILTER_DELAY_CYCLIC));
        ASSERT_EQ(y.size(), n);
        double worst = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            worst = std::max(worst, std::abs(std::complex<double>(y[k]) - std::complex<double>(tone[k]) * response));
        EXPECT_LT(worst, 1e-5) << m;
    }
}

TEST(Convolution, OneTapFilterIsRefusedByOverlapAdd)
{
    report_capture_t capture;
    cvec_t x = real_vector({1, 2, 3});
    EXPECT_FALSE(lib_convolution_t::deal_fft_convolution(real_vector({2}), x));
    EXPECT_EQ(x, real_vector({1, 2, 3}));
    EXPECT_EQ(capture.text(), "lib_convolution_t::deal_fft_convolution Report: Filter data array is too short!\n");
}

TEST(Filter, DelayTypesOnAnImpulse)
{
    const cvec_t taps = real_vector({0.25f, 0.5f, 0.25f});
    for (auto type : {LIB_FILTER_DELAY_ZERO, LIB_FILTER_DELAY_CYCLIC}) {
        cvec_t x = real_vector({0, 0, 4, 0, 0});
        ASSERT_TRUE(lib_filter_t::deal_filter(taps, x, type));
        const cvec_t expected = real_vector({0, 1, 2, 1, 0});
        for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(std::abs(x[i] - expected[i]), 0.0f, 1e-6f) << type << " " << i;
    }
    cvec_t x = real_vector({0, 0, 4, 0, 0});
    ASSERT_TRUE(lib_filter_t::deal_filter(taps, x, LIB_FILTER_DELAY_NONE));
    const cvec_t lagging = real_vector({0, 0, 1, 2, 1});
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(std::abs(x[i] - lagging[i]), 0.0f, 1e-6f) << i;
}

TEST(Filter, CyclicAndZeroTypesAgainstCircularAndCentredReferences)
{
    // Odd and even tap counts, a signal shorter than the extension and a long one.
    for (std::size_t m : {5u, 8u, 31u}) {
        for (std::size_t n : {7u, 200u}) {
            const cvec_t h = random_vector(m, static_cast<unsigned>(m));
            const cvec_t x = random_vector(n, static_cast<unsigned>(n + m));
            const std::size_t centre = m / 2u;

            // Zero type: the linear convolution advanced by the centre tap's delay.
            const auto linear = reference_convolution(h, x);
            cvec_t zero = x;
            ASSERT_TRUE(lib_filter_t::deal_filter(h, zero, LIB_FILTER_DELAY_ZERO));
            ASSERT_EQ(zero.size(), n);
            std::vector<std::complex<double>> expected_zero(linear.begin() + static_cast<std::ptrdiff_t>(centre),
                                                            linear.begin() + static_cast<std::ptrdiff_t>(centre + n));
            EXPECT_LE(relative_l2_error(zero, expected_zero), 1e-5) << m << " " << n;

            // No compensation: the first n samples of the linear convolution.
            cvec_t none = x;
            ASSERT_TRUE(lib_filter_t::deal_filter(h, none, LIB_FILTER_DELAY_NONE));
            std::vector<std::complex<double>> expected_none(linear.begin(), linear.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_LE(relative_l2_error(none, expected_none), 1e-5) << m << " " << n;

            // Cyclic type, when the signal covers the extension: the circular convolution, centred.
            if (n >= 32u) {
                std::vector<std::complex<double>> expected_cyclic(n);
                for (std::size_t i = 0; i < n; ++i) {
                    for (std::size_t j = 0; j < m; ++j) {
                        const std::size_t k = (i + centre + n - j) % n;
                        expected_cyclic[i] += std::complex<double>(h[j]) * std::complex<double>(x[k]);
                    }
                }
                cvec_t cyclic = x;
                ASSERT_TRUE(lib_filter_t::deal_filter(h, cyclic, LIB_FILTER_DELAY_CYCLIC));
                EXPECT_LE(relative_l2_error(cyclic, expected_cyclic), 1e-5) << m << " " << n;
            }
        }
    }
}

TEST(Filter, ShortSignalWithCyclicTypeSeesItsPeriodicExtension)
{
    // Taps [1, 0, 0] centred on index 1 read one sample ahead: y[i] = x[i + 1]. The last output
    // sample reads past the block into its periodic repetition, so it wraps to x[0].
    cvec_t x = real_vector({1, 2, 3});
    ASSERT_TRUE(lib_filter_t::deal_filter(real_vector({1, 0, 0}), x, LIB_FILTER_DELAY_CYCLIC));
    const cvec_t expected = real_vector({2, 3, 1});
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(std::abs(x[i] - expected[i]), 0.0f, 1e-6f) << i;
}

TEST(Filter, RejectsEmptySignalAndUnknownType)
{
    report_capture_t capture;
    cvec_t empty;
    EXPECT_FALSE(lib_filter_t::deal_filter(real_vector({1, 1}), empty, LIB_FILTER_DELAY_ZERO));
    EXPECT_TRUE(empty.empty());
    cvec_t x = real_vector({1, 2});
    EXPECT_FALSE(lib_filter_t::deal_filter(real_vector({1, 1}), x, static_cast<lib_filter_delay_type_t>(7)));
    EXPECT_EQ(x, real_vector({1, 2}));
    EXPECT_EQ(capture.text(),
              "lib_filter_t::_prepare_input_data Report: Empty Data Array!\n"
              "lib_filter_t::_prepare_input_data Report: Unknown filter delay type!\n");
}
