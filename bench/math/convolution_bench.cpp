// Overlap-add convolution and filtering; two signal lengths per case to show linear cost.
#include <benchmark/benchmark.h>

#include <complex>
#include <random>
#include <vector>

#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/math/lib_filter.hpp"
#include "random_signal.hpp"

using namespace vek::common_lib;
using cvec_t = std::vector<std::complex<float>>;

namespace {

cvec_t random_vector(std::size_t n, unsigned seed) { return vek::test::uniform_complex(n, seed); }

void BM_fft_convolution(benchmark::State& state)
{
    const cvec_t x = random_vector(static_cast<std::size_t>(state.range(0)), 1u);
    const cvec_t h = random_vector(static_cast<std::size_t>(state.range(1)), 2u);
    for (auto _ : state) {
        cvec_t y = x;
        lib_convolution_t::deal_fft_convolution(h, y);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Real taps, as every filter the demodulator designs has.
void BM_fft_convolution_real_taps(benchmark::State& state)
{
    const cvec_t x = random_vector(static_cast<std::size_t>(state.range(0)), 1u);
    cvec_t h = random_vector(static_cast<std::size_t>(state.range(1)), 2u);
    for (auto& tap : h) tap = std::complex<float>(tap.real(), 0.0f);
    for (auto _ : state) {
        cvec_t y = x;
        lib_convolution_t::deal_fft_convolution(h, y);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_direct_convolution(benchmark::State& state)
{
    const cvec_t x = random_vector(static_cast<std::size_t>(state.range(0)), 1u);
    const cvec_t h = random_vector(static_cast<std::size_t>(state.range(1)), 2u);
    for (auto _ : state) {
        cvec_t y = x;
        lib_convolution_t::deal_convolution(h, y);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_filter_cyclic(benchmark::State& state)
{
    const cvec_t x = random_vector(static_cast<std::size_t>(state.range(0)), 1u);
    const cvec_t h = random_vector(static_cast<std::size_t>(state.range(1)), 2u);
    for (auto _ : state) {
        cvec_t y = x;
        lib_filter_t::deal_filter(h, y, LIB_FILTER_DELAY_CYCLIC);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_mixer(benchmark::State& state)
{
    cvec_t x = random_vector(static_cast<std::size_t>(state.range(0)), 1u);
    for (auto _ : state) {
        lib_common_signal_process_t::deal_mixer(x, 0.01, 0.0);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_fft_convolution)->Args({76800, 21})->Args({76800, 33})->Args({300000, 96})->Args({600000, 96})->Args({3000000, 96})->Unit(benchmark::kMillisecond);
// 21 taps over one LTE frame: the resampler's unity-ratio anti-alias filter (summed directly).
BENCHMARK(BM_fft_convolution_real_taps)->Args({76800, 21})->Args({76800, 32})->Args({76800, 33});
BENCHMARK(BM_direct_convolution)->Args({300000, 96})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_filter_cyclic)->Args({300000, 96})->Args({600000, 96})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_mixer)->Arg(300000)->Unit(benchmark::kMillisecond);
