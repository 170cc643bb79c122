// Correlation measures and peak picking used by the frame synchronisation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
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

// The same sums for eight starts per 256-bit vector where the processor has AVX (each lane adds
// in the same order, products and sums rounded separately: the same bits as four at a time).
// Returns how many starts it summed (a multiple of eight; 0 without AVX).
#if VEK_HAS_WIDE_KERNELS
VEK_TARGET_AVX std::int32_t accumulate_eight_avx(const float* xf, std::int64_t size,
                                                                 std::int32_t count, std::int32_t cp_len,
                                                                 std::int32_t body_len,
                                                                 correlation_sums_t& sums) {
    std::int32_t grouped = 0;
    while (grouped + 8 <= count && static_cast<std::int64_t>(grouped) + 7 + body_len + cp_len <= size) {
        using namespace vek::common_lib::cpu;
        float8_t energy_a = {}, energy_b = {}, cross_re = {}, cross_im = {};
        for (std::int32_t k = 0; k < cp_len; ++k) {
            const float* a = xf + 2 * (static_cast<std::int64_t>(grouped) + k);
            const float* b = a + 2 * static_cast<std::int64_t>(body_len);
            const float8_t a0 = load8(a), a1 = load8(a + 8), b0 = load8(b), b1 = load8(b + 8);
            const float8_t ar = real_parts8(a0, a1);
            const float8_t ai = imag_parts8(a0, a1);
            const float8_t br = real_parts8(b0, b1);
            const float8_t bi = imag_parts8(b0, b1);
            energy_a += ar * ar + ai * ai;
            energy_b += br * br + bi * bi;
            cross_re += ar * br + ai * bi;
            cross_im += ai * br - ar * bi;
        }
        const auto at = static_cast<std::size_t>(grouped);
        std::memcpy(sums.energy_a.data() + at, &energy_a, sizeof energy_a);
        std::memcpy(sums.energy_b.data() + at, &energy_b, sizeof energy_b);
        std::memcpy(sums.cross_re.data() + at, &cross_re, sizeof cross_re);
        std::memcpy(sums.cross_im.data() + at, &cross_im, sizeof cross_im);
        grouped += 8;
    }
    return grouped;
}

std::int32_t accumulate_eight_starts(const float* xf, std::int64_t size, std::int32_t count,
                                     std::int32_t cp_len, std::int32_t body_len, correlation_sums_t& sums) {
    return vek::common_lib::cpu::cpu_has_avx() ? accumulate_eight_avx(xf, size, count, cp_len, body_len, sums) : 0;
}
#else
std::int32_t accumulate_eight_starts(const float*, std::int64_t, std::int32_t, std::int32_t, std::int32_t,
                                     correlation_sums_t&) {
    return 0;
}
#endif

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
    // Four starts at a time, one per vector lane, each lane summing its own products in the same
    // order as deal_signal_corr (so each metric is the same to the bit): the interleaved samples
    // of four consecutive starts are split into real and imaginary vectors. Groups stop where the
    // last lane's copy would leave the data; the rest go one by one below. The sums are kept and
    // normalised afterwards in one vectorised pass.
    using namespace vek::common_lib::float4;
    const auto size = static_cast<std::int64_t>(data.size());
    const float* xf = reinterpret_cast<const float*>(data.data());
    std::int32_t grouped = 0;
    if (cp_len > 0 && body_len >= 0) {
        thread_local correlation_sums_t sums_storage;
        correlation_sums_t& sums = sums_storage;
        sums.resize(static_cast<std::size_t>(std::max(count, 0)));
        grouped = accumulate_eight_starts(xf, size, count, cp_len, body_len, sums);
        while (grouped + 4 <= count && static_cast<std::int64_t>(grouped) + 3 + body_len + cp_len <= size) {
            const float4_t zero = splat(0.0f);
            float4_t energy_a = zero, energy_b = zero, cross_re = zero, cross_im = zero;
            for (std::int32_t k = 0; k < cp_len; ++k) {
                const float* a = xf + 2 * (static_cast<std::int64_t>(grouped) + k);
                const float* b = a + 2 * static_cast<std::int64_t>(body_len);
                const float4_t a0 = load(a), a1 = load(a + 4), b0 = load(b), b1 = load(b + 4);
                const float4_t ar = real_parts(a0, a1);
                const float4_t ai = imag_parts(a0, a1);
                const float4_t br = real_parts(b0, b1);
                const float4_t bi = imag_parts(b0, b1);
                energy_a += ar * ar + ai * ai;
                energy_b += br * br + bi * bi;
                cross_re += ar * br + ai * bi;
                cross_im += ai * br - ar * bi;
            }
            const auto at = static_cast<std::size_t>(grouped);
            store(sums.energy_a.data() + at, energy_a);
            store(sums.energy_b.data() + at, energy_b);
            store(sums.cross_re.data() + at, cross_re);
            store(sums.cross_im.data() + at, cross_im);
            grouped += 4;
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
