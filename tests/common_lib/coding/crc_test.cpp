// CRC calculator: CRC-3 cases worked by hand, the code-word property, published catalogue check
// values of the text "123456789", an independent table-driven CRC-32, and configuration rules.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "vek/common_lib/coding/lib_crc_calculator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

using namespace vek::common_lib;
using bits_t = std::vector<std::uint8_t>;

bits_t bits_of(const std::string& zeros_and_ones) {
    bits_t bits;
    for (char c : zeros_and_ones) bits.push_back(static_cast<std::uint8_t>(c - '0'));
    return bits;
}

bits_t bits_msb_first(std::uint64_t value, unsigned width) {
    bits_t bits;
    for (unsigned i = width; i-- > 0;) bits.push_back(static_cast<std::uint8_t>((value >> i) & 1u));
    return bits;
}

std::uint64_t value_msb_first(const bits_t& bits) {
    std::uint64_t v = 0;
    for (std::uint8_t b : bits) v = (v << 1) | b;
    return v;
}

// Each byte of the text as 8 bits; lsb_first models a reflected-input CRC.
bits_t bits_of_bytes(const std::string& text, bool lsb_first) {
    bits_t bits;
    for (unsigned char byte : text)
        for (int i = 0; i < 8; ++i)
            bits.push_back(static_cast<std::uint8_t>((byte >> (lsb_first ? i : 7 - i)) & 1u));
    return bits;
}

// Catalogue polynomial 0x1021 of width 16 -> {16, 12, 5, 0}.
std::vector<std::uint32_t> exponents_of(std::uint64_t poly, unsigned width) {
    std::vector<std::uint32_t> exps{width};
    for (unsigned e = width; e-- > 0;)
        if ((poly >> e) & 1u) exps.push_back(e);
    return exps;
}

bits_t checksum_of(const lib_crc_calculator_t& calc, const bits_t& bits) {
    bits_t checksum;
    EXPECT_TRUE(calc.deal_crc_calculation(bits, checksum));
    return checksum;
}

TEST(CrcCalculator, Crc3CheckAcceptsExactlyTheHammingCodeWords) {
    // Default CRC-3 x^3 + x + 1: the 7-bit words that pass are exactly the 16 multiples of the
    // generator (Hamming (7,4)); divisibility by long division in the bits of an unsigned.
    const lib_crc_calculator_t calc;
    int accepted = 0;
    for (unsigned word = 0; word < 128; ++word) {
        unsigned rest = word;
        for (int degree = 6; degree >= 3; --degree)
            if ((rest >> degree) & 1u) rest ^= 0xBu << (degree - 3);
        EXPECT_EQ(calc.deal_crc_check(bits_msb_first(word, 7)), rest == 0) << word;
        accepted += rest == 0 ? 1 : 0;
    }
    EXPECT_EQ(accepted, 16);
}

TEST(CrcCalculator, EveryCodeWordPassesAndEverySingleBitErrorFails) {
    struct code_config_t {
        std::vector<std::uint32_t> exponents;
        lib_crc_method_t method;
        std::uint64_t preset, xor_value;
        bool reverse;
    };
    const std::vector<code_config_t> configs = {
        {{3, 1, 0}, LIB_CRC_METHOD_DIRECT, 0x5, 0x7, true},
        {exponents_of(0x04C11DB7, 32), LIB_CRC_METHOD_DIRECT, 0xFFFFFFFF, 0xFFFFFFFF, true},
        {exponents_of(0x42F0E1EBA9EA3693ull, 64), LIB_CRC_METHOD_NON_DIRECT, 0xFEDCBA9876543210ull,
         ~std::uint64_t{0}, true},
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
        for (int trial = 0; trial < 4; ++trial) {
            bits_t word(width + rng() % 90);
            for (auto& b : word) b = static_cast<std::uint8_t>(rng() & 1u);
            const bits_t checksum = checksum_of(calc, word);
            word.insert(word.end(), checksum.begin(), checksum.end());
            ASSERT_TRUE(calc.deal_crc_check(word)) << "width " << width;
            for (std::size_t i = 0; i < word.size(); ++i) {
                word[i] ^= 1u;
                EXPECT_FALSE(calc.deal_crc_check(word)) << "width " << width << " bit " << i;
                word[i] ^= 1u;
            }
        }
    }
}

