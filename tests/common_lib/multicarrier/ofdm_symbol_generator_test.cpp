#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "plain_dft.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_symbol_data_generator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;

cvec_t random_qpsk(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> bit(0, 1);
    cvec_t points(count);
    for (auto& p : points) p = {bit(rng) ? 0.70710678f : -0.70710678f, bit(rng) ? 0.70710678f : -0.70710678f};
    return points;
}

TEST(OfdmSymbolGenerator, RejectsBadSettingsAndLimitsSpecialCases) {
    lib_ofdm_symbol_data_generator_t generator;
    {
        report_capture_t capture;
        EXPECT_FALSE(generator.set_fft_length(48));
        EXPECT_TRUE(capture.contains(
            "lib_ofdm_symbol_data_generator_t::set_fft_length Report : FFT Points must be power of 2!"));
    }
    EXPECT_EQ(generator.get_fft_length(), 64u);
    EXPECT_FALSE(generator.set_symbol_number(0));
    cvec_t out{1.0f};
    EXPECT_FALSE(generator.deal_ofdm_modulation(0, cvec_t(65, 1.0f), out));  // more subcarriers than bins
    EXPECT_TRUE(out.empty());

    // Lowering the symbol number drops special cyclic-prefix indices beyond it.
    lib_ofdm_cyclic_special_case_t special_case(0.5);
    special_case.set_symbol_index_list(100, {1, 50});
    lib_ofdm_cyclic_config_t prefix(0.25);
    prefix.set_specified_config_arr(100, {special_case});
    ASSERT_TRUE(generator.set_symbol_number(100));
    generator.set_cyclic_prefix_config(prefix);
    ASSERT_TRUE(generator.set_symbol_number(10));
    EXPECT_EQ(generator.get_cyclic_prefix_config().get_specified_config_arr()[0].get_symbol_index_list(),
              (std::vector<std::uint32_t>{1}));
}

// The body's DFT returns every subcarrier (times R) at frequency index m - floor(K/2), for even
// and odd K and with oversampling; the prefix repeats the end of the body, the suffix its start.
// With h = 1 the subcarriers sit half a spacing up, rotated by e^(j pi t / N) with t = 0 at the
// first body sample: the bins are read half a bin up, and prefix and suffix come out negated.
TEST(OfdmSymbolGenerator, BodyTransformsBackToSubcarriers) {
    struct shape_t {
        std::uint32_t fft_length, ratio, used, half;
    };
    for (const shape_t shape :
         {shape_t{64, 1, 52, 0}, shape_t{64, 2, 53, 0}, shape_t{32, 4, 32, 0}, shape_t{64, 2, 24, 1}}) {
        lib_ofdm_symbol_data_generator_t generator;
        ASSERT_TRUE(generator.set_fft_length(shape.fft_length));
        ASSERT_TRUE(generator.set_oversampling_ratio(shape.ratio));
        generator.set_cyclic_prefix_config(lib_ofdm_cyclic_config_t(0.25));
        generator.set_cyclic_suffix_config(lib_ofdm_cyclic_config_t(0.0625));
        generator.set_half_subacarrier_offset_number(shape.half);
        const cvec_t subcarriers = random_qpsk(shape.used, shape.used);
        cvec_t out;
        ASSERT_TRUE(generator.deal_ofdm_modulation(0, subcarriers, out));

        const std::size_t body = shape.fft_length * shape.ratio;
        const std::size_t prefix = body / 4;
        const std::size_t suffix = body / 16;
        ASSERT_EQ(out.size(), prefix + body + suffix);
        EXPECT_EQ(generator.get_symbol_total_length(0), out.size());
        for (std::size_t m = 0; m < shape.used; ++m) {
            const long long index = static_cast<long long>(m) - static_cast<long long>(shape.used / 2);
            const auto bin = static_cast<long double>((index + static_cast<long long>(body)) %
                                                      static_cast<long long>(body)) +
                             0.5L * shape.half;
            const std::complex<double> measured = test::plain_dft_bin(out, prefix, body, bin) / static_cast<double>(shape.ratio);
            EXPECT_NEAR(std::abs(measured - std::complex<double>(subcarriers[m])), 0.0, 1e-5) << shape.used << " m=" << m;
        }
        const std::complex<float> sign(shape.half ? -1.0f : 1.0f, 0.0f);
        const float exact = shape.half ? 1e-6f : 0.0f;  // the unshifted copies are the same bits
        for (std::size_t i = 0; i < prefix; ++i)
            EXPECT_LE(std::abs(out[i] - sign * out[body + i]), exact) << i;
        for (std::size_t i = 0; i < suffix; ++i)
            EXPECT_LE(std::abs(out[prefix + body + i] - sign * out[prefix + i]), exact) << i;
    }
}

}  // namespace
}  // namespace vek::common_lib
