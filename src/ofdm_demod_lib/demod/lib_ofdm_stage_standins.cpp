// Stand-ins for the stages that are not written yet: each succeeds without touching the buffers.
// A stage's file replaces its stand-in here when it lands.
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::ofdm_demod_lib {

bool lib_ofdm_demod_t::_init_ref_file_freq() { return true; }
bool lib_ofdm_demod_t::_init_ref_file_time() { return true; }
bool lib_ofdm_demod_t::_deal_ofdm_fine_delay() { return true; }
void lib_ofdm_demod_t::_deal_half_subcarrier_shift() {}
bool lib_ofdm_demod_t::_deal_ofdm_cp_freq_error_estimate() { return true; }
bool lib_ofdm_demod_t::_deal_ofdm_fine_freq_error_estimate() { return true; }
bool lib_ofdm_demod_t::_deal_ofdm_demod() { return true; }

}  // namespace vek::ofdm_demod_lib
