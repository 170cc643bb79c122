// Correlation measures and peak picking used by the frame synchronisation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "lib_ofdm_sync_scores.hpp"
#include "lib_ofdm_window_sums.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

// Two correlation peaks closer than this are taken as equally good.
constexpr float k_peak_tie_tolerance = 0.05f;
// Positions on each side of the highest peak that belong to the same peak.
constexpr std::int32_t k_peak_half_width = 2;
bool window_inside(const complex_vector_t& v, std::int64_t start_1based, std::int64_t n) {
    return start_1based >= 1 && start_1based - 1 + n <= static_cast<std::int64_t>(v.size());
}

// The sums of each start's correlation, kept for the normalisation pass. The copy's window of
// start c is the prefix window of start c + lag (the same samples, summed in the same order), so
// one energy per start serves both: energy_a() + c and energy_b() + c = energy + c + lag.
struct correlation_sums_t {
    std::vector<float> energy, cross_re, cross_im;
    std::size_t lag = 0;
    void resize(std::size_t n, std::size_t window_lag) {
        lag = window_lag;
        energy.resize(n + lag);
        cross_re.resize(n);
        cross_im.resize(n);
    }
    const float* energy_a() const { return energy.data(); }
    const float* energy_b() const { return energy.data() + lag; }
};

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
    return detail::normalised_correlation(energy_a, energy_b, cross_re, cross_im);
}

namespace {

// The sums of the prefix correlation of the starts whose copy lies inside the data, which form
// one stretch from 0: formed in blocks of neighbouring windows side by side (each window adding in
// the same order as deal_signal_corr, so each metric formed from them is the same to the bit).
// Returns how many starts that is; the rest go one by one through deal_signal_corr.
std::int32_t prefix_sums(const complex_vector_t& data, std::int32_t cp_len, std::int32_t body_len,
                         std::int32_t count, correlation_sums_t& sums) {
    const auto size = static_cast<std::int64_t>(data.size());
    std::int32_t grouped = 0;
    if (cp_len > 0 && body_len >= 0) {
        grouped = static_cast<std::int32_t>(
            std::max<std::int64_t>(0, std::min<std::int64_t>(count, size - body_len - cp_len + 1)));
        thread_local std::vector<float> re_storage, im_storage;
        sums.resize(static_cast<std::size_t>(grouped), static_cast<std::size_t>(body_len));
        // The grouped starts read their prefix and its copy one body later: the samples before
        // the last copy's end are split, not the whole data.
        const std::int64_t read =
            std::min<std::int64_t>(size, static_cast<std::int64_t>(grouped) + body_len + cp_len);
        if (grouped > 0)
            detail::split_parts(data.data(), static_cast<std::size_t>(read), re_storage, im_storage);
        const float* re = re_storage.data();
        const float* im = im_storage.data();
        constexpr std::int32_t k_block = 256;  // starts whose sums stay in the first-level cache
        // The energies of the prefix windows of the grouped starts and of the body_len starts
        // after them, whose prefix windows are the last starts' copies.
        const std::int32_t windows = grouped > 0 ? grouped + body_len : 0;
        for (std::int32_t p = 0; p < windows; p += k_block)
            detail::sum_window_energies(re + p, im + p, static_cast<std::size_t>(cp_len),
                                        static_cast<std::size_t>(std::min(k_block, windows - p)),
                                        sums.energy.data() + p);
        for (std::int32_t p = 0; p < grouped; p += k_block)
            detail::sum_windows_lagged(re + p, im + p, static_cast<std::size_t>(body_len),
                                       static_cast<std::size_t>(cp_len),
                                       static_cast<std::size_t>(std::min(k_block, grouped - p)),
                                       sums.cross_re.data() + p, sums.cross_im.data() + p);
    }
    return grouped;
}

// q[i] = |cross|^2 / (energy_a energy_b) in double precision, i < n, or NaN where the normalised
// correlation needs its own evaluation: a non-finite sum, energies whose root lies near or below
// the 1e-12 floor, or a magnitude or a quotient so small that its single-precision rounding
// would leave the normal range (and with it the relative error bound). Built for AVX too where
// the processor has it.
constexpr double k_floor_product = 2e-24;    // (1e-12)^2, with a margin
constexpr double k_smallest_square = 1e-74;  // |cross| >= 1e-37, a normal float
constexpr double k_smallest_ratio = 1e-60;   // a metric of at least 1e-30, a normal float

VEK_CLONE_FOR_AVX
void squared_correlations(const float* __restrict energy_a, const float* __restrict energy_b,
                          const float* __restrict cross_re, const float* __restrict cross_im, std::size_t n,
                          double* __restrict q) {
    for (std::size_t i = 0; i < n; ++i) {
        const double product = static_cast<double>(energy_a[i]) * static_cast<double>(energy_b[i]);
        const double re = cross_re[i];
        const double im = cross_im[i];
        const double square = re * re + im * im;
        const double value = square / product;
        // NaN and infinite sums give a NaN or infinite value, refused with the small ones.
        const bool settles = product >= k_floor_product && square >= k_smallest_square &&
                             value >= k_smallest_ratio && value <= std::numeric_limits<double>::max();
        q[i] = settles ? value : std::numeric_limits<double>::quiet_NaN();
    }
}

}  // namespace

