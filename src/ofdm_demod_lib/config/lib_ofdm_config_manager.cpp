// Parameters of the frame description: defaults, checked setters and equality.
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

lib_ofdm_config_manager_t::lib_ofdm_config_manager_t() {
    // init() runs with an empty directory (its reads look below the file-system root and find
    // nothing); the installed analyser's directory is set afterwards.
    init();
    m_load_address = k_default_load_address;
}

void lib_ofdm_config_manager_t::_load_reference_vectors() {
    lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(m_standard, m_preamble_ref_iq_vct, m_load_address);
    lib_ofdm_demod_common_t::load_pilot_ref_iq_vct(m_standard, m_pilot_ref_iq_vct, m_load_address);
}

void lib_ofdm_config_manager_t::init() {
    m_standard = LIB_OFDM_STANDARD_TYPE_WIFI;
    m_system_sample_rate = 20000000.0f;
    m_dvx_sample_rate = 0.0f;
    m_sample_rate = 20000000.0f;
    _load_reference_vectors();

    m_fft_length = 64;
    m_guard_low_subcarr = 6;
    m_guard_up_subcarr = 5;
    m_half_subcarrier_shift = true;
    m_guard_interval_per_symbol = {0.25f};
    m_guard_interval_repeat_index = 0;
    m_time_gaps = {0};
    m_time_gaps_repeat_index = 0;
    m_dft_spread = false;
    m_transmitter_window_beta = 0.005f;
    m_resource_mapping_vct.clear();
    m_user_boosting = 1.0f;
    m_equalizer = default_equalizer();
    m_tracking = default_tracking();
    m_filter = default_filter();
    m_symbol_timing_adjustment = -3.125f;
    m_synchronization_mode = LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX;
    m_analy_symbol_num = 64;
    m_meas_symbol_num = 64;
    m_meas_symbol_offset = 0;
    m_preamble_repeat_index = 0;
    m_pilot_repeat_index = 0;
    m_downsampling_ratio = 1;
    m_include_gurad_sub_carr = true;
    m_use_ui_map = true;
    m_debug_en = false;

    // Derived members hold their reset values until a setter recomputes them.
    m_subcarr_space = 312500.0f;
    m_subcarr_num = 53;
    m_ofdm_len = 64;
    m_cp_length_set = {0};
    m_cp_length_per_sym_vct.assign(64, 0);
    m_time_gaps_per_sym_vct.assign(64, 0);
    m_interval_per_sym_vct.assign(64, 0);
    m_window_half_length = 0;
    m_preamble_index_map = bool_grid_t(1, std::vector<bool>(1, false));
    m_pilot_index_map = m_preamble_index_map;
    m_payload_index_map = m_preamble_index_map;
    m_preamble_sym_index_vct.clear();
    m_pilot_sym_index_vct.clear();
    m_payload_sym_index_vct.clear();
    m_fft_advance = 2;

    m_resource_map_manager.init_resource_map();
    m_resource_mod_map_manager.init_resource_mod_map();
    m_ref_resource_data_vct_manager.init_ref_resource_data();
}

bool lib_ofdm_config_manager_t::set_standard(lib_ofdm_standard_type_t standard) {
    if (static_cast<std::uint32_t>(standard) > LIB_OFDM_STANDARD_TYPE_LTE_UL) {
        VEK_OFDM_LOG_ERROR("input standard is out range", "input standard {} is out range",
                           static_cast<int>(standard));
        return false;
    }
    init();
    m_standard = standard;
    preset_to_test_model();
    _load_reference_vectors();
    _generate_sample_rate();
    _generate_include_gurad_sub_carr();
    _generate_use_ui_map();
    generate_resource_map();
    generate_resource_mod_map();
    generate_ref_resource_data_vct();
    return true;
}

