// The three standard presets as data: frame geometry, receiver options and resource entries.
#include "vek/ofdm_demod_lib/config/lib_ofdm_protocol_preset.hpp"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace vek::ofdm_demod_lib {

namespace {

using int_list_t = std::vector<int>;

// first, first + step, ... up to last inclusive.
int_list_t range(int first, int last, int step = 1) {
    int_list_t values;
    for (int v = first; v <= last; v += step) values.push_back(v);
    return values;
}

// -b ... -a together with a ... b.
int_list_t plus_minus(int a, int b) {
    int_list_t values = range(-b, -a);
    const int_list_t upper = range(a, b);
    values.insert(values.end(), upper.begin(), upper.end());
    return values;
}

template <typename Keep>
int_list_t filtered(const int_list_t& values, Keep keep) {
    int_list_t kept;
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept), keep);
    return kept;
}

bool contains(const int_list_t& values, int v) {
    return std::find(values.begin(), values.end(), v) != values.end();
}

lib_ofdm_res_info_t entry(std::string name, lib_ofdm_resource_flag_t type, std::vector<int_list_t> symbol_set,
                          std::vector<int_list_t> subcarrier_set, lib_ofdm_mod_level_t modulation,
                          float boost_level) {
    lib_ofdm_res_info_t e;
    e.name = std::move(name);
    e.type = type;
    e.symbol_set = std::move(symbol_set);
    e.subcarrier_set = std::move(subcarrier_set);
    e.modulation = modulation;
    e.boost_level = boost_level;
    return e;
}

// The presets start from the receiver defaults and change what their standard needs.
lib_ofdm_filter_info_t preset_filter(lib_ofdm_filter_selection_t selection) {
    lib_ofdm_filter_info_t f = default_filter();
    f.selection = selection;
    return f;
}

lib_ofdm_eq_info_t preset_equalizer(bool use_preamble, bool use_pilot, bool use_dc_pilot, int initial_mode) {
    lib_ofdm_eq_info_t eq = default_equalizer();
    eq.equalizer_use_preamble = use_preamble;
    eq.equalizer_use_pilot = use_pilot;
    eq.equalizer_use_dc_pilot = use_dc_pilot;
    eq.initial_equalizer_mode = initial_mode;
    return eq;
}

// The presets track the common phase only.
lib_ofdm_track_info_t preset_tracking() {
    lib_ofdm_track_info_t t = default_tracking();
    t.track_timing = false;
    return t;
}

// LTE slot: a 5.2 us prefix (40 samples at 7.68 MS/s) then six of 4.7 us (36 samples).
std::vector<float> lte_guard_intervals() {
    return {0.078125f, 0.0703125f, 0.0703125f, 0.0703125f, 0.0703125f, 0.0703125f, 0.0703125f};
}

// What both LTE presets share: one 10 ms frame of 140 symbols at 7.68 MS/s, 300 subcarriers of a
// 512-point FFT, normal cyclic prefix, synchronised on the prefixes.
lib_ofdm_protocol_preset_t lte_frame() {
    lib_ofdm_protocol_preset_t p;
    p.analy_symbol_num = 140;
    p.meas_symbol_num = 140;
    p.meas_symbol_offset = 0;
    p.system_sample_rate = 7680000.0f;
    p.fft_length = 512;
    p.guard_low_subcarr = 106;
    p.subcarr_num = 300;
    p.guard_interval_per_symbol = lte_guard_intervals();
    p.transmitter_window_beta = 0.005f;
    p.user_boosting = 1.0f;
    p.symbol_timing_adjustment = -3.125f;
    p.synchronization_mode = LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX;
    p.sample_rate = 7680000.0f;
    return p;
}