void lib_ofdm_demod_common_t::cp_corr_search(const complex_vector_t& data, std::int32_t cp_len,
                                             std::int32_t body_len, std::int32_t count,
                                             std::vector<float>& metric, float& metric_max) {
    metric.assign(static_cast<std::size_t>(std::max(count, 0)), 0.0f);
    metric_max = 0.0f;
    // The grouped starts' sums normalised in one vectorised pass; the rest one by one below.
    thread_local correlation_sums_t sums_storage;
    correlation_sums_t& sums = sums_storage;
    const std::int32_t grouped = prefix_sums(data, cp_len, body_len, count, sums);
    if (grouped > 0)
        detail::normalise_correlations(sums.energy_a(), sums.energy_b(), sums.cross_re.data(),
                                       sums.cross_im.data(), static_cast<std::size_t>(grouped),
                                       metric.data());
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

void detail::prefix_correlation_candidates(const complex_vector_t& data, std::int32_t cp_len,
                                           std::int32_t body_len, std::int32_t count, double fraction,
                                           std::vector<std::int32_t>& above, float& metric_max) {
    above.clear();
    metric_max = 0.0f;
    if (count <= 0) return;
    thread_local correlation_sums_t sums_storage;
    thread_local std::vector<double> q_storage;
    const std::int32_t grouped = prefix_sums(data, cp_len, body_len, count, sums_storage);
    const auto n = static_cast<std::size_t>(grouped);
    q_storage.resize(n);
    // The loops read through plain pointers: a thread-local's address may be looked up again at
    // every use.
    const float* energy_a = sums_storage.energy_a();
    const float* energy_b = sums_storage.energy_b();
    const float* cross_re = sums_storage.cross_re.data();
    const float* cross_im = sums_storage.cross_im.data();
    double* q = q_storage.data();
    squared_correlations(energy_a, energy_b, cross_re, cross_im, n, q);
    // The metric of a start is within 1.2e-7 of sqrt(q) relative (two roundings to single precision
    // and a few in double): q settles every start except those within a 1e-6 band of the question
    // asked, which take the metric itself.
    constexpr double k_band = 1e-6;
    const auto metric_of = [&](std::size_t i) {
        return detail::normalised_correlation(energy_a[i], energy_b[i], cross_re[i], cross_im[i]);
    };
    // The starts after the grouped ones (their copy runs past the data), one by one, once.
    std::vector<float> tail;
    for (std::int32_t p = grouped; p < count; ++p)
        tail.push_back(
            lib_ofdm_demod_common_t::deal_signal_corr(data, data, p + 1, p + body_len + 1, cp_len));
    // The largest metric: it belongs to a start whose q is within the band of the largest q, to
    // a start that q does not settle, or to one of the starts after the grouped ones.
    double q_max = 0.0;
    for (std::size_t i = 0; i < n; ++i) q_max = q[i] > q_max ? q[i] : q_max;
    const double q_near_max = q_max * (1.0 - k_band);
    for (std::size_t i = 0; i < n; ++i) {
        if (q[i] >= q_near_max || std::isnan(q[i])) {
            const float value = metric_of(i);
            if (value > metric_max) metric_max = value;
        }
    }
    for (const float value : tail)
        if (value > metric_max) metric_max = value;
    // The starts whose metric exceeds the threshold, in order.
    const auto threshold = static_cast<float>(fraction * static_cast<double>(metric_max));
    const double square = static_cast<double>(threshold) * static_cast<double>(threshold);
    const double surely_above = square * (1.0 + k_band);
    const double surely_not = square * (1.0 - k_band);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = q[i];
        if (v < surely_not) continue;
        if (v > surely_above || metric_of(i) > threshold) above.push_back(static_cast<std::int32_t>(i));
    }
    for (std::size_t t = 0; t < tail.size(); ++t)
        if (tail[t] > threshold) above.push_back(grouped + static_cast<std::int32_t>(t));
}

}  // namespace vek::ofdm_demod_lib
