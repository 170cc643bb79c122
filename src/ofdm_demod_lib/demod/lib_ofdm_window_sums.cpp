#include "lib_ofdm_window_sums.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

namespace vek::ofdm_demod_lib::detail {
namespace {

constexpr double k_energy_floor = 1e-12;

// normalised_correlation of every entry with finite cross sums (the magnitude as the root of the
// double sum of squares), built for AVX too where the processor has it.
VEK_CLONE_FOR_AVX
void normalise_lanes(const float* __restrict energy_a, const float* __restrict energy_b,
                     const float* __restrict cross_re, const float* __restrict cross_im, std::size_t n,
                     float* __restrict metric) {
    for (std::size_t i = 0; i < n; ++i) {
        const double denominator =
            std::sqrt(static_cast<double>(energy_a[i]) * static_cast<double>(energy_b[i]));
        const double re = cross_re[i];
        const double im = cross_im[i];
        const auto cross_abs = static_cast<float>(std::sqrt(re * re + im * im));
        const auto value = static_cast<float>(static_cast<double>(cross_abs) / denominator);
        metric[i] = denominator < k_energy_floor ? 0.0f : value;
    }
}

}  // namespace

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
void sum_window_energies(const float* __restrict a_re, const float* __restrict a_im, std::size_t len,
                         std::size_t count, float* __restrict energy) {
    for (std::size_t c = 0; c < count; ++c) energy[c] = 0.0f;
    for (std::size_t k = 0; k < len; ++k) {
        const float* ar = a_re + k;
        const float* ai = a_im + k;
        for (std::size_t c = 0; c < count; ++c) energy[c] += ar[c] * ar[c] + ai[c] * ai[c];
    }
}

VEK_CLONE_FOR_AVX
void sum_windows_lagged(const float* __restrict a_re, const float* __restrict a_im, std::size_t lag,
                        std::size_t len, std::size_t count, float* __restrict cross_re,
                        float* __restrict cross_im) {
    for (std::size_t c = 0; c < count; ++c) cross_re[c] = cross_im[c] = 0.0f;
    for (std::size_t k = 0; k < len; ++k) {
        const float* ar = a_re + k;
        const float* ai = a_im + k;
        const float* br = ar + lag;
        const float* bi = ai + lag;
        for (std::size_t c = 0; c < count; ++c) {
            cross_re[c] += ar[c] * br[c] + ai[c] * bi[c];
            cross_im[c] += ai[c] * br[c] - ar[c] * bi[c];
        }
    }
}

float normalised_correlation(float energy_a, float energy_b, float cross_re, float cross_im) {
    const double denominator = std::sqrt(static_cast<double>(energy_a) * static_cast<double>(energy_b));
    if (denominator < k_energy_floor) return 0.0f;
    const float cross_abs = common_lib::lib_common_math_t::get_complex_magnitude({cross_re, cross_im});
    return static_cast<float>(static_cast<double>(cross_abs) / denominator);
}

void normalise_correlations(const float* energy_a, const float* energy_b, const float* cross_re,
                            const float* cross_im, std::size_t n, float* metric) {
    normalise_lanes(energy_a, energy_b, cross_re, cross_im, n, metric);
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(cross_re[i]) || !std::isfinite(cross_im[i]))
            metric[i] = normalised_correlation(energy_a[i], energy_b[i], cross_re[i], cross_im[i]);
    }
}

}  // namespace vek::ofdm_demod_lib::detail
