// The group of eight windows on one 256-bit register or on two 128-bit ones; every lane adds the
// same products in the same order either way.
#include "lib_ofdm_window_group.hpp"

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/common_lib/math/lib_float4.hpp"

namespace vek::ofdm_demod_lib::detail {
namespace {

// Lanes l < 4 of both halves: windows first + l.
void group_halves(const complex_t* a, const float* b_re, const float* b_im, std::size_t len, float* energy,
                  float* cross_re, float* cross_im) {
    using namespace vek::common_lib::float4;
    for (std::size_t first = 0; first < k_window_group; first += 4) {
        const auto* run = reinterpret_cast<const float*>(a + first);
        float4_t energy_a = splat(0.0f);
        float4_t sum_re = energy_a;
        float4_t sum_im = energy_a;
        for (std::size_t k = 0; k < len; ++k) {
            const float4_t low = load(run + 2 * k);
            const float4_t high = load(run + 2 * k + 4);
            const float4_t ar = real_parts(low, high);
            const float4_t ai = imag_parts(low, high);
            const float4_t br = splat(b_re[k]);
            const float4_t bi = splat(b_im[k]);
            // a conj(b) written out, each product rounded on its own.
            energy_a += ar * ar + ai * ai;
            sum_re += ar * br + ai * bi;
            sum_im += ai * br - ar * bi;
        }
        store(energy + first, energy_a);
        store(cross_re + first, sum_re);
        store(cross_im + first, sum_im);
    }
}

#if VEK_HAS_WIDE_KERNELS
using vek::common_lib::cpu::float8_t;

// The parts are split within each 128-bit half (one shuffle each), so the lanes hold the windows
// 0, 1, 4, 5, 2, 3, 6, 7; the sums go back to window order at the end.
VEK_TARGET_AVX void group_wide(const complex_t* a, const float* b_re, const float* b_im, std::size_t len,
                               float* energy, float* cross_re, float* cross_im) {
    using vek::common_lib::cpu::load8;
    const auto* run = reinterpret_cast<const float*>(a);
    float8_t energy_a = {};
    float8_t sum_re = {};
    float8_t sum_im = {};
    for (std::size_t k = 0; k < len; ++k) {
        const float8_t low = load8(run + 2 * k);
        const float8_t high = load8(run + 2 * k + 8);
        const float8_t ar = __builtin_shufflevector(low, high, 0, 2, 8, 10, 4, 6, 12, 14);
        const float8_t ai = __builtin_shufflevector(low, high, 1, 3, 9, 11, 5, 7, 13, 15);
        const float r = b_re[k];
        const float i = b_im[k];
        const float8_t br = {r, r, r, r, r, r, r, r};
        const float8_t bi = {i, i, i, i, i, i, i, i};
        energy_a += ar * ar + ai * ai;
        sum_re += ar * br + ai * bi;
        sum_im += ai * br - ar * bi;
    }
    constexpr std::size_t window_of_lane[k_window_group] = {0, 1, 4, 5, 2, 3, 6, 7};
    for (std::size_t l = 0; l < k_window_group; ++l) {
        energy[window_of_lane[l]] = energy_a[l];
        cross_re[window_of_lane[l]] = sum_re[l];
        cross_im[window_of_lane[l]] = sum_im[l];
    }
}
#endif

}  // namespace

void sum_window_group_against(const complex_t* a, const float* b_re, const float* b_im, std::size_t len,
                              float* energy, float* cross_re, float* cross_im, bool wide) {
#if VEK_HAS_WIDE_KERNELS
    if (wide && vek::common_lib::cpu::cpu_has_avx()) {
        group_wide(a, b_re, b_im, len, energy, cross_re, cross_im);
        return;
    }
#endif
    static_cast<void>(wide);
    group_halves(a, b_re, b_im, len, energy, cross_re, cross_im);
}

}  // namespace vek::ofdm_demod_lib::detail
