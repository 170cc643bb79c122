#pragma once
// The settings object a host user interface works with. It owns one configuration manager and
// forwards to it, with three differences a person editing settings expects: repeat indices count
// from 1, a guard interval must be a whole number of samples at the current FFT length, and the
// user-visible part of the frame can be saved to and recalled from an XML node the host owns.
#include <string>
#include <utility>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

namespace pugi {
class xml_node;
}

namespace vek::ofdm_demod_lib {

class cfg_ofdm_t {
public:
    // Starts from the WLAN preset.
    cfg_ofdm_t();
    ~cfg_ofdm_t() = default;
    cfg_ofdm_t(const cfg_ofdm_t&) = default;
    cfg_ofdm_t& operator=(const cfg_ofdm_t&) = default;

    // Back to the WLAN preset (the data directory is kept).
    void reset();

    const lib_ofdm_config_manager_t& get_config_manager() const { return m_config_manager; }

    static bool is_equal(const cfg_ofdm_t& a, const cfg_ofdm_t& b);
    bool operator==(const cfg_ofdm_t& other) const { return is_equal(*this, other); }
    bool operator!=(const cfg_ofdm_t& other) const { return !is_equal(*this, other); }

    // --- XML persistence. Save appends (it never replaces existing children) and returns true.
    // Recall returns false, changing nothing, when the node has no "cfg_ofdm_demod" child; every
    // value goes through the same setter a host would call. A list piece that is not a number
    // raises std::invalid_argument (std::out_of_range when too large) out of recall, leaving the
    // values applied before it in place. Recall does not rebuild the resource maps or the
    // reference data: call the three generate_ operations before handing the frame on. The
    // entries are recalled before the symbol count, so they are first cleaned against the
    // recalled standard's preset symbol count.
    bool save_ofdm_setting(pugi::xml_node& node) const;
    bool recall_ofdm_setting(const pugi::xml_node& node);

    // --- Setters with the holder's own rules.
    // Each fraction must give a whole number of samples at the current FFT length and must not be
    // 0; otherwise false without a message. The manager then checks the range.
    bool set_guard_interval_per_symbol(const std::vector<float>& fractions);
    // 1-based: symbol i (counted from 1) is where the list starts repeating.
    bool set_guard_interval_repeat_index(int repeat_index_1based);
    bool set_time_gaps_repeat_index(int repeat_index_1based);
    int get_guard_interval_repeat_index() const { return m_config_manager.get_guard_interval_repeat_index() + 1; }
    int get_time_gaps_repeat_index() const { return m_config_manager.get_time_gaps_repeat_index() + 1; }

