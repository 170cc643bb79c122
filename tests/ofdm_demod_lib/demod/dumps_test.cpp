// Diagnostic dumps: byte-exact file formats on hand-built inputs, failure reporting, and the
// facade's debug switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

namespace fs = std::filesystem;
using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;

std::string read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A fresh dump directory D with D/cfgResult and D/demodResult for each test.
class dumps_test : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("VEK_TEST_TMP");
        m_dir = fs::path(tmp ? tmp : "/tmp") / "dumps" /
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "cfgResult");
        fs::create_directories(m_dir / "demodResult");
    }
    std::string dir() const { return m_dir.string(); }
    fs::path m_dir;
};

TEST_F(dumps_test, sample_lists_and_transposed_grids) {
    const fs::path path = m_dir / "f";
    common::save_iq_data({{0.5f, -0.25f}, {1.0f, 0.0f}}, path.string());
    EXPECT_EQ(read_file(path), " 0.5000000000\n-0.2500000000\n 1.0000000000\n 0.0000000000\n");

    const std::string p = path.string();
    ASSERT_TRUE(common::_data_join(p.c_str(), int_grid_t{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(read_file(path), "1,4,\n2,5,\n3,6,\n");
    ASSERT_TRUE(common::_data_join(p.c_str(), bool_grid_t{{true, false}, {false, true}, {true, true}}));
    EXPECT_EQ(read_file(path), "1,0,1,\n0,1,1,\n");
    ASSERT_TRUE(common::_data_join(p.c_str(), cell_grid_t{{{1.0f, -0.5f}}, {{0.25f, 2.0f}}}));
    EXPECT_EQ(read_file(path), "(  1.000000+ -0.500000i),(  0.250000+  2.000000i),\n");
    // An empty first row writes nothing; a short middle row leaves an empty field.
    ASSERT_TRUE(common::_data_join(p.c_str(), int_grid_t{{}, {1, 2}}));
    EXPECT_EQ(read_file(path), "");
    ASSERT_TRUE(common::_data_join(p.c_str(), int_grid_t{{1, 2}, {3}, {5, 6}}));
    EXPECT_EQ(read_file(path), "1,3,5,\n2,,6,\n");
}

TEST(dumps_labelled_lines, scalars_vectors_records_and_the_buffer_limit) {
    char line[common::k_dump_line_bytes + 16];
    common::_data_join("m_user_boosting  ", 1.5f, line);
    EXPECT_STREQ(line, "m_user_boosting  ,  1.500000");
    common::_data_join("m_fft_length  ", 64, line);
    EXPECT_STREQ(line, "m_fft_length  ,64");
    // n limits the elements written.
    common::_data_join("g  ", std::vector<float>{0.25f, -1.0f, 7.0f}, 2, line);
    EXPECT_STREQ(line, "g  ,  0.250000, -1.000000,");

    lib_ofdm_eq_info_t eq;
    eq.equalizer_use_preamble = eq.equalizer_use_data = true;
    eq.equalizer_averaging_mode = 2;
    eq.initial_equalizer_symbols = 4;
    common::_data_join("m_equalizer  ", eq, line);
    EXPECT_STREQ(line, "m_equalizer  ,1,0,0,1,2,0,4");

    lib_ofdm_filter_info_t filter;
    filter.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {0.5f, -0.125f};
    filter.arb_coefficients_sample_ratio = 2.0f;
    filter.ws_auto_length = true;
    filter.ws_length = 33;
    filter.ws_window = LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_RECTANGLE;
    filter.ws_pass_bandwidth = 0.75f, filter.ws_transition_bandwidth = 0.0625f;
    common::_data_join("m_filter  ", filter, line);
    EXPECT_STREQ(line, "m_filter  ,1,0.500000 -0.125000 ,2.000000,1,33,2,0.750000,0.062500");

    const lib_ofdm_res_info_t entry{"pilots",        LIB_OFDM_RESOURCE_FLAG_PILOT, {{0, 1}, {2}},
                                    {{-7, 7}, {21}}, LIB_OFDM_MOD_LEVEL_QPSK,      1.25f};
    common::_data_join(3, entry, line);
    EXPECT_STREQ(line, "m_resource_mapping_vct3,pilots,1,0 1 ,2 ,-7 7 ,21 ,2,1.250000");

    // An oversized line is cut at the buffer, nothing written past it.
    std::fill(std::begin(line), std::end(line), 'x');
    common::_data_join("long  ", std::vector<int>(3000, 123), 3000, line);
    EXPECT_EQ(std::string(line).size(), static_cast<std::size_t>(common::k_dump_line_bytes - 1));
    EXPECT_EQ(line[common::k_dump_line_bytes], 'x');
}

TEST_F(dumps_test, result_dump_writes_the_lists_and_labelled_scalars_or_reports_each_failure) {
    lib_ofdm_result_t result;
    result.m_frame_dly = 160;
    result.m_dly_est = -1.5f;
    result.m_freq_error_est = 838.25f;
    result.m_pilot_evm_rms = -100.0f;
    result.m_snr_mer = 99.0f;  // not part of the file
    result.m_channel_power = -12.75f;
    result.m_preamble_ref_iq = {{0.5f, 0.5f}, {0.0f, 0.0f}};
    ASSERT_TRUE(common::save_ofdm_demod_result(result, dir()));
    const fs::path d = m_dir / "demodResult";
    const std::string evm = read_file(d / "evm_result.csv");
    EXPECT_EQ(evm.rfind("m_frame_dly  ,160\nm_ofdm_sync_corr  ,", 0), 0u);
    for (const char* line : {"\nm_dly_est  , -1.500000\n", "\nm_freq_error_est  ,838.250000\n",
                             "\nm_pilot_evm_rms  ,-100.000000\n"})
        EXPECT_NE(evm.find(line), std::string::npos) << line;
    const std::string last = "\nm_channel_power  ,-12.750000\n";
    ASSERT_GT(evm.size(), last.size());
    EXPECT_EQ(evm.substr(evm.size() - last.size()), last);
    EXPECT_EQ(std::count(evm.begin(), evm.end(), '\n'), 19);
    EXPECT_EQ(read_file(d / "preamble_ref_iq"),
              " 0.5000000000\n 0.5000000000\n 0.0000000000\n 0.0000000000\n");
    for (const char* name :
         {"preamble_sample_dat", "pilot_sample_iq", "pilot_ref_iq", "payload_sample_sym", "dat_ref"})
        EXPECT_TRUE(fs::exists(d / name)) << name;

    fs::remove_all(d);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(common::save_ofdm_demod_result(result, dir()));
    const std::string errors = ::testing::internal::GetCapturedStderr();
    std::size_t list_failures = 0;
    for (std::size_t at = 0; (at = errors.find("save_iq_data Open file error.\n", at)) != std::string::npos;
         ++at)
        ++list_failures;
    EXPECT_EQ(list_failures, 6u);
    EXPECT_NE(errors.find("save_ofdm_demod_result Open file error.\n"), std::string::npos);
}

lib_ofdm_config_manager_t wlan_config(const std::string& dump_dir) {
    lib_ofdm_config_manager_t cfg;
    cfg.set_load_address(VEK_TEST_DATA_DIR);
    EXPECT_TRUE(cfg.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI) && cfg.generate_resource_map() &&
                cfg.generate_resource_mod_map() && cfg.generate_ref_resource_data_vct());
    cfg.set_user_boosting(1.5f);
    cfg.set_load_address(dump_dir);
    return cfg;
}

TEST_F(dumps_test, configuration_dump_lists_settings_separator_and_derived_layout) {
    vek::common_lib::report_capture_t quiet;
    const lib_ofdm_config_manager_t cfg = wlan_config(dir());
    ASSERT_TRUE(common::write_ofdm_cfg_para_to_csv(cfg));
    const std::string text = read_file(m_dir / "cfgResult" / "result.csv");
    // Anchors worked by hand for the WLAN frame; the derived layout follows three blank lines.
    EXPECT_EQ(text.rfind("m_standard  ,0\nm_system_sample_rate  ,", 0), 0u);
    EXPECT_NE(text.find("\nm_fft_length  ,64\n"), std::string::npos);
    EXPECT_NE(text.find("\nm_resource_mapping_vct1,"), std::string::npos);
    EXPECT_NE(text.find("\nm_user_boosting  ,  1.500000\n"), std::string::npos);
    EXPECT_NE(text.find("\n\n\n\nm_sample_rate  ,"), std::string::npos);
    EXPECT_NE(text.find("\nm_subcarr_num     ," + std::to_string(cfg.get_subcarr_num()) + "\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1),
              "m_fft_advance   ," + std::to_string(cfg.get_fft_advance()) + "\n");
    for (const char* name : {"resource_map.csv", "resource_mod_map.csv", "ref_resource_data.csv",
                             "pilot_index.csv", "preamble_index.csv", "payload_index.csv"})
        EXPECT_FALSE(read_file(m_dir / "cfgResult" / name).empty()) << name;

    fs::remove_all(m_dir / "cfgResult");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(common::write_ofdm_cfg_para_to_csv(cfg));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Open file error.\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "cfgResult"));
}

// (Without the debug switch nothing is dumped: checked on the command-line tool.)
TEST_F(dumps_test, facade_dumps_with_debug_on_even_when_a_stage_fails) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_config_manager_t cfg = wlan_config(dir());
    const complex_vector_t samples(100, {0.25f, -0.5f});
    cfg.set_debug_en(true);
    lib_ofdm_t demod;
    demod.set_config_manager(cfg);
    EXPECT_TRUE(fs::exists(m_dir / "cfgResult" / "result.csv"));
    demod.set_input_data(samples);
    const std::string input = read_file(m_dir / "cfgResult" / "input_data");
    EXPECT_EQ(input.substr(0, 28), " 0.2500000000\n-0.5000000000\n");
    EXPECT_EQ(input.size(), 2 * 14 * samples.size());

    // No samples at all: the run fails, the result dump still comes.
    lib_ofdm_t failing;
    failing.set_config_manager(cfg);
    failing.set_input_data({});
    EXPECT_FALSE(failing.process());
    EXPECT_EQ(read_file(m_dir / "demodResult" / "evm_result.csv")
                  .rfind("m_frame_dly  ," + std::to_string(failing.get_result_frame_dly()) + "\n", 0),
              0u);
}

}  // namespace
