#include "lib_ofdm_rotator_ramp.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

namespace vek::ofdm_demod_lib::detail {
namespace {

// The products and divisions four to a register with AVX, each rounded as the scalar one. A
// divisor of 1 divides exactly: the products alone then (a division costs several products).
VEK_CLONE_FOR_AVX void ramp_phases(double step, double divisor, int n, float* phase) {
    if (divisor == 1.0) {
        for (int k = 0; k < n; ++k) phase[k] = static_cast<float>(step * static_cast<double>(k));
        return;
    }
    for (int k = 0; k < n; ++k) phase[k] = static_cast<float>(step * static_cast<double>(k) / divisor);
}

}  // namespace

void rotator_ramp(double step, double divisor, std::size_t n, std::vector<float>& phase, complex_t* out) {
    phase.resize(n);
    ramp_phases(step, divisor, static_cast<int>(n), phase.data());
    // Below 2^-12 rad the rounded cosine is 1 and the rounded sine the phase itself (cos p = 1 -
    // p^2/2 with p^2/2 < 2^-25, and |sin p - p| < p^3/6 is under a sixth of p's unit in the last
    // place). The phases grow in magnitude with k, so the small ones are a leading run: a residual
    // frequency of a few hertz keeps a whole symbol's table in it, without a sine or cosine call.
    constexpr float k_small = 0x1p-12f;
    std::size_t k = 0;
    for (; k < n && std::fabs(phase[k]) < k_small; ++k) out[k] = {1.0f, phase[k]};
    for (; k < n; ++k) out[k] = {std::cos(phase[k]), std::sin(phase[k])};
}

}  // namespace vek::ofdm_demod_lib::detail
