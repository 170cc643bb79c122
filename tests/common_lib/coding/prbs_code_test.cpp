// PRBS generator against sequences built independently from the generator recurrence, against
// first bits worked by hand from ITU-T O.150, and on the m-sequence properties.
//
// Seed convention: the seed is the register content with its most significant bit (bit L-1) the
// oldest sequence bit, so with the register-MSB output the seed appears first, MSB first.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "vek/common_lib/coding/lib_prbs_code.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

using namespace vek::common_lib;
using bits_t = std::vector<std::uint8_t>;
using taps_t = std::vector<std::uint32_t>;

struct standard_t {
    lib_prbs_code_type_t type;
    unsigned length;
    taps_t taps;  // O.150 generator 1 + D^a + D^L as {L, a}
};

const standard_t k_standards[] = {
    {LIB_PRBS_CODE_TYPE_PRBS7, 7, {7, 6}},     {LIB_PRBS_CODE_TYPE_PRBS9, 9, {9, 5}},
    {LIB_PRBS_CODE_TYPE_PRBS11, 11, {11, 9}},  {LIB_PRBS_CODE_TYPE_PRBS15, 15, {15, 14}},
    {LIB_PRBS_CODE_TYPE_PRBS23, 23, {23, 18}}, {LIB_PRBS_CODE_TYPE_PRBS31, 31, {31, 28}},
};

// s[m] = XOR over taps t of s[m - t], started from the seed's L bits (bit L-1 first), on a plain
// growing array. The feedback output is L steps ahead of the register-MSB output.
bits_t expected_output(const taps_t& taps, unsigned length, std::uint64_t seed, std::size_t count,
                       bool feedback = false, bool complement = false) {
    bits_t s;
    for (unsigned i = length; i-- > 0;) s.push_back(static_cast<std::uint8_t>((seed >> i) & 1u));
    while (s.size() < count + length) {
        std::uint8_t bit = 0;
        for (std::uint32_t t : taps) bit ^= s[s.size() - t];
        s.push_back(bit);
    }
    const auto first = s.begin() + (feedback ? length : 0);
    bits_t out(first, first + static_cast<std::ptrdiff_t>(count));
    for (auto& b : out) b ^= complement ? 1u : 0u;
    return out;
}

bits_t bits_of(const std::string& text) {
    bits_t bits;
    for (char c : text) bits.push_back(static_cast<std::uint8_t>(c - '0'));
    return bits;
}

TEST(PrbsCode, FirstBitsWorkedByHand) {
    lib_prbs_code_t prbs;  // PRBS7 from all ones
    EXPECT_EQ(prbs.get_prbs_seed(), 127u);
    bits_t out;
    prbs.generate_prbs_code(out);
    ASSERT_EQ(out.size(), 127u);
    // s[m] = s[m-6] ^ s[m-7] after seven ones: six zeros, 1, five zeros, 1 1.
    EXPECT_EQ(bits_t(out.begin(), out.begin() + 21), bits_of("111111100000010000011"));

    // PRBS9 (1 + D^5 + D^9) after the nine seed ones: 0000 0111 1011 1110.
    prbs.set_prbs_type(LIB_PRBS_CODE_TYPE_PRBS9);
    prbs.set_sequence_output_position(LIB_PRBS_SEQUENCE_OUTPUT_POSITION_FEEDBACK);
    prbs.generate_prbs_code(16, out);
    EXPECT_EQ(out, bits_of("0000011110111110"));
    // O.150 transmits PRBS15 inverted: 14 zeros then a one, inverted.
    prbs.set_prbs_type(LIB_PRBS_CODE_TYPE_PRBS15);
    prbs.set_complement_enable(true);
    prbs.generate_prbs_code(15, out);
    EXPECT_EQ(out, bits_of("111111111111110"));
}

TEST(PrbsCode, StandardTypesFollowTheirGeneratorRecurrence) {
    std::mt19937_64 rng(150);
    for (const auto& std_type : k_standards) {
        for (int variant = 0; variant < 4; ++variant) {
            const bool feedback = (variant & 1) != 0;
            const bool complement = (variant & 2) != 0;
            lib_prbs_code_t prbs;
            prbs.set_prbs_type(std_type.type);
            const std::uint64_t mask = (std::uint64_t{1} << std_type.length) - 1;
            EXPECT_EQ(prbs.get_prbs_seed(), mask);
            const std::uint64_t seed = (rng() & mask) | 1u;
            prbs.set_prbs_seed(seed);
            prbs.set_sequence_output_position(feedback ? LIB_PRBS_SEQUENCE_OUTPUT_POSITION_FEEDBACK
                                                       : LIB_PRBS_SEQUENCE_OUTPUT_POSITION_REGISTER_MSB);
            prbs.set_complement_enable(complement);
            bits_t out;
            const std::uint64_t state = prbs.generate_prbs_code(2000, out);
            EXPECT_EQ(out, expected_output(std_type.taps, std_type.length, seed, 2000, feedback, complement))
                << "PRBS" << std_type.length << " variant " << variant;
            // The final register holds the next L sequence bits, the newest in bit 0.
            const bits_t next = expected_output(std_type.taps, std_type.length, seed, 2000, true);
            std::uint64_t expected_state = 0;
            for (std::size_t k = 2000 - std_type.length; k < 2000; ++k) expected_state = (expected_state << 1) | next[k];
            EXPECT_EQ(state, expected_state);
        }
    }
}

