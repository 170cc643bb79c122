// Direct, short-filter and overlap-add convolution and sections against a double-precision
// reference; filtering with the three delay compensations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "../fft/fft_reference.hpp"
#include "random_signal.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/math/lib_filter.hpp"
#include "vek/common_lib/report/report.hpp"

using namespace vek::common_lib;
using vek::test::uniform_complex;
using namespace vek_test;

namespace {

cvec_t real_vector(std::initializer_list<float> values)
{
    cvec_t v;
    for (float f : values) v.emplace_back(f, 0.0f);
    return v;
}

cvec_t real_taps(std::size_t m, unsigned seed)
{
    cvec_t h = uniform_complex(m, seed);
    for (auto& tap : h) tap = {tap.real(), 0.0f};
    return h;
}

// Full linear convolution in double.
dvec_t reference_convolution(const cvec_t& h, const cvec_t& x)
{
    dvec_t y(x.size() + h.size() - 1u);
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t j = 0; j < h.size(); ++j)
            y[i + j] += std::complex<double>(h[j]) * std::complex<double>(x[i]);
    }
    return y;
}

}  // namespace

TEST(Convolution, SmallKnownResultAndRefusalsOfConvolutionAndFilter)
{
    cvec_t x = real_vector({1, 2, 3});
    ASSERT_TRUE(lib_convolution_t::deal_convolution(real_vector({1, 1}), x));
    EXPECT_EQ(x, real_vector({1, 3, 5, 3}));
    cvec_t z = real_vector({1, 2});
    EXPECT_FALSE(lib_convolution_t::deal_convolution({}, z));
    EXPECT_EQ(z, real_vector({1, 2}));
    report_capture_t capture;
    EXPECT_FALSE(lib_convolution_t::deal_fft_convolution(real_vector({2}), z));
    EXPECT_EQ(z, real_vector({1, 2}));
    cvec_t empty;
    EXPECT_FALSE(lib_filter_t::deal_filter(real_vector({1, 1}), empty, LIB_FILTER_DELAY_ZERO));
    EXPECT_FALSE(lib_filter_t::deal_filter(real_vector({1, 1}), z, static_cast<lib_filter_delay_type_t>(7)));
    EXPECT_EQ(z, real_vector({1, 2}));
    EXPECT_EQ(capture.text(),
              "lib_convolution_t::deal_fft_convolution Report: Filter data array is too short!\n"
              "lib_filter_t::_prepare_input_data Report: Empty Data Array!\n"
              "lib_filter_t::_prepare_input_data Report: Unknown filter delay type!\n");
}