// Published check values. Mapping: init -> preset with the direct algorithm, refout -> checksum
// reversal, xorout -> XOR sequence, refin -> each byte fed least significant bit first.
TEST(CrcCalculator, CatalogueCheckValues) {
    struct model_t {
        const char* name;
        unsigned width;
        std::uint64_t poly, init;
        bool refin, refout;
        std::uint64_t xorout, check;
    };
    constexpr std::uint64_t ones = ~std::uint64_t{0};
    const model_t catalogue[] = {
        {"CRC-3/GSM", 3, 0x3, 0x0, false, false, 0x7, 0x4},
        {"CRC-3/ROHC", 3, 0x3, 0x7, true, true, 0x0, 0x6},
        {"CRC-5/USB", 5, 0x05, 0x1F, true, true, 0x1F, 0x19},
        {"CRC-8/SMBUS", 8, 0x07, 0x00, false, false, 0x00, 0xF4},
        {"CRC-12/UMTS", 12, 0x80F, 0x000, false, true, 0x000, 0xDAF},
        {"CRC-16/IBM-3740", 16, 0x1021, 0xFFFF, false, false, 0x0000, 0x29B1},
        {"CRC-16/KERMIT", 16, 0x1021, 0x0000, true, true, 0x0000, 0x2189},
        {"CRC-32/ISO-HDLC", 32, 0x04C11DB7, 0xFFFFFFFF, true, true, 0xFFFFFFFF, 0xCBF43926},
        {"CRC-32/ISCSI", 32, 0x1EDC6F41, 0xFFFFFFFF, true, true, 0xFFFFFFFF, 0xE3069283},
        {"CRC-64/ECMA-182", 64, 0x42F0E1EBA9EA3693, 0x0, false, false, 0x0, 0x6C40DF5F0B497347},
        {"CRC-64/XZ", 64, 0x42F0E1EBA9EA3693, ones, true, true, ones, 0x995DC9BBDF1939FA},
    };
    for (const model_t& m : catalogue) {
        lib_crc_calculator_t calc;
        ASSERT_TRUE(calc.set_crc_generator_polynomial(exponents_of(m.poly, m.width)));
        calc.set_initial_condition(bits_msb_first(m.init, m.width));
        calc.set_xor_sequence(bits_msb_first(m.xorout, m.width));
        calc.set_checksum_reverse_enable(m.refout);
        // With a zero preset, long division of the augmented message is the same code.
        for (auto method : {LIB_CRC_METHOD_DIRECT, LIB_CRC_METHOD_NON_DIRECT}) {
            if (method == LIB_CRC_METHOD_NON_DIRECT && m.init != 0) continue;
            calc.set_calculate_method(method);
            const bits_t checksum = checksum_of(calc, bits_of_bytes("123456789", m.refin));
            ASSERT_EQ(checksum.size(), m.width) << m.name;
            EXPECT_EQ(value_msb_first(checksum), m.check) << m.name << " method " << method;
        }
    }
    // The augmented CRC-CCITT with preset 0xFFFF is CRC-16/SPI-FUJITSU (check 0xE5CC): the
    // non-direct preset P acts as the register preset P x^16 mod g = 0x1D0F.
    lib_crc_calculator_t augmented;
    augmented.set_crc_generator_polynomial({16, 12, 5, 0});
    augmented.set_initial_condition(bits_t(16, 1));
    EXPECT_EQ(value_msb_first(checksum_of(augmented, bits_of_bytes("123456789", false))), 0xE5CCu);
}

