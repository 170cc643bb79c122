// Stand-ins for the stages that are not written yet: each succeeds without touching the buffers.
// A stage's file replaces its stand-in here when it lands.
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::ofdm_demod_lib {

bool lib_ofdm_demod_t::set_sample_data(const complex_vector_t& samples) {
    m_sample_data = samples;
    m_sample_data_len = static_cast<std::int32_t>(samples.size());
    m_is_data_ready = true;
    return true;
}
void lib_ofdm_demod_t::_init_load_file_filter() {}
bool lib_ofdm_demod_t::_deal_ofdm_frame_sync() { return true; }
void lib_ofdm_demod_t::_deal_ofdm_channel_power() {}

}  // namespace vek::ofdm_demod_lib
