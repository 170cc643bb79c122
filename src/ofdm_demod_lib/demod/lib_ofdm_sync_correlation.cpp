// Correlation measures and peak picking used by the frame synchronisation.
#include <algorithm>
#include <cmath>
#include <cstdint>

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
    const std::complex<float> cross(cross_re, cross_im);
    const double denominator = std::sqrt(static_cast<double>(energy_a) * static_cast<double>(energy_b));
    if (denominator < k_energy_floor) return 0.0f;
    return static_cast<float>(static_cast<double>(std::abs(cross)) / denominator);
}

void lib_ofdm_demod_common_t::cp_corr_search(const complex_vector_t& data, std::int32_t cp_len,
                                             std::int32_t body_len, std::int32_t count,
                                             std::vector<float>& metric, float& metric_max) {
    metric.assign(static_cast<std::size_t>(std::max(count, 0)), 0.0f);
    metric_max = 0.0f;
    for (std::int32_t p = 0; p < count; ++p) {
        // The prefix at p repeats the body's end one body length later; starts whose copy lies
        // past the data keep metric 0 (deal_signal_corr refuses windows outside its vectors).
        const float value = deal_signal_corr(data, data, p + 1, p + body_len + 1, cp_len);
        metric[static_cast<std::size_t>(p)] = value;
        if (value > metric_max) metric_max = value;
    }
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
