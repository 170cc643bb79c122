// Writing the settings subtree. Scalars go through pugixml's text setters (floats with 9
// significant digits, enough to read back the same float; bools as true/false); lists use the
// comma-terminated texts of cfg_ofdm_list_text.
#include <pugixml.hpp>

#include <string>

#include "cfg_ofdm_list_text.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"

namespace vek::ofdm_demod_lib {

namespace {

using namespace cfg_ofdm_list_text;

void put_int(pugi::xml_node& parent, const char* name, int value) { parent.append_child(name).text().set(value); }
void put_float(pugi::xml_node& parent, const char* name, float value) {
    parent.append_child(name).text().set(value);
}
void put_bool(pugi::xml_node& parent, const char* name, bool value) { parent.append_child(name).text().set(value); }
void put_text(pugi::xml_node& parent, const char* name, const std::string& value) {
    parent.append_child(name).text().set(value.c_str());
}

void save_format(const lib_ofdm_config_manager_t& m, pugi::xml_node format) {
    put_int(format, "standard", static_cast<int>(m.get_standard()));
    put_float(format, "system_sample_rate", m.get_system_sample_rate());
    put_int(format, "fft_length", m.get_fft_length());
    put_int(format, "guard_low_subcarr", m.get_guard_low_subcarr());
    put_int(format, "guard_up_subcarr", m.get_guard_up_subcarr());
    put_bool(format, "half_subcarrier_shift", m.get_half_subcarrier_shift());
    put_text(format, "guard_interval_per_symbol", float_list_to_text(m.get_guard_interval_per_symbol()));
    put_int(format, "guard_interval_repeat_index", m.get_guard_interval_repeat_index() + 1);
    put_text(format, "time_gaps", int_list_to_text(m.get_time_gaps()));
    put_int(format, "time_gaps_repeat_index", m.get_time_gaps_repeat_index() + 1);
    put_bool(format, "dft_spread", m.get_dft_spread());
    put_float(format, "transmitter_window_beta", m.get_transmitter_window_beta());
    put_int(format, "preamble_repeat_index", m.get_preamble_repeat_index());
    put_int(format, "pilot_repeat_index", m.get_pilot_repeat_index());
}

void save_resource_entry(const lib_ofdm_res_info_t& entry, pugi::xml_node element) {
    put_text(element, "resource_mapping_name", entry.name);
    put_int(element, "resource_mapping_type", static_cast<int>(entry.type));
    for (std::size_t k = 0; k < entry.symbol_set.size(); ++k) {
        const std::string name = "resource_mapping_symbol_set" + std::to_string(k + 1);
        put_text(element, name.c_str(), int_list_to_text(entry.symbol_set[k]));
    }
    for (std::size_t k = 0; k < entry.subcarrier_set.size(); ++k) {
        const std::string name = "resource_mapping_subcarrier_set" + std::to_string(k + 1);
        put_text(element, name.c_str(), int_list_to_text(entry.subcarrier_set[k]));
    }
    put_int(element, "resource_mapping_modulation", static_cast<int>(entry.modulation));
    put_float(element, "resource_mapping_boost_level", entry.boost_level);
}

void save_equalizer_tracking(const lib_ofdm_config_manager_t& m, pugi::xml_node element) {
    const lib_ofdm_eq_info_t& eq = m.get_equalizer();
    put_bool(element, "equalizer_use_preamble", eq.equalizer_use_preamble);
    put_bool(element, "equalizer_use_pilot", eq.equalizer_use_pilot);
    put_bool(element, "equalizer_use_dc_pilot", eq.equalizer_use_dc_pilot);
    put_bool(element, "equalizer_use_data", eq.equalizer_use_data);
    put_int(element, "equalizer_averaging_mode", eq.equalizer_averaging_mode);
    put_int(element, "initial_equalizer_mode", eq.initial_equalizer_mode);
    put_int(element, "initial_equalizer_symbols", eq.initial_equalizer_symbols);
    const lib_ofdm_track_info_t& track = m.get_tracking();
    put_bool(element, "inclulde_data_subcarriers", track.inclulde_data_subcarriers);
    put_bool(element, "track_amplitude", track.track_amplitude);
    put_bool(element, "track_phase", track.track_phase);
    put_bool(element, "track_timing", track.track_timing);
}

void save_filter(const lib_ofdm_filter_info_t& filter, pugi::xml_node element) {
    put_int(element, "selection", static_cast<int>(filter.selection));
    put_text(element, "arb_coefficients", float_list_to_text(filter.arb_coefficients));
    put_float(element, "arb_coefficients_sample_ratio", filter.arb_coefficients_sample_ratio);
    put_bool(element, "ws_auto_length", filter.ws_auto_length);
    put_int(element, "ws_length", filter.ws_length);
    put_int(element, "ws_window", static_cast<int>(filter.ws_window));
    put_float(element, "ws_pass_bandwidth", filter.ws_pass_bandwidth);
    put_float(element, "ws_transition_bandwidth", filter.ws_transition_bandwidth);
}

}  // namespace

bool cfg_ofdm_t::save_ofdm_setting(pugi::xml_node& node) const {
    const lib_ofdm_config_manager_t& m = m_config_manager;
    node.append_attribute("ProtocolType").set_value("PLIB_PROTOCOL_OFDM");
    pugi::xml_node demod = node.append_child("cfg_ofdm_demod");

    save_format(m, demod.append_child("format"));

    const std::vector<lib_ofdm_res_info_t>& entries = m.get_resource_mapping_vct();
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const std::string name = "resource_mapping" + std::to_string(n + 1);
        save_resource_entry(entries[n], demod.append_child(name.c_str()));
    }

    pugi::xml_node boosting = demod.append_child("boosting");
    put_float(boosting, "user_boosting", m.get_user_boosting());

    save_equalizer_tracking(m, demod.append_child("equalizer_tracking"));
    save_filter(m.get_filter(), demod.append_child("filter"));

    pugi::xml_node advanced = demod.append_child("advanced");
    put_float(advanced, "symbol_timing_adjustment", m.get_symbol_timing_adjustment());
    put_int(advanced, "synchronization_mode", static_cast<int>(m.get_synchronization_mode()));

    pugi::xml_node time = demod.append_child("time");
    put_int(time, "analy_symbol_num", m.get_analy_symbol_num());
    put_int(time, "meas_symbol_num", m.get_meas_symbol_num());
    put_int(time, "meas_symbol_offset", m.get_meas_symbol_offset());
    return true;
}

}  // namespace vek::ofdm_demod_lib
