// Scalar and array math, conversions, bit helpers, containers, type look-ups, the mixer, the
// fractional delay, burst extraction, padding and normalisations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_common_type_cast.hpp"
#include "vek/common_lib/math/lib_normalization.hpp"
#include "vek/common_lib/math/lib_var.hpp"
#include "vek/common_lib/report/report.hpp"

using namespace vek::common_lib;
using math = lib_common_math_t;
using cvec_t = std::vector<std::complex<float>>;

namespace {
constexpr double PI = 3.14159265358979323846;
}

TEST(CommonMath, PhaseStatisticsAndEmptyArrays)
{
    EXPECT_FLOAT_EQ(math::get_complex_phase({0.0f, 0.0f}), 0.0f);
    EXPECT_FLOAT_EQ(math::get_complex_phase({1e-13f, 1.0f}), static_cast<float>(PI / 2));
    std::complex<float> z(2.0f, 0.0f);
    math::deal_phase_offset(PI / 2, z);  // counter-clockwise
    EXPECT_NEAR(std::abs(z - std::complex<float>(0.0f, 2.0f)), 0.0f, 1e-6f);
    const cvec_t x{{3.0f, 4.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {-1.0f, 0.0f}};
    std::vector<float> db;
    math::get_complex_array_amplitude_db(x, db);
    EXPECT_EQ(db[1], -200.0f);  // floor for a zero sample
    EXPECT_NEAR(db[2], 20.0 * std::log10(0.2), 1e-5);  // relative to the peak
    // rms = sqrt((25 + 0 + 1 + 1) / 4), peak 5.
    EXPECT_FLOAT_EQ(math::get_complex_array_rms(x), static_cast<float>(std::sqrt(27.0 / 4.0)));
    EXPECT_NEAR(math::get_peak_to_rms_ratio(x), 20.0 * std::log10(5.0 / std::sqrt(27.0 / 4.0)), 1e-5);
    std::vector<float> target{1.0f, 1.0f, 1.0f, 1.0f};
    math::deal_data_addition(std::vector<float>{2.0f, 3.0f}, target, 1);
    EXPECT_EQ(target, (std::vector<float>{1.0f, 3.0f, 4.0f, 1.0f}));

    report_capture_t capture;
    EXPECT_EQ(math::get_complex_array_rms({}), 0.0f);
    EXPECT_EQ(math::get_data_max_amplitude({}), 0.0f);
    EXPECT_EQ(math::get_peak_to_rms_ratio({}), 0.0f);
    EXPECT_TRUE(capture.contains(
        "lib_common_math_t::get_complex_array_rms Report: Empty data array to rms calculation!\n"));
}

TEST(CommonMath, PhaseIsTheDoubleAtan2RoundedToSingleBitForBit)
{
    // The phase takes a short evaluation on its usual path, one value at a time or (the array
    // form) four lanes at a time; both must give float(atan2(im, re)) of the library to the bit
    // everywhere: random parts over a wide range of magnitudes and signs, ratios of the parts at
    // and around the evaluation's reduction points (1/8, 3/8, 5/8, 7/8, 1), angles near 0 and +-pi
    // with signed zeros, tiny and subnormal parts, non-finite ones, and on the axes (the axis rule
    // is tested above; the array form must follow it too).
    cvec_t cases;
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> mantissa(0.5f, 1.0f);
    std::uniform_int_distribution<int> exponent(-60, 60);
    std::bernoulli_distribution negative(0.5);
    const auto random_part = [&] {
        const float v = std::ldexp(mantissa(rng), exponent(rng));
        return negative(rng) ? -v : v;
    };
    for (int i = 0; i < 1000000; ++i) {
        const float re = random_part();
        const float im = i % 4 == 0 ? re * random_part() / std::ldexp(1.0f, exponent(rng)) : random_part();
        cases.emplace_back(re, im);
    }
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (const float ratio : {0.125f, 0.375f, 0.625f, 0.875f, 1.0f}) {
        for (int i = 0; i < 20000; ++i) {
            const float b = random_part();
            float a = b * ratio * (1.0f + unit(rng) * 1e-6f);
            if (i % 3 == 0) a = std::nextafter(b * ratio, i % 2 == 0 ? 2.0f * b : 0.0f);
            cases.insert(cases.end(), {{b, a}, {a, b}, {-b, a}});
        }
    }
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float parts[] = {0.0f, -0.0f, tiny, -tiny, 1e-30f, -1e-30f, 1e30f, -1e30f, 3e38f, inf, -inf, nan};
    for (const float re : {1.0f, -1.0f, 2e-12f, -2e-12f, 3e38f, -3e38f, 0.0f, -0.0f, 5e-13f, inf, -inf, nan})
        for (const float im : parts) cases.emplace_back(re, im);
    // Some phases lie within 2^-40 of the midpoint between two floats, where the evaluation defers
    // to atan2 (lane by lane in the array form).
    int near_midpoint = 0;
    for (const auto& z : cases) {
        const double t = std::atan2(static_cast<double>(z.imag()), static_cast<double>(z.real()));
        const double slack = std::fabs(t) * 0x1p-40;
        near_midpoint += static_cast<float>(t - slack) != static_cast<float>(t + slack);
    }
    EXPECT_GE(near_midpoint, 10);

    // The array form over the whole list, and over runs of 1 ... 7 values (every tail length).
    std::vector<float> whole;
    math::get_complex_array_phase(cases, whole);
    ASSERT_EQ(whole.size(), cases.size());
    std::vector<float> runs;
    std::vector<float> run;
    for (std::size_t first = 0, length = 1; first < cases.size(); first += length, length = length % 7 + 1) {
        const std::size_t last = std::min(cases.size(), first + length);
        math::get_complex_array_phase(cvec_t(cases.begin() + first, cases.begin() + last), run);
        runs.insert(runs.end(), run.begin(), run.end());
    }
    const auto same_bits = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const float re = cases[i].real();
        const float im = cases[i].imag();
        const float phase = math::get_complex_phase(cases[i]);
        const float expected =
            std::fabs(re) >= 1e-12
                ? static_cast<float>(std::atan2(static_cast<double>(im), static_cast<double>(re)))
                : phase;
        ASSERT_TRUE(same_bits(phase, expected)) << re << " " << im;
        ASSERT_TRUE(same_bits(whole[i], expected)) << re << " " << im;
        ASSERT_TRUE(same_bits(runs[i], expected)) << re << " " << im;
    }
}

