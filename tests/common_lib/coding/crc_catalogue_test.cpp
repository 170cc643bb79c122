// Catalogue check values (CRC of the ASCII text "123456789") computed through the calculator's
// settings. Every parameterised model of the usual catalogues (width 1..64, poly, init, refin,
// refout, xorout) maps onto the calculator: init -> preset with the direct algorithm, refout ->
// checksum reversal, xorout -> XOR sequence, refin -> the caller feeds each byte least
// significant bit first. The check values are the published ones, not derived from this code.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <ostream>
#include <random>
#include <string>

#include "crc_test_support.hpp"
#include "vek/common_lib/coding/lib_crc_calculator.hpp"

namespace {

using namespace vek::common_lib;
using crc_test::bits_msb_first;
using crc_test::bits_of_bytes;
using crc_test::bits_t;
using crc_test::crc_model_t;
using crc_test::value_msb_first;

const std::string k_check_text = "123456789";

constexpr std::uint64_t k_ones64 = ~std::uint64_t{0};

const crc_model_t k_catalogue[] = {
    {"CRC-3/GSM", 3, 0x3, 0x0, false, false, 0x7, 0x4},
    {"CRC-3/ROHC", 3, 0x3, 0x7, true, true, 0x0, 0x6},
    {"CRC-5/USB", 5, 0x05, 0x1F, true, true, 0x1F, 0x19},
    {"CRC-8/SMBUS", 8, 0x07, 0x00, false, false, 0x00, 0xF4},
    {"CRC-12/UMTS", 12, 0x80F, 0x000, false, true, 0x000, 0xDAF},
    {"CRC-16/IBM-3740 (CCITT-FALSE)", 16, 0x1021, 0xFFFF, false, false, 0x0000, 0x29B1},
    {"CRC-16/XMODEM", 16, 0x1021, 0x0000, false, false, 0x0000, 0x31C3},
    {"CRC-16/SPI-FUJITSU (AUG-CCITT)", 16, 0x1021, 0x1D0F, false, false, 0x0000, 0xE5CC},
    {"CRC-16/GENIBUS", 16, 0x1021, 0xFFFF, false, false, 0xFFFF, 0xD64E},
    {"CRC-16/KERMIT", 16, 0x1021, 0x0000, true, true, 0x0000, 0x2189},
    {"CRC-16/ARC", 16, 0x8005, 0x0000, true, true, 0x0000, 0xBB3D},
    {"CRC-16/UMTS (BUYPASS)", 16, 0x8005, 0x0000, false, false, 0x0000, 0xFEE8},
    {"CRC-32/ISO-HDLC", 32, 0x04C11DB7, 0xFFFFFFFF, true, true, 0xFFFFFFFF, 0xCBF43926},
    {"CRC-32/BZIP2", 32, 0x04C11DB7, 0xFFFFFFFF, false, false, 0xFFFFFFFF, 0xFC891918},
    {"CRC-32/MPEG-2", 32, 0x04C11DB7, 0xFFFFFFFF, false, false, 0x00000000, 0x0376E6E7},
    {"CRC-32/CKSUM", 32, 0x04C11DB7, 0x00000000, false, false, 0xFFFFFFFF, 0x765E7680},
    {"CRC-32/ISCSI (32C)", 32, 0x1EDC6F41, 0xFFFFFFFF, true, true, 0xFFFFFFFF, 0xE3069283},
    {"CRC-64/ECMA-182", 64, 0x42F0E1EBA9EA3693, 0x0, false, false, 0x0, 0x6C40DF5F0B497347},
    {"CRC-64/XZ", 64, 0x42F0E1EBA9EA3693, k_ones64, true, true, k_ones64, 0x995DC9BBDF1939FA},
};

class CrcCatalogue : public ::testing::TestWithParam<crc_model_t> {};

}  // namespace

namespace crc_test {
// Readable parameter names in failure output instead of a byte dump.
inline void PrintTo(const crc_model_t& m, std::ostream* os) { *os << m.name; }
}  // namespace crc_test