bool lib_ofdm_config_manager_t::set_fft_length(int fft_length) {
    if (fft_length < 4 || fft_length > 65536) {
        VEK_OFDM_LOG_ERROR("input fft_length is out range", "input fft_length {} is out range", fft_length);
        return false;
    }
    if (fft_length < m_guard_low_subcarr + m_guard_up_subcarr) {
        VEK_OFDM_LOG_ERROR("input fft_length is short than low_subcarr add up_subcarr",
                           "input fft_length {} is short than low_subcarr {} add up_subcarr {}", fft_length,
                           m_guard_low_subcarr, m_guard_up_subcarr);
        return false;
    }
    if ((fft_length & (fft_length - 1)) != 0) {
        const std::string short_text = "input fft_length " + std::to_string(fft_length) + " is not power of two ";
        VEK_OFDM_LOG_ERROR(short_text, "input fft_length {} is not power of two", fft_length);
        return false;
    }
    m_fft_length = fft_length;
    _generate_ofdm_len();
    _generate_subcarr_num();
    _generate_subcarr_space();
    _generate_fft_advance();
    _generate_window_half_length();
    _clean_resource_entries();
    return true;
}

bool lib_ofdm_config_manager_t::set_guard_low_subcarr(int subcarriers) {
    if (subcarriers < 0 || subcarriers > m_fft_length / 2) {
        VEK_OFDM_LOG_ERROR("input guard_low_subcarr is out range", "input guard_low_subcarr {} is out range 0 to {}",
                           subcarriers, m_fft_length / 2);
        return false;
    }
    m_guard_low_subcarr = subcarriers;
    _generate_subcarr_num();
    _clean_resource_entries();
    return true;
}

bool lib_ofdm_config_manager_t::set_guard_up_subcarr(int subcarriers) {
    if (subcarriers < 0 || subcarriers >= m_fft_length - m_guard_low_subcarr) {
        VEK_OFDM_LOG_ERROR("input m_guard_up_subcarr is out range", "input m_guard_up_subcarr {} is out range 0 to {}",
                           subcarriers, m_fft_length - m_guard_low_subcarr - 1);
        return false;
    }
    m_guard_up_subcarr = subcarriers;
    _generate_subcarr_num();
    _clean_resource_entries();
    return true;
}

bool lib_ofdm_config_manager_t::set_guard_interval_per_symbol(const std::vector<float>& fractions) {
    for (std::size_t i = 0; i < fractions.size(); ++i) {
        const float g = fractions[i];
        if (!(g >= 0.0f && g <= 1.0f)) {  // a NaN is out of range too
            const std::string short_text = "input m_guard_interval_per_symbol " + std::to_string(i) + " is out range";
            VEK_OFDM_LOG_ERROR(short_text, "input index {} m_guard_interval_per_symbol {} is out range 0 to 1", i, g);
            return false;
        }
    }
    m_guard_interval_per_symbol = fractions;
    _generate_cp_length_set();
    return true;
}

bool lib_ofdm_config_manager_t::set_guard_interval_repeat_index(int repeat_index) {
    const auto size = m_guard_interval_per_symbol.size();
    if (repeat_index < 0 || static_cast<std::size_t>(repeat_index) >= size) {
        VEK_OFDM_LOG_ERROR("input m_guard_interval_repeat_index is out range",
                           "input m_guard_interval_repeat_index {} is out range 0 to {}", repeat_index, size);
        return false;
    }
    m_guard_interval_repeat_index = repeat_index;
    _generate_cp_length_per_sym_vct();
    return true;
}

bool lib_ofdm_config_manager_t::set_time_gaps(const std::vector<int>& gaps_samples) {
    for (std::size_t i = 0; i < gaps_samples.size(); ++i) {
        if (gaps_samples[i] < 0) {
            const std::string short_text = "input m_time_gaps" + std::to_string(i) + " is out range";
            VEK_OFDM_LOG_ERROR(short_text, "input m_time_gaps.at{} at least 0", i);
            return false;
        }
    }
    m_time_gaps = gaps_samples;
    _generate_time_gaps_per_sym_vct();
    return true;
}

bool lib_ofdm_config_manager_t::set_time_gaps_repeat_index(int repeat_index) {
    const auto size = m_time_gaps.size();
    if (repeat_index < 0 || static_cast<std::size_t>(repeat_index) >= size) {
        VEK_OFDM_LOG_ERROR("input m_time_gaps is out range", "input m_time_gaps {} is out range 0 to {}", repeat_index,
                           size);
        return false;
    }
    m_time_gaps_repeat_index = repeat_index;
    _generate_time_gaps_per_sym_vct();
    return true;
}

