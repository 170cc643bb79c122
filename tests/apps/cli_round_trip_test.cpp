// generate -> analyze through every capture format: the analysis recovers the carrier offset and
// the payload EVM the transmitter and channel put in (same tolerances as the demo), and the
// capture's rate arrives whether it travels in the file (VSA header) or on the command line.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "cli_run.hpp"

namespace {

using vek::test::json_check_t;
using vek::test::run_cli;
using vek::test::scratch_dir;

struct trip_case_t {
    const char* standard;
    const char* file;     // the extension selects the format on both sides
    const char* rate_hz;  // capture rate, "" for the frame's own rate
    bool rate_in_file;    // the reader must take the rate from the file
    double cfo_hz;
    double freq_tolerance_hz;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const trip_case_t& c, std::ostream* os) { *os << c.standard << " " << c.file; }

class CliRoundTrip : public ::testing::TestWithParam<trip_case_t> {};

TEST_P(CliRoundTrip, AnalysisRecoversTheImpairments) {
    const trip_case_t c = GetParam();
    const auto dir = scratch_dir();
    const std::string rate = std::string(c.rate_hz).empty() ? "" : std::string(" --sample-rate ") + c.rate_hz;
    const auto gen =
        run_cli(dir, std::string("generate --standard ") + c.standard + " --out " + c.file +
                         " --snr 30 --cfo " + std::to_string(c.cfo_hz) + " --delay 3.25 --seed 11" + rate);
    ASSERT_EQ(gen.code, 0) << gen.err;
    EXPECT_NE(gen.out.find(std::string("wrote ") + c.file), std::string::npos);
    const std::string analyze_rate = c.rate_in_file ? "" : rate;
    const auto r = run_cli(
        dir, std::string("analyze ") + c.file + " --standard " + c.standard + " --json" + analyze_rate);
    ASSERT_EQ(r.code, 0) << r.err;
    json_check_t j(r.out);
    ASSERT_TRUE(j.parse()) << r.out;
    const double expected_rate =
        std::string(c.rate_hz).empty() ? std::nan("") : std::strtod(c.rate_hz, nullptr);
    if (!std::isnan(expected_rate)) {
        EXPECT_NEAR(j.number("sample_rate_hz"), expected_rate, 1e-3);
    }
    EXPECT_NEAR(j.number("freq_error_hz"), c.cfo_hz, c.freq_tolerance_hz);
    const double ideal = 100.0 * std::pow(10.0, -30.0 / 20.0);
    EXPECT_NEAR(20.0 * std::log10(j.number("payload_evm_rms_percent") / ideal), 0.0, 1.0);
    EXPECT_GT(j.number("symbols_measured"), 0.0);
    // Only the capture and the two captured streams' files are in the directory: no leftovers of
    // the write-then-rename.
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
    }
}

const trip_case_t k_cases[] = {
    {"wlan", "cap.csv", "", false, -2500.0, 20.0},
    {"wlan", "cap.vsa", "", true, -2500.0, 20.0},
    {"wlan", "cap.m", "", false, -2500.0, 20.0},
    {"wlan", "cap.cf32", "", false, -2500.0, 20.0},
    {"lte-dl", "cap.csv", "15360000", false, 838.0, 2.0},
    {"lte-dl", "cap.vsa", "15360000", true, 838.0, 2.0},
    {"lte-dl", "cap.m", "15360000", false, 838.0, 2.0},
    {"lte-dl", "cap.cf32", "15360000", false, 838.0, 2.0},
    {"lte-ul", "cap.vsa", "", true, 1250.0, 2.0},
    {"lte-ul", "cap.cf32", "", false, 1250.0, 2.0},
};

INSTANTIATE_TEST_SUITE_P(Formats, CliRoundTrip, ::testing::ValuesIn(k_cases),
                         [](const ::testing::TestParamInfo<trip_case_t>& info) {
                             std::string n = std::string(info.param.standard) + "_" + info.param.file;
                             for (char& ch : n)
                                 if (ch == '-' || ch == '.') ch = '_';
                             return n;
                         });

TEST(CliCaptureFiles, VsaHeaderCarriesTheSampleInterval) {
    const auto dir = scratch_dir();
    ASSERT_EQ(run_cli(dir, "generate --standard lte-dl --out a.vsa").code, 0);
    const std::string text = vek::test::read_text_file(dir / "a.vsa");
    // 1 / 7.68 MHz with six significant digits, as the analysis software writes it.
    EXPECT_EQ(text.rfind(
                  "InputZoom,TRUE\nInputCenter,1000000000.0\nInputRefImped,50\nXStart,0\nXDelta,1.30208e-07\n"
                  "XDomain,2\nXUnit,Sec\nYUnit,V\nTimeString,2/15/2023 2:10:09 PM\nY\n",
                  0),
              0u);
}

TEST(CliCaptureFiles, ExplicitFormatOverridesTheExtension) {
    const auto dir = scratch_dir();
    ASSERT_EQ(run_cli(dir, "generate --standard wlan --out cap.txt --format cf32 --cfo 1000").code, 0);
    // 8 bytes per sample: it really is raw float32 despite the name.
    EXPECT_EQ(std::filesystem::file_size(dir / "cap.txt") % 8u, 0u);
    const auto r = run_cli(dir, "analyze cap.txt --format cf32 --standard wlan --json");
    ASSERT_EQ(r.code, 0) << r.err;
    json_check_t j(r.out);
    ASSERT_TRUE(j.parse());
    EXPECT_NEAR(j.number("freq_error_hz"), 1000.0, 20.0);
    // Read as text it is garbage, and says so instead of measuring nonsense.
    EXPECT_EQ(run_cli(dir, "analyze cap.txt --format csv --standard wlan").code, 2);
}

TEST(CliCaptureFiles, DumpDirReceivesTheLibraryDumps) {
    const auto dir = scratch_dir();
    ASSERT_EQ(run_cli(dir, "generate --standard wlan --out cap.csv --snr 30").code, 0);
    const auto r = run_cli(dir, "analyze cap.csv --standard wlan --dump-dir dumps");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* file :
         {"cfgResult/resource_map.csv", "cfgResult/input_data", "demodResult/evm_result.csv"}) {
        ASSERT_TRUE(std::filesystem::exists(dir / "dumps" / file)) << file;
        EXPECT_GT(std::filesystem::file_size(dir / "dumps" / file), 0u) << file;
    }
    // Without the option nothing is dumped anywhere near the capture.
    ASSERT_EQ(run_cli(dir, "analyze cap.csv --standard wlan").code, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "cfgResult"));
}

}  // namespace
