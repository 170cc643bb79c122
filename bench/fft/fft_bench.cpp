// The FFT service against FFTW called directly on the same buffer, and FFTW's planning flags.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <complex>
#include <random>
#include <vector>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "random_signal.hpp"

using vek::common_lib::lib_fourier_transform_t;
using cvec_t = std::vector<std::complex<float>>;

namespace {

cvec_t random_vector(std::size_t n) { return vek::test::uniform_complex(n, 42u); }

// Every timed loop restores the input first (an in-place FFT repeated on its own output grows
// without bound); BM_copy_only measures that restore alone.
void BM_copy_only(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const cvec_t input = random_vector(n);
    cvec_t buffer = input;
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), buffer.begin());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}

void BM_service_fft(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const cvec_t input = random_vector(n);
    cvec_t buffer = input;
    lib_fourier_transform_t::deal_fft(buffer);  // plan outside the timed loop
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), buffer.begin());
        lib_fourier_transform_t::deal_fft(buffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}

void BM_service_multi_thread_fft(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto threads = static_cast<std::uint32_t>(state.range(1));
    const cvec_t input = random_vector(n);
    cvec_t buffer = input;
    lib_fourier_transform_t::deal_multi_thread_fft(buffer, threads);
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), buffer.begin());
        lib_fourier_transform_t::deal_multi_thread_fft(buffer, threads);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}

// FFTW on the same std::vector buffer, with a plan made once by the given flags.
void run_fftw_direct(benchmark::State& state, unsigned flags)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const cvec_t input = random_vector(n);
    cvec_t buffer = input;
    auto* data = reinterpret_cast<fftwf_complex*>(buffer.data());
    fftwf_plan plan = fftwf_plan_dft_1d(static_cast<int>(n), data, data, FFTW_FORWARD, flags);
    std::copy(input.begin(), input.end(), buffer.begin());  // MEASURE scribbles on the buffer
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), buffer.begin());
        fftwf_execute(plan);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
}

void BM_fftw_direct_estimate(benchmark::State& state) { run_fftw_direct(state, FFTW_ESTIMATE); }
void BM_fftw_direct_measure(benchmark::State& state) { run_fftw_direct(state, FFTW_MEASURE); }

// Cost of making one plan from scratch (wisdom forgotten each time).
void run_planning(benchmark::State& state, unsigned flags)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    fftwf_complex* data = fftwf_alloc_complex(n);
    for (auto _ : state) {
        fftwf_plan plan = fftwf_plan_dft_1d(static_cast<int>(n), data, data, FFTW_FORWARD, flags);
        benchmark::DoNotOptimize(plan);
        fftwf_destroy_plan(plan);
        fftwf_forget_wisdom();
    }
    fftwf_free(data);
}

void BM_fftw_plan_estimate(benchmark::State& state) { run_planning(state, FFTW_ESTIMATE); }
void BM_fftw_plan_measure(benchmark::State& state) { run_planning(state, FFTW_MEASURE); }

}  // namespace

BENCHMARK(BM_copy_only)->Arg(64)->Arg(512)->Arg(76800);
BENCHMARK(BM_service_fft)->Arg(64)->Arg(512)->Arg(2048)->Arg(76800);
BENCHMARK(BM_fftw_direct_estimate)->Arg(64)->Arg(512)->Arg(2048)->Arg(76800);
BENCHMARK(BM_fftw_direct_measure)->Arg(64)->Arg(512)->Arg(2048)->Arg(76800);
BENCHMARK(BM_service_multi_thread_fft)->Args({76800, 1})->Args({76800, 2})->UseRealTime();
BENCHMARK(BM_fftw_plan_estimate)->Arg(512)->Arg(76800)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_fftw_plan_measure)->Arg(512)->Arg(76800)->Unit(benchmark::kMillisecond)->Iterations(3);
