#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "plain_dft.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_symbol_data_generator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;
constexpr double PI = 3.14159265358979323846;
// Single-precision inverse FFT of up to a few hundred points, compared with exact references.
constexpr double SAMPLE_TOLERANCE = 2e-6;

cvec_t random_qpsk(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> bit(0, 1);
    cvec_t points(count);
    for (auto& p : points) p = {bit(rng) ? 0.70710678f : -0.70710678f, bit(rng) ? 0.70710678f : -0.70710678f};
    return points;
}

TEST(OfdmSymbolGenerator, DefaultsAndLengths) {
    lib_ofdm_symbol_data_generator_t generator;
    EXPECT_EQ(generator.get_fft_length(), 64u);
    EXPECT_EQ(generator.get_symbol_number(), 64u);
    EXPECT_EQ(generator.get_oversampling_ratio(), 1u);
    EXPECT_EQ(generator.get_half_subacarrier_offset_number(), 0u);
    EXPECT_EQ(generator.get_symbol_total_length(0), 64u);

    ASSERT_TRUE(generator.set_oversampling_ratio(2));
    generator.set_cyclic_prefix_config(lib_ofdm_cyclic_config_t(0.25));
    EXPECT_EQ(generator.get_symbol_data_length(), 128u);
    EXPECT_EQ(generator.get_symbol_cyclic_prefix_length(3), 32u);
    EXPECT_EQ(generator.get_symbol_total_length(3), 160u);
}

TEST(OfdmSymbolGenerator, RejectsBadSettings) {
    lib_ofdm_symbol_data_generator_t generator;
    report_capture_t capture;
    EXPECT_FALSE(generator.set_fft_length(48));
    EXPECT_TRUE(capture.contains(
        "lib_ofdm_symbol_data_generator_t::set_fft_length Report : FFT Points must be power of 2!"));
    EXPECT_EQ(generator.get_fft_length(), 64u);
    EXPECT_FALSE(generator.set_fft_length(0));
    EXPECT_TRUE(generator.set_fft_length(128));
    EXPECT_FALSE(generator.set_symbol_number(0));
    EXPECT_FALSE(generator.set_oversampling_ratio(0));
    EXPECT_EQ(generator.get_symbol_number(), 64u);
    EXPECT_EQ(generator.get_oversampling_ratio(), 1u);

    cvec_t out{1.0f};
    EXPECT_FALSE(generator.deal_ofdm_modulation(0, cvec_t(129, 1.0f), out));  // more subcarriers than bins
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(generator.deal_ofdm_modulation(0, cvec_t{}, out));
}

