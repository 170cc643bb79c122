// The power test of the cyclic-prefix frequency estimate, decided without a sequential sum where
// the answer is clear.
#include "lib_ofdm_power_threshold.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib::detail {

// Whether the samples' mean power (mean_abs_pow, in dB) exceeds the threshold, decided first from
// sums of the squared parts in sixteen independent lanes: a sum of 2n non-negative terms in any
// order differs from the sequential sum by at most 2n eps relative (about 2e-13 for a body,
// 1e-12 dB), and the single-precision rounding of a power of float samples (within +-460 dB) moves
// it by under 3e-5 dB, so a decision outside the 1e-4 dB margin is the sequential sum's too; only
// powers within the margin are summed sequentially. The lanes are built for AVX too where the
// processor has it.
VEK_CLONE_FOR_AVX bool mean_power_exceeds(const complex_t* samples, std::size_t n, float threshold_db) {
    // The sequential sum over a copy of the samples, as mean_abs_pow forms it.
    const auto sequential = [&] {
        return lib_ofdm_demod_common_t::mean_abs_pow(complex_vector_t(samples, samples + n));
    };
    if (n == 0) return sequential() > threshold_db;
    // Real and imaginary parts alike: the lanes see the interleaved floats.
    const auto* parts = reinterpret_cast<const float*>(samples);
    const std::size_t count = 2 * n;
    constexpr std::size_t lanes = 16;
    double lane_sum[lanes] = {};
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes) {
        for (std::size_t l = 0; l < lanes; ++l) {
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
    const double estimate_db = 10.0 * std::log10(acc / static_cast<double>(n));
    constexpr double margin_db = 1e-4;
    if (estimate_db > static_cast<double>(threshold_db) + margin_db) return true;
    if (estimate_db < static_cast<double>(threshold_db) - margin_db) return false;
    return sequential() > threshold_db;
}

}  // namespace vek::ofdm_demod_lib::detail