TEST(CommonMath, InlineComplexDivisionEqualsTheLibraryDivisionBitForBit)
{
    // Parts spread over 2^-60 ... 2^60 (tiny and huge quotients), then zero, infinite and NaN
    // operands (the library's own rules); compared as bit patterns, so NaN results count too.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-60, 60);
    const auto part = [&] { return std::ldexp(mantissa(rng), exponent(rng)); };
    std::vector<std::pair<std::complex<float>, std::complex<float>>> cases;
    for (int i = 0; i < 200000; ++i) cases.push_back({{part(), part()}, {part(), part()}});
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const std::complex<float> b :
         {std::complex<float>(0.0f, 0.0f), {inf, 1.0f}, {nan, 0.0f}, {1e-40f, 0.0f}})
        for (const std::complex<float> a :
             {std::complex<float>(1.0f, -2.0f), {0.0f, 0.0f}, {inf, 0.0f}, {nan, 1.0f}})
            cases.push_back({a, b});
    for (const auto& [a, b] : cases) {
        const std::complex<float> expected = a / b;
        const std::complex<float> inline_quotient = math::divide_complex(a, b);
        ASSERT_EQ(std::memcmp(&expected, &inline_quotient, sizeof expected), 0) << a << " / " << b;
    }
}

TEST(CommonMath, ConversionsAndPowersOfTwo)
{
    EXPECT_DOUBLE_EQ(math::amplitude_ratio_to_db_value(0.0, 1e-3), -60.0);  // floored
    EXPECT_NEAR(math::db_value_to_amplitude_ratio(-6.0), 0.501187, 1e-6);
    // Angles wrap into [-180, 180) and [-pi, pi).
    EXPECT_DOUBLE_EQ(math::simplify_angle_value(180.0), -180.0);
    EXPECT_DOUBLE_EQ(math::simplify_angle_value(-180.0), -180.0);
    EXPECT_DOUBLE_EQ(math::simplify_angle_value(-190.0), 170.0);
    EXPECT_DOUBLE_EQ(math::simplify_radian_value(PI), -PI);
    EXPECT_NEAR(math::simplify_radian_value(5.0 * PI / 2.0), PI / 2.0, 1e-12);
    EXPECT_NEAR(math::angle_to_radian(270.0), -PI / 2.0, 1e-12);

    EXPECT_FALSE(math::is_power_of_2(0));
    EXPECT_TRUE(math::is_power_of_2(1));
    EXPECT_FALSE(math::is_power_of_2(96));
    EXPECT_FALSE(math::is_square_integer(145));
    EXPECT_EQ(math::get_min_pow_of_2(33, 32), 64u);
    EXPECT_EQ(math::get_min_pow_of_2(5, 32), 32u);  // at least the minimum
    EXPECT_EQ(math::get_nearest_pow_of_2(7, 4), 8u);
    EXPECT_EQ(math::get_nearest_pow_of_2(6, 4), 4u);  // tie goes down
    EXPECT_EQ(math::get_nearest_pow_of_2(3, 4), 4u);
    EXPECT_EQ(math::get_nearest_pow_of_2(3000000, 4), 1u << 20);
}

