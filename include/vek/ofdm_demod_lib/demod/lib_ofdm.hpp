#pragma once
// The object a host creates to demodulate one OFDM capture: the pipeline plus a debug switch that
// writes the configuration, the input and the results as text files below a dump directory.
//
//   lib_ofdm_t demod;
//   demod.set_config_manager(cfg);   // a copy is taken
//   demod.set_input_data(samples);
//   if (demod.process()) float evm = demod.get_result_evm_rms();
#include <string>
#include <vector>

#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_t : public lib_ofdm_demod_t {
public:
    static constexpr const char* k_default_dump_address = "/usr/bin/orvanex/usr/mass_storage/local/data";

    lib_ofdm_t() = default;

    bool set_config_manager(const lib_ofdm_config_manager_t& config);
    bool set_input_data(const complex_vector_t& samples);
    bool process();

    bool get_debug_en() const { return m_debug_en; }
    const std::string& get_dump_address() const { return m_load_address; }

    std::int32_t get_result_frame_dly() const { return result().m_frame_dly; }
    float get_result_dly_est() const { return result().m_dly_est; }
    float get_result_time_offset() const { return result().m_time_offset; }
    float get_result_freq_error_est() const { return result().m_freq_error_est; }
    float get_result_sync_corr() const { return result().m_ofdm_sync_corr; }
    std::int32_t get_result_analy_symbol_num() const { return result().m_analy_symbol_num; }
    std::int32_t get_result_ofdm_vaild_num() const { return result().m_ofdm_vaild_num; }
    std::vector<std::int32_t> get_result_meas_symbol_range() const { return result().m_meas_symbol_range; }
    float get_result_rms_evm_preamble() const { return result().m_preamble_evm_rms; }
    float get_result_max_evm_preamble() const { return result().m_preamble_evm_max; }
    float get_result_pilot_evm_rms() const { return result().m_pilot_evm_rms; }
    float get_result_pilot_evm_max() const { return result().m_pilot_evm_max; }
    float get_result_payload_evm_rms() const { return result().m_payload_evm_rms; }
    float get_result_payload_evm_max() const { return result().m_payload_evm_max; }
    float get_result_evm_rms() const { return result().m_evm_rms; }
    float get_result_evm_max() const { return result().m_evm_max; }
    float get_result_preamble_sinr() const { return result().m_preamble_sinr; }
    float get_result_pilot_sinr() const { return result().m_pilot_sinr; }
    float get_result_payload_sinr() const { return result().m_payload_sinr; }
    float get_result_snr_mer() const { return result().m_snr_mer; }
    cell_grid_t get_result_ofdm_demod_data() const { return result().m_ofdm_demod_data; }
    complex_vector_t get_result_preamble_sample_data() const { return result().m_preamble_sample_data; }
    complex_vector_t get_result_pilot_sample_iq() const { return result().m_pilot_sample_iq; }
    complex_vector_t get_result_payload_sample_sym() const { return result().m_payload_sample_sym; }
    complex_vector_t get_result_data_ref() const { return result().m_data_ref; }
    std::vector<std::vector<float>> get_result_evm_map() const { return result().m_evm_map; }
    float get_result_channel_power() const { return result().m_channel_power; }

private:
    const lib_ofdm_result_t& result() const { return get_ofdm_demod_result(); }

    bool m_debug_en = false;
    std::string m_load_address = k_default_dump_address;
};

}  // namespace vek::ofdm_demod_lib
