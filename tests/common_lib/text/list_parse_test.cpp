// List texts: hand-worked index, frequency, complex and bit lists, their rejections and Report
// lines, and the index-list printer read back by the parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/text/lib_common_list_parse.hpp"

using vek::common_lib::lib_common_list_parse_t;
using vek::common_lib::report_capture_t;
using ints = std::vector<int>;

namespace {

struct parsed_t {
    bool ok;
    ints indices;
    std::string normalized;
};

parsed_t parse(const std::string& text) {
    parsed_t p;
    p.ok = lib_common_list_parse_t::string_to_index_list(text, p.indices, p.normalized);
    return p;
}

parsed_t parse_in_range(const std::string& text, int min_value, int max_value) {
    parsed_t p;
    p.ok = lib_common_list_parse_t::string_to_index_list_in_range(text, p.indices, p.normalized, min_value, max_value);
    return p;
}

}  // namespace

TEST(ListParseBasic, SplitKeepsEmptyPiecesAndCombineJoins) {
    std::vector<std::string> pieces;
    lib_common_list_parse_t::split_str("a,,b,", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "b", ""}));
    lib_common_list_parse_t::split_str("", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{""}));
    lib_common_list_parse_t::split_str("1:2", pieces, ':');
    EXPECT_EQ(pieces, (std::vector<std::string>{"1", "2"}));

    std::string text;
    lib_common_list_parse_t::combine_str({"a", "", "b"}, text);
    EXPECT_EQ(text, "a,,b");
    lib_common_list_parse_t::combine_str({"a", "b"}, text, '\0');
    EXPECT_EQ(text, "ab");
}

TEST(ListParseBasic, StrictNumberConversions) {
    int i = -1;
    EXPECT_TRUE(lib_common_list_parse_t::str_to_int("  42  ", i));
    EXPECT_EQ(i, 42);
    EXPECT_TRUE(lib_common_list_parse_t::str_to_int("-2147483648", i));
    EXPECT_EQ(i, -2147483647 - 1);
    for (const char* bad : {"", "  ", "42x", "4 2", "2147483648", "x1", "1.5"}) {
        i = 7;
        EXPECT_FALSE(lib_common_list_parse_t::str_to_int(bad, i)) << bad;
        EXPECT_EQ(i, 0) << bad;
    }
    float f = 0.0f;
    EXPECT_TRUE(lib_common_list_parse_t::str_to_float(" 1.5 ", f));
    EXPECT_EQ(f, 1.5f);
    EXPECT_FALSE(lib_common_list_parse_t::str_to_float("1.5f", f));
    EXPECT_FALSE(lib_common_list_parse_t::str_to_float("1e60", f));  // beyond float
    double d = 0.0;
    EXPECT_TRUE(lib_common_list_parse_t::str_to_float("-2.5e-3", d));
    EXPECT_EQ(d, -2.5e-3);
    EXPECT_FALSE(lib_common_list_parse_t::str_to_float(".", d));
}

TEST(ListParseBasic, ContentBitsAndUnsignedConversion) {
    EXPECT_FALSE(lib_common_list_parse_t::check_valid_content(""));
    EXPECT_FALSE(lib_common_list_parse_t::check_valid_content("   "));
    EXPECT_TRUE(lib_common_list_parse_t::check_valid_content("  a "));

    ints bits;
    lib_common_list_parse_t::string_to_bit_list("1 0x1,0 2", bits);
    EXPECT_EQ(bits, (ints{1, 0, 1, 0}));
    std::string text;
    lib_common_list_parse_t::bit_list_to_string({1, 0, 2, -1, 1}, text);
    EXPECT_EQ(text, "101");

    std::vector<unsigned int> out;
    lib_common_list_parse_t::integer_list_to_unsigned_list({-1, 3}, out);
    EXPECT_EQ(out, (std::vector<unsigned int>{4294967295u, 3u}));
}

