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

}  // namespace

TEST(ListParseBasic, SplitNumbersAndBits) {
    std::vector<std::string> pieces;
    lib_common_list_parse_t::split_str("a,,b,", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "b", ""}));

    int i = -1;
    EXPECT_TRUE(lib_common_list_parse_t::str_to_int("  42  ", i));
    EXPECT_EQ(i, 42);
    for (const char* bad : {"", "42x", "2147483648", "1.5"}) {
        i = 7;
        EXPECT_FALSE(lib_common_list_parse_t::str_to_int(bad, i)) << bad;
        EXPECT_EQ(i, 0) << bad;
    }
    float f = 0.0f;
    EXPECT_TRUE(lib_common_list_parse_t::str_to_float(" 1.5 ", f));
    EXPECT_EQ(f, 1.5f);
    EXPECT_FALSE(lib_common_list_parse_t::str_to_float("1e60", f));  // beyond float

    ints bits;
    lib_common_list_parse_t::string_to_bit_list("1 0x1,0 2", bits);
    EXPECT_EQ(bits, (ints{1, 0, 1, 0}));
    std::string text;
    lib_common_list_parse_t::bit_list_to_string({1, 0, 2, -1, 1}, text);
    EXPECT_EQ(text, "101");
}

TEST(IndexList, WorkedExamples) {
    parsed_t p = parse("1:3,5,2:2:8");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.indices, (ints{1, 2, 3, 5, 4, 6, 8}));
    EXPECT_EQ(p.normalized, "1:3,5,2:2:8");
    EXPECT_EQ(parse("10:-3:1").indices, (ints{10, 7, 4, 1}));
    EXPECT_EQ(parse("0:4:8:2").indices, (ints{0, 4, 8, 1, 5, 9}));
    EXPECT_EQ(parse("0:4:8:2:1").indices, (ints{1, 5, 9, 2, 6, 10}));
    // Counting from 1 moves only the non-negative values: blocks {-2,-1}, {-1,0} -> -2,-1,-1,1.
    EXPECT_EQ(parse("-2:1:-1:2:1").indices, (ints{-2, -1, 1}));
    // Duplicates are skipped, and pieces that add nothing leave the normalized text.
    p = parse("1,1,3:1,2");
    EXPECT_EQ(p.indices, (ints{1, 3, 2}));
    EXPECT_EQ(p.normalized, "1,3:1");
    // Block values past the top of int are dropped.
    EXPECT_EQ(parse("2147483646:1:2147483647:2").indices, (ints{2147483646, 2147483647}));

    lib_common_list_parse_t::string_to_index_list_in_range("3,15,2:2:14,-4:2", p.indices, p.normalized, 0, 10);
    EXPECT_EQ(p.indices, (ints{3, 2, 4, 6, 8, 10, 0, 1}));
    EXPECT_EQ(p.normalized, "3,2:2:10,0:2");
}

TEST(IndexList, RejectedPiecesAndTheRestStillCount) {
    for (const char* bad : {"5:1:5", "1:0:5", "0:1:2:0", "1:x", "", "0:2000000000"}) {
        report_capture_t out;
        EXPECT_FALSE(parse(bad).ok) << bad;
        EXPECT_EQ(out.text(), "") << bad;
    }
    report_capture_t out;
    const parsed_t p = parse("7,1:2:3:4:5:6,9");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.indices, (ints{7, 9}));
    EXPECT_EQ(p.normalized, "7,9");
    EXPECT_EQ(out.text(), "cfg_custom_ofdm_common_t::_get_integer_list Report : Unknown Index List String Format!\n");
}

TEST(IndexList, PrinterUsesTheShortestRunsAndReadsBack) {
    std::string text;
    lib_common_list_parse_t::index_list_to_string({1, 2, 3, 4, 7, 9, 11, 20}, text);
    EXPECT_EQ(text, "1:4,7:2:11,20");
    lib_common_list_parse_t::index_list_to_string({5, 4, 3, 10, 7, 4, 1}, text);
    EXPECT_EQ(text, "5:3,10:-3:1");
    lib_common_list_parse_t::index_list_to_string({1, 2, 2, 2}, text);  // step 0 is no run
    EXPECT_EQ(text, "1,2,2,2");

    std::mt19937 rng(20261205);
    std::uniform_int_distribution<int> pick(-50, 50);
    for (int trial = 0; trial < 200; ++trial) {
        ints values;
        const int count = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            const int v = pick(rng);
            if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
        }
        if (trial % 2 == 0) std::sort(values.begin(), values.end());
        lib_common_list_parse_t::index_list_to_string(values, text);
        const parsed_t p = parse(text);
        ASSERT_TRUE(p.ok) << text;
        EXPECT_EQ(p.indices, values) << text;
    }
}

TEST(FrequencyList, UnitLettersSequencesAndRejections) {
    std::vector<double> v;
    EXPECT_TRUE(lib_common_list_parse_t::string_to_frequency_list("2.4G,500k,5H,3m,1k:-500:2", v));
    // 'H' is a letter of "THz", tried first.
    const std::vector<double> expected = {2.4e9, 5e5, 5e12, 3e6, 1000.0, 500.0};
    ASSERT_EQ(v.size(), expected.size());
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_DOUBLE_EQ(v[i], expected[i]) << i;

    EXPECT_FALSE(lib_common_list_parse_t::string_to_frequency_list("2.4GHz", v));  // cut at the last of T,H,Z
    EXPECT_TRUE(v.empty());
    report_capture_t out;
    EXPECT_FALSE(lib_common_list_parse_t::string_to_frequency_list("1:2,3", v));
    EXPECT_EQ(v, (std::vector<double>{3.0}));
    EXPECT_EQ(out.text(), "cfg_custom_ofdm_common_t::_get_freq_list Report : Unknown Frequency List String Format!\n");

    std::string text;
    lib_common_list_parse_t::freq_list_to_string({1.5e9, 1234567.0, 0.5, -2e3, 0.0, 2e12}, text);
    EXPECT_EQ(text, "1.5GHz,1.23MHz,0.5Hz,-2kHz,0Hz,2THz");
}

TEST(ComplexList, PairsOfParts) {
    std::vector<std::complex<float>> v;
    EXPECT_TRUE(lib_common_list_parse_t::string_to_complex_list("1,2, 3.5,-4", v));
    EXPECT_EQ(v, (std::vector<std::complex<float>>{{1.0f, 2.0f}, {3.5f, -4.0f}}));
    for (const char* bad : {"1,2,3", "1,x"}) {
        EXPECT_FALSE(lib_common_list_parse_t::string_to_complex_list(bad, v)) << bad;
        EXPECT_TRUE(v.empty()) << bad;
    }
    std::string text;
    lib_common_list_parse_t::complex_list_to_string({{1.0f, 2.0f}, {0.123f, -4.56f}}, text);
    EXPECT_EQ(text, "1,2,0.12,-4.6");
}
