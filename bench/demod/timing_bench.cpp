// Cost of the per-symbol work of fine timing, frequency error and symbol demodulation: the
// quarter-sample correlation search (4N samples, 40 positions), one symbol's FFT with advance
// compensation, and the pilot-pair frequency comparison. Sizes: N = 64 (WLAN) and 512 (LTE).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "random_signal.hpp"

namespace {

using vek::ofdm_demod_lib::complex_vector_t;
using vek::ofdm_demod_lib::lib_ofdm_demod_common_t;

complex_vector_t random_samples(std::size_t n, unsigned seed) { return vek::test::gaussian_complex(n, seed); }

void bm_synchronize_quarter_sample(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    const complex_vector_t ref = random_samples(static_cast<std::size_t>(4 * n), 1);
    const complex_vector_t data = random_samples(static_cast<std::size_t>(4 * (n + 10)), 2);
    std::vector<float> corr;
    for (auto _ : state) {
        std::int32_t k = 0;
        lib_ofdm_demod_common_t::synchronize(ref, data, 0, 40, 4 * n, corr, k);
        benchmark::DoNotOptimize(k);
    }
}
BENCHMARK(bm_synchronize_quarter_sample)->Arg(64)->Arg(512);

void bm_symbol_demod(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    const complex_vector_t window = random_samples(static_cast<std::size_t>(n), 3);
    complex_vector_t cells;
    for (auto _ : state) {
        lib_ofdm_demod_common_t::deal_ofdm_demod(window, n, cells, 8);
        benchmark::DoNotOptimize(cells.data());
    }
}
BENCHMARK(bm_symbol_demod)->Arg(64)->Arg(512);

void bm_freq_error_pair(benchmark::State& state) {
    const auto cells = static_cast<std::size_t>(state.range(0));
    const complex_vector_t t0 = random_samples(cells, 4), r0 = random_samples(cells, 5);
    const complex_vector_t t1 = random_samples(cells, 6), r1 = random_samples(cells, 7);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            lib_ofdm_demod_common_t::deal_freq_error_estimate(t0, r0, t1, r1, 512, 3840));
}
BENCHMARK(bm_freq_error_pair)->Arg(4)->Arg(200);

}  // namespace