TEST(IndexList, WorkedExamples) {
    parsed_t p = parse("1:3,5,2:2:8");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.indices, (ints{1, 2, 3, 5, 4, 6, 8}));
    EXPECT_EQ(p.normalized, "1:3,5,2:2:8");

    EXPECT_EQ(parse("5:1").indices, (ints{5, 4, 3, 2, 1}));
    EXPECT_EQ(parse("5:5").indices, (ints{5}));
    EXPECT_EQ(parse("10:-3:1").indices, (ints{10, 7, 4, 1}));
    EXPECT_EQ(parse("0:4:8:2").indices, (ints{0, 4, 8, 1, 5, 9}));
    EXPECT_EQ(parse("0:4:8:2:1").indices, (ints{1, 5, 9, 2, 6, 10}));
    // A fifth field other than "1" leaves the values 0-based.
    EXPECT_EQ(parse("0:4:8:2:7").indices, (ints{0, 4, 8, 1, 5, 9}));
    // Counting from 1 moves only the non-negative values: blocks {-2,-1}, {-1,0} -> -2,-1,-1,1.
    EXPECT_EQ(parse("-2:1:-1:2:1").indices, (ints{-2, -1, 1}));
}

TEST(IndexList, DuplicatesAreSkippedAndSilentPiecesLeaveTheNormalizedText) {
    const parsed_t p = parse("1,1,3:1,2");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.indices, (ints{1, 3, 2}));
    EXPECT_EQ(p.normalized, "1,3:1");
}

TEST(IndexList, RejectedPiecesAndTheRestStillCount) {
    for (const char* bad : {"5:1:5", "1:-1:5", "1:0:5", "0:0:8:2", "8:1:0:2", "0:1:2:0", "x", "1:x", "", "1,,2"}) {
        report_capture_t out;
        const parsed_t p = parse(bad);
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_EQ(out.text(), "") << bad;
    }
    EXPECT_EQ(parse("1,,2").indices, (ints{1, 2}));

    report_capture_t out;
    const parsed_t p = parse("7,1:2:3:4:5:6,9");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.indices, (ints{7, 9}));
    EXPECT_EQ(p.normalized, "7,9");
    EXPECT_EQ(out.text(), "cfg_custom_ofdm_common_t::_get_integer_list Report : Unknown Index List String Format!\n");
}

TEST(IndexList, ExpansionsBeyondTheLimitAreRejectedNotAllocated) {
    EXPECT_FALSE(parse("0:2000000000").ok);
    EXPECT_FALSE(parse("0:1:2000000000").ok);
    EXPECT_FALSE(parse("0:1:1000:100000").ok);
    // Block values past the top of int are dropped, the rest kept.
    EXPECT_EQ(parse("2147483646:1:2147483647:2").indices, (ints{2147483646, 2147483647}));
}

TEST(IndexList, InRangeDropsValuesAndClampsTheNormalizedPieces) {
    parsed_t p = parse_in_range("8:12", 0, 10);
    EXPECT_EQ(p.indices, (ints{8, 9, 10}));
    EXPECT_EQ(p.normalized, "8:10");

    p = parse_in_range("3,15,2:2:14,-4:2", 0, 10);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.indices, (ints{3, 2, 4, 6, 8, 10, 0, 1}));
    EXPECT_EQ(p.normalized, "3,2:2:10,0:2");

    p = parse_in_range("0:4:12:2:1", 0, 10);
    EXPECT_EQ(p.indices, (ints{1, 5, 9, 2, 6, 10}));
    EXPECT_EQ(p.normalized, "0:4:10:2:1");
}

TEST(IndexList, PrinterUsesTheShortestRuns) {
    std::string text;
    lib_common_list_parse_t::index_list_to_string({1, 2, 3, 4, 7, 9, 11, 20}, text);
    EXPECT_EQ(text, "1:4,7:2:11,20");
    lib_common_list_parse_t::index_list_to_string({5, 4, 3, 10, 7, 4, 1}, text);
    EXPECT_EQ(text, "5:3,10:-3:1");
    lib_common_list_parse_t::index_list_to_string({1, 2, 2, 2}, text);  // step 0 is no run
    EXPECT_EQ(text, "1,2,2,2");
    lib_common_list_parse_t::index_list_to_string({1, 2}, text);
    EXPECT_EQ(text, "1,2");
    lib_common_list_parse_t::index_list_to_string({}, text);
    EXPECT_EQ(text, "");
}

