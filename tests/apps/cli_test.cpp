// ofdm-demod run as a user would: each case starts the built executable in a scratch directory;
// plus the tool's atomic output file, linked from its source. Tolerances at 30 dB SNR: frequency
// error within 20 Hz (WLAN, 312.5 kHz subcarriers) or 2 Hz (LTE, 15 kHz) of the truth; payload EVM
// within 1 dB of the ideal 100 * 10^(-SNR/20) %.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "../ofdm_demod_lib/config/scratch_dir.hpp"
#include "atomic_file.hpp"
#include "cli_common.hpp"

namespace {

namespace fs = std::filesystem;

struct cli_result_t {
    int code = -1;
    std::string out, err;
};

std::string read_text_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A fresh directory per test case below VEK_TEST_TMP.
fs::path scratch_dir() { return vek::test::scratch_dir_for_current_test(); }

// `args` is appended to the command line as it stands (the tests quote paths themselves).
cli_result_t run_cli(const fs::path& dir, const std::string& args) {
    const std::string command = "cd '" + dir.string() + "' && '" VEK_CLI_EXE "' " + args + " > '" +
                                (dir / "stdout.txt").string() + "' 2> '" + (dir / "stderr.txt").string() +
                                "'";
    const int status = std::system(command.c_str());
    cli_result_t r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_text_file(dir / "stdout.txt"),
                   read_text_file(dir / "stderr.txt")};
    fs::remove(dir / "stdout.txt");
    fs::remove(dir / "stderr.txt");
    return r;
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void expect_no_temporaries(const fs::path& dir) {
    for (const std::string& name : names_in(dir)) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

// The number after a results-table label ("  Frequency error      826.750 Hz"); NaN if absent.
double table_value(const std::string& out, const std::string& label) {
    const std::size_t at = out.find(label);
    const std::size_t num =
        at == std::string::npos ? at : out.find_first_of("-0123456789", at + label.size());
    return num == std::string::npos ? std::nan("") : std::strtod(out.c_str() + num, nullptr);
}

// The JSON output is one flat object of scalars; its grammar (RFC 8259 strings, numbers and
// literals) is checked here, without tools a fresh machine may lack. Returns the members (NaN for
// those that are not numbers); empty if the text is not such an object.
std::map<std::string, double> parse_json(const std::string& text) {
    static const std::string member =
        R"re(\s*"([a-z0-9_]+)"\s*:\s*("([^"\\\x00-\x1f]|\\["\\/bfnrt]|\\u[0-9a-fA-F]{4})*"|true|false|)re"
        R"re(null|-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?)\s*)re";
    static const std::regex object("\\s*\\{(" + member + "(," + member + ")*)?\\}\\s*"), one(member);
    std::map<std::string, double> members;
    if (!std::regex_match(text, object)) return members;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), one); it != std::sregex_iterator(); ++it) {
        const std::string value = (*it)[2];
        char* end = nullptr;
        const double x = std::strtod(value.c_str(), &end);
        members[(*it)[1]] = end == value.c_str() ? std::nan("") : x;
    }
    return members;
}

// Runs the command with --json and returns its output's members.
std::map<std::string, double> run_json(const fs::path& dir, const std::string& args) {
    const cli_result_t r = run_cli(dir, args + " --json");
    EXPECT_EQ(r.code, 0) << args << "\n" << r.err;
    const auto members = parse_json(r.out);
    EXPECT_FALSE(members.empty()) << args << "\n" << r.out;
    return members;
}

double evm_db_from_ideal(double evm_percent, double snr_db) {
    return 20.0 * std::log10(evm_percent / (100.0 * std::pow(10.0, -snr_db / 20.0)));
}