namespace {

TEST_P(CrcCatalogue, CheckValueOfDigitText) {
    const crc_model_t& m = GetParam();
    const lib_crc_calculator_t calc = crc_test::calculator_for(m);
    const bits_t message = bits_of_bytes(k_check_text, m.refin);
    bits_t checksum;
    ASSERT_TRUE(calc.deal_crc_calculation(message, checksum));
    ASSERT_EQ(checksum.size(), m.width);
    EXPECT_EQ(value_msb_first(checksum), m.check) << m.name;

    bits_t word = message;
    word.insert(word.end(), checksum.begin(), checksum.end());
    EXPECT_TRUE(calc.deal_crc_check(word)) << m.name;
}

INSTANTIATE_TEST_SUITE_P(Models, CrcCatalogue, ::testing::ValuesIn(k_catalogue),
                         [](const ::testing::TestParamInfo<crc_model_t>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0' && *c != ' '; ++c) {
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             }
                             return name;
                         });

TEST(CrcCatalogueExtra, ZeroPresetModelsGiveTheSameCheckWithTheNonDirectAlgorithm) {
    // With a zero preset, long division of the augmented message is the same code.
    int models = 0;
    for (const crc_model_t& m : k_catalogue) {
        if (m.init != 0) continue;
        lib_crc_calculator_t calc = crc_test::calculator_for(m);
        calc.set_calculate_method(LIB_CRC_METHOD_NON_DIRECT);
        bits_t checksum;
        ASSERT_TRUE(calc.deal_crc_calculation(bits_of_bytes(k_check_text, m.refin), checksum));
        EXPECT_EQ(value_msb_first(checksum), m.check) << m.name;
        ++models;
    }
    EXPECT_GE(models, 8);
}

TEST(CrcCatalogueExtra, AugmentedCcittWithAllOnesPresetIsSpiFujitsu) {
    // The long-division ("augmented") CRC-CCITT with preset 0xFFFF is the catalogue's
    // CRC-16/SPI-FUJITSU, check 0xE5CC, whereas the register-preset form gives 0x29B1.
    lib_crc_calculator_t calc;
    calc.set_crc_generator_polynomial({16, 12, 5, 0});
    calc.set_initial_condition(bits_t(16, 1));
    calc.set_calculate_method(LIB_CRC_METHOD_NON_DIRECT);
    bits_t checksum;
    ASSERT_TRUE(calc.deal_crc_calculation(bits_of_bytes(k_check_text, false), checksum));
    EXPECT_EQ(value_msb_first(checksum), 0xE5CCu);
    calc.set_calculate_method(LIB_CRC_METHOD_DIRECT);
    ASSERT_TRUE(calc.deal_crc_calculation(bits_of_bytes(k_check_text, false), checksum));
    EXPECT_EQ(value_msb_first(checksum), 0x29B1u);
}

// CRC-32 written the other way round: byte-wise, reflected polynomial 0xEDB88320, table driven,
// shifting right (the zlib / IEEE 802.3 formulation).
std::uint32_t crc32_reflected_table(const std::vector<std::uint8_t>& bytes) {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) crc = table[(crc ^ b) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

TEST(CrcCatalogueExtra, Crc32MatchesTableDrivenReflectedFormOnRandomFrames) {
    const lib_crc_calculator_t calc = crc_test::calculator_for(k_catalogue[12]);
    ASSERT_EQ(std::string(k_catalogue[12].name), "CRC-32/ISO-HDLC");
    std::mt19937 rng(802);
    for (int trial = 0; trial < 40; ++trial) {
        std::vector<std::uint8_t> bytes(4 + rng() % 200);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
        const std::string text(bytes.begin(), bytes.end());
        bits_t checksum;
        ASSERT_TRUE(calc.deal_crc_calculation(bits_of_bytes(text, true), checksum));
        EXPECT_EQ(value_msb_first(checksum), crc32_reflected_table(bytes)) << "frame " << trial;
    }
}

}  // namespace
