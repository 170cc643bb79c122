// The fast paths of the hot stages against their straightforward forms on seeded random inputs:
// equal to within float rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_interpolation.hpp"
#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::ofdm_demod_lib;

complex_vector_t random_samples(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> g;
    complex_vector_t x(n);
    for (auto& v : x) v = {g(rng), g(rng)};
    return x;
}

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

}  // namespace
