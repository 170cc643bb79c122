// The power test of the cyclic-prefix frequency estimate, decided without a sequential sum where
// the answer is clear.
#include "lib_ofdm_power_threshold.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib::detail {

namespace {

constexpr std::size_t k_lanes = 16;

// Sums of the squared parts (the interleaved floats) in k_lanes single-precision lanes, part i in
// lane i mod k_lanes; the first `whole` parts only (a multiple of k_lanes). Built for AVX too where
// the processor has it.
VEK_CLONE_FOR_AVX void single_lane_sums(const float* __restrict parts, std::size_t whole,
                                        float* __restrict lane_sum) {
    float acc[k_lanes] = {};
    for (std::size_t i = 0; i < whole; i += k_lanes)
        for (std::size_t l = 0; l < k_lanes; ++l) acc[l] += parts[i + l] * parts[i + l];
    for (std::size_t l = 0; l < k_lanes; ++l) lane_sum[l] = acc[l];
}

// The same sums in double precision, the tail included.
VEK_CLONE_FOR_AVX double double_lane_sum(const float* parts, std::size_t count) {
    double lane_sum[k_lanes] = {};
    std::size_t i = 0;
    for (; i + k_lanes <= count; i += k_lanes) {
        for (std::size_t l = 0; l < k_lanes; ++l) {
            const double v = parts[i + l];
            lane_sum[l] += v * v;
        }
    }
    double acc = 0.0;
    for (const double v : lane_sum) acc += v;
    for (; i < count; ++i) {
        const double v = parts[i];
        acc += v * v;
    }
    return acc;
}

}  // namespace

// Whether the samples' mean power (mean_abs_pow, in dB) exceeds the threshold. mean_abs_pow sums
// in double and rounds its dB value to single precision, which moves it by under 3e-5 dB (powers
// within +-460 dB). An estimate within a known distance of the exact sum decides whenever it lies
// further than that distance plus 3e-5 dB from the threshold; only powers closer than that are
// summed sequentially. First the squared parts in sixteen single-precision lanes: a lane of k
// terms is within (k + 1) eps of its exact sum, and the lanes are added in double; sums that come
// near the ends of the single-precision range (where squares round to subnormals or overflow)
// are not trusted: there the lanes in double precision decide, within 2n eps (about 2e-13 for a
// body) of the sequential sum, a 1e-4 dB margin.
bool mean_power_exceeds(const complex_t* samples, std::size_t n, float threshold_db) {
    // The sequential sum over a copy of the samples, as mean_abs_pow forms it.
    const auto sequential = [&] {
        return lib_ofdm_demod_common_t::mean_abs_pow(complex_vector_t(samples, samples + n));
    };
    if (n == 0) return sequential() > threshold_db;
    const auto* parts = reinterpret_cast<const float*>(samples);
    const std::size_t count = 2 * n;
    const auto threshold = static_cast<double>(threshold_db);
    const auto mean_db = [n](double sum) { return 10.0 * std::log10(sum / static_cast<double>(n)); };

    float lane_sum[k_lanes];
    const std::size_t whole = count - count % k_lanes;
    single_lane_sums(parts, whole, lane_sum);
    double single = 0.0;
    for (const float v : lane_sum) single += static_cast<double>(v);
    for (std::size_t i = whole; i < count; ++i) single += static_cast<double>(parts[i]) * parts[i];
    constexpr double eps = 0x1p-24;
    const double relative = (static_cast<double>(whole / k_lanes) + 2.0) * eps;
    if (single >= 1e-30 && single <= 1e30) {
        // 10 log10(1 + x) < 4.35 x, and the rounding of mean_abs_pow's dB value.
        const double margin_db = 4.35 * relative + 5e-5;
        const double estimate_db = mean_db(single);
        if (estimate_db > threshold + margin_db) return true;
        if (estimate_db < threshold - margin_db) return false;
        // The double lanes would be within a few 1e-5 dB of this estimate: no nearer decision.
        return sequential() > threshold_db;
    }
    const double estimate_db = mean_db(double_lane_sum(parts, count));
    constexpr double margin_db = 1e-4;
    if (estimate_db > threshold + margin_db) return true;
    if (estimate_db < threshold - margin_db) return false;
    return sequential() > threshold_db;
}

}  // namespace vek::ofdm_demod_lib::detail
