#pragma once
// Value types and enumerations that describe an OFDM frame and the receiver options. The numeric
// values of the enumerations are stored in the settings XML and the reference files: never change
// them.
#include <complex>
#include <cstdint>
#include <string>
#include <vector>

namespace vek::ofdm_demod_lib {

using complex_t = std::complex<float>;
using complex_vector_t = std::vector<complex_t>;
using cell_grid_t = std::vector<complex_vector_t>;  // [symbol][FFT bin, centred]
using int_grid_t = std::vector<std::vector<int>>;
using bool_grid_t = std::vector<std::vector<bool>>;

enum lib_ofdm_standard_type_t : std::int32_t {
    LIB_OFDM_STANDARD_TYPE_WIFI = 0,   // 54 Mbit/s WLAN, 20 MHz, 64-point FFT
    LIB_OFDM_STANDARD_TYPE_LTE_DL = 1, // LTE downlink, 7.68 MHz, 512-point FFT
    LIB_OFDM_STANDARD_TYPE_LTE_UL = 2, // LTE uplink, 7.68 MHz, 512-point FFT, DFT-spread
};

enum lib_ofdm_synchronization_mode_t : std::int32_t {
    LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION = 0,
    LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX = 1,
};

enum lib_ofdm_resource_flag_t : std::int32_t {
    LIB_OFDM_RESOURCE_FLAG_DATA = 0,
    LIB_OFDM_RESOURCE_FLAG_PILOT = 1,
    LIB_OFDM_RESOURCE_FLAG_RESERVED = 2,  // accepted as an entry type, never written into a map
    LIB_OFDM_RESOURCE_FLAG_PREAMBLE = 3,
    LIB_OFDM_RESOURCE_FLAG_NONE = 4,      // guard band, DC, or not covered by any entry
};

enum lib_ofdm_mod_level_t : std::int32_t {
    LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4 = -1,
    LIB_OFDM_MOD_LEVEL_NONE = 0,
    LIB_OFDM_MOD_LEVEL_BPSK = 1,
    LIB_OFDM_MOD_LEVEL_QPSK = 2,
    LIB_OFDM_MOD_LEVEL_8DPSK = 3,
    LIB_OFDM_MOD_LEVEL_16QAM = 4,
    LIB_OFDM_MOD_LEVEL_32QAM = 5,
    LIB_OFDM_MOD_LEVEL_64QAM = 6,
    LIB_OFDM_MOD_LEVEL_128QAM = 7,
    LIB_OFDM_MOD_LEVEL_256QAM = 8,
    LIB_OFDM_MOD_LEVEL_512QAM = 9,
    LIB_OFDM_MOD_LEVEL_1024QAM = 10,
};

enum lib_ofdm_filter_selection_t : std::int32_t {
    LIB_OFDM_FILTER_SELECTION_NONE = 0,
    LIB_OFDM_FILTER_SELECTION_ARB = 1,
    LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC = 2,
};

enum lib_ofdm_filter_windowed_sinc_window_t : std::int32_t {
    LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HANN = 0,
    LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HAMMING = 1,
    LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_RECTANGLE = 2,
};

// One resource-mapping entry: for every group k the cells symbol_set[k] x subcarrier_set[k].
// Subcarrier numbers are centred (0 = DC); symbol indices count from the first analysed symbol.
struct lib_ofdm_res_info_t {
    std::string name;
    lib_ofdm_resource_flag_t type = LIB_OFDM_RESOURCE_FLAG_DATA;
    std::vector<std::vector<int>> symbol_set;
    std::vector<std::vector<int>> subcarrier_set;
    lib_ofdm_mod_level_t modulation = LIB_OFDM_MOD_LEVEL_NONE;
    float boost_level = 0.0f;  // linear amplitude relative to the nominal constellation
};

struct lib_ofdm_eq_info_t {
    bool equalizer_use_preamble = false;
    bool equalizer_use_pilot = false;
    bool equalizer_use_dc_pilot = false;
    bool equalizer_use_data = false;
    int equalizer_averaging_mode = 0;
    int initial_equalizer_mode = 0;
    int initial_equalizer_symbols = 0;
};

struct lib_ofdm_track_info_t {
    bool inclulde_data_subcarriers = false;
    bool track_amplitude = false;
    bool track_phase = false;
    bool track_timing = false;
};

struct lib_ofdm_filter_info_t {
    lib_ofdm_filter_selection_t selection = LIB_OFDM_FILTER_SELECTION_NONE;
    std::vector<float> arb_coefficients;
    float arb_coefficients_sample_ratio = 0.0f;
    bool ws_auto_length = false;
    int ws_length = 0;
    lib_ofdm_filter_windowed_sinc_window_t ws_window = LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HANN;
    float ws_pass_bandwidth = 0.0f;
    float ws_transition_bandwidth = 0.0f;
};

// The receiver's defaults, as the configuration manager's init() writes them (a default-
// constructed record is all zero).
lib_ofdm_eq_info_t default_equalizer();
lib_ofdm_track_info_t default_tracking();
lib_ofdm_filter_info_t default_filter();

}  // namespace vek::ofdm_demod_lib