// IEEE 802.11a 17.3: 64-point FFT at 20 MS/s, 52 used subcarriers, 16-sample guard interval.
lib_ofdm_protocol_preset_t wifi_preset() {
    lib_ofdm_protocol_preset_t p;
    p.analy_symbol_num = 64;
    p.meas_symbol_num = 64;
    p.meas_symbol_offset = 0;
    p.system_sample_rate = 20000000.0f;
    p.fft_length = 64;
    p.guard_low_subcarr = 6;
    p.guard_up_subcarr = 5;
    p.half_subcarrier_shift = false;
    p.subcarr_num = 52;
    p.guard_interval_per_symbol = {0.25f};
    p.dft_spread = false;
    p.transmitter_window_beta = 0.005f;
    const int_list_t used = plus_minus(1, 26);
    p.resource_mapping_vct = {
        entry("Data1", LIB_OFDM_RESOURCE_FLAG_DATA, {{4}}, {used}, LIB_OFDM_MOD_LEVEL_BPSK, 1.0f),
        entry("Data2", LIB_OFDM_RESOURCE_FLAG_DATA, {range(5, 63)}, {used}, LIB_OFDM_MOD_LEVEL_64QAM, 1.0f),
        // Short training: every fourth subcarrier, giving the 16-sample period.
        entry("Preamble1", LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0, 1}}, {plus_minus(1, 6)},
              LIB_OFDM_MOD_LEVEL_NONE, 0.0f),
        entry("Preamble2", LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{2, 3}}, {used}, LIB_OFDM_MOD_LEVEL_NONE, 0.0f),
        entry("Pilot", LIB_OFDM_RESOURCE_FLAG_PILOT, {range(4, 63)}, {{-21, -7, 7, 21}},
              LIB_OFDM_MOD_LEVEL_NONE, 0.0f),
    };
    for (int& v : p.resource_mapping_vct[2].subcarrier_set[0]) v *= 4;
    p.user_boosting = 1.0f;
    p.equalizer = preset_equalizer(true, true, false, 1);
    p.tracking = preset_tracking();
    p.filter = preset_filter(LIB_OFDM_FILTER_SELECTION_NONE);
    p.symbol_timing_adjustment = -12.5f;
    p.synchronization_mode = LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION;
    p.sample_rate = 20000000.0f;
    p.include_gurad_sub_carr = true;
    return p;
}

