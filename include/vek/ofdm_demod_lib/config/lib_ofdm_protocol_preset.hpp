#pragma once
// The complete frame description of each standard preset as plain data: the configuration
// manager's preset_to_test_model() applies it through its setters, and the reference-data
// generator under tools/ paints the same resource entries into the map files of data/.
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

struct lib_ofdm_protocol_preset_t {
    int analy_symbol_num = 0;
    int meas_symbol_num = 0;
    int meas_symbol_offset = 0;
    float system_sample_rate = 0.0f;  // Hz
    int fft_length = 0;
    int guard_low_subcarr = 0;  // empty bins below the used band
    int guard_up_subcarr = 0;   // empty bins above the used band
    bool half_subcarrier_shift = false;
    int subcarr_num = 0;                           // used subcarriers, DC excluded
    std::vector<float> guard_interval_per_symbol;  // cyclic prefix, fraction of the FFT length
    bool dft_spread = false;
    float transmitter_window_beta = 0.0f;
    std::vector<lib_ofdm_res_info_t> resource_mapping_vct;  // subcarriers centred (0 = DC)
    float user_boosting = 1.0f;
    lib_ofdm_eq_info_t equalizer;
    lib_ofdm_track_info_t tracking;
    lib_ofdm_filter_info_t filter;
    float symbol_timing_adjustment = 0.0f;  // percent of the FFT length, negative = earlier
    lib_ofdm_synchronization_mode_t synchronization_mode = LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION;
    // Applied by set_standard after the preset itself.
    float sample_rate = 0.0f;            // Hz
    bool include_gurad_sub_carr = true;  // whether the map files hold the guard bins too
};

// The preset of a standard; any value other than the two LTE ones gives the WLAN preset.
lib_ofdm_protocol_preset_t generate_protocol_preset(lib_ofdm_standard_type_t standard);

}  // namespace vek::ofdm_demod_lib
