// Diagnostic dumps: byte-exact file formats on hand-built inputs, failure reporting, and the
// facade's debug switch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

namespace fs = std::filesystem;
using vek::ofdm_demod_lib::bool_grid_t;
using vek::ofdm_demod_lib::cell_grid_t;
using vek::ofdm_demod_lib::complex_vector_t;
using vek::ofdm_demod_lib::int_grid_t;
using vek::ofdm_demod_lib::lib_ofdm_config_manager_t;
using vek::ofdm_demod_lib::lib_ofdm_result_t;
using vek::ofdm_demod_lib::lib_ofdm_t;
using common = vek::ofdm_demod_lib::lib_ofdm_demod_common_t;

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
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::path(tmp ? tmp : "/tmp") / "dumps" / info->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "cfgResult");
        fs::create_directories(m_dir / "demodResult");
    }
    std::string dir() const { return m_dir.string(); }
    fs::path m_dir;
};

// --- Sample lists and grids.

TEST_F(dumps_test, sample_list_prints_real_then_imaginary_in_13_wide_ten_decimals) {
    const fs::path path = m_dir / "iq";
    common::save_iq_data({{0.5f, -0.25f}, {1.0f, 0.0f}}, path.string());
    EXPECT_EQ(read_file(path), " 0.5000000000\n-0.2500000000\n 1.0000000000\n 0.0000000000\n");

    common::save_iq_data({}, path.string());
    EXPECT_EQ(read_file(path), "");
}

