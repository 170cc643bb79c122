#include "lib_ofdm_window_sums.hpp"

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

namespace vek::ofdm_demod_lib::detail {

void split_parts(const complex_t* p, std::size_t n, std::vector<float>& re, std::vector<float>& im) {
    re.resize(n);
    im.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        re[k] = p[k].real();
        im[k] = p[k].imag();
    }
}

VEK_CLONE_FOR_AVX
void sum_windows_against(const float* __restrict a_re, const float* __restrict a_im,
                         const float* __restrict b_re, const float* __restrict b_im, std::size_t len,
                         std::size_t count, float* __restrict energy, float* __restrict cross_re,
                         float* __restrict cross_im) {
    for (std::size_t c = 0; c < count; ++c) energy[c] = cross_re[c] = cross_im[c] = 0.0f;
    for (std::size_t k = 0; k < len; ++k) {
        const float br = b_re[k];
        const float bi = b_im[k];
        const float* ar = a_re + k;
        const float* ai = a_im + k;
        for (std::size_t c = 0; c < count; ++c) {
            // a conj(b) written out, each product rounded on its own (no NaN check per sample).
            energy[c] += ar[c] * ar[c] + ai[c] * ai[c];
            cross_re[c] += ar[c] * br + ai[c] * bi;
            cross_im[c] += ai[c] * br - ar[c] * bi;
        }
    }
}

VEK_CLONE_FOR_AVX
void sum_windows_lagged(const float* __restrict a_re, const float* __restrict a_im, std::size_t lag,
                        std::size_t len, std::size_t count, float* __restrict energy_a,
                        float* __restrict energy_b, float* __restrict cross_re, float* __restrict cross_im) {
    for (std::size_t c = 0; c < count; ++c) energy_a[c] = energy_b[c] = cross_re[c] = cross_im[c] = 0.0f;
    for (std::size_t k = 0; k < len; ++k) {
        const float* ar = a_re + k;
        const float* ai = a_im + k;
        const float* br = ar + lag;
        const float* bi = ai + lag;
        for (std::size_t c = 0; c < count; ++c) {
            energy_a[c] += ar[c] * ar[c] + ai[c] * ai[c];
            energy_b[c] += br[c] * br[c] + bi[c] * bi[c];
            cross_re[c] += ar[c] * br[c] + ai[c] * bi[c];
            cross_im[c] += ai[c] * br[c] - ar[c] * bi[c];
        }
    }
}

}  // namespace vek::ofdm_demod_lib::detail
