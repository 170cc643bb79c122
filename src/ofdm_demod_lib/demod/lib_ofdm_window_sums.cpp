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

// Per-sample terms shared by overlapping windows, kept per thread (a search sums thousands of
// blocks of windows).
struct sample_terms_t {
    std::vector<float> power, cross_re, cross_im;
};
thread_local sample_terms_t t_terms;

// power[j] = |a[j]|^2 for j < n, the sum rounded as the windows' loops round it.
VEK_CLONE_FOR_AVX
void sample_powers(const float* __restrict a_re, const float* __restrict a_im, std::size_t n,
                   float* __restrict power) {
    for (std::size_t j = 0; j < n; ++j) power[j] = a_re[j] * a_re[j] + a_im[j] * a_im[j];
}

// Window c of the terms: the sums of t[c ... c + len - 1] in sample order, c < count. Blocks of
// windows whose sums stay in registers while the terms stream past.
VEK_CLONE_FOR_AVX
void window_sums(const float* __restrict t, std::size_t len, std::size_t count, float* __restrict sums) {
    constexpr std::size_t block = 32;
    std::size_t first = 0;
    for (; first + block <= count; first += block) {
        float acc[block] = {};
        for (std::size_t k = 0; k < len; ++k) {
            const float* tk = t + first + k;
            for (std::size_t c = 0; c < block; ++c) acc[c] += tk[c];
        }
        for (std::size_t c = 0; c < block; ++c) sums[first + c] = acc[c];
    }
    for (std::size_t c = first; c < count; ++c) sums[c] = 0.0f;
    for (std::size_t k = 0; k < len; ++k) {
        const float* tk = t + k;
        for (std::size_t c = first; c < count; ++c) sums[c] += tk[c];
    }
}

VEK_CLONE_FOR_AVX
void cross_against(const float* __restrict a_re, const float* __restrict a_im, const float* __restrict b_re,
                   const float* __restrict b_im, std::size_t len, std::size_t count,
                   float* __restrict cross_re, float* __restrict cross_im) {
    for (std::size_t c = 0; c < count; ++c) cross_re[c] = cross_im[c] = 0.0f;
    for (std::size_t k = 0; k < len; ++k) {
        const float br = b_re[k];
        const float bi = b_im[k];
        const float* ar = a_re + k;
        const float* ai = a_im + k;
        for (std::size_t c = 0; c < count; ++c) {
            // a conj(b) written out, each product rounded on its own (no NaN check per sample).
            cross_re[c] += ar[c] * br + ai[c] * bi;
            cross_im[c] += ai[c] * br - ar[c] * bi;
        }
    }
}

// t[j] = a[j] conj(a[j + lag]) for j < n, written out as the windows' loops round it.
VEK_CLONE_FOR_AVX
void lagged_products(const float* __restrict a_re, const float* __restrict a_im, std::size_t lag,
                     std::size_t n, float* __restrict t_re, float* __restrict t_im) {
    const float* b_re = a_re + lag;
    const float* b_im = a_im + lag;
    for (std::size_t j = 0; j < n; ++j) {
        t_re[j] = a_re[j] * b_re[j] + a_im[j] * b_im[j];
        t_im[j] = a_im[j] * b_re[j] - a_re[j] * b_im[j];
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

// A window's sum adds, for each of its samples in order, a term rounded on its own (the product
// sums inside the brackets of `sum += a * b + c * d`). Where that term depends on the sample alone
// (a power, a product with the sample one lag later), neighbouring windows share it: it is formed
// once per sample and the windows add the stored terms, to the same bits.
void sum_windows_against(const float* a_re, const float* a_im, const float* b_re, const float* b_im,
                         std::size_t len, std::size_t count, float* energy, float* cross_re,
                         float* cross_im) {
    sum_window_energies(a_re, a_im, len, count, energy);
    cross_against(a_re, a_im, b_re, b_im, len, count, cross_re, cross_im);
}

void sum_window_energies(const float* a_re, const float* a_im, std::size_t len, std::size_t count,
                         float* energy) {
    if (count == 0) return;
    std::vector<float>& power = t_terms.power;
    power.resize(count - 1 + len);
    sample_powers(a_re, a_im, power.size(), power.data());
    window_sums(power.data(), len, count, energy);
}

void sum_windows_lagged(const float* a_re, const float* a_im, std::size_t lag, std::size_t len,
                        std::size_t count, float* cross_re, float* cross_im) {
    if (count == 0) return;
    sample_terms_t& terms = t_terms;
    terms.cross_re.resize(count - 1 + len);
    terms.cross_im.resize(count - 1 + len);
    lagged_products(a_re, a_im, lag, terms.cross_re.size(), terms.cross_re.data(), terms.cross_im.data());
    window_sums(terms.cross_re.data(), len, count, cross_re);
    window_sums(terms.cross_im.data(), len, count, cross_im);
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
