// ofdm-demod demo for each preset: the measurement recovers the impairments the transmitter put
// in. Tolerances: frequency error within 20 Hz (WLAN, 312.5 kHz subcarriers) or 2 Hz (LTE, 15 kHz)
// of the truth at 30 dB SNR; payload EVM within 1 dB of the ideal 100 * 10^(-SNR/20) %.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cli_run.hpp"

namespace {

using vek::test::run_cli;
using vek::test::scratch_dir;
using vek::test::table_value;

struct demo_case_t {
    const char* standard;
    double cfo_hz;
    double freq_tolerance_hz;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const demo_case_t& c, std::ostream* os) { *os << c.standard; }

class CliDemo : public ::testing::TestWithParam<demo_case_t> {};

TEST_P(CliDemo, RecoversFrequencyErrorAndEvm) {
    const demo_case_t c = GetParam();
    const auto r = run_cli(scratch_dir(), std::string("demo --standard ") + c.standard + " --snr 30 --cfo " +
                                              std::to_string(c.cfo_hz) + " --seed 7");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const double freq = table_value(r.out, "Frequency error");
    const double payload_evm = table_value(r.out, "EVM RMS payload");
    ASSERT_FALSE(std::isnan(freq)) << r.out;
    ASSERT_FALSE(std::isnan(payload_evm)) << r.out;
    EXPECT_NE(r.out.find("EVM RMS (all cells)"), std::string::npos);
    EXPECT_NEAR(freq, c.cfo_hz, c.freq_tolerance_hz);
    const double ideal = 100.0 * std::pow(10.0, -30.0 / 20.0);
    EXPECT_NEAR(20.0 * std::log10(payload_evm / ideal), 0.0, 1.0) << payload_evm << " % vs " << ideal << " %";
    EXPECT_DOUBLE_EQ(table_value(r.out, "Expected payload EVM (%)"), std::round(ideal * 1000.0) / 1000.0);
}

INSTANTIATE_TEST_SUITE_P(Presets, CliDemo,
                         ::testing::Values(demo_case_t{"wlan", -4321.0, 20.0},
                                           demo_case_t{"lte-dl", 838.0, 2.0},
                                           demo_case_t{"lte-ul", -555.0, 2.0}),
                         [](const ::testing::TestParamInfo<demo_case_t>& info) {
                             std::string n = info.param.standard;
                             for (char& ch : n)
                                 if (ch == '-') ch = '_';
                             return n;
                         });

TEST(CliDemoOutput, LibraryChatterOnlyWithVerbose) {
    const auto dir = scratch_dir();
    const auto quiet = run_cli(dir, "demo");
    ASSERT_EQ(quiet.code, 0) << quiet.err;
    EXPECT_EQ(quiet.out.find("NOW IS"), std::string::npos);
    EXPECT_EQ(quiet.out.find("Process _deal"), std::string::npos);
    const auto verbose = run_cli(dir, "demo --verbose");
    ASSERT_EQ(verbose.code, 0) << verbose.err;
    EXPECT_NE(verbose.out.find("NOW IS WIFI"), std::string::npos);
    EXPECT_NE(verbose.out.find("Frequency error"), std::string::npos);
}

TEST(CliDemoOutput, JsonHasTheTableFieldsWithUnits) {
    const auto r = run_cli(scratch_dir(), "demo --standard lte-dl --json");
    ASSERT_EQ(r.code, 0) << r.err;
    vek::test::json_check_t j(r.out);
    ASSERT_TRUE(j.parse()) << r.out;
    for (const char* key : {"freq_error_hz", "time_offset_ms", "sync_correlation", "channel_power_dbm",
                            "evm_rms_percent", "preamble_evm_rms_percent", "pilot_evm_rms_percent",
                            "payload_evm_rms_percent", "preamble_sinr_db", "pilot_sinr_db", "payload_sinr_db",
                            "mer_db", "symbols_analysed", "symbols_measured", "true_freq_error_hz"}) {
        EXPECT_EQ(j.members().count(key), 1u) << key;
    }
    EXPECT_EQ(j.number("symbols_analysed"), 140.0);
    EXPECT_NEAR(j.number("freq_error_hz"), j.number("true_freq_error_hz"), 2.0);
}

TEST(CliHelp, EverySubcommandHasHelpAndExitsZero) {
    const auto dir = scratch_dir();
    for (const char* cmd : {"demo", "analyze", "generate", "settings"}) {
        const auto r = run_cli(dir, std::string(cmd) + " --help");
        EXPECT_EQ(r.code, 0) << cmd;
        EXPECT_NE(r.out.find(std::string("usage: ofdm-demod ") + cmd), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("exit codes: 0 ok, 1 demodulation failed, 2 bad usage or input"),
                  std::string::npos);
    }
    const auto overview = run_cli(dir, "--help");
    EXPECT_EQ(overview.code, 0);
    EXPECT_NE(overview.out.find("analyze"), std::string::npos);
    EXPECT_EQ(run_cli(dir, "").code, 2);  // no command at all is a usage error
}

}  // namespace
