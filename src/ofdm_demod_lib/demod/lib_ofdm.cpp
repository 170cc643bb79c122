// The host-facing facade: forwards to the pipeline and follows the configuration's debug switch.
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

namespace vek::ofdm_demod_lib {

bool lib_ofdm_t::set_config_manager(const lib_ofdm_config_manager_t& config) {
    m_debug_en = config.get_debug_en();
    if (m_debug_en) m_load_address = config.get_load_address();
    return set_ofdm_demod_info(config);
}

bool lib_ofdm_t::set_input_data(const complex_vector_t& samples) { return set_sample_data(samples); }

bool lib_ofdm_t::process() { return lib_ofdm_demod_t::process(); }

}  // namespace vek::ofdm_demod_lib