TEST(IndexList, PrintedListsReadBackToTheSameIndices) {
    std::mt19937 rng(20261205);
    for (int trial = 0; trial < 200; ++trial) {
        ints values;
        std::uniform_int_distribution<int> pick(-50, 50);
        const int count = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            const int v = pick(rng);
            if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
        }
        if (trial % 2 == 0) std::sort(values.begin(), values.end());
        std::string text;
        lib_common_list_parse_t::index_list_to_string(values, text);
        const parsed_t p = parse(text);
        ASSERT_TRUE(p.ok) << text;
        EXPECT_EQ(p.indices, values) << text;
    }
}

TEST(FrequencyList, UnitLettersAndSequences) {
    std::vector<double> v;
    EXPECT_TRUE(lib_common_list_parse_t::string_to_frequency_list("2.4G,500k,5H,1e9,3m", v));
    ASSERT_EQ(v.size(), 5u);
    EXPECT_DOUBLE_EQ(v[0], 2.4e9);
    EXPECT_DOUBLE_EQ(v[1], 5e5);
    EXPECT_DOUBLE_EQ(v[2], 5e12);  // 'H' is a letter of "THz", tried first
    EXPECT_DOUBLE_EQ(v[3], 1e9);
    EXPECT_DOUBLE_EQ(v[4], 3e6);

    EXPECT_TRUE(lib_common_list_parse_t::string_to_frequency_list("1e9:1e6:3,1k:-500:2", v));
    ASSERT_EQ(v.size(), 5u);
    EXPECT_DOUBLE_EQ(v[0], 1e9);
    EXPECT_DOUBLE_EQ(v[1], 1.001e9);
    EXPECT_DOUBLE_EQ(v[2], 1.002e9);
    EXPECT_DOUBLE_EQ(v[3], 1000.0);
    EXPECT_DOUBLE_EQ(v[4], 500.0);

    // Duplicates are kept in frequency lists.
    EXPECT_TRUE(lib_common_list_parse_t::string_to_frequency_list("1k,1000", v));
    EXPECT_EQ(v.size(), 2u);
}

TEST(FrequencyList, Rejections) {
    std::vector<double> v;
    EXPECT_FALSE(lib_common_list_parse_t::string_to_frequency_list("2.4GHz", v));  // cut at the last of T,H,Z
    EXPECT_TRUE(v.empty());
    EXPECT_FALSE(lib_common_list_parse_t::string_to_frequency_list("1e9:1e6:0,7", v));
    EXPECT_EQ(v, (std::vector<double>{7.0}));

    report_capture_t out;
    EXPECT_FALSE(lib_common_list_parse_t::string_to_frequency_list("1:2,3", v));
    EXPECT_EQ(v, (std::vector<double>{3.0}));
    EXPECT_EQ(out.text(), "cfg_custom_ofdm_common_t::_get_freq_list Report : Unknown Frequency List String Format!\n");
}

TEST(FrequencyList, PrinterPicksTheLargestUnitNotAboveTheMagnitude) {
    std::string text;
    lib_common_list_parse_t::freq_list_to_string({1.5e9, 1234567.0, 0.5, -2e3, 0.0, 2e12}, text);
    EXPECT_EQ(text, "1.5GHz,1.23MHz,0.5Hz,-2kHz,0Hz,2THz");
}

TEST(ComplexList, PairsOfParts) {
    std::vector<std::complex<float>> v;
    EXPECT_TRUE(lib_common_list_parse_t::string_to_complex_list("1,2, 3.5,-4", v));
    EXPECT_EQ(v, (std::vector<std::complex<float>>{{1.0f, 2.0f}, {3.5f, -4.0f}}));
    for (const char* bad : {"", "1", "1,2,3", "1,x", "1,2,,"}) {
        EXPECT_FALSE(lib_common_list_parse_t::string_to_complex_list(bad, v)) << bad;
        EXPECT_TRUE(v.empty()) << bad;
    }
    std::string text;
    lib_common_list_parse_t::complex_list_to_string({{1.0f, 2.0f}, {0.123f, -4.56f}}, text);
    EXPECT_EQ(text, "1,2,0.12,-4.6");
}