// The checker must itself refuse what is not JSON, or a broken JSON printer would pass unnoticed.
TEST(CliJsonCheck, RefusesNonJson) {
    const auto good = parse_json(R"( {"a_hz": -1.5e3, "s": "x\"y\u00e9", "n": null, "ok": true} )");
    ASSERT_EQ(good.size(), 4u);
    EXPECT_DOUBLE_EQ(good.at("a_hz"), -1500.0);
    EXPECT_TRUE(std::isnan(good.at("s")) && std::isnan(good.at("n")));
    for (const char* bad :
         {"{", "{\"a\": nan}", "{\"a\": 1,}", "{a: 1}", "{\"a\": 01}", "{\"a\": 1} x", "{\"a\": 1 \"b\": 2}",
          "{\"a\": \"tab\tinside\"}", "{\"a\": .5}", "{\"a\": \"\\x\"}", ""})
        EXPECT_TRUE(parse_json(bad).empty()) << bad;
}

TEST(CliDemo, TableRecoversTheImpairmentsAndLibraryChatterOnlyWithVerbose) {
    const auto dir = scratch_dir();
    const auto r = run_cli(dir, "demo --standard wlan --snr 30 --cfo -4321 --seed 7");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find("NOW IS"), std::string::npos);
    EXPECT_NEAR(table_value(r.out, "Frequency error"), -4321.0, 20.0) << r.out;
    EXPECT_NEAR(evm_db_from_ideal(table_value(r.out, "EVM RMS payload"), 30.0), 0.0, 1.0) << r.out;
    EXPECT_DOUBLE_EQ(table_value(r.out, "Expected payload EVM (%)"), 3.162);  // 100 * 10^(-30/20)
    const auto verbose = run_cli(dir, "demo --verbose");
    ASSERT_EQ(verbose.code, 0) << verbose.err;
    EXPECT_NE(verbose.out.find("NOW IS WIFI"), std::string::npos);

    const auto j = run_json(dir, "demo --standard lte-dl --snr 30 --cfo 838");
    for (const char* key : {"freq_error_hz", "time_offset_ms", "sync_correlation", "channel_power_dbm",
                            "evm_rms_percent", "preamble_evm_rms_percent", "pilot_evm_rms_percent",
                            "payload_evm_rms_percent", "preamble_sinr_db", "pilot_sinr_db", "payload_sinr_db",
                            "mer_db", "symbols_analysed", "symbols_measured", "true_freq_error_hz"})
        EXPECT_EQ(j.count(key), 1u) << key;
    EXPECT_EQ(j.at("symbols_analysed"), 140.0);
    EXPECT_NEAR(j.at("freq_error_hz"), 838.0, 2.0);
}

TEST(CliHelp, EverySubcommandHasHelpAndTheExitCodes) {
    const auto dir = scratch_dir();
    for (const char* cmd : {"demo", "analyze", "generate", "settings"}) {
        const auto r = run_cli(dir, std::string(cmd) + " --help");
        EXPECT_EQ(r.code, 0) << cmd;
        EXPECT_NE(r.out.find(std::string("usage: ofdm-demod ") + cmd), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("exit codes: 0 ok, 1 demodulation failed, 2 bad usage or input"),
                  std::string::npos);
    }
    EXPECT_EQ(run_cli(dir, "--help").code, 0);
    EXPECT_EQ(run_cli(dir, "").code, 2);  // no command at all is a usage error
}

