// Scalar and array math, dB and angle conversions, powers of two and bit helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"

using vek::common_lib::lib_common_math_t;
using vek::common_lib::report_capture_t;
using cvec_t = std::vector<std::complex<float>>;

namespace {
constexpr double PI = 3.14159265358979323846;
}

TEST(CommonMath, ComplexPhaseIncludingNearZeroRealPart)
{
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_phase({0.0f, 0.0f}), 0.0f);
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_phase({1e-13f, 1.0f}), static_cast<float>(PI / 2));
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_phase({0.0f, -2.0f}), static_cast<float>(-PI / 2));
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_phase({-1.0f, 0.0f}), static_cast<float>(PI));
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_phase({1.0f, 1.0f}), static_cast<float>(PI / 4));
}

TEST(CommonMath, AmplitudeConjugateAndPhaseOffset)
{
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_amplitude({3.0f, -4.0f}), 5.0f);
    EXPECT_EQ(lib_common_math_t::get_complex_conjugate({1.0f, 2.0f}), std::complex<float>(1.0f, -2.0f));
    std::complex<float> z(2.0f, 0.0f);
    lib_common_math_t::deal_phase_offset(PI / 2, z);
    EXPECT_NEAR(z.real(), 0.0f, 1e-6f);
    EXPECT_NEAR(z.imag(), 2.0f, 1e-6f);
}

