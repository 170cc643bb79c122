#pragma once
// The complete, validated description of one OFDM frame. Every setter checks its value, stores it
// and recomputes what depends on it (cyclic prefixes per symbol, FFT advance, carrier counts...),
// so a manager is always self-consistent. A refused value changes nothing.
#include <string>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_ref_resource_data_vct_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_map_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_mod_map_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_config_manager_t {
public:
    // The default data directory of an installed analyser; hosts set their own with
    // set_load_address() before set_standard().
    static constexpr const char* k_default_load_address = "/usr/bin/orvanex/data";

    lib_ofdm_config_manager_t();
    lib_ofdm_config_manager_t(const lib_ofdm_config_manager_t&) = default;
    lib_ofdm_config_manager_t& operator=(const lib_ofdm_config_manager_t&) = default;

    // Restores every default (the load address excepted) and re-reads the WLAN reference vectors.
    void init();

    // --- Checked setters: false (and no change) when the value is refused.
    bool set_standard(lib_ofdm_standard_type_t standard);
    bool set_fft_length(int fft_length);
    bool set_guard_low_subcarr(int subcarriers);
    bool set_guard_up_subcarr(int subcarriers);
    bool set_guard_interval_per_symbol(const std::vector<float>& fractions);
    bool set_guard_interval_repeat_index(int repeat_index);
    bool set_time_gaps(const std::vector<int>& gaps_samples);
    bool set_time_gaps_repeat_index(int repeat_index);
    bool set_transmitter_window_beta(float beta);
    bool set_symbol_timing_adjustment(float percent);
    bool set_meas_symbol_num(int symbols);
    bool set_meas_symbol_offset(int symbols);

    // --- Setters that never refuse (all return true).
    bool set_system_sample_rate(float rate_hz);
    bool set_dvx_sample_rate(float rate_hz);
    bool set_file_sample_rate(float rate_hz);
    bool set_sample_rate(float rate_hz);
    bool set_half_subcarrier_shift(bool shift);
    bool set_dft_spread(bool spread);
    bool set_user_boosting(float boost);
    bool set_equalizer(const lib_ofdm_eq_info_t& equalizer);
    bool set_tracking(const lib_ofdm_track_info_t& tracking);
    bool set_filter(const lib_ofdm_filter_info_t& filter);
    bool set_synchronization_mode(lib_ofdm_synchronization_mode_t mode);
    bool set_analy_symbol_num(int symbols);
    bool set_preamble_repeat_index(int repeat_index);
    bool set_pilot_repeat_index(int repeat_index);
    bool set_downsampling_ratio(unsigned int ratio);
    bool set_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& entries);
    bool set_preamble_ref_iq_vct(complex_vector_t values);
    bool set_pilot_ref_iq_vct(complex_vector_t values);
    bool set_include_gurad_sub_carr(bool include);
    bool set_use_ui_map(bool use_ui_map);
    bool set_debug_en(bool enable);
    bool set_load_address(const std::string& directory);

    // --- Map building.
    bool generate_resource_map();
    bool generate_resource_mod_map();
    bool generate_ref_resource_data_vct();
    const lib_ofdm_resource_map_manager_t& get_resource_map_manager() const { return m_resource_map_manager; }
    lib_ofdm_resource_map_manager_t& get_resource_map_manager() { return m_resource_map_manager; }
    const lib_ofdm_resource_mod_map_manager_t& get_resource_mod_map_manager() const { return m_resource_mod_map_manager; }
    lib_ofdm_resource_mod_map_manager_t& get_resource_mod_map_manager() { return m_resource_mod_map_manager; }
    const lib_ofdm_ref_resource_data_vct_manager_t& get_ref_resource_data_vct_manager() const {
        return m_ref_resource_data_vct_manager;
    }
    lib_ofdm_ref_resource_data_vct_manager_t& get_ref_resource_data_vct_manager() {
        return m_ref_resource_data_vct_manager;
    }

    // --- Getters.
    lib_ofdm_standard_type_t get_standard() const { return m_standard; }
    float get_system_sample_rate() const { return m_system_sample_rate; }
    float get_dvx_sample_rate() const { return m_dvx_sample_rate; }
    int get_fft_length() const { return m_fft_length; }
    int get_guard_low_subcarr() const { return m_guard_low_subcarr; }
    int get_guard_up_subcarr() const { return m_guard_up_subcarr; }
    bool get_half_subcarrier_shift() const { return m_half_subcarrier_shift; }
    const std::vector<float>& get_guard_interval_per_symbol() const { return m_guard_interval_per_symbol; }
    int get_guard_interval_repeat_index() const { return m_guard_interval_repeat_index; }
    const std::vector<int>& get_time_gaps() const { return m_time_gaps; }
    int get_time_gaps_repeat_index() const { return m_time_gaps_repeat_index; }
    bool get_dft_spread() const { return m_dft_spread; }
    float get_transmitter_window_beta() const { return m_transmitter_window_beta; }
    const std::vector<lib_ofdm_res_info_t>& get_resource_mapping_vct() const { return m_resource_mapping_vct; }
    float get_user_boosting() const { return m_user_boosting; }
    const lib_ofdm_eq_info_t& get_equalizer() const { return m_equalizer; }
    const lib_ofdm_track_info_t& get_tracking() const { return m_tracking; }
    const lib_ofdm_filter_info_t& get_filter() const { return m_filter; }
    float get_symbol_timing_adjustment() const { return m_symbol_timing_adjustment; }
    lib_ofdm_synchronization_mode_t get_synchronization_mode() const { return m_synchronization_mode; }
    int get_analy_symbol_num() const { return m_analy_symbol_num; }
    int get_meas_symbol_num() const { return m_meas_symbol_num; }
    int get_meas_symbol_offset() const { return m_meas_symbol_offset; }
    int get_preamble_repeat_index() const { return m_preamble_repeat_index; }
    int get_pilot_repeat_index() const { return m_pilot_repeat_index; }
    unsigned int get_downsampling_ratio() const { return m_downsampling_ratio; }
    float get_sample_rate() const { return m_sample_rate; }
    bool get_include_gurad_sub_carr() const { return m_include_gurad_sub_carr; }
    bool get_use_ui_map() const { return m_use_ui_map; }
    float get_subcarr_space() const { return m_subcarr_space; }
    int get_subcarr_num() const { return m_subcarr_num; }
    int get_ofdm_len() const { return m_ofdm_len; }
    const std::vector<int>& get_cp_length_set() const { return m_cp_length_set; }
    const std::vector<int>& get_cp_length_per_sym_vct() const { return m_cp_length_per_sym_vct; }
    const std::vector<int>& get_time_gaps_per_sym_vct() const { return m_time_gaps_per_sym_vct; }
    const std::vector<int>& get_interval_per_sym_vct() const { return m_interval_per_sym_vct; }
    int get_window_half_length() const { return m_window_half_length; }
    const bool_grid_t& get_preamble_index_map() const { return m_preamble_index_map; }
    const bool_grid_t& get_pilot_index_map() const { return m_pilot_index_map; }
    const bool_grid_t& get_payload_index_map() const { return m_payload_index_map; }
    const std::vector<int>& get_preamble_sym_index_vct() const { return m_preamble_sym_index_vct; }
    const std::vector<int>& get_pilot_sym_index_vct() const { return m_pilot_sym_index_vct; }
    const std::vector<int>& get_payload_sym_index_vct() const { return m_payload_sym_index_vct; }
    int get_fft_advance() const { return m_fft_advance; }
    bool get_debug_en() const { return m_debug_en; }
    std::string get_load_address() const { return m_load_address; }
    const complex_vector_t& get_preamble_ref_iq_vct() const { return m_preamble_ref_iq_vct; }
    const complex_vector_t& get_pilot_ref_iq_vct() const { return m_pilot_ref_iq_vct; }
    complex_vector_t get_preamble_ref_iq_vaild() const { return m_preamble_ref_iq_vct; }
    complex_vector_t get_pilot_ref_iq() const { return m_pilot_ref_iq_vct; }

    // --- Equality: every parameter, derived member and owned builder (floats as floats).
    static bool is_equal(const lib_ofdm_config_manager_t& a, const lib_ofdm_config_manager_t& b);
    bool operator==(const lib_ofdm_config_manager_t& other) const { return is_equal(*this, other); }
    bool operator!=(const lib_ofdm_config_manager_t& other) const { return !is_equal(*this, other); }

