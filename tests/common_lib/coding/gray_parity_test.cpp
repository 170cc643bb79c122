// Gray code against its defining properties and a bit-serial decoder; parity against a popcount.
#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <vector>

#include "vek/common_lib/coding/lib_gray_code.hpp"
#include "vek/common_lib/coding/lib_odd_even_check.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

using namespace vek::common_lib;
using bits_t = std::vector<std::uint8_t>;

// Bit-serial decode: the top bit is copied, each lower bit is the Gray bit XOR the decoded bit above.
std::uint32_t decode_bit_serial(std::uint32_t gray) {
    std::uint32_t value = gray & 0x80000000u;
    for (int i = 30; i >= 0; --i) value |= (((gray >> i) & 1u) ^ ((value >> (i + 1)) & 1u)) << i;
    return value;
}

TEST(GrayCode, ReflectedCodeRoundTripAndSingleBitSteps) {
    const std::uint32_t expected[8] = {0, 1, 3, 2, 6, 7, 5, 4};
    for (std::uint32_t v = 0; v < 8; ++v) EXPECT_EQ(lib_gray_code_t::decimal_to_gray_code(v), expected[v]);
    std::vector<std::uint32_t> values = {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu, 0xAAAAAAAAu};
    std::mt19937 rng(32);
    for (int i = 0; i < 20000; ++i) values.push_back(static_cast<std::uint32_t>(rng()));
    for (std::uint32_t v : values) {
        const std::uint32_t g = lib_gray_code_t::decimal_to_gray_code(v);
        EXPECT_EQ(lib_gray_code_t::gray_code_to_decimal(g), v) << std::hex << v;
        EXPECT_EQ(lib_gray_code_t::gray_code_to_decimal(v), decode_bit_serial(v)) << std::hex << v;
        // Unsigned wrap makes 0xFFFFFFFF -> 0 a neighbour too: the code is cyclic.
        EXPECT_EQ(std::bitset<32>(g ^ lib_gray_code_t::decimal_to_gray_code(v + 1u)).count(), 1u) << std::hex << v;
    }
}

TEST(OddEvenCheck, ParityBitMatchesPopcountAndCatchesSingleErrors) {
    std::mt19937 rng(7);
    for (auto type : {LIB_ODD_EVEN_CHECK_TYPE_ODD, LIB_ODD_EVEN_CHECK_TYPE_EVEN}) {
        lib_odd_even_check_t parity;
        parity.set_odd_even_check_type(type);
        for (int trial = 0; trial < 200; ++trial) {
            bits_t bits(1 + rng() % 64);
            std::size_t ones = 0;
            for (auto& b : bits) {
                b = static_cast<std::uint8_t>(rng() & 1u);
                ones += b;
            }
            // The appended bit makes the total count of ones even (even parity) or odd.
            const unsigned expected = type == LIB_ODD_EVEN_CHECK_TYPE_EVEN ? ones % 2 : 1 - ones % 2;
            const std::uint8_t bit = parity.deal_parity_bit_calculation(bits);
            ASSERT_EQ(bit, expected);
            bits.push_back(bit);
            EXPECT_TRUE(parity.deal_odd_even_check(bits));
            bits[rng() % bits.size()] ^= 1u;
            EXPECT_FALSE(parity.deal_odd_even_check(bits));
        }
    }
}

TEST(OddEvenCheck, BadInputReportsWithLocation) {
    const lib_odd_even_check_t parity;  // even by default
    EXPECT_EQ(parity.deal_parity_bit_calculation({1, 1, 0}), 0u);
    report_capture_t capture;
    EXPECT_EQ(parity.deal_parity_bit_calculation({}), 0u);
    EXPECT_FALSE(parity.deal_odd_even_check({1, 0, 2, 1}));
    EXPECT_EQ(capture.text(),
              "Error : Origin bit sequence is empty!\n"
              "From line 45 in file ..\\src\\vekCommonLib\\source\\lib_code\\lib_odd_even_check\n"
              "Error : Bit Data Error!\n"
              "From line 52 in file ..\\src\\vekCommonLib\\source\\lib_code\\lib_odd_even_check\n");
}

}  // namespace
