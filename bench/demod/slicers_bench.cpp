// Cost of the hard-decision slicers per cell: one uniform vector (the whole-vector path) and a
// vector of mixed modulations (the per-cell path of get_refer_data).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using vek::ofdm_demod_lib::complex_t;
using vek::ofdm_demod_lib::complex_vector_t;
using vek::ofdm_demod_lib::lib_ofdm_demod_common_t;

complex_vector_t random_cells(std::size_t n) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> coord(-1.3f, 1.3f);
    complex_vector_t cells(n);
    for (complex_t& c : cells) c = complex_t(coord(rng), coord(rng));
    return cells;
}

void bm_slice_uniform(benchmark::State& state) {
    const complex_vector_t in = random_cells(4096);
    const auto level = static_cast<int>(state.range(0));
    complex_vector_t out;
    for (auto _ : state) {
        lib_ofdm_demod_common_t::demodulation(in, static_cast<int>(in.size()), level, 1.0f, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(bm_slice_uniform)->Arg(2)->Arg(4)->Arg(6)->Arg(8)->Arg(9)->Arg(10);

void bm_refer_data_mixed(benchmark::State& state) {
    const complex_vector_t in = random_cells(4096);
    std::vector<int> levels(in.size());
    for (std::size_t i = 0; i < levels.size(); ++i) levels[i] = 2 + 2 * static_cast<int>(i % 4);
    complex_vector_t out;
    for (auto _ : state) {
        lib_ofdm_demod_common_t::get_refer_data(in, levels, 1.0f, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(bm_refer_data_mixed);

}  // namespace