// generate -> analyze through every capture format; the capture's rate arrives whether it travels
// in the file (VSA header) or on the command line.
TEST(CliRoundTrip, AnalysisRecoversTheImpairmentsInEveryFormat) {
    struct {
        const char* standard;
        const char* file;  // the extension selects the format on both sides
        const char* rate;  // capture rate option, "" for the frame's own rate
        bool rate_in_file;
        double cfo_hz, freq_tolerance_hz;
    } const cases[] = {
        {"wlan", "wlan.csv", "", false, -2500.0, 20.0},
        {"wlan", "wlan.m", "", false, -2500.0, 20.0},
        {"lte-dl", "dl.vsa", " --sample-rate 15360000", true, 838.0, 2.0},
        {"lte-dl", "dl.cf32", " --sample-rate 15360000", false, 838.0, 2.0},
        {"lte-ul", "ul.cf32", "", false, 1250.0, 2.0},
    };
    const auto dir = scratch_dir();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string frame = std::string(" --standard ") + c.standard;
        const auto gen = run_cli(dir, "generate" + frame + " --out " + c.file + " --snr 30 --cfo " +
                                          std::to_string(c.cfo_hz) + " --delay 3.25 --seed 11" + c.rate);
        ASSERT_EQ(gen.code, 0) << gen.err;
        EXPECT_NE(gen.out.find(std::string("wrote ") + c.file), std::string::npos);
        const auto j =
            run_json(dir, std::string("analyze ") + c.file + frame + (c.rate_in_file ? "" : c.rate));
        if (*c.rate) {
            EXPECT_NEAR(j.at("sample_rate_hz"), 15360000.0, 1e-3);
        }
        EXPECT_NEAR(j.at("freq_error_hz"), c.cfo_hz, c.freq_tolerance_hz);
        EXPECT_NEAR(evm_db_from_ideal(j.at("payload_evm_rms_percent"), 30.0), 0.0, 1.0);
    }
    expect_no_temporaries(dir);
}

TEST(CliCaptureFiles, VsaHeaderExplicitFormatAndDumpDir) {
    const auto dir = scratch_dir();
    ASSERT_EQ(run_cli(dir, "generate --standard lte-dl --out a.vsa").code, 0);
    // 1 / 7.68 MHz with six significant digits, as the analysis software writes it.
    EXPECT_EQ(
        read_text_file(dir / "a.vsa")
            .rfind(
                "InputZoom,TRUE\nInputCenter,1000000000.0\nInputRefImped,50\nXStart,0\nXDelta,1.30208e-07\n"
                "XDomain,2\nXUnit,Sec\nYUnit,V\nTimeString,2/15/2023 2:10:09 PM\nY\n",
                0),
        0u);

    // An explicit format overrides the extension; read as text the raw floats are refused.
    ASSERT_EQ(run_cli(dir, "generate --standard wlan --out cap.txt --format cf32 --cfo 1000").code, 0);
    EXPECT_NEAR(run_json(dir, "analyze cap.txt --format cf32 --standard wlan").at("freq_error_hz"), 1000.0,
                20.0);
    EXPECT_EQ(run_cli(dir, "analyze cap.txt --format csv --standard wlan").code, 2);

    // --dump-dir receives the library's dumps; without it nothing is dumped near the capture.
    const auto r = run_cli(dir, "analyze cap.txt --format cf32 --standard wlan --dump-dir dumps");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* file :
         {"cfgResult/resource_map.csv", "cfgResult/input_data", "demodResult/evm_result.csv"}) {
        ASSERT_TRUE(fs::exists(dir / "dumps" / file)) << file;
        EXPECT_GT(fs::file_size(dir / "dumps" / file), 0u) << file;
    }
    EXPECT_FALSE(fs::exists(dir / "cfgResult"));
}

// Exports the WLAN preset and makes the edits a user makes for the IEEE 802.11 worked-example
// packet (802.11-2016 Annex I): short and long training, SIGNAL (BPSK) and six DATA symbols, 11
// symbols of 80 samples at 20 MHz.
void write_worked_example_settings(const fs::path& dir, const std::string& file) {
    ASSERT_EQ(run_cli(dir, "settings --standard wlan --out preset.xml").code, 0);
    std::string xml = read_text_file(dir / "preset.xml");
    ASSERT_NE(xml.find("<analy_symbol_num>64</analy_symbol_num>"), std::string::npos);
    auto set_entry = [&xml](const std::string& entry, const std::string& element, const std::string& value) {
        const std::regex re("(<" + entry + ">[\\s\\S]*?<" + element + ">)[^<]*(</" + element + ">)");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(xml, m, re)) << entry << "/" << element;
        xml = m.prefix().str() + m[1].str() + value + m[2].str() + m.suffix().str();
    };
    set_entry("resource_mapping2", "resource_mapping_symbol_set1", "5,6,7,8,9,10,");  // DATA symbols
    set_entry("resource_mapping2", "resource_mapping_modulation", "4");  // 16-QAM, the preset has 64-QAM
    set_entry("resource_mapping5", "resource_mapping_symbol_set1", "4,5,6,7,8,9,10,");  // pilots from SIGNAL
    set_entry("time", "analy_symbol_num", "11");
    set_entry("time", "meas_symbol_num", "11");
    vek::test::write_file(dir / file, xml);
}