// 3GPP TS 36.211, 5 MHz downlink: 25 resource blocks (300 subcarriers) of a 512-point FFT at
// 7.68 MS/s, one frame of 140 symbols, cell identity 0 and one antenna port.
lib_ofdm_protocol_preset_t lte_dl_preset() {
    lib_ofdm_protocol_preset_t p = lte_frame();
    p.guard_up_subcarr = 105;
    p.half_subcarrier_shift = false;
    p.dft_spread = false;

    // Subcarriers of the port-0 reference signal with v_shift = 0 (every third subcarrier, DC not
    // counted), over both of its combs.
    const auto in_reference_comb = [](int v) { return (v < 0 && v % 3 == 0) || (v > 0 && (v - 1) % 3 == 0); };
    const int_list_t band = plus_minus(1, 150);
    const int_list_t control_symbols = range(0, 126, 14);  // first symbol of each subframe
    const int_list_t phich = {-143, -142, -140, -139, -47, -46, -44, -43, 50, 51, 53, 54};
    const int_list_t pcfich = {-149, -148, -146, -145, -77, -76, -74, -73, 2, 3, 5, 6, 74, 75, 77, 78};

    const int_list_t pbch_first = filtered(plus_minus(1, 36), [&](int v) { return !in_reference_comb(v); });
    const int_list_t pdsch_symbols = filtered(
        range(0, 139), [](int s) { return s % 14 > 2 && !(s >= 5 && s <= 10) && s != 75 && s != 76; });
    const int_list_t sync_symbols = {5, 6, 7, 8, 9, 10, 75, 76};
    const int_list_t crs_comb0 =
        filtered(band, [](int v) { return (v < 0 && v % 6 == 0) || (v > 0 && (v - 1) % 6 == 0); });
    const int_list_t crs_comb3 =
        filtered(band, [](int v) { return (v < 0 && (v + 3) % 6 == 0) || (v > 0 && (v - 4) % 6 == 0); });
    const int_list_t pdcch_first = filtered(
        band, [&](int v) { return !in_reference_comb(v) && !contains(phich, v) && !contains(pcfich, v); });
    int_list_t pdcch_second;
    for (int k = 0; k <= 9; ++k) {
        pdcch_second.push_back(14 * k + 1);
        pdcch_second.push_back(14 * k + 2);
    }

    p.resource_mapping_vct = {
        entry("PBCH", LIB_OFDM_RESOURCE_FLAG_DATA, {{7, 8}, {9, 10}}, {pbch_first, plus_minus(1, 36)},
              LIB_OFDM_MOD_LEVEL_QPSK, 1.0f),
        entry("PDSCH", LIB_OFDM_RESOURCE_FLAG_DATA, {pdsch_symbols, sync_symbols},
              {band, plus_minus(37, 150)}, LIB_OFDM_MOD_LEVEL_16QAM, 1.0f),
        entry("PSS", LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{6, 76}}, {plus_minus(1, 31)}, LIB_OFDM_MOD_LEVEL_NONE,
              0.0f),
        entry("SSS", LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{5, 75}}, {plus_minus(1, 31)}, LIB_OFDM_MOD_LEVEL_NONE,
              0.0f),
        entry("C-RS", LIB_OFDM_RESOURCE_FLAG_PILOT, {range(0, 133, 7), range(4, 137, 7)},
              {crs_comb0, crs_comb3}, LIB_OFDM_MOD_LEVEL_NONE, 0.0f),
        entry("PDCCH", LIB_OFDM_RESOURCE_FLAG_DATA, {control_symbols, pdcch_second}, {pdcch_first, band},
              LIB_OFDM_MOD_LEVEL_QPSK, 1.0f),
        entry("PHICH", LIB_OFDM_RESOURCE_FLAG_DATA, {control_symbols}, {phich},
              LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4, 1.0f),
        entry("PCFICH", LIB_OFDM_RESOURCE_FLAG_DATA, {control_symbols}, {pcfich}, LIB_OFDM_MOD_LEVEL_QPSK,
              1.0f),
    };
    p.equalizer = preset_equalizer(false, true, false, 0);
    p.tracking = preset_tracking();
    p.filter = preset_filter(LIB_OFDM_FILTER_SELECTION_ARB);
    p.include_gurad_sub_carr = false;
    return p;
}

// 3GPP TS 36.211, 5 MHz uplink: one PUSCH over all 25 resource blocks, DMRS in the middle symbol
// of each slot, half-subcarrier shift and DFT spreading.
lib_ofdm_protocol_preset_t lte_ul_preset() {
    lib_ofdm_protocol_preset_t p = lte_frame();
    p.guard_up_subcarr = 106;
    p.half_subcarrier_shift = true;
    p.dft_spread = true;
    const int_list_t band = range(-150, 149);
    p.resource_mapping_vct = {
        entry("DMRS", LIB_OFDM_RESOURCE_FLAG_PILOT, {range(3, 136, 7)}, {band}, LIB_OFDM_MOD_LEVEL_NONE,
              0.0f),
        entry("PUSCH", LIB_OFDM_RESOURCE_FLAG_DATA, {range(0, 139)}, {band}, LIB_OFDM_MOD_LEVEL_QPSK, 1.0f),
    };
    p.equalizer = preset_equalizer(false, true, true, 1);
    p.tracking = preset_tracking();
    p.filter = preset_filter(LIB_OFDM_FILTER_SELECTION_NONE);
    p.include_gurad_sub_carr = true;
    return p;
}

}  // namespace

lib_ofdm_protocol_preset_t generate_protocol_preset(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL:
            return lte_dl_preset();
        case LIB_OFDM_STANDARD_TYPE_LTE_UL:
            return lte_ul_preset();
        default:
            return wifi_preset();
    }
}

}  // namespace vek::ofdm_demod_lib