// The window and timing setters are bounded by the longest cyclic prefix. With no guard interval
// set there is no bound to check against, and the value is refused.
bool lib_ofdm_config_manager_t::_largest_guard_interval(float& largest) const {
    if (m_guard_interval_per_symbol.empty()) return false;
    largest = *std::max_element(m_guard_interval_per_symbol.begin(), m_guard_interval_per_symbol.end());
    return true;
}

bool lib_ofdm_config_manager_t::set_transmitter_window_beta(float beta) {
    float largest = 0.0f;
    if (!_largest_guard_interval(largest)) {
        VEK_OFDM_LOG_ERROR("input transmitter_window_beta out range",
                           "input transmitter_window_beta {} is out range: no guard interval is set", beta);
        return false;
    }
    if (!(beta >= 0.0f && beta <= largest)) {
        VEK_OFDM_LOG_ERROR("input transmitter_window_beta out range",
                           "input transmitter_window_beta {} is out range 0 to {}", beta, largest);
        return false;
    }
    m_transmitter_window_beta = beta;
    _generate_window_half_length();
    return true;
}

bool lib_ofdm_config_manager_t::set_symbol_timing_adjustment(float percent) {
    float largest = 0.0f;
    if (!_largest_guard_interval(largest)) {
        VEK_OFDM_LOG_ERROR("input symbol_timing_adjustment out range",
                           "input symbol_timing_adjustment {} is out range: no guard interval is set", percent);
        return false;
    }
    const float bound = 100.0f * std::fabs(largest);
    if (!(percent >= -bound && percent <= bound)) {
        VEK_OFDM_LOG_ERROR("input symbol_timing_adjustment out range",
                           "input symbol_timing_adjustment {} is out range {} to {}", percent, -bound, bound);
        return false;
    }
    m_symbol_timing_adjustment = percent;
    _generate_fft_advance();
    return true;
}

bool lib_ofdm_config_manager_t::set_meas_symbol_num(int symbols) {
    // 64-bit sums: a huge request must be refused, not wrap around.
    if (static_cast<long long>(m_meas_symbol_offset) + symbols > m_analy_symbol_num) {
        VEK_OFDM_LOG_ERROR(" set_meas_symbol_num out of range.", "input meas_symbol_num {} should less than {}",
                           symbols, m_analy_symbol_num - m_meas_symbol_offset);
        return false;
    }
    m_meas_symbol_num = symbols <= 0 ? 1 : symbols;
    return true;
}

bool lib_ofdm_config_manager_t::set_meas_symbol_offset(int symbols) {
    if (static_cast<long long>(m_meas_symbol_num) + symbols > m_analy_symbol_num) {
        VEK_OFDM_LOG_ERROR(" set_meas_symbol_offset out of range.", "input meas_symbol_offset {} should less than {}",
                           symbols, m_analy_symbol_num - m_meas_symbol_num);
        return false;
    }
    m_meas_symbol_offset = symbols;
    return true;
}

bool lib_ofdm_config_manager_t::set_system_sample_rate(float rate_hz) {
    m_system_sample_rate = rate_hz;
    _generate_subcarr_space();
    return true;
}

bool lib_ofdm_config_manager_t::set_dvx_sample_rate(float rate_hz) {
    m_dvx_sample_rate = rate_hz;
    return true;
}

bool lib_ofdm_config_manager_t::set_file_sample_rate(float rate_hz) { return set_sample_rate(rate_hz); }

bool lib_ofdm_config_manager_t::set_sample_rate(float rate_hz) {
    m_sample_rate = rate_hz;
    return true;
}

bool lib_ofdm_config_manager_t::set_half_subcarrier_shift(bool shift) {
    m_half_subcarrier_shift = shift;
    _generate_subcarr_num();
    return true;
}

bool lib_ofdm_config_manager_t::set_dft_spread(bool spread) {
    m_dft_spread = spread;
    return true;
}

bool lib_ofdm_config_manager_t::set_user_boosting(float boost) {
    // Clamped to [0.1, 10]; a NaN takes the lower bound.
    m_user_boosting = !(boost >= 0.1f) ? 0.1f : std::min(boost, 10.0f);
    return true;
}

