// Equality of configuration records. Floats compare as floats, so a NaN never equals anything:
// a configuration holding a NaN is never "unchanged".
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

bool lib_ofdm_demod_common_t::is_equal_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& a,
                                                           const std::vector<lib_ofdm_res_info_t>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const lib_ofdm_res_info_t& x = a[i];
        const lib_ofdm_res_info_t& y = b[i];
        if (x.name != y.name || x.type != y.type || x.symbol_set != y.symbol_set ||
            x.subcarrier_set != y.subcarrier_set || x.modulation != y.modulation ||
            !(x.boost_level == y.boost_level)) {
            return false;
        }
    }
    return true;
}

bool lib_ofdm_demod_common_t::is_equal_equalizer(const lib_ofdm_eq_info_t& a, const lib_ofdm_eq_info_t& b) {
    return a.equalizer_use_preamble == b.equalizer_use_preamble && a.equalizer_use_pilot == b.equalizer_use_pilot &&
           a.equalizer_use_dc_pilot == b.equalizer_use_dc_pilot && a.equalizer_use_data == b.equalizer_use_data &&
           a.equalizer_averaging_mode == b.equalizer_averaging_mode &&
           a.initial_equalizer_mode == b.initial_equalizer_mode &&
           a.initial_equalizer_symbols == b.initial_equalizer_symbols;
}

bool lib_ofdm_demod_common_t::is_equal_tracking(const lib_ofdm_track_info_t& a, const lib_ofdm_track_info_t& b) {
    return a.inclulde_data_subcarriers == b.inclulde_data_subcarriers && a.track_amplitude == b.track_amplitude &&
           a.track_phase == b.track_phase && a.track_timing == b.track_timing;
}

// Decided by a's selection alone. A record that selects no filter never compares equal, so two
// configurations without a receive filter are always treated as different.
bool lib_ofdm_demod_common_t::is_equal_filter(const lib_ofdm_filter_info_t& a, const lib_ofdm_filter_info_t& b) {
    const bool same_coefficients = a.arb_coefficients == b.arb_coefficients &&
                                   a.arb_coefficients_sample_ratio == b.arb_coefficients_sample_ratio;
    switch (a.selection) {
        case LIB_OFDM_FILTER_SELECTION_ARB:
            return same_coefficients;
        case LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC:
            if (a.ws_auto_length != b.ws_auto_length) return false;
            if (!a.ws_auto_length && a.ws_length != b.ws_length) return false;
            return same_coefficients;
        default:
            return false;
    }
}

}  // namespace vek::ofdm_demod_lib