TEST(Convolution, DirectShortFilterAndOverlapAddMatchReference)
{
    // Complex taps take the overlap-add: sizes cross the segment rule's branches (a few segments,
    // ratio around 4096, growth 2, 4 and 8). Real taps up to 32 are summed directly in blocks of
    // 512 outputs: lengths on both sides of the block size and of the 32-tap limit.
    struct size_case_t {
        std::size_t n;
        std::size_t m;
        bool real;
    };
    const size_case_t cases[] = {
        {3, 2, false},         {1000, 63, false},         {12288, 3, false},         {12289, 3, false},
        {16384 * 2, 2, false}, {4096 * 20 * 3, 3, false}, {4096 * 26 * 3, 3, false}, {30000, 96, false},
        {3, 2, true},          {511, 21, true},           {1500, 32, true},          {1500, 33, true}};
    unsigned seed = 1;
    for (const auto& c : cases) {
        const cvec_t h = c.real ? real_taps(c.m, seed++) : uniform_complex(c.m, seed++);
        const cvec_t x = uniform_complex(c.n, seed++);
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

TEST(Convolution, SectionsAreSlicesOfTheFullConvolution)
{
    const cvec_t x = uniform_complex(1200, 33);
    // Complex taps take the written-out product, real ones the real one. Sections inside,
    // overlapping either edge, and reaching beyond the full length (zeros there).
    for (const auto& filter : {uniform_complex(7, 31), real_taps(5, 32)}) {
        const auto full = reference_convolution(filter, x);
        for (const auto& [first, count] :
             {std::pair<std::size_t, std::size_t>{10, 1000}, {0, 1210}, {1190, 30}, {0, 0}}) {
            cvec_t out;
            ASSERT_TRUE(lib_convolution_t::deal_convolution_section(filter, x, first, count, out));
            ASSERT_EQ(out.size(), count);
            for (std::size_t i = 0; i < count; ++i) {
                const std::complex<double> expected =
                    first + i < full.size() ? full[first + i] : std::complex<double>();
                EXPECT_LT(std::abs(std::complex<double>(out[i]) - expected), 1e-5) << first << " " << i;
            }
        }
    }
    cvec_t untouched = real_vector({1});
    EXPECT_FALSE(lib_convolution_t::deal_convolution_section({}, x, 0, 3, untouched));
    EXPECT_EQ(untouched, real_vector({1}));
}

// Every output of the interleaved real FIR must be the single-precision sum over taps in order
// j = 0, 1, ..., to the bit, whichever path formed it: 64, 16 or one output at a time (by processor
// and count), or a block copied where a unit centre tap among zero or tiny side taps allows it.
void expect_tap_order_sums(const std::vector<float>& h, const std::vector<float>& x, std::size_t count)
{
    const std::size_t m = h.size();
    const float* start = x.data() + 2u * (m - 1u);  // every tap meets a sample
    std::vector<float> y(count, -1.0f);
    lib_convolution_t::deal_interleaved_real_fir(h.data(), m, start, y.data(), count);
    for (std::size_t f = 0; f < count; ++f) {
        float expected = 0.0f;
        for (std::size_t j = 0; j < m; ++j) expected += h[j] * start[f - 2u * j];
        ASSERT_EQ(std::memcmp(&y[f], &expected, sizeof expected), 0)
            << m << " taps, count " << count << ", output " << f;
    }
}

TEST(Convolution, InterleavedRealFirEqualsTheTapOrderSumBitForBit)
{
    // Counts around each block size, tap numbers from 1 to the direct limit.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (const std::size_t taps : {1u, 2u, 21u, 32u}) {
        for (const std::size_t count : {0u, 15u, 16u, 63u, 64u, 65u, 127u, 128u, 143u, 1001u}) {
            std::vector<float> h(taps), x(count + 2u * taps);
            for (auto& v : h) v = value(rng);
            for (auto& v : x) v = value(rng);
            expect_tap_order_sums(h, x, count);
        }
    }
    // A unit tap among zero side taps (an even count) or side taps near 1e-17. Silence, a sample
    // far below its neighbours, subnormals, -0, an infinity and a NaN each sit in their own block.
    std::vector<float> zero_sides(24, 0.0f), tiny_sides(21);
    zero_sides[12] = 1.0f;
    for (std::size_t j = 0; j < tiny_sides.size(); ++j)
        tiny_sides[j] = (j % 2 == 0 ? 1e-17f : -3e-18f) * static_cast<float>(j);
    tiny_sides[10] = 1.0f;
    std::normal_distribution<float> normal(0.0f, 1.0f);
    std::vector<float> x(6000);
    for (auto& v : x) v = normal(rng);
    std::fill(x.begin() + 600, x.begin() + 1400, 0.0f);
    x[2000] = 1e-12f;
    x[2800] = 1e-41f;
    x[2801] = -0.0f;
    x[3800] = std::numeric_limits<float>::infinity();
    x[4800] = std::numeric_limits<float>::quiet_NaN();
    for (const auto* h : {&zero_sides, &tiny_sides})
        expect_tap_order_sums(*h, x, x.size() - 2u * (h->size() - 1u));
}

TEST(Filter, DelayTypesAgainstLinearAndCircularReferences)
{
    // Complex taps (overlap-add), real taps of 21 (summed directly) and 40 (overlap-add); a
    // signal shorter than the extension (the cyclic type then repeats it whole) and a long one.
    for (const cvec_t& h : {uniform_complex(8, 8), real_taps(21, 21), real_taps(40, 40)}) {
        const std::size_t m = h.size();
        for (std::size_t n : {7u, 200u}) {
            const cvec_t x = uniform_complex(n, static_cast<unsigned>(n + m));
            const std::size_t centre = m / 2u;  // the centre tap's delay
            const auto linear = reference_convolution(h, x);
            // Zero type: the linear convolution advanced by that delay; none: its first n samples.
            cvec_t zero = x;
            ASSERT_TRUE(lib_filter_t::deal_filter(h, zero, LIB_FILTER_DELAY_ZERO));
            ASSERT_EQ(zero.size(), n);
            const auto first = linear.begin() + static_cast<std::ptrdiff_t>(centre);
            const dvec_t advanced(first, first + static_cast<std::ptrdiff_t>(n));
            EXPECT_LE(relative_l2_error(zero, advanced), 1e-5) << m << " " << n;
            cvec_t none = x;
            ASSERT_TRUE(lib_filter_t::deal_filter(h, none, LIB_FILTER_DELAY_NONE));
            const dvec_t head(linear.begin(), linear.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_LE(relative_l2_error(none, head), 1e-5) << m << " " << n;
            // Cyclic type: the circular convolution of the block, centred.
            dvec_t circular(n);
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = 0; j < m; ++j)
                    circular[i] +=
                        std::complex<double>(h[j]) * std::complex<double>(x[(i + centre + n * m - j) % n]);
            }
            cvec_t cyclic = x;
            ASSERT_TRUE(lib_filter_t::deal_filter(h, cyclic, LIB_FILTER_DELAY_CYCLIC));
            ASSERT_EQ(cyclic.size(), n);
            EXPECT_LE(relative_l2_error(cyclic, circular), 1e-5) << m << " " << n;
        }
    }
}
