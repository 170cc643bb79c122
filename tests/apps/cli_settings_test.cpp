// settings -> edit -> analyze: a frame described in an edited settings file is the frame that
// gets demodulated, not the preset it started from. The frame is the IEEE 802.11 worked-example
// packet (802.11-2016 Annex I): short and long training, SIGNAL (BPSK) and six 16-QAM DATA
// symbols, 11 symbols of 80 samples at 20 MHz.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "cli_run.hpp"

namespace {

using vek::test::json_check_t;
using vek::test::read_text_file;
using vek::test::run_cli;
using vek::test::scratch_dir;
using vek::test::write_text_file;

const std::string k_packet = std::string(VEK_TEST_VECTORS_DIR) + "/wlan_annex_g_packet.txt";

std::string list(int first, int last) {
    std::string s;
    for (int k = first; k <= last; ++k) s += std::to_string(k) + ",";
    return s;
}

// The edits a user makes to the exported WLAN preset for the worked example.
std::string edit_for_worked_example(std::string xml, int data_modulation) {
    auto set_entry = [&xml](const std::string& entry, const std::string& element, const std::string& value) {
        const std::regex re("(<" + entry + ">[\\s\\S]*?<" + element + ">)[^<]*(</" + element + ">)");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(xml, m, re)) << entry << "/" << element;
        xml = m.prefix().str() + m[1].str() + value + m[2].str() + m.suffix().str();
    };
    set_entry("resource_mapping2", "resource_mapping_symbol_set1", list(5, 10));  // DATA symbols
    set_entry("resource_mapping2", "resource_mapping_modulation", std::to_string(data_modulation));
    set_entry("resource_mapping5", "resource_mapping_symbol_set1", list(4, 10));  // pilots from SIGNAL on
    set_entry("time", "analy_symbol_num", "11");
    set_entry("time", "meas_symbol_num", "11");
    return xml;
}

TEST(CliSettings, EditedFrameAnalysesTheWorkedExamplePacket) {
    const auto dir = scratch_dir();
    const auto exported = run_cli(dir, "settings --standard wlan --out wlan.xml");
    ASSERT_EQ(exported.code, 0) << exported.err;
    const std::string preset = read_text_file(dir / "wlan.xml");
    ASSERT_NE(preset.find("<analy_symbol_num>64</analy_symbol_num>"), std::string::npos);
    write_text_file(dir / "annex.xml", edit_for_worked_example(preset, 4));  // 4 = 16-QAM

    const auto r = run_cli(dir, "analyze '" + k_packet + "' --settings annex.xml --json");
    ASSERT_EQ(r.code, 0) << r.err;
    json_check_t j(r.out);
    ASSERT_TRUE(j.parse()) << r.out;
    EXPECT_EQ(j.number("symbols_analysed"), 11.0);
    // The published samples are exact up to their 3-decimal rounding (about -45 dB): any EVM
    // beyond a couple of percent would mean the wrong frame or constellation.
    EXPECT_LT(j.number("payload_evm_rms_percent"), 2.0);
    EXPECT_LT(j.number("pilot_evm_rms_percent"), 2.0);
    EXPECT_NEAR(j.number("freq_error_hz"), 0.0, 20.0);  // the packet has no carrier offset

    // The same file measured as 64-QAM (only the symbol count edited) misses most points: the
    // modulation that counts is the one in the file.
    write_text_file(dir / "annex64.xml", edit_for_worked_example(preset, 6));
    const auto wrong = run_cli(dir, "analyze '" + k_packet + "' --settings annex64.xml --json");
    ASSERT_EQ(wrong.code, 0) << wrong.err;
    json_check_t jw(wrong.out);
    ASSERT_TRUE(jw.parse());
    EXPECT_GT(jw.number("payload_evm_rms_percent"), 8.0);

    // And the preset itself wants 64 symbols: the 880-sample packet is too short for it.
    const auto preset_run = run_cli(dir, "analyze '" + k_packet + "' --standard wlan");
    EXPECT_EQ(preset_run.code, 2);
    EXPECT_NE(preset_run.err.find("shorter than the frame"), std::string::npos) << preset_run.err;
}

TEST(CliSettings, CommittedWorkedExampleSettingsMatchTheEditedExport) {
    const auto dir = scratch_dir();
    ASSERT_EQ(run_cli(dir, "settings --standard wlan --out wlan.xml").code, 0);
    const std::string committed =
        read_text_file(std::string(VEK_CLI_TEST_DATA_DIR) + "/wlan_annex_g_settings.xml");
    EXPECT_EQ(edit_for_worked_example(read_text_file(dir / "wlan.xml"), 4), committed);
    // Re-exporting a settings file reproduces it byte for byte: every value survived the recall.
    ASSERT_EQ(run_cli(dir, "settings --settings '" VEK_CLI_TEST_DATA_DIR
                           "/wlan_annex_g_settings.xml' --out again.xml")
                  .code,
              0);
    EXPECT_EQ(read_text_file(dir / "again.xml"), committed);
}

TEST(CliSettings, GeneratedCustomFrameIsTheOneAnalysed) {
    const auto dir = scratch_dir();
    const std::string settings = "'" VEK_CLI_TEST_DATA_DIR "/wlan_annex_g_settings.xml'";
    // 11 symbols carry a sixth of the preset's training, so at 30 dB the carrier estimate scatters
    // by about 100 Hz; at 50 dB the 20 Hz WLAN tolerance applies again.
    ASSERT_EQ(run_cli(dir, "generate --settings " + settings + " --out custom.csv --snr 50 --cfo 3000").code,
              0);
    const auto r = run_cli(dir, "analyze custom.csv --settings " + settings + " --json");
    ASSERT_EQ(r.code, 0) << r.err;
    json_check_t j(r.out);
    ASSERT_TRUE(j.parse());
    EXPECT_EQ(j.number("symbols_analysed"), 11.0);
    EXPECT_NEAR(j.number("freq_error_hz"), 3000.0, 20.0);
    const double ideal = 100.0 * std::pow(10.0, -50.0 / 20.0);
    EXPECT_NEAR(20.0 * std::log10(j.number("payload_evm_rms_percent") / ideal), 0.0, 1.0);
    // 11 symbols of 80 samples plus idle: far shorter than the 64-symbol preset needs.
    EXPECT_EQ(run_cli(dir, "analyze custom.csv --standard wlan").code, 2);
}

TEST(CliSettings, ExportsEveryPresetWithItsSymbolCount) {
    const auto dir = scratch_dir();
    const std::pair<const char*, const char*> presets[] = {{"wlan", "<analy_symbol_num>64<"},
                                                           {"lte-dl", "<analy_symbol_num>140<"},
                                                           {"lte-ul", "<analy_symbol_num>140<"}};
    for (const auto& [standard, count] : presets) {
        const auto r = run_cli(dir, std::string("settings --standard ") + standard + " --out s.xml");
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string xml = read_text_file(dir / "s.xml");
        EXPECT_NE(xml.find("ProtocolType=\"PLIB_PROTOCOL_OFDM\""), std::string::npos);
        EXPECT_NE(xml.find(count), std::string::npos) << standard;
        // Recalling the export and analysing with it works like the preset.
        EXPECT_EQ(run_cli(dir, "settings --settings s.xml --out s2.xml").code, 0) << standard;
    }
}

}  // namespace
