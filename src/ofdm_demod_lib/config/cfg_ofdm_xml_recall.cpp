// Reading the settings subtree back. Every value goes through the setter a host would call, so a
// refused value keeps what the preset of the recalled standard gave; missing elements read as 0,
// 0.0, false or empty text and take the same road.
#include <pugixml.hpp>

#include <string>

#include "cfg_ofdm_list_text.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"

namespace vek::ofdm_demod_lib {

namespace {

using namespace cfg_ofdm_list_text;

// A frame description holds at most this many resource entries, and an entry at most this many
// symbol or subcarrier groups; elements beyond are ignored.
constexpr int k_max_resource_entries = 10;
constexpr int k_max_groups = 10;

int get_int(const pugi::xml_node& parent, const char* name) { return parent.child(name).text().as_int(0); }
float get_float(const pugi::xml_node& parent, const char* name) {
    return narrow_to_float(parent.child(name).text().as_double(0.0));
}
bool get_bool(const pugi::xml_node& parent, const char* name) { return parent.child(name).text().as_bool(false); }
std::string get_text(const pugi::xml_node& parent, const char* name) { return parent.child(name).text().as_string(""); }

// Groups named prefix1, prefix2, ... up to the limit, stopping at the first missing one.
std::vector<std::vector<int>> get_groups(const pugi::xml_node& entry, const std::string& prefix) {
    std::vector<std::vector<int>> groups;
    for (int k = 1; k <= k_max_groups; ++k) {
        const pugi::xml_node group = entry.child((prefix + std::to_string(k)).c_str());
        if (!group) break;
        groups.push_back(text_to_int_list(group.text().as_string("")));
    }
    return groups;
}

lib_ofdm_res_info_t read_resource_entry(const pugi::xml_node& element) {
    lib_ofdm_res_info_t entry;
    entry.name = get_text(element, "resource_mapping_name");
    entry.type = static_cast<lib_ofdm_resource_flag_t>(get_int(element, "resource_mapping_type"));
    entry.symbol_set = get_groups(element, "resource_mapping_symbol_set");
    entry.subcarrier_set = get_groups(element, "resource_mapping_subcarrier_set");
    entry.modulation = static_cast<lib_ofdm_mod_level_t>(get_int(element, "resource_mapping_modulation"));
    entry.boost_level = get_float(element, "resource_mapping_boost_level");
    return entry;
}

lib_ofdm_eq_info_t read_equalizer(const pugi::xml_node& element) {
    lib_ofdm_eq_info_t eq;
    eq.equalizer_use_preamble = get_bool(element, "equalizer_use_preamble");
    eq.equalizer_use_pilot = get_bool(element, "equalizer_use_pilot");
    eq.equalizer_use_dc_pilot = get_bool(element, "equalizer_use_dc_pilot");
    eq.equalizer_use_data = get_bool(element, "equalizer_use_data");
    eq.equalizer_averaging_mode = get_int(element, "equalizer_averaging_mode");
    eq.initial_equalizer_mode = get_int(element, "initial_equalizer_mode");
    eq.initial_equalizer_symbols = get_int(element, "initial_equalizer_symbols");
    return eq;
}

lib_ofdm_track_info_t read_tracking(const pugi::xml_node& element) {
    lib_ofdm_track_info_t track;
    track.inclulde_data_subcarriers = get_bool(element, "inclulde_data_subcarriers");
    track.track_amplitude = get_bool(element, "track_amplitude");
    track.track_phase = get_bool(element, "track_phase");
    track.track_timing = get_bool(element, "track_timing");
    return track;
}

lib_ofdm_filter_info_t read_filter(const pugi::xml_node& element) {
    lib_ofdm_filter_info_t filter;
    filter.selection = static_cast<lib_ofdm_filter_selection_t>(get_int(element, "selection"));
    filter.arb_coefficients = text_to_float_list(get_text(element, "arb_coefficients"));
    filter.arb_coefficients_sample_ratio = get_float(element, "arb_coefficients_sample_ratio");
    filter.ws_auto_length = get_bool(element, "ws_auto_length");
    filter.ws_length = get_int(element, "ws_length");
    filter.ws_window = static_cast<lib_ofdm_filter_windowed_sinc_window_t>(get_int(element, "ws_window"));
    filter.ws_pass_bandwidth = get_float(element, "ws_pass_bandwidth");
    filter.ws_transition_bandwidth = get_float(element, "ws_transition_bandwidth");
    return filter;
}

}  // namespace

bool cfg_ofdm_t::recall_ofdm_setting(const pugi::xml_node& node) {
    const pugi::xml_node demod = node.child("cfg_ofdm_demod");
    if (!demod) return false;
    lib_ofdm_config_manager_t& m = m_config_manager;

    // The standard first: it resets everything to its preset, which the other values then edit.
    const pugi::xml_node format = demod.child("format");
    m.set_standard(static_cast<lib_ofdm_standard_type_t>(get_int(format, "standard")));
    m.set_system_sample_rate(get_float(format, "system_sample_rate"));
    m.set_fft_length(get_int(format, "fft_length"));
    m.set_guard_low_subcarr(get_int(format, "guard_low_subcarr"));
    m.set_guard_up_subcarr(get_int(format, "guard_up_subcarr"));
    m.set_half_subcarrier_shift(get_bool(format, "half_subcarrier_shift"));
    set_guard_interval_per_symbol(text_to_float_list(get_text(format, "guard_interval_per_symbol")));
    set_guard_interval_repeat_index(get_int(format, "guard_interval_repeat_index"));
    m.set_time_gaps(text_to_truncated_int_list(get_text(format, "time_gaps")));
    set_time_gaps_repeat_index(get_int(format, "time_gaps_repeat_index"));
    m.set_dft_spread(get_bool(format, "dft_spread"));
    m.set_transmitter_window_beta(get_float(format, "transmitter_window_beta"));
    m.set_preamble_repeat_index(get_int(format, "preamble_repeat_index"));
    m.set_pilot_repeat_index(get_int(format, "pilot_repeat_index"));

    std::vector<lib_ofdm_res_info_t> entries;
    for (int n = 1; n <= k_max_resource_entries; ++n) {
        const pugi::xml_node element = demod.child(("resource_mapping" + std::to_string(n)).c_str());
        if (!element) break;
        entries.push_back(read_resource_entry(element));
    }
    m.set_resource_mapping_vct(entries);

    m.set_user_boosting(get_float(demod.child("boosting"), "user_boosting"));
    const pugi::xml_node equalizer_tracking = demod.child("equalizer_tracking");
    m.set_equalizer(read_equalizer(equalizer_tracking));
    m.set_tracking(read_tracking(equalizer_tracking));
    m.set_filter(read_filter(demod.child("filter")));

    const pugi::xml_node advanced = demod.child("advanced");
    m.set_symbol_timing_adjustment(get_float(advanced, "symbol_timing_adjustment"));
    m.set_synchronization_mode(static_cast<lib_ofdm_synchronization_mode_t>(get_int(advanced, "synchronization_mode")));

    const pugi::xml_node time = demod.child("time");
    m.set_analy_symbol_num(get_int(time, "analy_symbol_num"));
    m.set_meas_symbol_num(get_int(time, "meas_symbol_num"));
    m.set_meas_symbol_offset(get_int(time, "meas_symbol_offset"));
    return true;
}

}  // namespace vek::ofdm_demod_lib
