// Test file writers (byte-exact), the recording reader (number layout, limit and bad input; the
// tool reads its recordings through it), value parsing and random vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"

namespace {

namespace fs = std::filesystem;
using vek::common_lib::lib_test_iq_file_t;
using vek::common_lib::lib_test_iq_read_options_t;
using vek::common_lib::lib_test_t;
using cvec = std::vector<std::complex<float>>;

std::string read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const std::string k_header_10 = "h1\nh2\nh3\nh4\nXDelta,2e-06\nh6\nh7\nh8\nh9\nh10\n";

// The writers work below "../data/": each test runs in <tmp>/test_io/<test>/work with a sibling
// data directory, and gets its working directory back afterwards.
class test_io_test : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("VEK_TEST_TMP");
        m_root = fs::path(tmp ? tmp : "/tmp") / "test_io" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_root);
        fs::create_directories(m_root / "work");
        fs::create_directories(m_root / "data");
        m_previous = fs::current_path();
        fs::current_path(m_root / "work");
    }
    void TearDown() override { fs::current_path(m_previous); }
    fs::path data(const std::string& name) const { return m_root / "data" / name; }

    fs::path m_root;
    fs::path m_previous;
};

TEST_F(test_io_test, writers_are_byte_exact) {
    lib_test_t::save_iq_data_for_vsa({{0.5f, -0.25f}, {1.0f, 0.0f}}, 7.68e6, "cap.csv");
    // 1 / 7.68 MHz = 1.30208333...e-07 with six significant digits.
    EXPECT_EQ(read_file(data("cap.csv")),
              "InputZoom,TRUE\nInputCenter,1000000000.0\nInputRefImped,50\nXStart,0\nXDelta,1.30208e-07\n"
              "XDomain,2\nXUnit,Sec\nYUnit,V\nTimeString,2/15/2023 2:10:09 PM\nY\n"
              "0.5,-0.25\n1,0\n");
    // A part just below zero (rounding noise) keeps the '+' and is written by its magnitude.
    lib_test_t::save_iq_data_for_matlab({{1.0f, -2.0f}, {0.0f, -1e-13f}, {-3.0f, 0.125f}}, "m.txt");
    EXPECT_EQ(read_file(data("m.txt")), "1-2i\n0+1e-13i\n-3+0.125i\n");
    lib_test_t::save_data_to_file(cvec{{1.0f / 3.0f, 1234567.0f}}, "c.txt");
    EXPECT_EQ(read_file(data("c.txt")), "0.333333,1.23457e+06\n");
    lib_test_t::save_data_to_file(std::vector<std::uint8_t>{0, 1, 2, 1}, "b.txt");
    EXPECT_EQ(read_file(data("b.txt")), "0\n1\n1\n");

    fs::remove_all(m_root / "data");
    vek::common_lib::report_capture_t lines;
    lib_test_t::save_data_to_file(cvec{{1.0f, 1.0f}}, "c.txt");
    lib_test_t::save_iq_data_for_vsa(cvec{{1.0f, 1.0f}}, 1e6, "v.csv");
    EXPECT_EQ(lines.text(), "save_data_to_file Report : Failed to open file!\nwaveform file output failed!\n");
}

TEST_F(test_io_test, reader_takes_numbers_pairwise_and_stops_at_the_limit) {
    write_file(data("f.csv"), k_header_10 + " +1.5e1\t-2 \r\n\n3 , 4\n5\n");
    lib_test_iq_file_t read;
    std::string error;
    lib_test_iq_read_options_t options;
    options.pad_odd_count = true;
    ASSERT_TRUE(lib_test_t::read_iq_data_for_vsa(data("f.csv").string(), read, error, options)) << error;
    EXPECT_EQ(read.samples, (cvec{{15, -2}, {3, 4}, {5, 0}}));
    EXPECT_DOUBLE_EQ(read.x_delta_s, 2e-6);

    options.max_numbers = 4;
    ASSERT_TRUE(lib_test_t::read_iq_data_for_vsa(data("f.csv").string(), read, error, options)) << error;
    EXPECT_TRUE(read.truncated);
    EXPECT_EQ(read.samples, (cvec{{15, -2}, {3, 4}}));
}