TEST(CommonMath, BitHelpers)
{
    EXPECT_EQ(math::reverse_bit_order_8(0x1F3), 0xCFu);  // bit 8 ignored
    EXPECT_EQ(math::reverse_bit_order_24(0x000003), 0xC00000u);
    EXPECT_EQ(math::reverse_bit_order_32(0x12345678), 0x1E6A2C48u);

    std::vector<std::uint8_t> bits;
    math::extract_bit_data(5, 4, bits);
    EXPECT_EQ(bits, (std::vector<std::uint8_t>{0, 1, 0, 1}));
    std::uint64_t value = 99;
    // Past the end counts as zero: 0,1 then two missing bits -> 0b0100.
    EXPECT_TRUE(math::recover_value_from_bit_data(bits, value, 4, 2));
    EXPECT_EQ(value, 4u);
    const std::uint64_t word = 0xF0E1D2C3B4A59687ull;
    math::extract_bit_data(word, 70, bits);
    EXPECT_EQ(bits[0], 0u);  // bits above 63 are zero
    EXPECT_TRUE(math::recover_value_from_bit_data(bits, value, 64, 6));
    EXPECT_EQ(value, word);

    report_capture_t capture;
    EXPECT_FALSE(math::recover_value_from_bit_data(std::vector<int>(65, 1), value, 65, 0));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(capture.text(),
              "lib_common_math_t::recover_value_from_bit_data Report : Bit Number is out of range!\n");
    EXPECT_FALSE(math::recover_value_from_bit_data(std::vector<int>{1, 2}, value, 2, 0));

    EXPECT_TRUE(math::check_generator_polynomial_valid({7, 6, 0}, 7));
    EXPECT_FALSE(math::check_generator_polynomial_valid({7, 3, 7}, 7));
    EXPECT_FALSE(math::check_generator_polynomial_valid({8, 0}, 7));
}