    // --- Forwarded setters.
    bool set_standard(lib_ofdm_standard_type_t standard) { return m_config_manager.set_standard(standard); }
    bool set_fft_length(int fft_length) { return m_config_manager.set_fft_length(fft_length); }
    bool set_guard_low_subcarr(int subcarriers) { return m_config_manager.set_guard_low_subcarr(subcarriers); }
    bool set_guard_up_subcarr(int subcarriers) { return m_config_manager.set_guard_up_subcarr(subcarriers); }
    bool set_time_gaps(const std::vector<int>& gaps_samples) { return m_config_manager.set_time_gaps(gaps_samples); }
    bool set_transmitter_window_beta(float beta) { return m_config_manager.set_transmitter_window_beta(beta); }
    bool set_symbol_timing_adjustment(float percent) { return m_config_manager.set_symbol_timing_adjustment(percent); }
    bool set_meas_symbol_num(int symbols) { return m_config_manager.set_meas_symbol_num(symbols); }
    bool set_meas_symbol_offset(int symbols) { return m_config_manager.set_meas_symbol_offset(symbols); }
    bool set_system_sample_rate(float rate_hz) { return m_config_manager.set_system_sample_rate(rate_hz); }
    bool set_dvx_sample_rate(float rate_hz) { return m_config_manager.set_dvx_sample_rate(rate_hz); }
    bool set_file_sample_rate(float rate_hz) { return m_config_manager.set_file_sample_rate(rate_hz); }
    bool set_sample_rate(float rate_hz) { return m_config_manager.set_sample_rate(rate_hz); }
    bool set_half_subcarrier_shift(bool shift) { return m_config_manager.set_half_subcarrier_shift(shift); }
    bool set_dft_spread(bool spread) { return m_config_manager.set_dft_spread(spread); }
    bool set_user_boosting(float boost) { return m_config_manager.set_user_boosting(boost); }
    bool set_equalizer(const lib_ofdm_eq_info_t& equalizer) { return m_config_manager.set_equalizer(equalizer); }
    bool set_tracking(const lib_ofdm_track_info_t& tracking) { return m_config_manager.set_tracking(tracking); }
    bool set_filter(const lib_ofdm_filter_info_t& filter) { return m_config_manager.set_filter(filter); }
    bool set_synchronization_mode(lib_ofdm_synchronization_mode_t mode) {
        return m_config_manager.set_synchronization_mode(mode);
    }
    bool set_analy_symbol_num(int symbols) { return m_config_manager.set_analy_symbol_num(symbols); }
    bool set_preamble_repeat_index(int repeat_index) { return m_config_manager.set_preamble_repeat_index(repeat_index); }
    bool set_pilot_repeat_index(int repeat_index) { return m_config_manager.set_pilot_repeat_index(repeat_index); }
    bool set_downsampling_ratio(unsigned int ratio) { return m_config_manager.set_downsampling_ratio(ratio); }
    bool set_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& entries) {
        return m_config_manager.set_resource_mapping_vct(entries);
    }
    bool set_preamble_ref_iq_vct(complex_vector_t values) {
        return m_config_manager.set_preamble_ref_iq_vct(std::move(values));
    }
    bool set_pilot_ref_iq_vct(complex_vector_t values) { return m_config_manager.set_pilot_ref_iq_vct(std::move(values)); }
    bool set_include_gurad_sub_carr(bool include) { return m_config_manager.set_include_gurad_sub_carr(include); }
    bool set_use_ui_map(bool use_ui_map) { return m_config_manager.set_use_ui_map(use_ui_map); }
    bool set_debug_en(bool enable) { return m_config_manager.set_debug_en(enable); }
    bool set_load_address(const std::string& directory) { return m_config_manager.set_load_address(directory); }

    // --- Map building and the built tables.
    bool generate_resource_map() { return m_config_manager.generate_resource_map(); }
    bool generate_resource_mod_map() { return m_config_manager.generate_resource_mod_map(); }
    bool generate_ref_resource_data_vct() { return m_config_manager.generate_ref_resource_data_vct(); }
    const int_grid_t& get_resource_map() const { return m_config_manager.get_resource_map_manager().get_resource_map(); }
    const int_grid_t& get_resource_mod_map() const {
        return m_config_manager.get_resource_mod_map_manager().get_resource_mod_map();
    }
    const cell_grid_t& get_ref_resource_data_vct() const {
        return m_config_manager.get_ref_resource_data_vct_manager().get_ref_resource_data();
    }