TEST(PrbsCode, MaximalLengthUpTo15Bits) {
    for (const auto& std_type : k_standards) {
        if (std_type.length > 15) continue;
        const unsigned length = std_type.length;
        const std::size_t period = (std::size_t{1} << length) - 1;
        lib_prbs_code_t prbs;
        prbs.set_prbs_type(std_type.type);
        bits_t twice;
        prbs.generate_prbs_code(2 * period, twice);
        bits_t full;
        EXPECT_EQ(prbs.generate_prbs_code(full), prbs.get_prbs_seed()) << "register back at the seed";
        ASSERT_EQ(full.size(), period);
        EXPECT_EQ(static_cast<std::size_t>(std::count(full.begin(), full.end(), 1)), std::size_t{1} << (length - 1));
        // The L-bit windows of one period are every non-zero state once; the next period repeats.
        EXPECT_TRUE(std::equal(full.begin(), full.end(), twice.begin() + static_cast<std::ptrdiff_t>(period)));
        std::vector<int> seen(std::size_t{1} << length, 0);
        for (std::size_t k = 0; k < period; ++k) {
            std::size_t state = 0;
            for (unsigned j = 0; j < length; ++j) state = (state << 1) | twice[k + j];
            ++seen[state];
        }
        EXPECT_EQ(seen[0], 0) << "PRBS" << length;
        EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), static_cast<std::ptrdiff_t>(period));
    }
}

TEST(PrbsCode, SeedIsMaskedToTheRegisterZeroBecomesAllOnesAndUnknownTypesArePrbs7) {
    lib_prbs_code_t prbs;
    report_capture_t capture;
    prbs.set_prbs_type(static_cast<lib_prbs_code_type_t>(9));
    EXPECT_EQ(capture.text(), "lib_prbs_code_t::_get_lfsr_length Report: Error PRBS Type!\n");
    bits_t out;
    prbs.generate_prbs_code(out);
    EXPECT_EQ(out, expected_output({7, 6}, 7, 127, 127));
    prbs.set_prbs_seed(0);
    EXPECT_EQ(prbs.get_prbs_seed(), 127u);
    prbs.set_prbs_seed(128);  // nothing inside the register
    EXPECT_EQ(prbs.get_prbs_seed(), 127u);

    prbs.set_prbs_type(LIB_PRBS_CODE_TYPE_PRBS31);
    const std::uint64_t low = 0x1234567u;
    prbs.set_prbs_seed(low | (std::uint64_t{1} << 40) | (std::uint64_t{1} << 31));
    EXPECT_LT(prbs.generate_prbs_code(300, out), std::uint64_t{1} << 31);
    EXPECT_EQ(out, expected_output({31, 28}, 31, low, 300));
}

TEST(PrbsCode, CustomTaps) {
    const taps_t taps{40, 38, 21, 19};
    lib_prbs_code_t prbs;
    EXPECT_FALSE(prbs.set_prbs_primitive_polynomial(taps)) << "custom flag still clear";
    prbs.set_custom_primitive_polynomial_enable(true);
    for (const taps_t& bad : {taps_t{5, 5, 2}, taps_t{64, 1}}) EXPECT_FALSE(prbs.set_prbs_primitive_polynomial(bad));
    EXPECT_EQ(prbs.get_prbs_primitive_polynomial(), (taps_t{7, 6}));
    EXPECT_TRUE(lib_prbs_code_t::check_primitive_polynomial({63, 1}));

    ASSERT_TRUE(prbs.set_prbs_primitive_polynomial(taps));
    EXPECT_EQ(prbs.get_prbs_seed(), (std::uint64_t{1} << 40) - 1);
    const std::uint64_t seed = 0x9C3E1F00A5ull;
    prbs.set_prbs_seed(seed);
    bits_t out;
    prbs.generate_prbs_code(3000, out);
    EXPECT_EQ(out, expected_output(taps, 40, seed, 3000));

    // 1 + D^2 + D^5 is primitive: period 31.
    ASSERT_TRUE(prbs.set_prbs_primitive_polynomial({5, 2}));
    prbs.generate_prbs_code(out);
    EXPECT_EQ(out, expected_output({5, 2}, 5, 31, 31));

    // Clearing the flag brings back the type's own generator; init() clears it too.
    prbs.set_custom_primitive_polynomial_enable(false);
    prbs.set_prbs_seed_to_default();
    prbs.generate_prbs_code(out);
    EXPECT_EQ(out.size(), 127u);
    prbs.set_custom_primitive_polynomial_enable(true);
    prbs.set_prbs_primitive_polynomial({9, 5});
    prbs.init();
    EXPECT_EQ(prbs.get_prbs_seed(), 127u);
    EXPECT_EQ(prbs.get_prbs_primitive_polynomial(), (taps_t{7, 6}));
}

}  // namespace
