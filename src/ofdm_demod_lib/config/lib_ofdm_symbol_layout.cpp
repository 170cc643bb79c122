// Derived per-symbol layout of the frame: carrier bookkeeping, cyclic prefix, gaps and intervals
// per symbol, the FFT window placement, and the index maps built from the resource map.
#include <algorithm>
#include <cmath>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

void lib_ofdm_demod_common_t::ofdm_reuse_data_adjustment(const std::vector<int>& list, int repeat_index,
                                                         int count, std::vector<int>& out) {
    out.clear();
    const long long n = static_cast<long long>(list.size());
    if (n > count) {
        if (count > 0) out.assign(list.begin(), list.begin() + count);
        return;
    }
    if (n == 0) return;
    out = list;
    // A repeat index left stale by a later, shorter list is clamped to the last element, so the
    // expansion never reads past the list.
    const long long r = std::clamp<long long>(repeat_index, 0, n - 1);
    out.reserve(static_cast<std::size_t>(count));
    while (static_cast<long long>(out.size()) < count) {
        for (long long i = r; i < n && static_cast<long long>(out.size()) < count; ++i) {
            out.push_back(list[static_cast<std::size_t>(i)]);
        }
    }
}

void lib_ofdm_config_manager_t::_generate_sample_rate() {
    if (m_standard == LIB_OFDM_STANDARD_TYPE_WIFI) m_sample_rate = 20000000.0f;
    if (m_standard == LIB_OFDM_STANDARD_TYPE_LTE_DL || m_standard == LIB_OFDM_STANDARD_TYPE_LTE_UL) {
        m_sample_rate = 7680000.0f;
    }
}

void lib_ofdm_config_manager_t::_generate_include_gurad_sub_carr() {
    // The LTE downlink map files hold only the used band; the others hold every FFT bin.
    if (m_standard == LIB_OFDM_STANDARD_TYPE_LTE_DL) m_include_gurad_sub_carr = false;
    if (m_standard == LIB_OFDM_STANDARD_TYPE_WIFI || m_standard == LIB_OFDM_STANDARD_TYPE_LTE_UL) {
        m_include_gurad_sub_carr = true;
    }
}

void lib_ofdm_config_manager_t::_generate_use_ui_map() {
    if (m_standard >= LIB_OFDM_STANDARD_TYPE_WIFI && m_standard <= LIB_OFDM_STANDARD_TYPE_LTE_UL) m_use_ui_map = true;
}

void lib_ofdm_config_manager_t::_generate_subcarr_space() {
    m_subcarr_space = m_system_sample_rate / static_cast<float>(m_fft_length);
}

void lib_ofdm_config_manager_t::_generate_subcarr_num() {
    // Subcarriers between the guard bands; DC is not one of them unless the grid is shifted by
    // half a subcarrier.
    m_subcarr_num = m_fft_length - m_guard_low_subcarr - m_guard_up_subcarr + (m_half_subcarrier_shift ? 1 : 0) - 1;
}

void lib_ofdm_config_manager_t::_generate_ofdm_len() {
    m_ofdm_len = m_fft_length;
    _generate_fft_advance();
}

void lib_ofdm_config_manager_t::_generate_window_half_length() {
    const float product = static_cast<float>(m_fft_length) * m_transmitter_window_beta;
    m_window_half_length = static_cast<int>(std::round(static_cast<double>(product)));
    _generate_fft_advance();
}

void lib_ofdm_config_manager_t::_generate_fft_advance() {
    // Samples by which the FFT window starts before the end of the cyclic prefix: half the
    // transmitter's window ramp plus the user's timing adjustment.
    const float advance = 0.5f * static_cast<float>(m_window_half_length) +
                          (-m_symbol_timing_adjustment * static_cast<float>(m_ofdm_len)) / 100.0f;
    m_fft_advance = static_cast<int>(std::round(static_cast<double>(advance)));
}

void lib_ofdm_config_manager_t::_generate_cp_length_set() {
    m_cp_length_set.clear();
    for (float g : m_guard_interval_per_symbol) {
        m_cp_length_set.push_back(static_cast<int>(std::roundf(static_cast<float>(m_ofdm_len) * g)));
    }
    _generate_cp_length_per_sym_vct();
}

void lib_ofdm_config_manager_t::_generate_cp_length_per_sym_vct() {
    lib_ofdm_demod_common_t::ofdm_reuse_data_adjustment(m_cp_length_set, m_guard_interval_repeat_index,
                                                        m_analy_symbol_num, m_cp_length_per_sym_vct);
    _generate_interval_per_sym_vct();
}

void lib_ofdm_config_manager_t::_generate_time_gaps_per_sym_vct() {
    lib_ofdm_demod_common_t::ofdm_reuse_data_adjustment(m_time_gaps, m_time_gaps_repeat_index, m_analy_symbol_num,
                                                        m_time_gaps_per_sym_vct);
    _generate_interval_per_sym_vct();
}

