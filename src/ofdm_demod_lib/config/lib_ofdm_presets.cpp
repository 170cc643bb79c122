// Applying a standard preset to the configuration manager.
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_protocol_preset.hpp"

namespace vek::ofdm_demod_lib {

namespace {

// The checked parameters go through their setters so that every derived quantity is recomputed in
// the usual order; the FFT length is set before the guard-interval list, whose cyclic prefixes
// depend on it. The remaining setters never refuse and store exactly what the preset holds (the
// sample rate also refreshes the subcarrier spacing, the half-subcarrier shift the carrier count).
void apply_protocol_preset(lib_ofdm_config_manager_t& manager, const lib_ofdm_protocol_preset_t& preset) {
    manager.set_analy_symbol_num(preset.analy_symbol_num);
    manager.set_meas_symbol_num(preset.meas_symbol_num);
    manager.set_meas_symbol_offset(preset.meas_symbol_offset);

    manager.set_system_sample_rate(preset.system_sample_rate);

    manager.set_fft_length(preset.fft_length);
    manager.set_guard_low_subcarr(preset.guard_low_subcarr);
    manager.set_guard_up_subcarr(preset.guard_up_subcarr);

    manager.set_half_subcarrier_shift(preset.half_subcarrier_shift);

    manager.set_guard_interval_per_symbol(preset.guard_interval_per_symbol);
    manager.set_guard_interval_repeat_index(0);

    manager.set_time_gaps({0});
    manager.set_time_gaps_repeat_index(0);

    manager.set_dft_spread(preset.dft_spread);
    manager.set_transmitter_window_beta(preset.transmitter_window_beta);

    manager.set_resource_mapping_vct(preset.resource_mapping_vct);

    manager.set_user_boosting(preset.user_boosting);
    manager.set_equalizer(preset.equalizer);
    manager.set_tracking(preset.tracking);
    manager.set_filter(preset.filter);

    manager.set_symbol_timing_adjustment(preset.symbol_timing_adjustment);

    manager.set_synchronization_mode(preset.synchronization_mode);
    manager.set_preamble_repeat_index(0);
    manager.set_pilot_repeat_index(0);
}

}  // namespace

void lib_ofdm_config_manager_t::_protocol_preset_wifi() {
    apply_protocol_preset(*this, generate_protocol_preset(LIB_OFDM_STANDARD_TYPE_WIFI));
}

void lib_ofdm_config_manager_t::_protocol_preset_lte_dl() {
    apply_protocol_preset(*this, generate_protocol_preset(LIB_OFDM_STANDARD_TYPE_LTE_DL));
}

void lib_ofdm_config_manager_t::_protocol_preset_lte_ul() {
    apply_protocol_preset(*this, generate_protocol_preset(LIB_OFDM_STANDARD_TYPE_LTE_UL));
}

bool lib_ofdm_config_manager_t::preset_to_test_model() {
    switch (m_standard) {
        case LIB_OFDM_STANDARD_TYPE_WIFI:
            _protocol_preset_wifi();
            common_lib::report_line("NOW IS WIFI");
            break;
        case LIB_OFDM_STANDARD_TYPE_LTE_DL:
            _protocol_preset_lte_dl();
            common_lib::report_line("NOW IS LTE_DL");
            break;
        case LIB_OFDM_STANDARD_TYPE_LTE_UL:
            _protocol_preset_lte_ul();
            common_lib::report_line("NOW IS LTE_UL");
            break;
        default:
            _protocol_preset_wifi();
            common_lib::report_line("test_model default");
            break;
    }
    return true;
}

}  // namespace vek::ofdm_demod_lib