TEST(Container, ShiftExtremaMapsAndRepeats)
{
    std::vector<char> v{'a', 'b', 'c'};
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(1, v));
    EXPECT_EQ(v, (std::vector<char>{'c', 'a', 'b'}));
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(-2, v));
    EXPECT_TRUE(lib_common_container_t::deal_cyclic_shift(-3, v));
    EXPECT_EQ(v, (std::vector<char>{'b', 'c', 'a'}));
    report_capture_t capture;
    EXPECT_FALSE(lib_common_container_t::deal_cyclic_shift(4, v));
    EXPECT_EQ(capture.text(),
              "lib_common_container_t::deal_cyclic_shift Report : Shift Offset Out of Range!\n");
    std::vector<int> empty;
    EXPECT_FALSE(lib_common_container_t::deal_cyclic_shift(0, empty));

    const std::vector<int> w{3, 9, 1, 9, 1};
    EXPECT_EQ(lib_common_container_t::get_max_index(w), 1u);  // first occurrences
    EXPECT_EQ(&lib_common_container_t::get_min_value(w), &w[2]);

    std::map<int, float> m{{5, 0.5f}, {1, 0.1f}, {3, 0.3f}};  // values set in key order
    EXPECT_TRUE(lib_common_container_t::set_map_value_arr(std::vector<float>{10.0f, 30.0f, 50.0f}, m));
    EXPECT_EQ(m[3], 30.0f);
    EXPECT_FALSE(lib_common_container_t::set_map_value_arr(std::vector<float>{1.0f}, m));
    EXPECT_EQ(m[1], 10.0f);

    EXPECT_TRUE(lib_common_container_t::check_repeat_value(std::vector<int>{1, 2, 1}));
    std::vector<int> u{1, 2};
    lib_common_container_t::add_unique_data_to_vector(u, 2);
    lib_common_container_t::add_unique_data_to_vector(u, 4);
    EXPECT_EQ(u, (std::vector<int>{1, 2, 4}));
}

TEST(Container, BoundedValueClampsOnSetAndOnNewRange)
{
    lib_var_t<int> v(0, 10, 5);
    v.set_value(12);
    EXPECT_EQ(v.get_value(), 10);
    v.set_value(7);
    EXPECT_FALSE(v.set_range(0, 8));  // 7 still inside
    EXPECT_TRUE(v.set_range(0, 4));
    EXPECT_EQ(v.get_value(), 4);
    EXPECT_FALSE(v.set_range(5, 1));  // reversed bounds are refused
    EXPECT_EQ(v.get_max(), 4);
}

TEST(TypeCast, ConstellationModulatorAndBits)
{
    const std::vector<std::uint32_t> expected{2, 2, 2, 4, 4, 8, 16, 2, 4, 4, 8, 8, 16, 16, 32, 4,
                                              8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 2, 2, 4, 8, 16};
    for (std::uint32_t type = 0; type < expected.size(); ++type)
        EXPECT_EQ(lib_common_type_cast_t::get_constellation_point(type), expected[type]) << type;
    EXPECT_EQ(lib_common_type_cast_t::get_bits_per_symbol(25, 0), 12u);
    EXPECT_EQ(lib_common_type_cast_t::get_bits_per_symbol(31, 48), 5u);  // log2 48 truncated
    for (const auto& [type, modulator] :
         {std::pair<std::uint32_t, std::uint32_t>{25, 0}, {26, 1}, {30, 1}, {31, 2}})
        EXPECT_EQ(lib_common_type_cast_t::get_modulator_type(type), modulator) << type;
    EXPECT_TRUE(lib_common_type_cast_t::is_prbs_code_type(5));
    EXPECT_FALSE(lib_common_type_cast_t::is_prbs_code_type(6));
    report_capture_t capture;
    EXPECT_EQ(lib_common_type_cast_t::get_constellation_point(31), 0u);
    EXPECT_EQ(capture.text(),
              "lib_common_type_cast_t::get_constellation_point Report: Error Constellation Type!\n");
}

TEST(SignalProcess, MixerMatchesClosedFormOverLongBlocks)
{
    const double freq = 0.0123;
    const double phase = 0.7;
    cvec_t x(100000, {1.0f, 0.0f});
    lib_common_signal_process_t::deal_mixer(x, freq, phase);
    double worst = 0.0;
    for (std::size_t i = 0; i < x.size(); i += 97)
        worst = std::max(worst, std::abs(std::complex<double>(x[i]) -
                                         std::polar(1.0, phase + 2.0 * PI * freq * static_cast<double>(i))));
    // The step angle is rounded to single precision on purpose (one step per frequency), which
    // moves the phase by about 2e-4 rad after 1e5 samples; the rotator itself adds no drift.
    EXPECT_LT(worst, 1e-3);
}