TEST(CommonMath, ArrayStatistics)
{
    const cvec_t x{{3.0f, 4.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {-1.0f, 0.0f}};
    std::vector<float> amp;
    lib_common_math_t::get_complex_array_amplitude(x, amp);
    EXPECT_EQ(amp, (std::vector<float>{5.0f, 0.0f, 1.0f, 1.0f}));

    std::vector<float> phase;
    lib_common_math_t::get_complex_array_phase(x, phase);
    EXPECT_FLOAT_EQ(phase[2], static_cast<float>(PI / 2));
    EXPECT_FLOAT_EQ(phase[3], static_cast<float>(PI));

    std::vector<float> db;
    lib_common_math_t::get_complex_array_amplitude_db(x, db);
    EXPECT_FLOAT_EQ(db[0], 0.0f);
    EXPECT_FLOAT_EQ(db[1], -200.0f);
    EXPECT_NEAR(db[2], 20.0 * std::log10(0.2), 1e-5);

    lib_common_math_t::get_complex_array_amplitude_db(cvec_t(3), db);
    EXPECT_EQ(db, (std::vector<float>{-200.0f, -200.0f, -200.0f}));

    // rms = sqrt((25 + 0 + 1 + 1) / 4), peak 5.
    EXPECT_FLOAT_EQ(lib_common_math_t::get_complex_array_rms(x), static_cast<float>(std::sqrt(27.0 / 4.0)));
    EXPECT_FLOAT_EQ(lib_common_math_t::get_data_max_amplitude(x), 5.0f);
    EXPECT_NEAR(lib_common_math_t::get_peak_to_rms_ratio(x), 20.0 * std::log10(5.0 / std::sqrt(27.0 / 4.0)), 1e-5);
    EXPECT_FLOAT_EQ(lib_common_math_t::get_peak_to_rms_ratio(cvec_t(4)), 0.0f);

    EXPECT_EQ(lib_common_math_t::get_average_value(std::vector<float>{1.0f, 2.0f, 6.0f}), 3.0f);
    EXPECT_EQ(lib_common_math_t::get_average_value(cvec_t{{1.0f, 2.0f}, {3.0f, -2.0f}}), std::complex<float>(2.0f, 0.0f));

    std::vector<float> target{1.0f, 1.0f, 1.0f, 1.0f};
    lib_common_math_t::deal_data_addition(std::vector<float>{2.0f, 3.0f}, target, 1);
    EXPECT_EQ(target, (std::vector<float>{1.0f, 3.0f, 4.0f, 1.0f}));
}

TEST(CommonMath, EmptyArraysReportAndYieldZero)
{
    report_capture_t capture;
    EXPECT_EQ(lib_common_math_t::get_complex_array_rms({}), 0.0f);
    EXPECT_EQ(lib_common_math_t::get_data_max_amplitude({}), 0.0f);
    EXPECT_EQ(lib_common_math_t::get_peak_to_rms_ratio({}), 0.0f);
    EXPECT_EQ(capture.text(),
              "lib_common_math_t::get_complex_array_rms Report: Empty data array to rms calculation!\n"
              "lib_common_math_t::get_data_max_amplitude Report: Empty data array to max amplitude search!\n"
              "lib_common_math_t::get_peak_to_rms_ratio Report: Empty data array!\n");
}

TEST(CommonMath, DecibelAndAngleConversions)
{
    EXPECT_DOUBLE_EQ(lib_common_math_t::amplitude_ratio_to_db_value(10.0, 1e-12), 20.0);
    EXPECT_DOUBLE_EQ(lib_common_math_t::amplitude_ratio_to_db_value(0.0, 1e-3), -60.0);
    EXPECT_NEAR(lib_common_math_t::db_value_to_amplitude_ratio(-6.0), 0.501187, 1e-6);

    EXPECT_DOUBLE_EQ(lib_common_math_t::simplify_angle_value(180.0), -180.0);
    EXPECT_DOUBLE_EQ(lib_common_math_t::simplify_angle_value(-180.0), -180.0);
    EXPECT_DOUBLE_EQ(lib_common_math_t::simplify_angle_value(540.0), -180.0);
    EXPECT_DOUBLE_EQ(lib_common_math_t::simplify_angle_value(-190.0), 170.0);
    EXPECT_DOUBLE_EQ(lib_common_math_t::simplify_radian_value(-PI), -PI);
    EXPECT_DOUBLE_EQ(lib_common_math_t::simplify_radian_value(PI), -PI);
    EXPECT_NEAR(lib_common_math_t::simplify_radian_value(5.0 * PI / 2.0), PI / 2.0, 1e-12);
    EXPECT_NEAR(lib_common_math_t::angle_to_radian(270.0), -PI / 2.0, 1e-12);
}

TEST(CommonMath, PowersOfTwo)
{
    EXPECT_FALSE(lib_common_math_t::is_power_of_2(0));
    EXPECT_TRUE(lib_common_math_t::is_power_of_2(1));
    EXPECT_TRUE(lib_common_math_t::is_power_of_2(1u << 20));
    EXPECT_FALSE(lib_common_math_t::is_power_of_2(96));
    EXPECT_TRUE(lib_common_math_t::is_square_integer(144));
    EXPECT_FALSE(lib_common_math_t::is_square_integer(145));

    EXPECT_EQ(lib_common_math_t::get_min_pow_of_2(33, 32), 64u);
    EXPECT_EQ(lib_common_math_t::get_min_pow_of_2(5, 32), 32u);
    EXPECT_EQ(lib_common_math_t::get_min_pow_of_2(64, 32), 64u);
    EXPECT_EQ(lib_common_math_t::get_nearest_pow_of_2(5, 4), 4u);
    EXPECT_EQ(lib_common_math_t::get_nearest_pow_of_2(7, 4), 8u);
    EXPECT_EQ(lib_common_math_t::get_nearest_pow_of_2(6, 4), 4u);  // tie goes down
    EXPECT_EQ(lib_common_math_t::get_nearest_pow_of_2(3, 4), 4u);
    EXPECT_EQ(lib_common_math_t::get_nearest_pow_of_2(3000000, 4), 1u << 20);
}

TEST(CommonMath, BitReversal)
{
    EXPECT_EQ(lib_common_math_t::reverse_bit_order_8(0x01), 0x80u);
    EXPECT_EQ(lib_common_math_t::reverse_bit_order_8(0x1F3), 0xCFu);  // bit 8 ignored
    EXPECT_EQ(lib_common_math_t::reverse_bit_order_16(0x0001), 0x8000u);
    EXPECT_EQ(lib_common_math_t::reverse_bit_order_24(0x000003), 0xC00000u);
    EXPECT_EQ(lib_common_math_t::reverse_bit_order_32(0x00000001), 0x80000000u);
    EXPECT_EQ(lib_common_math_t::reverse_bit_order_32(0x12345678), 0x1E6A2C48u);
}

TEST(CommonMath, BitExtractionRoundTrip)
{
    std::vector<std::uint8_t> bits;
    lib_common_math_t::extract_bit_data(5, 4, bits);
    EXPECT_EQ(bits, (std::vector<std::uint8_t>{0, 1, 0, 1}));
    std::uint64_t value = 99;
    EXPECT_TRUE(lib_common_math_t::recover_value_from_bit_data(bits, value, 4, 0));
    EXPECT_EQ(value, 5u);
    // Past the end counts as zero: 0,1 then two missing bits -> 0b0100.
    EXPECT_TRUE(lib_common_math_t::recover_value_from_bit_data(bits, value, 4, 2));
    EXPECT_EQ(value, 4u);

    const std::uint64_t word = 0xF0E1D2C3B4A59687ull;
    lib_common_math_t::extract_bit_data(word, 70, bits);
    EXPECT_EQ(bits[0], 0u);  // bits above 63 are zero
    EXPECT_TRUE(lib_common_math_t::recover_value_from_bit_data(bits, value, 64, 6));
    EXPECT_EQ(value, word);
}

TEST(CommonMath, BitRecoveryRejectsBadInput)
{
    report_capture_t capture;
    std::uint64_t value = 7;
    EXPECT_FALSE(lib_common_math_t::recover_value_from_bit_data(std::vector<int>(65, 1), value, 65, 0));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(capture.contains("lib_common_math_t::recover_value_from_bit_data Report : Bit Number is out of range!"));
    capture.clear();
    EXPECT_FALSE(lib_common_math_t::recover_value_from_bit_data(std::vector<int>{1, 2}, value, 2, 0));
    EXPECT_TRUE(capture.contains("Error : Bit Data Error!"));
}

TEST(CommonMath, GeneratorPolynomialCheck)
{
    EXPECT_TRUE(lib_common_math_t::check_generator_polynomial_valid({7, 6, 0}, 7));
    EXPECT_FALSE(lib_common_math_t::check_generator_polynomial_valid({}, 7));
    EXPECT_FALSE(lib_common_math_t::check_generator_polynomial_valid({7, 3, 7}, 7));
    EXPECT_FALSE(lib_common_math_t::check_generator_polynomial_valid({8, 0}, 7));
}