TEST_F(dumps_test, grids_are_written_transposed_one_line_per_column) {
    const fs::path path = m_dir / "grid.csv";
    ASSERT_TRUE(common::_data_join(path.string().c_str(), int_grid_t{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(read_file(path), "1,4,\n2,5,\n3,6,\n");

    ASSERT_TRUE(
        common::_data_join(path.string().c_str(), bool_grid_t{{true, false}, {false, true}, {true, true}}));
    EXPECT_EQ(read_file(path), "1,0,1,\n0,1,1,\n");

    ASSERT_TRUE(common::_data_join(path.string().c_str(), cell_grid_t{{{1.0f, -0.5f}}, {{0.25f, 2.0f}}}));
    EXPECT_EQ(read_file(path), "(  1.000000+ -0.500000i),(  0.250000+  2.000000i),\n");
}

TEST_F(dumps_test, malformed_grids_never_read_outside_their_rows) {
    const fs::path path = m_dir / "grid.csv";
    ASSERT_TRUE(common::_data_join(path.string().c_str(), int_grid_t{}));
    EXPECT_EQ(read_file(path), "");
    ASSERT_TRUE(common::_data_join(path.string().c_str(), int_grid_t{{}, {1, 2}}));
    EXPECT_EQ(read_file(path), "");
    // A short middle row leaves an empty field so the last row stays in its column.
    ASSERT_TRUE(common::_data_join(path.string().c_str(), int_grid_t{{1, 2}, {3}, {5, 6}}));
    EXPECT_EQ(read_file(path), "1,3,5,\n2,,6,\n");
}

// --- Labelled lines.

TEST(dumps_labelled_lines, scalars_vectors_and_records) {
    char line[common::k_dump_line_bytes];
    common::_data_join("m_user_boosting  ", 1.5f, line);
    EXPECT_STREQ(line, "m_user_boosting  ,  1.500000");
    common::_data_join("m_fft_length  ", 64, line);
    EXPECT_STREQ(line, "m_fft_length  ,64");
    common::_data_join("m_dft_spread  ", true, line);
    EXPECT_STREQ(line, "m_dft_spread  ,1");
    common::_data_join("m_time_gaps  ", std::vector<int>{0, -3, 12}, 3, line);
    EXPECT_STREQ(line, "m_time_gaps  ,0,-3,12,");
    // n limits the elements written.
    common::_data_join("g  ", std::vector<float>{0.25f, -1.0f, 7.0f}, 2, line);
    EXPECT_STREQ(line, "g  ,  0.250000, -1.000000,");

    vek::ofdm_demod_lib::lib_ofdm_eq_info_t eq;
    eq.equalizer_use_preamble = true;
    eq.equalizer_use_data = true;
    eq.equalizer_averaging_mode = 2;
    eq.initial_equalizer_symbols = 4;
    common::_data_join("m_equalizer  ", eq, line);
    EXPECT_STREQ(line, "m_equalizer  ,1,0,0,1,2,0,4");

    vek::ofdm_demod_lib::lib_ofdm_track_info_t track;
    track.track_phase = true;
    track.track_timing = true;
    common::_data_join("m_tracking  ", track, line);
    EXPECT_STREQ(line, "m_tracking  ,0,0,1,1");

    vek::ofdm_demod_lib::lib_ofdm_filter_info_t filter;
    filter.selection = vek::ofdm_demod_lib::LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {0.5f, -0.125f};
    filter.arb_coefficients_sample_ratio = 2.0f;
    filter.ws_auto_length = true;
    filter.ws_length = 33;
    filter.ws_window = vek::ofdm_demod_lib::LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_RECTANGLE;
    filter.ws_pass_bandwidth = 0.75f;
    filter.ws_transition_bandwidth = 0.0625f;
    common::_data_join("m_filter  ", filter, line);
    EXPECT_STREQ(line, "m_filter  ,1,0.500000 -0.125000 ,2.000000,1,33,2,0.750000,0.062500");
}

TEST(dumps_labelled_lines, resource_entry_lists_every_group_then_level_and_boost) {
    vek::ofdm_demod_lib::lib_ofdm_res_info_t entry;
    entry.name = "pilots";
    entry.type = vek::ofdm_demod_lib::LIB_OFDM_RESOURCE_FLAG_PILOT;
    entry.symbol_set = {{0, 1}, {2}};
    entry.subcarrier_set = {{-7, 7}, {21}};
    entry.modulation = vek::ofdm_demod_lib::LIB_OFDM_MOD_LEVEL_QPSK;
    entry.boost_level = 1.25f;
    char line[common::k_dump_line_bytes];
    common::_data_join(3, entry, line);
    EXPECT_STREQ(line, "m_resource_mapping_vct3,pilots,1,0 1 ,2 ,-7 7 ,21 ,2,1.250000");
}

TEST(dumps_labelled_lines, an_oversized_line_is_cut_at_the_buffer) {
    std::vector<int> values(3000, 123);
    char line[common::k_dump_line_bytes + 16];
    std::fill(std::begin(line), std::end(line), 'x');
    common::_data_join("long  ", values, static_cast<int>(values.size()), line);
    EXPECT_EQ(std::string(line).size(), static_cast<std::size_t>(common::k_dump_line_bytes - 1));
    EXPECT_EQ(line[common::k_dump_line_bytes], 'x');  // nothing written past the buffer
}

// --- Result and input dumps.

TEST_F(dumps_test, result_dump_writes_six_lists_and_the_labelled_scalars) {
    lib_ofdm_result_t result;
    result.m_frame_dly = 160;
    result.m_ofdm_sync_corr = 0.875f;
    result.m_dly_est = -1.5f;
    result.m_time_offset = 0.0625f;
    result.m_freq_error_est = 838.25f;
    result.m_analy_symbol_num = 14;
    result.m_ofdm_vaild_num = 12;
    result.m_preamble_evm_rms = 1.0f;
    result.m_preamble_evm_max = 2.0f;
    result.m_preamble_sinr = 30.5f;
    result.m_pilot_evm_rms = -100.0f;
    result.m_pilot_evm_max = -100.0f;
    result.m_pilot_sinr = 0.0f;
    result.m_payload_evm_rms = 3.0f;
    result.m_payload_evm_max = 4.0f;
    result.m_payload_sinr = 25.0f;
    result.m_evm_rms = 2.5f;
    result.m_evm_max = 4.0f;
    result.m_snr_mer = 99.0f;  // not part of the file
    result.m_channel_power = -12.75f;
    result.m_preamble_sample_data = {{1.0f, -1.0f}};
    result.m_preamble_ref_iq = {{0.5f, 0.5f}, {0.0f, 0.0f}};
    result.m_payload_sample_sym = {};

    ASSERT_TRUE(common::save_ofdm_demod_result(result, dir()));
    const fs::path d = m_dir / "demodResult";
    EXPECT_EQ(read_file(d / "evm_result.csv"),
              "m_frame_dly  ,160\n"
              "m_ofdm_sync_corr  ,  0.875000\n"
              "m_dly_est  , -1.500000\n"
              "m_time_offset  ,  0.062500\n"
              "m_freq_error_est  ,838.250000\n"
              "m_analy_symbol_num  ,14\n"
              "m_ofdm_vaild_num  ,12\n"
              "m_preamble_evm_rms  ,  1.000000\n"
              "m_preamble_evm_max  ,  2.000000\n"
              "m_preamble_sinr  , 30.500000\n"
              "m_pilot_evm_rms  ,-100.000000\n"
              "m_pilot_evm_max  ,-100.000000\n"
              "m_pilot_sinr  ,  0.000000\n"
              "m_payload_evm_rms  ,  3.000000\n"
              "m_payload_evm_max  ,  4.000000\n"
              "m_payload_sinr  , 25.000000\n"
              "m_evm_rms  ,  2.500000\n"
              "m_evm_max  ,  4.000000\n"
              "m_channel_power  ,-12.750000\n");
    EXPECT_EQ(read_file(d / "preamble_sample_dat"), " 1.0000000000\n-1.0000000000\n");
    EXPECT_EQ(read_file(d / "preamble_ref_iq"),
              " 0.5000000000\n 0.5000000000\n 0.0000000000\n 0.0000000000\n");
    EXPECT_EQ(read_file(d / "payload_sample_sym"), "");
    for (const char* name : {"pilot_sample_iq", "pilot_ref_iq", "dat_ref"})
        EXPECT_TRUE(fs::exists(d / name)) << name;
}

TEST_F(dumps_test, unwritable_result_dump_reports_each_file_and_returns_false) {
    fs::remove_all(m_dir / "demodResult");
    ::testing::internal::CaptureStderr();
    const bool written = common::save_ofdm_demod_result(lib_ofdm_result_t{}, dir());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(written);
    std::size_t list_failures = 0;
    for (std::size_t at = errors.find("save_iq_data Open file error.\n"); at != std::string::npos;
         at = errors.find("save_iq_data Open file error.\n", at + 1)) {
        ++list_failures;
    }
    EXPECT_EQ(list_failures, 6u);
    EXPECT_NE(errors.find("save_ofdm_demod_result Open file error.\n"), std::string::npos);
}

TEST_F(dumps_test, input_dump_writes_the_samples_or_warns) {
    common::write_ofdm_cfg_input_data({{0.125f, -2.0f}}, dir());
    EXPECT_EQ(read_file(m_dir / "cfgResult" / "input_data"), " 0.1250000000\n-2.0000000000\n");

    vek::test::log_capture_t log;
    ::testing::internal::CaptureStderr();
    common::write_ofdm_cfg_input_data({{1.0f, 1.0f}}, (m_dir / "missing").string());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("write_ofdm_cfg_input_data Open file error.\n"), std::string::npos);
    EXPECT_TRUE(log.has_message("write_ofdm_cfg_input_data Open file error"));
    ASSERT_FALSE(log.records().empty());
    EXPECT_EQ(log.records().back().level, common_log::LOG_LEVEL_WARN);
}

// --- Configuration dump.

// Independent formatting of the "%10.6f" / "%d" fields, through iostreams.
std::string f10(float value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(6) << std::setw(10) << static_cast<double>(value);
    return text.str();
}
template <typename T>
std::string list(const std::vector<T>& values) {
    std::string text;
    for (const T& v : values) {
        if constexpr (std::is_same_v<T, float>)
            text += f10(v) + ",";
        else
            text += std::to_string(v) + ",";
    }
    return text;
}

lib_ofdm_config_manager_t wlan_config(const std::string& dump_dir) {
    lib_ofdm_config_manager_t cfg;
    cfg.set_load_address(VEK_TEST_DATA_DIR);
    cfg.set_standard(vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_WIFI);
    cfg.generate_resource_map();
    cfg.generate_resource_mod_map();
    cfg.generate_ref_resource_data_vct();
    cfg.set_user_boosting(1.5f);
    cfg.set_load_address(dump_dir);
    return cfg;
}

TEST_F(dumps_test, configuration_dump_lists_settings_separator_and_derived_layout) {
    vek::common_lib::report_capture_t quiet;
    const lib_ofdm_config_manager_t cfg = wlan_config(dir());
    ASSERT_TRUE(common::write_ofdm_cfg_para_to_csv(cfg));
    const std::string text = read_file(m_dir / "cfgResult" / "result.csv");

    // Anchors worked by hand for the WLAN frame.
    EXPECT_EQ(text.rfind("m_standard  ,0\nm_system_sample_rate  ,", 0), 0u);
    EXPECT_NE(text.find("\nm_fft_length  ,64\n"), std::string::npos);
    EXPECT_NE(text.find("\nm_user_boosting  ,  1.500000\n"), std::string::npos);

    std::string expected;
    const auto add = [&](const std::string& line) { expected += line + "\n"; };
    add("m_standard  ," + std::to_string(cfg.get_standard()));
    add("m_system_sample_rate  ," + f10(cfg.get_system_sample_rate()));
    add("m_fft_length  ," + std::to_string(cfg.get_fft_length()));
    add("m_guard_low_subcarr  ," + std::to_string(cfg.get_guard_low_subcarr()));
    add("m_guard_up_subcarr  ," + std::to_string(cfg.get_guard_up_subcarr()));
    add("m_half_subcarrier_shift  ," + std::to_string(cfg.get_half_subcarrier_shift()));
    add("m_guard_interval_per_symbol  ," + list(cfg.get_guard_interval_per_symbol()));
    add("m_guard_interval_repeat_index  ," + std::to_string(cfg.get_guard_interval_repeat_index()));
    add("m_time_gaps  ," + list(cfg.get_time_gaps()));
    add("m_time_gaps_repeat_index  ," + std::to_string(cfg.get_time_gaps_repeat_index()));
    add("m_dft_spread  ," + std::to_string(cfg.get_dft_spread()));
    add("m_transmitter_window_beta  ," + f10(cfg.get_transmitter_window_beta()));
    const auto& entries = cfg.get_resource_mapping_vct();
    ASSERT_FALSE(entries.empty());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        char line[common::k_dump_line_bytes];
        common::_data_join(static_cast<int>(i + 1), entries[i], line);  // checked on its own above
        add(line);
    }
    add("m_user_boosting  ,  1.500000");
    const auto& eq = cfg.get_equalizer();
    add("m_equalizer  ," + std::to_string(eq.equalizer_use_preamble) + "," +
        std::to_string(eq.equalizer_use_pilot) + "," + std::to_string(eq.equalizer_use_dc_pilot) + "," +
        std::to_string(eq.equalizer_use_data) + "," + std::to_string(eq.equalizer_averaging_mode) + "," +
        std::to_string(eq.initial_equalizer_mode) + "," + std::to_string(eq.initial_equalizer_symbols));
    const auto& tr = cfg.get_tracking();
    add("m_tracking  ," + std::to_string(tr.inclulde_data_subcarriers) + "," +
        std::to_string(tr.track_amplitude) + "," + std::to_string(tr.track_phase) + "," +
        std::to_string(tr.track_timing));
    char filter_line[common::k_dump_line_bytes];
    common::_data_join("m_filter  ", cfg.get_filter(), filter_line);
    add(filter_line);
    add("m_symbol_timing_adjustment  ," + f10(cfg.get_symbol_timing_adjustment()));
    add("m_synchronization_mode  ," + std::to_string(cfg.get_synchronization_mode()));
    add("m_analy_symbol_num  ," + std::to_string(cfg.get_analy_symbol_num()));
    add("m_meas_symbol_num  ," + std::to_string(cfg.get_meas_symbol_num()));
    add("m_meas_symbol_offset  ," + std::to_string(cfg.get_meas_symbol_offset()));
    expected += "\n\n\n";
    add("m_sample_rate  ," + f10(cfg.get_sample_rate()));
    add("m_include_gurad_sub_carr    ," + std::to_string(cfg.get_include_gurad_sub_carr()));
    add("m_use_ui_map   ," + std::to_string(cfg.get_use_ui_map()));
    add("m_subcarr_space    ," + f10(cfg.get_subcarr_space()));
    add("m_subcarr_num     ," + std::to_string(cfg.get_subcarr_num()));
    add("m_ofdm_len  ," + std::to_string(cfg.get_ofdm_len()));
    add("m_cp_length_set    ," + list(cfg.get_cp_length_set()));
    add("m_cp_length_per_sym_vct    ," + list(cfg.get_cp_length_per_sym_vct()));
    add("m_time_gaps_per_sym_vct    ," + list(cfg.get_time_gaps_per_sym_vct()));
    add("m_interval_per_sym_vct    ," + list(cfg.get_interval_per_sym_vct()));
    add("m_window_half_length     ," + std::to_string(cfg.get_window_half_length()));
    add("m_preamble_sym_index_vct    ," + list(cfg.get_preamble_sym_index_vct()));
    add("m_pilot_sym_index_vct    ," + list(cfg.get_pilot_sym_index_vct()));
    add("m_payload_sym_index_vct    ," + list(cfg.get_payload_sym_index_vct()));
    add("m_fft_advance   ," + std::to_string(cfg.get_fft_advance()));
    EXPECT_EQ(text, expected);
}

TEST_F(dumps_test, configuration_dump_writes_the_six_grids_transposed) {
    vek::common_lib::report_capture_t quiet;
    const lib_ofdm_config_manager_t cfg = wlan_config(dir());
    ASSERT_TRUE(common::write_ofdm_cfg_para_to_csv(cfg));
    const int_grid_t& map = cfg.get_resource_map_manager().get_resource_map();
    ASSERT_FALSE(map.empty());
    std::string expected;
    for (std::size_t c = 0; c < map[0].size(); ++c) {
        for (const auto& row : map) expected += std::to_string(row[c]) + ",";
        expected += "\n";
    }
    EXPECT_EQ(read_file(m_dir / "cfgResult" / "resource_map.csv"), expected);

    const bool_grid_t& pilots = cfg.get_pilot_index_map();
    ASSERT_FALSE(pilots.empty());
    const std::string pilot_text = read_file(m_dir / "cfgResult" / "pilot_index.csv");
    EXPECT_EQ(static_cast<std::size_t>(std::count(pilot_text.begin(), pilot_text.end(), '\n')),
              pilots[0].size());
    EXPECT_EQ(static_cast<std::size_t>(std::count(pilot_text.begin(), pilot_text.end(), '1')),
              static_cast<std::size_t>(common::find_nonzero_num(pilots)));
    for (const char* name :
         {"resource_mod_map.csv", "ref_resource_data.csv", "preamble_index.csv", "payload_index.csv"}) {
        EXPECT_FALSE(read_file(m_dir / "cfgResult" / name).empty()) << name;
    }
}

TEST_F(dumps_test, configuration_dump_stops_when_result_csv_cannot_be_opened) {
    vek::common_lib::report_capture_t quiet;
    fs::remove_all(m_dir / "cfgResult");
    const lib_ofdm_config_manager_t cfg = wlan_config(dir());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(common::write_ofdm_cfg_para_to_csv(cfg));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Open file error.\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "cfgResult"));
}

