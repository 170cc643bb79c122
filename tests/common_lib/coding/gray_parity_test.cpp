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

// Bit-serial decode: the top bit is copied, each lower bit is the Gray bit XOR the decoded bit
// above it.
std::uint32_t decode_bit_serial(std::uint32_t gray) {
    std::uint32_t value = gray & 0x80000000u;
    for (int i = 30; i >= 0; --i) {
        const std::uint32_t above = (value >> (i + 1)) & 1u;
        value |= (((gray >> i) & 1u) ^ above) << i;
    }
    return value;
}

std::vector<std::uint32_t> edge_values() {
    std::vector<std::uint32_t> v = {0u,          1u,          2u,          3u,
                                    0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFEu,
                                    0xFFFFFFFFu, 0xAAAAAAAAu, 0x55555555u};
    for (int i = 0; i < 32; ++i) {
        const std::uint32_t p = 1u << i;
        v.insert(v.end(), {p, p - 1u, p + 1u, ~p});
    }
    return v;
}

TEST(GrayCode, FirstCodesAreTheReflectedSequence) {
    const std::uint32_t expected[8] = {0, 1, 3, 2, 6, 7, 5, 4};
    for (std::uint32_t v = 0; v < 8; ++v) EXPECT_EQ(lib_gray_code_t::decimal_to_gray_code(v), expected[v]);
    EXPECT_EQ(lib_gray_code_t::decimal_to_gray_code(0xFFFFFFFFu), 0x80000000u);
    EXPECT_EQ(lib_gray_code_t::gray_code_to_decimal(0x80000000u), 0xFFFFFFFFu);
}

TEST(GrayCode, RoundTripOnEdgeAndRandomValues) {
    std::vector<std::uint32_t> values = edge_values();
    std::mt19937 rng(32);
    for (int i = 0; i < 100000; ++i) values.push_back(static_cast<std::uint32_t>(rng()));
    for (std::uint32_t v : values) {
        const std::uint32_t g = lib_gray_code_t::decimal_to_gray_code(v);
        EXPECT_EQ(lib_gray_code_t::gray_code_to_decimal(g), v) << std::hex << v;
        EXPECT_EQ(lib_gray_code_t::gray_code_to_decimal(v), decode_bit_serial(v)) << std::hex << v;
    }
}

TEST(GrayCode, NeighboursDifferInOneBit) {
    std::vector<std::uint32_t> values = edge_values();
    std::mt19937 rng(33);
    for (int i = 0; i < 100000; ++i) values.push_back(static_cast<std::uint32_t>(rng()));
    for (std::uint32_t v : values) {
        // Unsigned wrap makes 0xFFFFFFFF -> 0 a neighbour too: the code is cyclic.
        const std::uint32_t diff =
            lib_gray_code_t::decimal_to_gray_code(v) ^ lib_gray_code_t::decimal_to_gray_code(v + 1u);
        EXPECT_EQ(std::bitset<32>(diff).count(), 1u) << std::hex << v;
    }
}

TEST(OddEvenCheck, WorkedExamples) {
    lib_odd_even_check_t even;
    EXPECT_EQ(even.get_odd_even_check_type(), LIB_ODD_EVEN_CHECK_TYPE_EVEN);
    EXPECT_EQ(even.deal_parity_bit_calculation({1, 1, 0}), 0u);
    EXPECT_TRUE(even.deal_odd_even_check({1, 1, 0, 0}));
    EXPECT_FALSE(even.deal_odd_even_check({1, 1, 0, 1}));
    lib_odd_even_check_t odd;
    odd.set_odd_even_check_type(LIB_ODD_EVEN_CHECK_TYPE_ODD);
    EXPECT_EQ(odd.deal_parity_bit_calculation({1, 1, 0}), 1u);
    EXPECT_TRUE(odd.deal_odd_even_check({1, 1, 0, 1}));
    EXPECT_FALSE(odd.deal_odd_even_check({1, 1, 0, 0}));
}

TEST(OddEvenCheck, ParityBitMatchesPopcountAndCatchesSingleErrors) {
    std::mt19937 rng(7);
    for (auto type : {LIB_ODD_EVEN_CHECK_TYPE_ODD, LIB_ODD_EVEN_CHECK_TYPE_EVEN}) {
        lib_odd_even_check_t parity;
        parity.set_odd_even_check_type(type);
        for (int trial = 0; trial < 300; ++trial) {
            bits_t bits(1 + rng() % 64);
            std::uint64_t packed = 0;
            for (std::size_t i = 0; i < bits.size(); ++i) {
                bits[i] = static_cast<std::uint8_t>(rng() & 1u);
                packed |= std::uint64_t{bits[i]} << i;
            }
            const std::size_t ones = std::bitset<64>(packed).count();
            // The appended bit makes the total count of ones even (even parity) or odd.
            const unsigned expected = type == LIB_ODD_EVEN_CHECK_TYPE_EVEN
                                          ? static_cast<unsigned>(ones % 2)
                                          : static_cast<unsigned>(1 - ones % 2);
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
    const lib_odd_even_check_t parity;
    {
        report_capture_t capture;
        EXPECT_EQ(parity.deal_parity_bit_calculation({}), 0u);
        EXPECT_EQ(capture.text(),
                  "Error : Origin bit sequence is empty!\n"
                  "From line 45 in file ..\\src\\vekCommonLib\\source\\lib_code\\lib_odd_even_check\n");
    }
    {
        report_capture_t capture;
        EXPECT_FALSE(parity.deal_odd_even_check({1, 0, 2, 1}));
        EXPECT_EQ(capture.text(),
                  "Error : Bit Data Error!\n"
                  "From line 52 in file ..\\src\\vekCommonLib\\source\\lib_code\\lib_odd_even_check\n");
    }
    {
        report_capture_t capture;
        EXPECT_FALSE(parity.deal_odd_even_check({}));
        EXPECT_TRUE(capture.contains("Origin bit sequence is empty!"));
    }
}

}  // namespace
