// The configuration dump: every setting and derived layout value as labelled lines, then the
// maps the pipeline will use, so an offline script can check the frame the analyser believed in.
// The labels keep their historic padding; scripts match on them.
#include <cstdio>
#include <memory>
#include <string>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

struct file_closer_t {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int count_of(const std::vector<int>& values) { return static_cast<int>(values.size()); }
int count_of(const std::vector<float>& values) { return static_cast<int>(values.size()); }

}  // namespace

bool lib_ofdm_demod_common_t::write_ofdm_cfg_para_to_csv(const lib_ofdm_config_manager_t& cfg) {
    const std::string dir = cfg.get_load_address() + "/cfgResult";
    std::unique_ptr<std::FILE, file_closer_t> file(std::fopen((dir + "/result.csv").c_str(), "w"));
    if (!file) {
        std::perror("Open file error.\n");
        return false;
    }
    std::FILE* out = file.get();
    char line[k_dump_line_bytes];
    const auto put = [&](const char* label, const auto& value) {
        _data_join(label, value, line);
        std::fprintf(out, "%s\n", line);
    };
    const auto put_list = [&](const char* label, const auto& values) {
        _data_join(label, values, count_of(values), line);
        std::fprintf(out, "%s\n", line);
    };

    // Settings as the host gave them.
    put("m_standard  ", static_cast<int>(cfg.get_standard()));
    put("m_system_sample_rate  ", cfg.get_system_sample_rate());
    put("m_fft_length  ", cfg.get_fft_length());
    put("m_guard_low_subcarr  ", cfg.get_guard_low_subcarr());
    put("m_guard_up_subcarr  ", cfg.get_guard_up_subcarr());
    put("m_half_subcarrier_shift  ", cfg.get_half_subcarrier_shift());
    put_list("m_guard_interval_per_symbol  ", cfg.get_guard_interval_per_symbol());
    put("m_guard_interval_repeat_index  ", cfg.get_guard_interval_repeat_index());
    put_list("m_time_gaps  ", cfg.get_time_gaps());
    put("m_time_gaps_repeat_index  ", cfg.get_time_gaps_repeat_index());
    put("m_dft_spread  ", cfg.get_dft_spread());
    put("m_transmitter_window_beta  ", cfg.get_transmitter_window_beta());
    const std::vector<lib_ofdm_res_info_t>& entries = cfg.get_resource_mapping_vct();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        _data_join(static_cast<int>(i + 1), entries[i], line);
        std::fprintf(out, "%s\n", line);
    }
    put("m_user_boosting  ", cfg.get_user_boosting());
    put("m_equalizer  ", cfg.get_equalizer());
    put("m_tracking  ", cfg.get_tracking());
    put("m_filter  ", cfg.get_filter());
    put("m_symbol_timing_adjustment  ", cfg.get_symbol_timing_adjustment());
    put("m_synchronization_mode  ", static_cast<int>(cfg.get_synchronization_mode()));
    put("m_analy_symbol_num  ", cfg.get_analy_symbol_num());
    put("m_meas_symbol_num  ", cfg.get_meas_symbol_num());
    put("m_meas_symbol_offset  ", cfg.get_meas_symbol_offset());

    std::fputs("\n\n\n", out);

    // What the manager derived from them.
    put("m_sample_rate  ", cfg.get_sample_rate());
    put("m_include_gurad_sub_carr    ", cfg.get_include_gurad_sub_carr());
    put("m_use_ui_map   ", cfg.get_use_ui_map());
    put("m_subcarr_space    ", cfg.get_subcarr_space());
    put("m_subcarr_num     ", cfg.get_subcarr_num());
    put("m_ofdm_len  ", cfg.get_ofdm_len());
    put_list("m_cp_length_set    ", cfg.get_cp_length_set());
    put_list("m_cp_length_per_sym_vct    ", cfg.get_cp_length_per_sym_vct());
    put_list("m_time_gaps_per_sym_vct    ", cfg.get_time_gaps_per_sym_vct());
    put_list("m_interval_per_sym_vct    ", cfg.get_interval_per_sym_vct());
    put("m_window_half_length     ", cfg.get_window_half_length());
    put_list("m_preamble_sym_index_vct    ", cfg.get_preamble_sym_index_vct());
    put_list("m_pilot_sym_index_vct    ", cfg.get_pilot_sym_index_vct());
    put_list("m_payload_sym_index_vct    ", cfg.get_payload_sym_index_vct());
    put("m_fft_advance   ", cfg.get_fft_advance());
    file.reset();

    _data_join((dir + "/resource_map.csv").c_str(), cfg.get_resource_map_manager().get_resource_map());
    _data_join((dir + "/resource_mod_map.csv").c_str(),
               cfg.get_resource_mod_map_manager().get_resource_mod_map());
    _data_join((dir + "/ref_resource_data.csv").c_str(),
               cfg.get_ref_resource_data_vct_manager().get_ref_resource_data());
    _data_join((dir + "/preamble_index.csv").c_str(), cfg.get_preamble_index_map());
    _data_join((dir + "/pilot_index.csv").c_str(), cfg.get_pilot_index_map());
    _data_join((dir + "/payload_index.csv").c_str(), cfg.get_payload_index_map());
    return true;
}

}  // namespace vek::ofdm_demod_lib
