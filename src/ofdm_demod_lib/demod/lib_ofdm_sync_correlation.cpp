// Correlation measures and peak picking used by the frame synchronisation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "lib_ofdm_window_sums.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

// Two correlation peaks closer than this are taken as equally good.
constexpr float k_peak_tie_tolerance = 0.05f;
// Positions on each side of the highest peak that belong to the same peak.
constexpr std::int32_t k_peak_half_width = 2;
constexpr double k_energy_floor = 1e-12;

bool window_inside(const complex_vector_t& v, std::int64_t start_1based, std::int64_t n) {
    return start_1based >= 1 && start_1based - 1 + n <= static_cast<std::int64_t>(v.size());
}

// |cross| over the root of the energy product; 0 where that product is below the floor.
float normalised_correlation(float energy_a, float energy_b, float cross_re, float cross_im) {
    const double denominator = std::sqrt(static_cast<double>(energy_a) * static_cast<double>(energy_b));
    if (denominator < k_energy_floor) return 0.0f;
    const float cross_abs = vek::common_lib::lib_common_math_t::get_complex_magnitude({cross_re, cross_im});
    return static_cast<float>(static_cast<double>(cross_abs) / denominator);
}

// The four sums of each start's correlation, kept for the normalisation pass.
struct correlation_sums_t {
    std::vector<float> energy_a, energy_b, cross_re, cross_im;
    void resize(std::size_t n) {
        energy_a.resize(n);
        energy_b.resize(n);
        cross_re.resize(n);
        cross_im.resize(n);
    }
};

// metric[i] = normalised_correlation of the sums of start i, for i < n: the same double-precision
// operations per start (the magnitude as get_complex_magnitude forms it for finite parts), in a
// loop the compiler vectorises, built for AVX too where the processor has it; starts with a
// non-finite cross sum are redone one by one.
VEK_CLONE_FOR_AVX
void normalise_lanes(const float* __restrict energy_a, const float* __restrict energy_b,
                     const float* __restrict cross_re, const float* __restrict cross_im,
                     std::size_t n, float* __restrict metric) {
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

void normalise_correlations(const correlation_sums_t& sums, std::size_t n, float* metric) {
    normalise_lanes(sums.energy_a.data(), sums.energy_b.data(), sums.cross_re.data(), sums.cross_im.data(), n,
                    metric);
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(sums.cross_re[i]) || !std::isfinite(sums.cross_im[i]))
            metric[i] = normalised_correlation(sums.energy_a[i], sums.energy_b[i], sums.cross_re[i],
                                               sums.cross_im[i]);
    }
}

}  // namespace

float lib_ofdm_demod_common_t::deal_signal_corr(const complex_vector_t& x, const complex_vector_t& y,
                                                std::int32_t sx, std::int32_t sy, std::int32_t n) {
    // A window that does not lie inside its vector has nothing to correlate: 0, like silence.
    if (n <= 0 || !window_inside(x, sx, n) || !window_inside(y, sy, n)) return 0.0f;
    const std::complex<float>* a = x.data() + (sx - 1);
    const std::complex<float>* b = y.data() + (sy - 1);
    float energy_a = 0.0f;
    float energy_b = 0.0f;
    float cross_re = 0.0f;
    float cross_im = 0.0f;
    for (std::int32_t k = 0; k < n; ++k) {
        const float ar = a[k].real();
        const float ai = a[k].imag();
        const float br = b[k].real();
        const float bi = b[k].imag();
        energy_a += ar * ar + ai * ai;
        energy_b += br * br + bi * bi;
        // a conj(b) written out, rounded as the library's product rounds it, without its NaN
        // check on every sample.
        cross_re += ar * br + ai * bi;
        cross_im += ai * br - ar * bi;
    }
    return normalised_correlation(energy_a, energy_b, cross_re, cross_im);
}