private:
    // Presets (lib_ofdm_presets.cpp).
    bool preset_to_test_model();
    void _protocol_preset_wifi();
    void _protocol_preset_lte_dl();
    void _protocol_preset_lte_ul();

    // Entry cleaning.
    void _sanitize_symbol_indices(lib_ofdm_res_info_t& entry) const;
    void _adjust_subcarrier_positions(lib_ofdm_res_info_t& entry) const;
    void _clean_resource_entries();

    // Derived layout (lib_ofdm_symbol_layout.cpp).
    void _generate_sample_rate();
    void _generate_include_gurad_sub_carr();
    void _generate_use_ui_map();
    void _generate_subcarr_space();
    void _generate_subcarr_num();
    void _generate_ofdm_len();
    void _generate_window_half_length();
    void _generate_fft_advance();
    void _generate_cp_length_set();
    void _generate_cp_length_per_sym_vct();
    void _generate_time_gaps_per_sym_vct();
    void _generate_interval_per_sym_vct();
    void _generate_preamble_index_map();
    void _generate_pilot_index_map();
    void _generate_payload_index_map();
    void _generate_preamble_sym_index_vct();
    void _generate_pilot_sym_index_vct();
    void _generate_payload_sym_index_vct();
    void _generate_index_map(lib_ofdm_resource_flag_t flag, bool_grid_t& map);
    template <typename builder_t>
    void _hand_map_inputs(builder_t& builder) const;

    void _load_reference_vectors();
    bool _largest_guard_interval(float& largest) const;

    complex_vector_t m_preamble_ref_iq_vct;
    complex_vector_t m_pilot_ref_iq_vct;
    lib_ofdm_standard_type_t m_standard = LIB_OFDM_STANDARD_TYPE_WIFI;
    float m_system_sample_rate = 0.0f;
    float m_dvx_sample_rate = 0.0f;
    int m_fft_length = 0;
    int m_guard_low_subcarr = 0;
    int m_guard_up_subcarr = 0;
    bool m_half_subcarrier_shift = false;
    std::vector<float> m_guard_interval_per_symbol;
    int m_guard_interval_repeat_index = 0;
    std::vector<int> m_time_gaps;
    int m_time_gaps_repeat_index = 0;
    bool m_dft_spread = false;
    float m_transmitter_window_beta = 0.0f;
    std::vector<lib_ofdm_res_info_t> m_resource_mapping_vct;
    float m_user_boosting = 0.0f;
    lib_ofdm_eq_info_t m_equalizer;
    lib_ofdm_track_info_t m_tracking;
    lib_ofdm_filter_info_t m_filter;
    float m_symbol_timing_adjustment = 0.0f;
    lib_ofdm_synchronization_mode_t m_synchronization_mode = LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION;
    int m_analy_symbol_num = 0;
    int m_meas_symbol_num = 0;
    int m_meas_symbol_offset = 0;
    int m_preamble_repeat_index = 0;
    int m_pilot_repeat_index = 0;
    unsigned int m_downsampling_ratio = 0;
    float m_sample_rate = 0.0f;
    bool m_include_gurad_sub_carr = false;
    bool m_use_ui_map = false;
    float m_subcarr_space = 0.0f;
    int m_subcarr_num = 0;
    int m_ofdm_len = 0;
    std::vector<int> m_cp_length_set;
    std::vector<int> m_cp_length_per_sym_vct;
    std::vector<int> m_time_gaps_per_sym_vct;
    std::vector<int> m_interval_per_sym_vct;
    int m_window_half_length = 0;
    bool_grid_t m_preamble_index_map;
    bool_grid_t m_pilot_index_map;
    bool_grid_t m_payload_index_map;
    std::vector<int> m_preamble_sym_index_vct;
    std::vector<int> m_pilot_sym_index_vct;
    std::vector<int> m_payload_sym_index_vct;
    int m_fft_advance = 0;
    lib_ofdm_resource_map_manager_t m_resource_map_manager;
    lib_ofdm_resource_mod_map_manager_t m_resource_mod_map_manager;
    lib_ofdm_ref_resource_data_vct_manager_t m_ref_resource_data_vct_manager;
    bool m_debug_en = false;
    std::string m_load_address;
};

}  // namespace vek::ofdm_demod_lib