    // --- Forwarded getters.
    lib_ofdm_standard_type_t get_standard() const { return m_config_manager.get_standard(); }
    float get_system_sample_rate() const { return m_config_manager.get_system_sample_rate(); }
    float get_dvx_sample_rate() const { return m_config_manager.get_dvx_sample_rate(); }
    int get_fft_length() const { return m_config_manager.get_fft_length(); }
    int get_guard_low_subcarr() const { return m_config_manager.get_guard_low_subcarr(); }
    int get_guard_up_subcarr() const { return m_config_manager.get_guard_up_subcarr(); }
    bool get_half_subcarrier_shift() const { return m_config_manager.get_half_subcarrier_shift(); }
    const std::vector<float>& get_guard_interval_per_symbol() const {
        return m_config_manager.get_guard_interval_per_symbol();
    }
    const std::vector<int>& get_time_gaps() const { return m_config_manager.get_time_gaps(); }
    bool get_dft_spread() const { return m_config_manager.get_dft_spread(); }
    float get_transmitter_window_beta() const { return m_config_manager.get_transmitter_window_beta(); }
    const std::vector<lib_ofdm_res_info_t>& get_resource_mapping_vct() const {
        return m_config_manager.get_resource_mapping_vct();
    }
    float get_user_boosting() const { return m_config_manager.get_user_boosting(); }
    const lib_ofdm_eq_info_t& get_equalizer() const { return m_config_manager.get_equalizer(); }
    const lib_ofdm_track_info_t& get_tracking() const { return m_config_manager.get_tracking(); }
    const lib_ofdm_filter_info_t& get_filter() const { return m_config_manager.get_filter(); }
    float get_symbol_timing_adjustment() const { return m_config_manager.get_symbol_timing_adjustment(); }
    lib_ofdm_synchronization_mode_t get_synchronization_mode() const {
        return m_config_manager.get_synchronization_mode();
    }
    int get_analy_symbol_num() const { return m_config_manager.get_analy_symbol_num(); }
    int get_meas_symbol_num() const { return m_config_manager.get_meas_symbol_num(); }
    int get_meas_symbol_offset() const { return m_config_manager.get_meas_symbol_offset(); }
    int get_preamble_repeat_index() const { return m_config_manager.get_preamble_repeat_index(); }
    int get_pilot_repeat_index() const { return m_config_manager.get_pilot_repeat_index(); }
    unsigned int get_downsampling_ratio() const { return m_config_manager.get_downsampling_ratio(); }
    float get_sample_rate() const { return m_config_manager.get_sample_rate(); }
    bool get_include_gurad_sub_carr() const { return m_config_manager.get_include_gurad_sub_carr(); }
    bool get_use_ui_map() const { return m_config_manager.get_use_ui_map(); }
    float get_subcarr_space() const { return m_config_manager.get_subcarr_space(); }
    int get_subcarr_num() const { return m_config_manager.get_subcarr_num(); }
    int get_ofdm_len() const { return m_config_manager.get_ofdm_len(); }
    const std::vector<int>& get_cp_length_set() const { return m_config_manager.get_cp_length_set(); }
    const std::vector<int>& get_cp_length_per_sym_vct() const { return m_config_manager.get_cp_length_per_sym_vct(); }
    const std::vector<int>& get_time_gaps_per_sym_vct() const { return m_config_manager.get_time_gaps_per_sym_vct(); }
    const std::vector<int>& get_interval_per_sym_vct() const { return m_config_manager.get_interval_per_sym_vct(); }
    int get_window_half_length() const { return m_config_manager.get_window_half_length(); }
    const bool_grid_t& get_preamble_index_map() const { return m_config_manager.get_preamble_index_map(); }
    const bool_grid_t& get_pilot_index_map() const { return m_config_manager.get_pilot_index_map(); }
    const bool_grid_t& get_payload_index_map() const { return m_config_manager.get_payload_index_map(); }
    const std::vector<int>& get_preamble_sym_index_vct() const { return m_config_manager.get_preamble_sym_index_vct(); }
    const std::vector<int>& get_pilot_sym_index_vct() const { return m_config_manager.get_pilot_sym_index_vct(); }
    const std::vector<int>& get_payload_sym_index_vct() const { return m_config_manager.get_payload_sym_index_vct(); }
    int get_fft_advance() const { return m_config_manager.get_fft_advance(); }
    bool get_debug_en() const { return m_config_manager.get_debug_en(); }
    std::string get_load_address() const { return m_config_manager.get_load_address(); }
    const complex_vector_t& get_preamble_ref_iq_vct() const { return m_config_manager.get_preamble_ref_iq_vct(); }
    const complex_vector_t& get_pilot_ref_iq_vct() const { return m_config_manager.get_pilot_ref_iq_vct(); }
    complex_vector_t get_preamble_ref_iq_vaild() const { return m_config_manager.get_preamble_ref_iq_vaild(); }
    complex_vector_t get_pilot_ref_iq() const { return m_config_manager.get_pilot_ref_iq(); }

private:
    lib_ofdm_config_manager_t m_config_manager;
};

}  // namespace vek::ofdm_demod_lib