void lib_ofdm_demod_common_t::cp_corr_search(const complex_vector_t& data, std::int32_t cp_len,
                                             std::int32_t body_len, std::int32_t count,
                                             std::vector<float>& metric, float& metric_max) {
    metric.assign(static_cast<std::size_t>(std::max(count, 0)), 0.0f);
    metric_max = 0.0f;
    // The starts whose copy lies inside the data form one stretch from 0: their sums are formed in
    // blocks of neighbouring windows side by side (each window adding in the same order as
    // deal_signal_corr, so each metric is the same to the bit), kept, and normalised afterwards in
    // one vectorised pass. The rest go one by one below.
    const auto size = static_cast<std::int64_t>(data.size());
    std::int32_t grouped = 0;
    if (cp_len > 0 && body_len >= 0) {
        grouped = static_cast<std::int32_t>(
            std::max<std::int64_t>(0, std::min<std::int64_t>(count, size - body_len - cp_len + 1)));
        thread_local correlation_sums_t sums_storage;
        thread_local std::vector<float> re, im;
        correlation_sums_t& sums = sums_storage;
        sums.resize(static_cast<std::size_t>(grouped));
        if (grouped > 0) detail::split_parts(data.data(), static_cast<std::size_t>(size), re, im);
        constexpr std::int32_t k_block = 256;  // starts whose four sums stay in the first-level cache
        for (std::int32_t p = 0; p < grouped; p += k_block) {
            const auto at = static_cast<std::size_t>(p);
            detail::sum_windows_lagged(re.data() + at, im.data() + at, static_cast<std::size_t>(body_len),
                                       static_cast<std::size_t>(cp_len),
                                       static_cast<std::size_t>(std::min(k_block, grouped - p)),
                                       sums.energy_a.data() + at, sums.energy_b.data() + at,
                                       sums.cross_re.data() + at, sums.cross_im.data() + at);
        }
        normalise_correlations(sums, static_cast<std::size_t>(grouped), metric.data());
    }
    for (std::int32_t p = grouped; p < count; ++p) {
        // The prefix at p repeats the body's end one body length later; starts whose copy lies
        // past the data keep metric 0 (deal_signal_corr refuses windows outside its vectors).
        metric[static_cast<std::size_t>(p)] = deal_signal_corr(data, data, p + 1, p + body_len + 1, cp_len);
    }
    for (const float value : metric)
        if (value > metric_max) metric_max = value;
}

void lib_ofdm_demod_common_t::deal_max_corr_sel(const std::vector<float>& values, float& peak,
                                                std::int32_t& index) {
    peak = 0.0f;
    index = 0;
    if (values.empty()) return;
    const auto highest = std::max_element(values.begin(), values.end());  // first of equal maxima
    peak = *highest;
    index = static_cast<std::int32_t>(highest - values.begin());

    // Multipath or a repeated preamble gives several nearly equal peaks; the frame starts at the
    // earliest, so a distinct earlier peak within the tolerance wins.
    std::vector<float> others = values;
    const std::int32_t last = static_cast<std::int32_t>(values.size()) - 1;
    for (std::int32_t i = std::max(index - k_peak_half_width, 0);
         i <= std::min(index + k_peak_half_width, last); ++i) {
        others[static_cast<std::size_t>(i)] = 0.0f;
    }
    const auto second = std::max_element(others.begin(), others.end());
    const auto second_index = static_cast<std::int32_t>(second - others.begin());
    if (std::fabs(peak - *second) < k_peak_tie_tolerance && second_index < index) {
        index = second_index;
        peak = *second;
    }
}

std::int32_t lib_ofdm_demod_common_t::find_greater_pnt(const std::vector<float>& values, float threshold,
                                                       std::vector<std::int32_t>& indices) {
    indices.clear();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] > threshold) indices.push_back(static_cast<std::int32_t>(i));
    }
    return static_cast<std::int32_t>(values.size());
}

}  // namespace vek::ofdm_demod_lib