// A frame described in an edited settings file is the frame that gets demodulated or generated,
// not the preset it started from.
TEST(CliSettings, EditedFrameIsTheOneAnalysedAndGenerated) {
    const auto dir = scratch_dir();
    const std::string packet = "analyze '" VEK_TEST_VECTORS_DIR "/wlan_annex_g_packet.txt'";
    write_worked_example_settings(dir, "annex.xml");
    // Re-exporting a settings file reproduces it byte for byte: every value survived the recall.
    ASSERT_EQ(run_cli(dir, "settings --settings annex.xml --out again.xml").code, 0);
    EXPECT_EQ(read_text_file(dir / "again.xml"), read_text_file(dir / "annex.xml"));

    const auto j = run_json(dir, packet + " --settings annex.xml");
    EXPECT_EQ(j.at("symbols_analysed"), 11.0);
    // The published samples are exact up to their 3-decimal rounding (about -45 dB): any EVM
    // beyond a couple of percent would mean the wrong frame or constellation (the preset's 64-QAM
    // misses most 16-QAM points: above 8 %).
    EXPECT_LT(j.at("payload_evm_rms_percent"), 2.0);
    EXPECT_LT(j.at("pilot_evm_rms_percent"), 2.0);
    EXPECT_NEAR(j.at("freq_error_hz"), 0.0, 20.0);  // the packet has no carrier offset
    // The preset itself wants 64 symbols: the 880-sample packet is too short for it.
    const auto preset_run = run_cli(dir, packet + " --standard wlan");
    EXPECT_EQ(preset_run.code, 2);
    EXPECT_NE(preset_run.err.find("shorter than the frame"), std::string::npos) << preset_run.err;

    // 11 symbols carry a sixth of the preset's training, so at 30 dB the carrier estimate scatters
    // by about 100 Hz; at 50 dB the 20 Hz WLAN tolerance applies again.
    ASSERT_EQ(run_cli(dir, "generate --settings annex.xml --out custom.csv --snr 50 --cfo 3000").code, 0);
    const auto g = run_json(dir, "analyze custom.csv --settings annex.xml");
    EXPECT_EQ(g.at("symbols_analysed"), 11.0);
    EXPECT_NEAR(g.at("freq_error_hz"), 3000.0, 20.0);
    EXPECT_NEAR(evm_db_from_ideal(g.at("payload_evm_rms_percent"), 50.0), 0.0, 1.0);
}