TEST(SignalProcess, MixerGivesTheSameBitsWhetherItsStepTableIsNewOrKept)
{
    // More distinct step angles than the mixer keeps tables for, revisited out of order, with
    // -0 and +0 (whose sine tables differ in sign): each call must give the bits of a first call
    // at that frequency, which a fresh thread (no kept tables) computes.
    const double freqs[] = {0.0123, -0.0071, 0.25, 1e-6, 0.0, -0.0, 0.3333, -0.4999};
    std::mt19937 rng(97);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    cvec_t input(300);
    for (auto& v : input) v = {u(rng), u(rng)};
    auto mixed = [&](double freq) {
        cvec_t x = input;
        lib_common_signal_process_t::deal_mixer(x, freq, 0.3);
        return x;
    };
    const std::size_t order[] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 5, 4, 7, 2, 2, 6, 1, 3, 0};
    for (std::size_t k : order) {
        const cvec_t warm = mixed(freqs[k]);
        cvec_t cold;
        std::thread([&] { cold = mixed(freqs[k]); }).join();
        ASSERT_EQ(warm.size(), cold.size());
        EXPECT_EQ(std::memcmp(warm.data(), cold.data(), warm.size() * sizeof(warm[0])), 0) << freqs[k];
    }
}

TEST(SignalProcess, OneRotationBySummedStepsEqualsMixingInTurn)
{
    // The step is 2 pi f rounded to single precision: f = 0.25 gives the float nearest pi/2.
    EXPECT_EQ(lib_common_signal_process_t::mixer_step_rad(0.25),
              static_cast<double>(static_cast<float>(PI / 2.0)));
    std::mt19937 rng(41);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    cvec_t input(70001);
    for (auto& v : input) v = {u(rng), u(rng)};
    // Three corrections in turn against one rotation by the sum of their steps: the phases agree
    // exactly, the products differ by rounding alone.
    const double freqs[] = {-3.1e-4, 2.7e-6, -4.4e-8};
    double step = 0.0;
    cvec_t mixed = input;
    for (const double f : freqs) {
        lib_common_signal_process_t::deal_mixer(mixed, f, step == 0.0 ? 0.2 : 0.0);
        step += lib_common_signal_process_t::mixer_step_rad(f);
    }
    cvec_t once = input;
    lib_common_signal_process_t::deal_rotation(once, step, 0.2);
    double worst = 0.0;
    for (std::size_t i = 0; i < once.size(); ++i)
        worst = std::max(worst, static_cast<double>(std::abs(once[i] - mixed[i]) / std::abs(input[i])));
    EXPECT_LT(worst, 1e-6);
    // A window rotated on its own, its first phase being the step times its start, is the slice of
    // the whole vector's rotation (to rounding): the blocks of the two recursions start elsewhere.
    const std::size_t start = 41234;
    cvec_t window(input.begin() + start, input.begin() + start + 512);
    lib_common_signal_process_t::deal_rotation(window, step, 0.2 + step * static_cast<double>(start));
    worst = 0.0;
    for (std::size_t i = 0; i < window.size(); ++i)
        worst = std::max(
            worst, static_cast<double>(std::abs(window[i] - once[start + i]) / std::abs(input[start + i])));
    EXPECT_LT(worst, 1e-6);
}