// --- The facade's debug switch.

TEST_F(dumps_test, facade_with_debug_off_touches_no_file) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_config_manager_t cfg = wlan_config(dir());
    cfg.set_debug_en(false);
    lib_ofdm_t demod;
    demod.set_config_manager(cfg);
    demod.set_input_data(complex_vector_t(100, {0.1f, 0.0f}));
    demod.process();
    EXPECT_FALSE(demod.get_debug_en());
    EXPECT_EQ(demod.get_dump_address(), lib_ofdm_t::k_default_dump_address);
    EXPECT_TRUE(fs::is_empty(m_dir / "cfgResult"));
    EXPECT_TRUE(fs::is_empty(m_dir / "demodResult"));
}

TEST_F(dumps_test, facade_with_debug_on_dumps_everything_even_when_a_stage_fails) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_config_manager_t cfg = wlan_config(dir());
    cfg.set_debug_en(true);
    lib_ofdm_t demod;
    demod.set_config_manager(cfg);
    EXPECT_EQ(demod.get_dump_address(), dir());
    EXPECT_TRUE(fs::exists(m_dir / "cfgResult" / "result.csv"));
    EXPECT_TRUE(fs::exists(m_dir / "cfgResult" / "payload_index.csv"));

    const complex_vector_t samples(100, {0.25f, -0.5f});
    demod.set_input_data(samples);
    const std::string input = read_file(m_dir / "cfgResult" / "input_data");
    EXPECT_EQ(input.substr(0, 28), " 0.2500000000\n-0.5000000000\n");
    EXPECT_EQ(input.size(), 2 * 14 * samples.size());

    // No samples at all: the run fails (refused input or a failing stage), the dump still comes.
    lib_ofdm_t failing;
    failing.set_config_manager(cfg);
    failing.set_input_data({});
    fs::remove(m_dir / "demodResult" / "evm_result.csv");
    EXPECT_FALSE(failing.process());
    const std::string evm = read_file(m_dir / "demodResult" / "evm_result.csv");
    EXPECT_EQ(evm.rfind("m_frame_dly  ," + std::to_string(failing.get_result_frame_dly()) + "\n", 0), 0u);
    EXPECT_NE(evm.find("m_channel_power  ," + f10(failing.get_result_channel_power()) + "\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(m_dir / "demodResult" / "dat_ref"));
}

TEST_F(dumps_test, an_unwritable_dump_directory_does_not_change_any_result) {
    vek::common_lib::report_capture_t quiet;
    const complex_vector_t samples(100, {0.25f, -0.5f});
    lib_ofdm_config_manager_t plain_cfg = wlan_config(dir());
    lib_ofdm_t plain;
    const bool plain_config = plain.set_config_manager(plain_cfg);
    const bool plain_input = plain.set_input_data(samples);
    const bool plain_process = plain.process();

    lib_ofdm_config_manager_t debug_cfg = wlan_config((m_dir / "does" / "not" / "exist").string());
    debug_cfg.set_debug_en(true);
    lib_ofdm_t debug;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(debug.set_config_manager(debug_cfg), plain_config);
    EXPECT_EQ(debug.set_input_data(samples), plain_input);
    EXPECT_EQ(debug.process(), plain_process);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("save_ofdm_demod_result Open file error."), std::string::npos);
    EXPECT_EQ(debug.get_result_frame_dly(), plain.get_result_frame_dly());
}

}  // namespace