// Bad input, one or two cases of each kind (capture file, command line, settings file, output
// path): one line on standard error naming the file, the line and the problem, exit code 2,
// nothing on standard output and no output file.
TEST(CliBadInput, ExitsTwoWithAClearMessageAndNoOutputFile) {
    struct {
        const char* file;     // written before the run ("" for none)
        const char* content;  // for settings.xml: "old|new", an edit of the exported WLAN preset
        const char* args;
        const char* message;
    } const cases[] = {
        {"", "", "analyze nothere.csv --standard wlan", "nothere.csv: no such file"},
        {"c.csv", "0.1,0.2\n0.3,abc\n", "analyze c.csv --standard wlan", "c.csv:2: 'abc' is not a number"},
        {"c.m", "0.1+0.2i\n1-infi\n", "analyze c.m --standard wlan", "c.m:2: '-inf' is not a finite number"},
        {"", "", "analyze c.csv --standard wlan --frobnicate", "unknown option '--frobnicate'"},
        {"", "", "generate --standard wlan --out out.csv --snr loud", "option --snr: 'loud' is not a number"},
        {"settings.xml", "<fft_length>64<|<fft_length>63<", "generate --settings settings.xml --out out.csv",
         "settings.xml:7: <fft_length> value '63' was refused"},
        {"settings.xml", "<format>|<format><<", "generate --settings settings.xml --out out.csv",
         "settings.xml:4: not valid XML"},
        {"", "", "generate --standard wlan --out nodir/out.csv", "nodir/out.csv: cannot create the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const auto dir = scratch_dir();
        const std::string edit = c.content;
        if (std::string(c.file) == "settings.xml") {
            ASSERT_EQ(run_cli(dir, "settings --standard wlan --out settings.xml").code, 0);
            std::string xml = read_text_file(dir / c.file);
            const std::size_t bar = edit.find('|'), at = xml.find(edit.substr(0, bar));
            ASSERT_NE(at, std::string::npos) << edit;
            vek::test::write_file(dir / c.file, xml.replace(at, bar, edit.substr(bar + 1)));
        } else if (*c.file != '\0') {
            vek::test::write_file(dir / c.file, edit);
        }
        const auto r = run_cli(dir, c.args);
        EXPECT_EQ(r.code, 2) << r.out << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(dir / "out.csv"));
        expect_no_temporaries(dir);
    }
    // A failed generate keeps the file it would have replaced.
    const auto dir = scratch_dir();
    vek::test::write_file(dir / "keep.csv", "old\n");
    EXPECT_EQ(run_cli(dir, "generate --standard wlan --out keep.csv --sample-rate -5").code, 2);
    EXPECT_EQ(read_text_file(dir / "keep.csv"), "old\n");
}

// A complete write replaces the target in one step; a failed one leaves the old target and no
// temporary.
TEST(AtomicFile, CompleteWriteReplacesTheTargetFailedWriteKeepsIt) {
    using vek::ofdm_demod_cli::cli_error_t;
    using vek::ofdm_demod_cli::write_file_atomically;
    const fs::path dir = scratch_dir();
    vek::test::write_file(dir / "out.csv", "old content that is longer than the new one\n");
    write_file_atomically((dir / "out.csv").string(), "1,2\n");
    EXPECT_EQ(read_text_file(dir / "out.csv"), "1,2\n");
    // The directory does not exist: nothing can be created.
    EXPECT_THROW(write_file_atomically((dir / "missing" / "out.csv").string(), "x"), cli_error_t);
    // The target is a non-empty directory: the rename fails after the temporary was written.
    fs::create_directories(dir / "taken" / "inside");
    EXPECT_THROW(write_file_atomically((dir / "taken").string(), "x"), cli_error_t);
    EXPECT_TRUE(fs::is_directory(dir / "taken" / "inside"));
    EXPECT_THROW(write_file_atomically(dir.string() + "/", "x"), cli_error_t);  // no file name
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"out.csv", "taken"}));
}

// A child writes a large file and is sent SIGTERM or SIGINT at varying moments. Whenever the signal
// lands, the directory afterwards holds either nothing or the complete file: never a truncated
// target, never the temporary.
TEST(AtomicFile, InterruptedWriteLeavesNoPartialFile) {
    const std::string content(32u << 20, 'x');
    for (int attempt = 0; attempt < 12; ++attempt) {
        const fs::path dir = scratch_dir(), target = dir / "capture.cf32";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                vek::ofdm_demod_cli::write_file_atomically(target.string(), content);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(2000 * attempt));
        ::kill(child, attempt % 2 == 0 ? SIGTERM : SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::vector<std::string> names = names_in(dir);
        if (names.empty()) {
            EXPECT_TRUE(WIFSIGNALED(status));
        } else {
            ASSERT_EQ(names, std::vector<std::string>{"capture.cf32"});
            EXPECT_EQ(fs::file_size(target), content.size());
        }
    }
}

}  // namespace
