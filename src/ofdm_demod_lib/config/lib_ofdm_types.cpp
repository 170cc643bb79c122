#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

lib_ofdm_eq_info_t default_equalizer() {
    lib_ofdm_eq_info_t eq;
    eq.equalizer_use_preamble = true;
    eq.equalizer_use_pilot = false;
    eq.equalizer_use_dc_pilot = false;
    eq.equalizer_use_data = false;
    eq.equalizer_averaging_mode = 0;
    eq.initial_equalizer_mode = 0;
    eq.initial_equalizer_symbols = 4;
    return eq;
}

lib_ofdm_track_info_t default_tracking() {
    lib_ofdm_track_info_t track;
    track.inclulde_data_subcarriers = false;
    track.track_amplitude = false;
    track.track_phase = true;
    track.track_timing = true;
    return track;
}

lib_ofdm_filter_info_t default_filter() {
    lib_ofdm_filter_info_t filter;
    filter.selection = LIB_OFDM_FILTER_SELECTION_NONE;
    filter.arb_coefficients = {1.0f};
    filter.arb_coefficients_sample_ratio = 1.0f;
    filter.ws_auto_length = true;
    filter.ws_length = 32;
    filter.ws_window = LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HANN;
    filter.ws_pass_bandwidth = 0.8f;
    filter.ws_transition_bandwidth = 0.1f;
    return filter;
}

}  // namespace vek::ofdm_demod_lib
