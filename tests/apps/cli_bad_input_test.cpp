// Bad input: each case gives one message on standard error that names the file (and line) and
// what to do, exit code 2, nothing on standard output and no output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.hpp"

namespace {

using vek::test::read_text_file;
using vek::test::run_cli;
using vek::test::scratch_dir;
using vek::test::write_text_file;

struct bad_case_t {
    const char* name;
    const char* file;  // written before the run ("" for none)
    const char* content;
    const char* args;
    const char* message;  // expected in standard error
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const bad_case_t& c, std::ostream* os) { *os << c.name; }

const std::string k_settings = VEK_CLI_TEST_DATA_DIR "/wlan_annex_g_settings.xml";

class CliBadInput : public ::testing::TestWithParam<bad_case_t> {};

TEST_P(CliBadInput, ExitsTwoWithAClearMessageAndNoOutputFile) {
    const bad_case_t c = GetParam();
    const auto dir = scratch_dir();
    if (std::string(c.file) == "settings.xml") {
        // Settings cases edit the worked-example settings.
        std::string xml = read_text_file(k_settings);
        const std::string edit = c.content;
        const std::size_t bar = edit.find('|');
        const std::size_t at = xml.find(edit.substr(0, bar));
        ASSERT_NE(at, std::string::npos) << edit;
        xml.replace(at, bar, edit.substr(bar + 1));
        write_text_file(dir / c.file, xml);
    } else if (*c.file != '\0') {
        write_text_file(dir / c.file, c.content);
    }
    const auto r = run_cli(dir, c.args);
    EXPECT_EQ(r.code, 2) << r.out << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
    }
}

const bad_case_t k_cases[] = {
    {"missing_capture", "", "", "analyze nothere.csv --standard wlan", "nothere.csv: no such file"},
    {"non_numeric", "c.csv", "0.1,0.2\n0.3,abc\n", "analyze c.csv --standard wlan",
     "c.csv:2: 'abc' is not a number"},
    {"odd_count", "c.csv", "0.1,0.2\n0.3\n", "analyze c.csv --standard wlan",
     "c.csv:2: holds 1 number, expected 2"},
    {"nan", "c.csv", "0.1,0.2\nnan,0\n", "analyze c.csv --standard wlan",
     "c.csv:2: 'nan' is not a finite number"},
    {"inf", "c.m", "0.1+0.2i\n1-infi\n", "analyze c.m --standard wlan",
     "c.m:2: '-inf' is not a finite number"},
    {"empty", "c.csv", "", "analyze c.csv --standard wlan", "c.csv: holds no samples"},
    {"short", "c.csv", "0.1,0.2\n0.3,0.4\n", "analyze c.csv --standard wlan",
     "c.csv: 2 samples at 20000000 Hz are shorter than the frame"},
    {"cf32_truncated", "c.cf32", "abcdefghijk", "analyze c.cf32 --standard wlan",
     "c.cf32: 11 bytes is not a whole number"},
    {"vsa_header_only", "c.vsa", "InputZoom,TRUE\nXDelta,abc\n", "analyze c.vsa --standard wlan --format vsa",
     "c.vsa: only 2 lines; expected 10 header lines"},
    {"vsa_bad_sample", "c.vsa", "InputZoom,TRUE\n2\n3\n4\nXDelta,5e-08\n6\n7\n8\n9\nY\n0.1,0.2\n0.3,x\n",
     "analyze c.vsa --standard wlan", "c.vsa:12: 'x' is not a number"},
    {"unknown_option", "", "", "analyze c.csv --standard wlan --frobnicate", "unknown option '--frobnicate'"},
    {"unknown_command", "", "", "frobnicate", "unknown command 'frobnicate'"},
    {"unknown_standard", "", "", "demo --standard gsm", "unknown standard 'gsm'; use wlan, lte-dl or lte-ul"},
    {"unknown_format", "", "", "generate --standard wlan --out out.csv --format wav", "unknown format 'wav'"},
    {"bad_number_option", "", "", "generate --standard wlan --out out.csv --snr loud",
     "option --snr: 'loud' is not a number"},
    {"missing_value", "", "", "generate --standard wlan --out", "option --out needs a value"},
    {"both_frames", "", "", "generate --standard wlan --settings s.xml --out out.csv",
     "either --standard or --settings"},
    {"no_frame", "", "", "settings --out out.xml", "missing frame"},
    {"out_dir_missing", "", "", "generate --standard wlan --out nodir/out.csv",
     "nodir/out.csv: cannot create the file"},
    {"malformed_list", "settings.xml",
     "<resource_mapping_symbol_set1>5,6,|<resource_mapping_symbol_set1>5,x6,",
     "generate --settings settings.xml --out out.csv",
     "settings.xml:31: <resource_mapping_symbol_set1> '5,x6,"},
    {"refused_value", "settings.xml", "<fft_length>64<|<fft_length>63<",
     "generate --settings settings.xml --out out.csv", "settings.xml:7: <fft_length> value '63' was refused"},
    {"refused_symbol_count", "settings.xml", "<analy_symbol_num>11<|<analy_symbol_num>-3<",
     "settings --settings settings.xml --out out.xml", "<analy_symbol_num> value '-3' was refused"},
    {"not_xml", "settings.xml", "<format>|<format><<", "generate --settings settings.xml --out out.csv",
     "settings.xml:4: not valid XML"},
    {"no_settings_element", "s.xml", "<settings/>", "settings --settings s.xml --out out.xml",
     "s.xml: has no <cfg_ofdm_demod> element"},
};

INSTANTIATE_TEST_SUITE_P(Cases, CliBadInput, ::testing::ValuesIn(k_cases),
                         [](const ::testing::TestParamInfo<bad_case_t>& info) {
                             return std::string(info.param.name);
                         });

TEST(CliBadInputReplace, FailedGenerateKeepsTheOldFile) {
    const auto dir = scratch_dir();
    write_text_file(dir / "keep.csv", "old\n");
    const auto r = run_cli(dir, "generate --standard wlan --out keep.csv --sample-rate -5");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(read_text_file(dir / "keep.csv"), "old\n");
}

}  // namespace