bool lib_ofdm_config_manager_t::set_equalizer(const lib_ofdm_eq_info_t& equalizer) {
    const int kept_symbols = m_equalizer.initial_equalizer_symbols;
    m_equalizer = equalizer;
    if (equalizer.initial_equalizer_symbols == 0) m_equalizer.initial_equalizer_symbols = kept_symbols;
    return true;
}

bool lib_ofdm_config_manager_t::set_tracking(const lib_ofdm_track_info_t& tracking) {
    m_tracking = tracking;
    return true;
}

bool lib_ofdm_config_manager_t::set_filter(const lib_ofdm_filter_info_t& filter) {
    m_filter = filter;
    return true;
}

bool lib_ofdm_config_manager_t::set_synchronization_mode(lib_ofdm_synchronization_mode_t mode) {
    m_synchronization_mode = mode;
    return true;
}

bool lib_ofdm_config_manager_t::set_analy_symbol_num(int symbols) {
    m_analy_symbol_num = symbols < 1 ? 1 : symbols;
    _generate_cp_length_per_sym_vct();
    _generate_time_gaps_per_sym_vct();
    _clean_resource_entries();
    return true;
}

bool lib_ofdm_config_manager_t::set_preamble_repeat_index(int repeat_index) {
    m_preamble_repeat_index = repeat_index;
    return true;
}

bool lib_ofdm_config_manager_t::set_pilot_repeat_index(int repeat_index) {
    m_pilot_repeat_index = repeat_index;
    return true;
}

bool lib_ofdm_config_manager_t::set_downsampling_ratio(unsigned int ratio) {
    m_downsampling_ratio = ratio;
    return true;
}

bool lib_ofdm_config_manager_t::set_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& entries) {
    m_resource_mapping_vct = entries;
    _clean_resource_entries();
    return true;
}

void lib_ofdm_config_manager_t::_clean_resource_entries() {
    for (lib_ofdm_res_info_t& entry : m_resource_mapping_vct) {
        _sanitize_symbol_indices(entry);
        _adjust_subcarrier_positions(entry);
    }
}

namespace {
// Keeps the values the predicate accepts, sorted and unique; an empty result becomes {0}.
template <typename keep_t>
void clean_groups(std::vector<std::vector<int>>& groups, keep_t keep) {
    for (std::vector<int>& group : groups) {
        group.erase(std::remove_if(group.begin(), group.end(), [&](int v) { return !keep(v); }), group.end());
        std::sort(group.begin(), group.end());
        group.erase(std::unique(group.begin(), group.end()), group.end());
        if (group.empty()) group.push_back(0);
    }
}
}  // namespace

void lib_ofdm_config_manager_t::_sanitize_symbol_indices(lib_ofdm_res_info_t& entry) const {
    clean_groups(entry.symbol_set, [this](int v) { return v >= 0 && v < m_analy_symbol_num; });
}

void lib_ofdm_config_manager_t::_adjust_subcarrier_positions(lib_ofdm_res_info_t& entry) const {
    // Only subcarriers between the guard bands survive; the kept value stays centred.
    const long long n = m_fft_length;
    clean_groups(entry.subcarrier_set, [&](int v) {
        const long long column = static_cast<long long>(v) + n / 2;
        return column >= m_guard_low_subcarr && column < n - m_guard_up_subcarr;
    });
}

bool lib_ofdm_config_manager_t::set_preamble_ref_iq_vct(complex_vector_t values) {
    m_preamble_ref_iq_vct = std::move(values);
    return true;
}

bool lib_ofdm_config_manager_t::set_pilot_ref_iq_vct(complex_vector_t values) {
    m_pilot_ref_iq_vct = std::move(values);
    return true;
}

bool lib_ofdm_config_manager_t::set_include_gurad_sub_carr(bool include) {
    m_include_gurad_sub_carr = include;
    return true;
}

bool lib_ofdm_config_manager_t::set_use_ui_map(bool use_ui_map) {
    m_use_ui_map = use_ui_map;
    return true;
}

