// Stand-ins for the stages that are not written yet: each succeeds without touching the buffers.
// A stage's file replaces its stand-in here when it lands.
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::ofdm_demod_lib {


}  // namespace vek::ofdm_demod_lib