TEST(OfdmSymbolGenerator, SymbolNumberLimitsCyclicSpecialCases) {
    lib_ofdm_cyclic_special_case_t special_case(0.5);
    special_case.set_symbol_index_list(100, {1, 50});
    lib_ofdm_cyclic_config_t prefix(0.25);
    prefix.set_specified_config_arr(100, {special_case});

    lib_ofdm_symbol_data_generator_t generator;
    ASSERT_TRUE(generator.set_symbol_number(100));
    generator.set_cyclic_prefix_config(prefix);
    ASSERT_TRUE(generator.set_symbol_number(10));
    EXPECT_EQ(generator.get_cyclic_prefix_config().get_specified_config_arr()[0].get_symbol_index_list(),
              (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(generator.get_symbol_cyclic_prefix_length(1), 32u);
}

TEST(OfdmSymbolGenerator, AllOnesIsUnitImpulseAndDcIsConstant) {
    for (std::uint32_t ratio : {1u, 2u}) {
        lib_ofdm_symbol_data_generator_t generator;
        ASSERT_TRUE(generator.set_oversampling_ratio(ratio));
        const std::size_t body_length = 64u * ratio;

        cvec_t out;
        ASSERT_TRUE(generator.deal_ofdm_modulation(0, cvec_t(64, 1.0f), out));
        ASSERT_EQ(out.size(), body_length);
        // The oversampling gain R keeps the impulse at height 1 whatever the body length.
        EXPECT_NEAR(out[0].real(), 1.0, SAMPLE_TOLERANCE);
        EXPECT_NEAR(out[0].imag(), 0.0, SAMPLE_TOLERANCE);
        if (ratio == 1) {
            for (std::size_t n = 1; n < body_length; ++n)
                EXPECT_NEAR(std::abs(out[n]), 0.0, SAMPLE_TOLERANCE) << n;
        }

        cvec_t dc_only(64, 0.0f);
        dc_only[32] = 1.0f;
        ASSERT_TRUE(generator.deal_ofdm_modulation(0, dc_only, out));
        ASSERT_EQ(out.size(), body_length);
        for (const auto& sample : out) {
            EXPECT_NEAR(sample.real(), 1.0 / 64.0, SAMPLE_TOLERANCE);
            EXPECT_NEAR(sample.imag(), 0.0, SAMPLE_TOLERANCE);
        }
    }
}

// The body's DFT returns every subcarrier (times R) at frequency index m - floor(K/2), for even
// and odd K and with oversampling.
TEST(OfdmSymbolGenerator, BodyTransformsBackToSubcarriers) {
    struct shape_t {
        std::uint32_t fft_length, ratio, used;
    };
    for (const shape_t shape : {shape_t{64, 1, 52}, shape_t{64, 2, 53}, shape_t{32, 4, 32}}) {
        lib_ofdm_symbol_data_generator_t generator;
        ASSERT_TRUE(generator.set_fft_length(shape.fft_length));
        ASSERT_TRUE(generator.set_oversampling_ratio(shape.ratio));
        generator.set_cyclic_prefix_config(lib_ofdm_cyclic_config_t(0.25));
        const cvec_t subcarriers = random_qpsk(shape.used, shape.used);
        cvec_t out;
        ASSERT_TRUE(generator.deal_ofdm_modulation(0, subcarriers, out));

        const std::size_t body_length = shape.fft_length * shape.ratio;
        const std::size_t prefix_length = body_length / 4;
        ASSERT_EQ(out.size(), prefix_length + body_length);
        for (std::size_t m = 0; m < shape.used; ++m) {
            const long long frequency_index =
                static_cast<long long>(m) - static_cast<long long>(shape.used / 2);
            const auto bin =
                static_cast<long double>((frequency_index + static_cast<long long>(body_length)) %
                                         static_cast<long long>(body_length));
            const std::complex<double> measured =
                test::plain_dft_bin(out, prefix_length, body_length, bin) / static_cast<double>(shape.ratio);
            EXPECT_NEAR(measured.real(), subcarriers[m].real(), 1e-5) << shape.used << " m=" << m;
            EXPECT_NEAR(measured.imag(), subcarriers[m].imag(), 1e-5) << shape.used << " m=" << m;
        }
        // The prefix repeats the end of the body.
        for (std::size_t i = 0; i < prefix_length; ++i) EXPECT_EQ(out[i], out[body_length + i]);
    }
}

TEST(OfdmSymbolGenerator, SuffixRepeatsStartOfBody) {
    lib_ofdm_symbol_data_generator_t generator;
    generator.set_cyclic_prefix_config(lib_ofdm_cyclic_config_t(0.125));
    generator.set_cyclic_suffix_config(lib_ofdm_cyclic_config_t(0.0625));
    cvec_t out;
    ASSERT_TRUE(generator.deal_ofdm_modulation(0, random_qpsk(48, 3), out));
    ASSERT_EQ(out.size(), 8u + 64u + 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(out[8 + 64 + i], out[8 + i]);
}

// With h = 1 the subcarriers sit half a spacing up: the body's DFT at bin (index + 1/2) returns
// them, and the offset's phase is zero at the first body sample (prefix samples carry the phase
// of their negative time).
TEST(OfdmSymbolGenerator, HalfSubcarrierOffsetShiftsByHalfABin) {
    lib_ofdm_symbol_data_generator_t plain;
    lib_ofdm_symbol_data_generator_t shifted;
    for (auto* generator : {&plain, &shifted}) {
        ASSERT_TRUE(generator->set_oversampling_ratio(2));
        generator->set_cyclic_prefix_config(lib_ofdm_cyclic_config_t(0.25));
    }
    shifted.set_half_subacarrier_offset_number(1);

    const cvec_t subcarriers = random_qpsk(24, 7);
    cvec_t reference;
    cvec_t out;
    ASSERT_TRUE(plain.deal_ofdm_modulation(0, subcarriers, reference));
    ASSERT_TRUE(shifted.deal_ofdm_modulation(0, subcarriers, out));
    const std::size_t body_length = 128;
    const std::size_t prefix_length = 32;
    ASSERT_EQ(out.size(), reference.size());

    for (std::size_t n = 0; n < out.size(); ++n) {
        const double phase = PI * (static_cast<double>(n) - static_cast<double>(prefix_length)) / body_length;
        const std::complex<double> expected = std::complex<double>(reference[n]) * std::polar(1.0, phase);
        EXPECT_NEAR(out[n].real(), expected.real(), 1e-5) << n;
        EXPECT_NEAR(out[n].imag(), expected.imag(), 1e-5) << n;
    }
    for (std::size_t m = 0; m < subcarriers.size(); ++m) {
        const long double bin = static_cast<long double>(m) - 12.0L + 0.5L;
        const std::complex<double> measured = test::plain_dft_bin(out, prefix_length, body_length, bin) / 2.0;
        EXPECT_NEAR(measured.real(), subcarriers[m].real(), 1e-5) << m;
        EXPECT_NEAR(measured.imag(), subcarriers[m].imag(), 1e-5) << m;
    }
}

}  // namespace
}  // namespace vek::common_lib