TEST(SignalProcess, FractionalDelayShiftsAPeriodicToneAnalytically)
{
    // A tone periodic in the block, so the cyclic edge extension is exact at the ends too; the
    // 63-tap Blackman-windowed sinc keeps the error well below 1e-3 at 0.05 cycles/sample.
    auto tone = [](double delay) {
        cvec_t x(256);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = std::polar(1.0f,
                              static_cast<float>(2.0 * PI * 12.0 / 256.0 * (static_cast<double>(i) - delay)));
        return x;
    };
    for (double delay : {0.3, -0.45, 0.0}) {
        cvec_t x = tone(0.0);
        ASSERT_TRUE(lib_common_signal_process_t::deal_fractional_delay(delay, x));
        const cvec_t expected = tone(delay);
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_LT(std::abs(x[i] - expected[i]), 1e-3) << "delay " << delay << " at " << i;
    }
    cvec_t x(8, {1.0f, 0.0f});
    EXPECT_FALSE(lib_common_signal_process_t::deal_fractional_delay(1.0, x));
}

TEST(SignalProcess, BurstExtractionAndPadding)
{
    // Runs of three or more zeros are dropped, shorter runs kept.
    std::vector<float> out;
    lib_common_signal_process_t::get_burst_signal_data(std::vector<float>{1, 0, 0, 0, 2, 0, 3, 0, 0}, out);
    EXPECT_EQ(out, (std::vector<float>{1, 2, 0, 3, 0, 0}));
    cvec_t cout;
    lib_common_signal_process_t::get_burst_signal_data(cvec_t{{1, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 2}}, cout);
    EXPECT_EQ(cout, (cvec_t{{1, 1}, {0, 2}}));

    std::vector<int> v{1, 2, 3};
    lib_common_signal_process_t::pad_zero_to_array_end(v, 2);  // never shortens
    lib_common_signal_process_t::pad_zero_to_array_end(v, 4);
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 0}));
    std::vector<char> c{'a', 'b'};
    EXPECT_EQ(lib_common_signal_process_t::pad_array_crc(c, 5), 6u);  // whole periods
    EXPECT_EQ(c, (std::vector<char>{'a', 'b', 'a', 'b', 'a', 'b'}));
    report_capture_t capture;
    std::vector<float> empty;
    EXPECT_EQ(lib_common_signal_process_t::pad_array_crc(empty, 3), 3u);
    EXPECT_EQ(empty, (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(capture.text(), "lib_common_signal_process_t::pad_array_crc Report: Empty Data Array!\n");
}

TEST(Normalization, DivisorsMatchTheirDefinitions)
{
    // rms sqrt(27/4), energy sqrt(27), amplitude sum 7, largest amplitude 5, largest I or Q 4.
    const cvec_t x{{3, 4}, {0, -1}, {1, 0}, {0, 0}};
    using fn_t = bool (*)(cvec_t&);
    const std::pair<fn_t, double> cases[] = {{&lib_normalization_t::rms_normalize, std::sqrt(27.0 / 4.0)},
                                             {&lib_normalization_t::square_sum_normalize, std::sqrt(27.0)},
                                             {&lib_normalization_t::amplitude_sum_normalize, 7.0},
                                             {&lib_normalization_t::amplitude_max_normalize, 5.0},
                                             {&lib_normalization_t::iq_value_max_normalize, 4.0}};
    for (const auto& [normalize, divisor] : cases) {
        cvec_t y = x;
        ASSERT_TRUE(normalize(y));
        EXPECT_NEAR(std::abs(y[0] - x[0] / static_cast<float>(divisor)), 0.0, 1e-6) << divisor;
        cvec_t empty;
        EXPECT_FALSE(normalize(empty)) << divisor;
        const cvec_t tiny(3, {1e-14f, 0.0f});
        y = tiny;
        EXPECT_FALSE(normalize(y)) << divisor;
        EXPECT_EQ(y, tiny);
    }
    std::vector<float> f{1, 3};
    ASSERT_TRUE(lib_normalization_t::sum_normalize(f));
    EXPECT_EQ(f, (std::vector<float>{0.25f, 0.75f}));

    report_capture_t capture;
    std::vector<float> cancel{1.0f, -1.0f};
    EXPECT_FALSE(lib_normalization_t::sum_normalize(cancel));
    EXPECT_EQ(capture.text(),
              "lib_normalization_t::sum_normalize Report: Data array has a too small sum: 0\n");
}