// CRC-32 the other way round: byte-wise and bit-reflected (polynomial 0xEDB88320), on random frames.
TEST(CrcCalculator, Crc32MatchesTheReflectedByteWiseFormOnRandomFrames) {
    lib_crc_calculator_t calc;
    calc.set_crc_generator_polynomial(exponents_of(0x04C11DB7, 32));
    calc.set_initial_condition(bits_t(32, 1));
    calc.set_xor_sequence(bits_t(32, 1));
    calc.set_checksum_reverse_enable(true);
    calc.set_calculate_method(LIB_CRC_METHOD_DIRECT);
    std::mt19937 rng(802);
    for (int trial = 0; trial < 20; ++trial) {
        std::string bytes(4 + rng() % 200, '\0');
        std::uint32_t crc = 0xFFFFFFFFu;
        for (char& b : bytes) {
            b = static_cast<char>(rng());
            crc ^= static_cast<unsigned char>(b);
            for (int k = 0; k < 8; ++k) crc = (crc & 1u) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        EXPECT_EQ(value_msb_first(checksum_of(calc, bits_of_bytes(bytes, true))), crc ^ 0xFFFFFFFFu) << trial;
    }
}

TEST(CrcCalculator, PolynomialPresetAndXorConfiguration) {
    lib_crc_calculator_t calc;
    ASSERT_TRUE(calc.set_crc_generator_polynomial({16, 12, 5}));  // the x^0 term is implied
    EXPECT_EQ(calc.get_crc_length(), 16u);
    EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x1021u);

    // Shrinking keeps the leading preset bits.
    calc.set_crc_generator_polynomial({8, 2, 1, 0});
    calc.set_initial_condition(bits_of("10110011"));
    ASSERT_TRUE(calc.set_crc_generator_polynomial({5, 2, 0}));
    EXPECT_EQ(calc.get_initial_condition(), bits_of("10110"));

    // Refused polynomials and types change nothing.
    calc.set_crc_generator_polynomial({8, 2, 1});
    for (const auto& bad : {std::vector<std::uint32_t>{3, 3}, {}, {65, 1}, {0}}) {
        EXPECT_FALSE(calc.set_crc_generator_polynomial(bad));
        EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x7u);
    }
    EXPECT_FALSE(calc.set_crc_generator_polynomial_type(LIB_CRC_POLYNOMIAL_TYPE_CUSTOM));
    report_capture_t capture;
    EXPECT_FALSE(calc.set_crc_generator_polynomial_type(static_cast<lib_crc_polynomial_type_t>(7)));
    EXPECT_EQ(capture.text().rfind("Error : Unknown CRC Type!\nFrom line ", 0), 0u) << capture.text();
    EXPECT_EQ(calc.get_crc_length(), 8u);
    EXPECT_TRUE(calc.set_crc_generator_polynomial_type(LIB_CRC_POLYNOMIAL_TYPE_CRC3));
    EXPECT_EQ(calc.get_crc_generator_polynomial(), 0x3u);

    // Wrong-length presets and XOR sequences are cut or zero-padded, with a caution.
    capture.clear();
    calc.set_initial_condition(bits_of("10111"));
    EXPECT_EQ(capture.text().rfind(
                  "Caution : Initial condition length not match, it will be adjusted!\nFrom line ", 0),
              0u)
        << capture.text();
    EXPECT_EQ(calc.get_initial_condition(), bits_of("101"));
    calc.set_xor_sequence(bits_of("1"));
    EXPECT_EQ(calc.get_xor_sequence(), bits_of("100"));
}

TEST(CrcCalculator, BadInputIsReportedAndRefused) {
    lib_crc_calculator_t calc;
    bits_t checksum{9};
    report_capture_t capture;
    EXPECT_FALSE(calc.deal_crc_calculation(bits_of("10"), checksum));
    EXPECT_TRUE(capture.contains("Error : Origin bit sequence is too short to calculate CRC codes!\nFrom line "));
    EXPECT_TRUE(checksum.empty());
    EXPECT_FALSE(calc.deal_crc_calculation({1, 0, 2, 1}, checksum));
    EXPECT_TRUE(capture.contains("Error : Bit Data Error!\n"));
    EXPECT_FALSE(calc.deal_crc_check({1, 0, 0, 0, 1, 0, 5}));
    EXPECT_FALSE(calc.deal_crc_check(bits_of("101")));
    EXPECT_TRUE(capture.contains("Error : Input sequence length not enough!\n"));
}

}  // namespace
