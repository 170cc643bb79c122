// Behaviour of the CRC calculator on small cases worked by hand, its configuration rules and its
// reports, and the code-word properties (every code word passes, every single-bit error fails).
#include <gtest/gtest.h>

#include <random>

#include "crc_test_support.hpp"
#include "vek/common_lib/coding/lib_crc_calculator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

using namespace vek::common_lib;
using crc_test::bits_msb_first;
using crc_test::bits_of;
using crc_test::bits_t;

bits_t checksum_of(const lib_crc_calculator_t& calc, const bits_t& bits) {
    bits_t checksum;
    EXPECT_TRUE(calc.deal_crc_calculation(bits, checksum));
    return checksum;
}

bits_t append(bits_t message, const bits_t& checksum) {
    message.insert(message.end(), checksum.begin(), checksum.end());
    return message;
}

// Remainder of a polynomial (bit i = coefficient of x^i) divided by x^3 + x + 1, by cancelling the
// leading term from the top down.
unsigned mod_x3_x_1(unsigned dividend) {
    for (int degree = 31; degree >= 3; --degree) {
        if ((dividend >> degree) & 1u) dividend ^= 0xBu << (degree - 3);
    }
    return dividend;
}

TEST(CrcCalculator, DefaultIsCrc3WithZeroPresetAndXor) {
    const lib_crc_calculator_t calc;
    EXPECT_EQ(calc.get_crc_length(), 3u);
    EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x3u);
    EXPECT_EQ(calc.get_initial_condition(), bits_t(3, 0));
    EXPECT_EQ(calc.get_xor_sequence(), bits_t(3, 0));
    EXPECT_EQ(calc.get_calculate_method(), LIB_CRC_METHOD_NON_DIRECT);
    EXPECT_FALSE(calc.get_checksum_reverse_enable());
}

TEST(CrcCalculator, Crc3ChecksumsWorkedByHand) {
    // x^3 * x^3 = x^6 = (x + 1)^2 = x^2 + 1 -> 101; x^3 * 1 = x + 1 -> 011 (mod x^3 + x + 1).
    for (auto method : {LIB_CRC_METHOD_NON_DIRECT, LIB_CRC_METHOD_DIRECT}) {
        lib_crc_calculator_t calc;
        calc.set_calculate_method(method);
        EXPECT_EQ(checksum_of(calc, bits_of("1000")), bits_of("101")) << method;
        EXPECT_EQ(checksum_of(calc, bits_of("0001")), bits_of("011")) << method;
    }
    lib_crc_calculator_t reversed;
    reversed.set_checksum_reverse_enable(true);
    EXPECT_EQ(checksum_of(reversed, bits_of("0001")), bits_of("110"));
    lib_crc_calculator_t inverted;
    inverted.set_xor_sequence({1, 1, 1});
    EXPECT_EQ(checksum_of(inverted, bits_of("1000")), bits_of("010"));
}

TEST(CrcCalculator, Crc3CheckAcceptsExactlyTheHammingCodeWords) {
    // With x^3 + x + 1 the 7-bit code words form the cyclic (7,4) Hamming code: exactly the 16
    // multiples of the generator pass, any single flipped bit fails.
    const lib_crc_calculator_t calc;
    EXPECT_TRUE(calc.deal_crc_check(bits_of("1000101")));
    int accepted = 0;
    for (unsigned word = 0; word < 128; ++word) {
        const bits_t bits = bits_msb_first(word, 7);
        const bool divisible = mod_x3_x_1(word) == 0;
        EXPECT_EQ(calc.deal_crc_check(bits), divisible) << word;
        accepted += divisible ? 1 : 0;
    }
    EXPECT_EQ(accepted, 16);
}

TEST(CrcCalculator, DirectAndNonDirectDifferOnlyByPresetPlacement) {
    // The non-direct preset P is P x^L of the dividend, which the direct register sees as the
    // preset P x^L mod g: for CRC-16 0x1021 the catalogue's 0x1D0F pairs with 0xFFFF.
    lib_crc_calculator_t non_direct;
    non_direct.set_crc_generator_polynomial({16, 12, 5, 0});
    non_direct.set_initial_condition(bits_msb_first(0xFFFF, 16));
    lib_crc_calculator_t direct = non_direct;
    direct.set_calculate_method(LIB_CRC_METHOD_DIRECT);
    direct.set_initial_condition(bits_msb_first(0x1D0F, 16));

    std::mt19937 rng(9);
    for (int trial = 0; trial < 50; ++trial) {
        bits_t message(16 + rng() % 100);
        for (auto& b : message) b = static_cast<std::uint8_t>(rng() & 1u);
        EXPECT_EQ(checksum_of(non_direct, message), checksum_of(direct, message));
    }
    // With the same non-zero preset they disagree.
    lib_crc_calculator_t same = non_direct;
    same.set_calculate_method(LIB_CRC_METHOD_DIRECT);
    EXPECT_NE(checksum_of(same, bits_of("1011001110001111")),
              checksum_of(non_direct, bits_of("1011001110001111")));
}

