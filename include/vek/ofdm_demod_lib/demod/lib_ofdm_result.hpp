#pragma once
// Results of one demodulation run. Units: samples, Hz, ms, percent (EVM; -100 marks a class with
// no measured cells), dB (SINR, MER), dBm into 50 ohm (channel power).
#include <cstdint>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

struct lib_ofdm_result_t {
    std::int32_t m_frame_dly = 0;        // coarse frame start, conditioned input samples
    float m_dly_est = 0.0f;              // fine frame start, samples
    float m_time_offset = 0.0f;          // fine frame start, ms
    float m_freq_error_est = 0.0f;       // carrier frequency error, Hz
    float m_ofdm_sync_corr = 0.0f;       // coarse correlation peak height, 0 ... 1
    std::int32_t m_analy_symbol_num = 0;
    std::int32_t m_ofdm_vaild_num = 0;   // measured symbols
    std::vector<std::int32_t> m_meas_symbol_range;
    float m_preamble_evm_rms = 0.0f;
    float m_preamble_evm_max = 0.0f;
    float m_pilot_evm_rms = 0.0f;
    float m_pilot_evm_max = 0.0f;
    float m_payload_evm_rms = 0.0f;
    float m_payload_evm_max = 0.0f;
    float m_evm_rms = 0.0f;
    float m_evm_max = 0.0f;
    float m_preamble_sinr = 0.0f;
    float m_pilot_sinr = 0.0f;
    float m_payload_sinr = 0.0f;
    float m_snr_mer = 0.0f;
    cell_grid_t m_ofdm_demod_data;       // equalised, tracked cells [symbol][FFT bin, centred]
    complex_vector_t m_preamble_sample_data;
    complex_vector_t m_preamble_ref_iq;
    complex_vector_t m_pilot_sample_iq;
    complex_vector_t m_pilot_ref_iq;
    complex_vector_t m_payload_sample_sym;
    complex_vector_t m_data_ref;         // ideal points of every data modulation in the frame
    std::vector<std::vector<float>> m_evm_map;  // percent per cell, one row per measured symbol
    float m_channel_power = 0.0f;        // dBm into 50 ohm
};

}  // namespace vek::ofdm_demod_lib
