#include "lib_ofdm_rotator_ramp.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

namespace vek::ofdm_demod_lib::detail {
namespace {

// The products and divisions four to a register with AVX, each rounded as the scalar one.
VEK_CLONE_FOR_AVX void ramp_phases(double step, double divisor, int n, float* phase) {
    for (int k = 0; k < n; ++k) phase[k] = static_cast<float>(step * static_cast<double>(k) / divisor);
}

}  // namespace

void rotator_ramp(double step, double divisor, std::size_t n, std::vector<float>& phase, complex_t* out) {
    phase.resize(n);
    ramp_phases(step, divisor, static_cast<int>(n), phase.data());
    for (std::size_t k = 0; k < n; ++k) out[k] = {std::cos(phase[k]), std::sin(phase[k])};
}

}  // namespace vek::ofdm_demod_lib::detail
