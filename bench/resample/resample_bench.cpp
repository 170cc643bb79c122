// Rate conversion from an instrument's 20 MS/s to the 7.68 MS/s of an LTE 5 MHz carrier
// (U/D = 48/125), for two capture lengths to show that the cost is linear in length.
#include <benchmark/benchmark.h>

#include <complex>
#include <random>
#include <vector>

#include "vek/common_lib/resample/lib_resampler.hpp"

namespace {

using cvec = std::vector<std::complex<float>>;

constexpr double kInputRateHz = 20e6;
constexpr std::uint32_t kUp = 48;     // 20 MS/s * 48 / 125 = 7.68 MS/s
constexpr std::uint32_t kDown = 125;

cvec noise(std::size_t length) {
    std::mt19937 gen(1);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    cvec x(length);
    for (auto& s : x) s = {normal(gen), normal(gen)};
    return x;
}

// Argument: capture length in milliseconds at 20 MS/s.
void BM_PolyphaseResample20To7p68(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(kInputRateHz * static_cast<double>(state.range(0)) / 1000.0);
    const cvec input = noise(length);
    cvec output;
    for (auto _ : state) {
        vek::common_lib::lib_resampler_t::deal_polyphase_resampling(input, output, kUp, kDown, 0);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(length));
    state.counters["out_samples"] = static_cast<double>(output.size());
}
BENCHMARK(BM_PolyphaseResample20To7p68)->Arg(250)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The direct path filters the whole up-sampled sequence; compared with the polyphase path on a
// small factor where both are practical. Argument: input samples.
void BM_DirectResample4To3(benchmark::State& state) {
    const cvec input = noise(static_cast<std::size_t>(state.range(0)));
    cvec output;
    for (auto _ : state) {
        vek::common_lib::lib_resampler_t::deal_resampling(input, output, 4, 3, 0);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DirectResample4To3)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PolyphaseResample4To3(benchmark::State& state) {
    const cvec input = noise(static_cast<std::size_t>(state.range(0)));
    cvec output;
    for (auto _ : state) {
        vek::common_lib::lib_resampler_t::deal_polyphase_resampling(input, output, 4, 3, 0);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_PolyphaseResample4To3)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