TEST(CrcCalculator, PolynomialFromExponents) {
    lib_crc_calculator_t calc;
    ASSERT_TRUE(calc.set_crc_generator_polynomial({16, 12, 5, 0}));
    EXPECT_EQ(calc.get_crc_length(), 16u);
    EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x1021u);
    EXPECT_EQ(calc.get_initial_condition().size(), 16u);
    EXPECT_EQ(calc.get_xor_sequence().size(), 16u);

    lib_crc_calculator_t implied_one;
    ASSERT_TRUE(implied_one.set_crc_generator_polynomial({16, 12, 5}));
    EXPECT_EQ(implied_one.get_crc_generator_polynomial(), 0x1021u);

    lib_crc_calculator_t widest;
    ASSERT_TRUE(widest.set_crc_generator_polynomial({64, 4, 3, 1, 0}));
    EXPECT_EQ(widest.get_crc_length(), 64u);
    EXPECT_EQ(widest.get_crc_generator_polynomial(), 0x1Bu);

    // Shrinking keeps the leading preset bits and drops the rest.
    lib_crc_calculator_t shrink;
    shrink.set_crc_generator_polynomial({8, 2, 1, 0});
    shrink.set_initial_condition(bits_of("10110011"));
    ASSERT_TRUE(shrink.set_crc_generator_polynomial({5, 2, 0}));
    EXPECT_EQ(shrink.get_initial_condition(), bits_of("10110"));

    EXPECT_TRUE(lib_crc_calculator_t::check_crc_generator_polynomial({64, 1}));
}

TEST(CrcCalculator, RejectsInvalidPolynomialsAndTypes) {
    lib_crc_calculator_t calc;
    calc.set_crc_generator_polynomial({8, 2, 1});
    for (const auto& bad : {std::vector<std::uint32_t>{3, 3}, std::vector<std::uint32_t>{},
                            std::vector<std::uint32_t>{65, 1}, std::vector<std::uint32_t>{0}}) {
        EXPECT_FALSE(calc.set_crc_generator_polynomial(bad));
        EXPECT_EQ(calc.get_crc_length(), 8u);
        EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x7u);
    }
    EXPECT_FALSE(lib_crc_calculator_t::check_crc_generator_polynomial({3, 3}));
    EXPECT_FALSE(lib_crc_calculator_t::check_crc_generator_polynomial({}));
    EXPECT_FALSE(lib_crc_calculator_t::check_crc_generator_polynomial({65, 1}));

    EXPECT_FALSE(calc.set_crc_generator_polynomial_type(LIB_CRC_POLYNOMIAL_TYPE_CUSTOM));
    EXPECT_EQ(calc.get_crc_length(), 8u);
    {
        report_capture_t capture;
        EXPECT_FALSE(calc.set_crc_generator_polynomial_type(static_cast<lib_crc_polynomial_type_t>(7)));
        EXPECT_EQ(capture.text().rfind("Error : Unknown CRC Type!\nFrom line ", 0), 0u) << capture.text();
    }
    EXPECT_EQ(calc.get_crc_length(), 8u);
    EXPECT_TRUE(calc.set_crc_generator_polynomial_type(LIB_CRC_POLYNOMIAL_TYPE_CRC3));
    EXPECT_EQ(calc.get_crc_length(), 3u);
    EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x3u);
}

TEST(CrcCalculator, WrongLengthPresetAndXorAreAdjustedWithCaution) {
    lib_crc_calculator_t calc;
    {
        report_capture_t capture;
        calc.set_initial_condition(bits_of("10111"));
        EXPECT_EQ(capture.text().rfind("Caution : Initial condition length not match, it will be adjusted!\n"
                                       "From line ",
                                       0),
                  0u)
            << capture.text();
    }
    EXPECT_EQ(calc.get_initial_condition(), bits_of("101"));
    {
        report_capture_t capture;
        calc.set_xor_sequence(bits_of("1"));
        EXPECT_TRUE(capture.contains("Caution : Xor sequence length not match, it will be adjusted!\n"));
    }
    EXPECT_EQ(calc.get_xor_sequence(), bits_of("100"));
    {
        report_capture_t capture;
        calc.set_xor_sequence(bits_of("011"));
        calc.set_initial_condition_to_default();
        EXPECT_EQ(capture.text(), "");
    }
    EXPECT_EQ(calc.get_initial_condition(), bits_t(3, 0));
    calc.set_xor_sequence_to_default();
    EXPECT_EQ(calc.get_xor_sequence(), bits_t(3, 0));
}