void lib_ofdm_config_manager_t::_generate_interval_per_sym_vct() {
    const std::size_t symbols = static_cast<std::size_t>(std::max(m_analy_symbol_num, 0));
    m_interval_per_sym_vct.assign(symbols, 0);
    if (m_cp_length_per_sym_vct.size() != symbols || m_time_gaps_per_sym_vct.size() != symbols) return;
    for (std::size_t i = 0; i < symbols; ++i) {
        m_interval_per_sym_vct[i] = m_cp_length_per_sym_vct[i] + m_time_gaps_per_sym_vct[i];
    }
}

// Both map builders take the same inputs, in this order; the FFT length goes before the entries
// because the builder turns subcarrier numbers into columns with the length it holds.
template <typename builder_t>
void lib_ofdm_config_manager_t::_hand_map_inputs(builder_t& builder) const {
    builder.set_load_address(m_load_address);
    builder.set_use_ui_map(m_use_ui_map);
    builder.set_include_gurad_sub_carr(m_include_gurad_sub_carr);
    builder.set_guard_low_subcarr(m_guard_low_subcarr);
    builder.set_guard_up_subcarr(m_guard_up_subcarr);
    builder.set_standard(m_standard);
    builder.set_fft_length(m_fft_length);
    builder.set_analy_symbol_num(m_analy_symbol_num);
    builder.set_resource_mapping_vct(m_resource_mapping_vct);
}

bool lib_ofdm_config_manager_t::generate_resource_map() {
    lib_ofdm_resource_map_manager_t& builder = m_resource_map_manager;
    _hand_map_inputs(builder);
    if (!builder.generate_resource_map() || !builder.is_resource_map_valid()) return false;

    const int_grid_t& map = builder.get_resource_map();
    m_preamble_index_map.clear();
    lib_ofdm_demod_common_t::ofdm_resource_map_to_index(map, LIB_OFDM_RESOURCE_FLAG_PREAMBLE, m_preamble_index_map);
    m_pilot_index_map.clear();
    lib_ofdm_demod_common_t::ofdm_resource_map_to_index(map, LIB_OFDM_RESOURCE_FLAG_PILOT, m_pilot_index_map);
    m_payload_index_map.clear();
    lib_ofdm_demod_common_t::ofdm_resource_map_to_index(map, LIB_OFDM_RESOURCE_FLAG_DATA, m_payload_index_map);
    _generate_preamble_sym_index_vct();
    _generate_pilot_sym_index_vct();
    _generate_payload_sym_index_vct();
    return true;
}

void lib_ofdm_config_manager_t::_generate_index_map(lib_ofdm_resource_flag_t flag, bool_grid_t& map) {
    map.clear();
    if (!m_resource_map_manager.is_resource_map_valid()) {
        // Rebuilding the resource map rebuilds all three index maps; ours is converted again
        // below only when that succeeded.
        if (!generate_resource_map()) return;
        map.clear();
    }
    lib_ofdm_demod_common_t::ofdm_resource_map_to_index(m_resource_map_manager.get_resource_map(), flag, map);
}

void lib_ofdm_config_manager_t::_generate_preamble_index_map() {
    _generate_index_map(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, m_preamble_index_map);
}
void lib_ofdm_config_manager_t::_generate_pilot_index_map() {
    _generate_index_map(LIB_OFDM_RESOURCE_FLAG_PILOT, m_pilot_index_map);
}
void lib_ofdm_config_manager_t::_generate_payload_index_map() {
    _generate_index_map(LIB_OFDM_RESOURCE_FLAG_DATA, m_payload_index_map);
}

void lib_ofdm_config_manager_t::_generate_preamble_sym_index_vct() {
    lib_ofdm_demod_common_t::ofdm_index_to_symbel_index(m_preamble_index_map, m_preamble_sym_index_vct);
}
void lib_ofdm_config_manager_t::_generate_pilot_sym_index_vct() {
    lib_ofdm_demod_common_t::ofdm_index_to_symbel_index(m_pilot_index_map, m_pilot_sym_index_vct);
}
void lib_ofdm_config_manager_t::_generate_payload_sym_index_vct() {
    lib_ofdm_demod_common_t::ofdm_index_to_symbel_index(m_payload_index_map, m_payload_sym_index_vct);
}

bool lib_ofdm_config_manager_t::generate_resource_mod_map() {
    lib_ofdm_resource_mod_map_manager_t& builder = m_resource_mod_map_manager;
    _hand_map_inputs(builder);
    return builder.generate_resource_mod_map() && builder.is_resource_mod_map_valid();
}

bool lib_ofdm_config_manager_t::generate_ref_resource_data_vct() {
    lib_ofdm_ref_resource_data_vct_manager_t& builder = m_ref_resource_data_vct_manager;
    // The index maps are taken before the resource map is rebuilt: callers rebuild the map first.
    builder.set_preamble_index_map(m_preamble_index_map);
    builder.set_pilot_index_map(m_pilot_index_map);
    if (!generate_resource_map()) return false;
    builder.set_resource_map_manager(m_resource_map_manager.get_resource_map());
    builder.set_preamble_ref_iq_vct(m_preamble_ref_iq_vct);
    builder.set_pilot_ref_iq_vct(m_pilot_ref_iq_vct);
    return builder.generate_ref_resource_data() && builder.is_ref_resource_data_valid();
}

}  // namespace vek::ofdm_demod_lib