bool lib_ofdm_config_manager_t::set_debug_en(bool enable) {
    m_debug_en = enable;
    return true;
}

bool lib_ofdm_config_manager_t::set_load_address(const std::string& directory) {
    m_load_address = directory;
    return true;
}

bool lib_ofdm_config_manager_t::is_equal(const lib_ofdm_config_manager_t& a, const lib_ofdm_config_manager_t& b) {
    using common = lib_ofdm_demod_common_t;
    return a.m_standard == b.m_standard && a.m_system_sample_rate == b.m_system_sample_rate &&
           a.m_dvx_sample_rate == b.m_dvx_sample_rate && a.m_sample_rate == b.m_sample_rate &&
           a.m_fft_length == b.m_fft_length && a.m_guard_low_subcarr == b.m_guard_low_subcarr &&
           a.m_guard_up_subcarr == b.m_guard_up_subcarr && a.m_half_subcarrier_shift == b.m_half_subcarrier_shift &&
           a.m_dft_spread == b.m_dft_spread && a.m_transmitter_window_beta == b.m_transmitter_window_beta &&
           a.m_guard_interval_per_symbol == b.m_guard_interval_per_symbol &&
           a.m_guard_interval_repeat_index == b.m_guard_interval_repeat_index && a.m_time_gaps == b.m_time_gaps &&
           a.m_time_gaps_repeat_index == b.m_time_gaps_repeat_index &&
           common::is_equal_resource_mapping_vct(a.m_resource_mapping_vct, b.m_resource_mapping_vct) &&
           a.m_user_boosting == b.m_user_boosting && common::is_equal_equalizer(a.m_equalizer, b.m_equalizer) &&
           common::is_equal_tracking(a.m_tracking, b.m_tracking) && common::is_equal_filter(a.m_filter, b.m_filter) &&
           a.m_symbol_timing_adjustment == b.m_symbol_timing_adjustment &&
           a.m_synchronization_mode == b.m_synchronization_mode && a.m_analy_symbol_num == b.m_analy_symbol_num &&
           a.m_meas_symbol_num == b.m_meas_symbol_num && a.m_meas_symbol_offset == b.m_meas_symbol_offset &&
           a.m_preamble_repeat_index == b.m_preamble_repeat_index &&
           a.m_pilot_repeat_index == b.m_pilot_repeat_index && a.m_downsampling_ratio == b.m_downsampling_ratio &&
           a.m_include_gurad_sub_carr == b.m_include_gurad_sub_carr && a.m_use_ui_map == b.m_use_ui_map &&
           a.m_subcarr_space == b.m_subcarr_space && a.m_subcarr_num == b.m_subcarr_num &&
           a.m_ofdm_len == b.m_ofdm_len && a.m_cp_length_set == b.m_cp_length_set &&
           a.m_cp_length_per_sym_vct == b.m_cp_length_per_sym_vct &&
           a.m_time_gaps_per_sym_vct == b.m_time_gaps_per_sym_vct &&
           a.m_interval_per_sym_vct == b.m_interval_per_sym_vct && a.m_window_half_length == b.m_window_half_length &&
           a.m_preamble_index_map == b.m_preamble_index_map && a.m_pilot_index_map == b.m_pilot_index_map &&
           a.m_payload_index_map == b.m_payload_index_map &&
           a.m_preamble_sym_index_vct == b.m_preamble_sym_index_vct &&
           a.m_pilot_sym_index_vct == b.m_pilot_sym_index_vct &&
           a.m_payload_sym_index_vct == b.m_payload_sym_index_vct && a.m_fft_advance == b.m_fft_advance &&
           lib_ofdm_ref_resource_data_vct_manager_t::is_equal(a.m_ref_resource_data_vct_manager,
                                                              b.m_ref_resource_data_vct_manager) &&
           lib_ofdm_resource_map_manager_t::is_equal(a.m_resource_map_manager, b.m_resource_map_manager) &&
           lib_ofdm_resource_mod_map_manager_t::is_equal(a.m_resource_mod_map_manager,
                                                         b.m_resource_mod_map_manager) &&
           a.m_debug_en == b.m_debug_en && a.m_load_address == b.m_load_address;
}

}  // namespace vek::ofdm_demod_lib