TEST(CrcCalculator, BadInputIsReportedAndRefused) {
    lib_crc_calculator_t calc;
    bits_t checksum{9};
    {
        report_capture_t capture;
        EXPECT_FALSE(calc.deal_crc_calculation(bits_of("10"), checksum));
        EXPECT_TRUE(
            capture.contains("Error : Origin bit sequence is too short to calculate CRC codes!\nFrom line "));
        EXPECT_TRUE(checksum.empty());
    }
    {
        report_capture_t capture;
        EXPECT_FALSE(calc.deal_crc_calculation({1, 0, 2, 1}, checksum));
        EXPECT_TRUE(capture.contains("Error : Bit Data Error!\n"));
        EXPECT_FALSE(calc.deal_crc_check({1, 0, 0, 0, 1, 0, 5}));
    }
    {
        report_capture_t capture;
        EXPECT_FALSE(calc.deal_crc_check(bits_of("101")));
        EXPECT_TRUE(capture.contains("Error : Input sequence length not enough!\n"));
    }
    {
        lib_crc_calculator_t unknown;
        unknown.set_calculate_method(static_cast<lib_crc_method_t>(2));
        report_capture_t capture;
        EXPECT_FALSE(unknown.deal_crc_calculation(bits_of("1000"), checksum));
        EXPECT_EQ(checksum, bits_t(3, 0));  // raw value 0, no XOR configured
        EXPECT_TRUE(capture.contains("Error : Unknown CRC Algorithm!\n"));
        EXPECT_FALSE(unknown.deal_crc_check(bits_of("1000101")));
    }
}

struct code_config_t {
    std::vector<std::uint32_t> exponents;
    lib_crc_method_t method;
    std::uint64_t preset;
    std::uint64_t xor_value;
    bool reverse;
};

TEST(CrcCalculator, EveryCodeWordPassesAndEverySingleBitErrorFails) {
    const std::vector<code_config_t> configs = {
        {{3, 1, 0}, LIB_CRC_METHOD_NON_DIRECT, 0x0, 0x0, false},
        {{3, 1, 0}, LIB_CRC_METHOD_DIRECT, 0x5, 0x7, true},
        {{5, 2, 0}, LIB_CRC_METHOD_DIRECT, 0x1F, 0x1F, true},
        {{8, 2, 1, 0}, LIB_CRC_METHOD_NON_DIRECT, 0xA5, 0x3C, false},
        {{16, 12, 5, 0}, LIB_CRC_METHOD_DIRECT, 0xFFFF, 0x0, false},
        {{16, 12, 5, 0}, LIB_CRC_METHOD_NON_DIRECT, 0x1234, 0xFFFF, true},
        {{32, 26, 23, 22, 16, 12, 11, 10, 8, 7, 5, 4, 2, 1, 0},
         LIB_CRC_METHOD_DIRECT,
         0xFFFFFFFF,
         0xFFFFFFFF,
         true},
        {crc_test::exponents_of(0x42F0E1EBA9EA3693ull, 64),  // CRC-64/ECMA-182
         LIB_CRC_METHOD_NON_DIRECT, 0xFEDCBA9876543210ull, 0xFFFFFFFFFFFFFFFFull, true},
    };
    std::mt19937 rng(2024);
    for (const auto& cfg : configs) {
        lib_crc_calculator_t calc;
        ASSERT_TRUE(calc.set_crc_generator_polynomial(cfg.exponents));
        const unsigned width = calc.get_crc_length();
        calc.set_calculate_method(cfg.method);
        calc.set_initial_condition(bits_msb_first(cfg.preset, width));
        calc.set_xor_sequence(bits_msb_first(cfg.xor_value, width));
        calc.set_checksum_reverse_enable(cfg.reverse);
        for (int trial = 0; trial < 8; ++trial) {
            bits_t message(width + rng() % 90);
            for (auto& b : message) b = static_cast<std::uint8_t>(rng() & 1u);
            const bits_t word = append(message, checksum_of(calc, message));
            ASSERT_TRUE(calc.deal_crc_check(word)) << "width " << width << " trial " << trial;
            for (std::size_t i = 0; i < word.size(); ++i) {
                bits_t damaged = word;
                damaged[i] ^= 1u;
                EXPECT_FALSE(calc.deal_crc_check(damaged)) << "width " << width << " bit " << i;
            }
        }
    }
}

TEST(CrcCalculator, AllOnesXorInvertsTheChecksum) {
    lib_crc_calculator_t plain;
    plain.set_crc_generator_polynomial({16, 12, 5, 0});
    lib_crc_calculator_t inverted = plain;
    inverted.set_xor_sequence(bits_t(16, 1));
    const bits_t message = bits_of("110100111011000101");
    bits_t expected = checksum_of(plain, message);
    for (auto& b : expected) b ^= 1u;
    EXPECT_EQ(checksum_of(inverted, message), expected);
    EXPECT_TRUE(inverted.deal_crc_check(append(message, expected)));
    EXPECT_FALSE(plain.deal_crc_check(append(message, expected)));
}

}  // namespace
