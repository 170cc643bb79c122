#pragma once
// Tables of rotators along a phase ramp, as tracking removes a residual frequency or timing error
// from a symbol.
#include <cstddef>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

// out[k] = (cos p, sin p) with p = float(step k / divisor), k < n: the phases (a product and a
// division each) in a loop of their own that vectorises, then the cosine and sine of each. phase
// is a work vector (its storage, not its contents).
void rotator_ramp(double step, double divisor, std::size_t n, std::vector<float>& phase, complex_t* out);

}  // namespace vek::ofdm_demod_lib::detail