TEST_F(test_io_test, reader_reports_bad_input_with_file_and_line) {
    const auto fails = [&](const std::string& content, const std::string& expected_error) {
        write_file(data("bad.csv"), content);
        lib_test_iq_file_t read;
        read.samples = {{9.0f, 9.0f}};
        std::string error;
        EXPECT_FALSE(lib_test_t::read_iq_data_for_vsa(data("bad.csv").string(), read, error)) << content;
        EXPECT_EQ(error, data("bad.csv").string() + expected_error) << content;
        EXPECT_EQ(read.samples, (cvec{{9.0f, 9.0f}})) << "output replaced on failure";
    };
    fails(k_header_10 + "1,2\n3,abc\n", ":12: 'abc' is not a number");
    fails(k_header_10 + "1,2\n3,4,5\n", ":12: odd count of numbers (5); every sample needs a real and an imaginary part");
    fails(k_header_10 + "1e39,0\n", ":11: '1e39' is not a finite single-precision value");
    fails("a\nb\n", ": only 2 lines; expected 10 header lines before the samples");
}

TEST(test_io_parse, scalars_and_complex_split_rules) {
    std::uint8_t bit = 7;
    EXPECT_TRUE(lib_test_t::_parse_data(" 1", bit));
    EXPECT_EQ(bit, 1);
    EXPECT_FALSE(lib_test_t::_parse_data("2", bit));
    EXPECT_EQ(bit, 0);
    int i = 0;
    EXPECT_TRUE(lib_test_t::_parse_data("-42", i));
    EXPECT_EQ(i, -42);
    EXPECT_FALSE(lib_test_t::_parse_data("4x", i));

    const auto parse = [](const std::string& text, bool expected_ok, std::complex<float> expected) {
        std::complex<float> value{99.0f, 99.0f};
        EXPECT_EQ(lib_test_t::_parse_data(text, value), expected_ok) << text;
        EXPECT_EQ(value, expected) << text;
    };
    parse("1.5 -2", true, {1.5f, -2.0f});
    parse("3\t4", true, {3.0f, 4.0f});
    parse("-1-2", true, {-1.0f, -2.0f});    // one '-' after a leading sign: the imaginary part is negated
    parse("-1e-3+2.5", true, {-0.001f, 2.5f});  // the exponent's '-' does not split
    parse("1-2-3", false, {0.0f, -3.0f});   // two '-': the second splits; "1-2" is no number
    parse("1+2-3", false, {0.0f, 0.0f});    // '+' before '-' is not accepted
    parse("1.5,y", false, {1.5f, 0.0f});    // what parsed is kept
}

TEST(test_io_random, sizes_and_ranges) {
    std::vector<std::uint8_t> bits;
    lib_test_t::generate_random_vector(1000, bits);
    ASSERT_EQ(bits.size(), 1000u);
    const auto ones = std::count(bits.begin(), bits.end(), 1);
    EXPECT_EQ(ones + std::count(bits.begin(), bits.end(), 0), 1000);
    EXPECT_TRUE(ones > 0 && ones < 1000);
    cvec samples;
    lib_test_t::generate_random_vector(1000, samples);
    ASSERT_EQ(samples.size(), 1000u);
    for (const auto& s : samples) {
        for (float part : {s.real(), s.imag()}) {
            ASSERT_TRUE(part >= -0.5f && part < 0.5f) << part;
            ASSERT_FLOAT_EQ(std::round(part * 20000.0f), part * 20000.0f);  // steps of 1/20000
        }
    }
    lib_test_t::generate_random_vector(-5, bits);
    EXPECT_TRUE(bits.empty());
}

}  // namespace
