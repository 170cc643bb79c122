// Throughput of the multicarrier generators on frames of realistic size: a windowed 20 MHz WLAN-like
// OFDM frame, crest-factor reduction of an 80 MS/s OFDM block and the CCDF of a million samples.
#include <benchmark/benchmark.h>

#include <random>

#include "vek/common_lib/multicarrier/lib_ccdf_calculator.hpp"
#include "vek/common_lib/multicarrier/lib_crest_factor_reduce.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_modulator.hpp"

namespace {

using cvec_t = std::vector<std::complex<float>>;
using vek::common_lib::lib_ofdm_modulator_t;

std::vector<cvec_t> random_payload(std::size_t symbols, std::size_t used) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> level(0, 3);
    std::vector<cvec_t> payload(symbols, cvec_t(used));
    for (auto& row : payload) {
        for (auto& cell : row) cell = {2.0f * level(rng) - 3.0f, 2.0f * level(rng) - 3.0f};
    }
    return payload;
}

cvec_t modulate(std::uint32_t fft_length, std::uint32_t ratio, std::uint32_t symbols, std::size_t used,
                double beta) {
    lib_ofdm_modulator_t modulator;
    modulator.set_fft_length(fft_length);
    modulator.set_oversampling_ratio(ratio);
    modulator.set_symbol_number(symbols);
    modulator.set_cyclic_prefix_config(vek::common_lib::lib_ofdm_cyclic_config_t(0.25));
    modulator.set_window_beta(beta);
    cvec_t frame;
    modulator.deal_single_frame_ofdm_modulation(random_payload(symbols, used), frame);
    return frame;
}

// 100 symbols of 64 subcarriers, 52 used, oversampled by state.range(0), windowed.
void BM_OfdmModulatorFrame(benchmark::State& state) {
    const auto ratio = static_cast<std::uint32_t>(state.range(0));
    lib_ofdm_modulator_t modulator;
    modulator.set_oversampling_ratio(ratio);
    modulator.set_symbol_number(100);
    modulator.set_cyclic_prefix_config(vek::common_lib::lib_ofdm_cyclic_config_t(0.25));
    modulator.set_window_beta(0.05);
    const auto payload = random_payload(100, 52);
    cvec_t frame;
    cvec_t before;
    cvec_t after;
    for (auto _ : state) {
        modulator.deal_ofdm_modulation(payload, frame, before, after);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
}
BENCHMARK(BM_OfdmModulatorFrame)->Arg(1)->Arg(4);

void BM_CrestFactorReduce(benchmark::State& state) {
    const cvec_t original = modulate(1024, 4, 16, 961, 0.0);
    vek::common_lib::lib_crest_factor_reduce_setting_t setting;
    setting.set_enable(true);
    setting.set_target_peak_to_average_power_ratio(7.0);
    setting.set_signal_block_size(100);
    vek::common_lib::lib_crest_factor_reduce_t cfr;
    cfr.set_cfr_parameter(80.0e6, setting);
    for (auto _ : state) {
        cvec_t signal = original;
        cfr.deal_crest_factor_reduce(signal);
        benchmark::DoNotOptimize(signal.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(original.size()));
}
BENCHMARK(BM_CrestFactorReduce);

void BM_CcdfDefault(benchmark::State& state) {
    std::mt19937 rng(3);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    cvec_t noise(1 << 20);
    for (auto& s : noise) s = {normal(rng), normal(rng)};
    std::vector<double> ccdf;
    for (auto _ : state) {
        vek::common_lib::lib_ccdf_calculator_t::calculate_default_ccdf_data(noise, ccdf);
        benchmark::DoNotOptimize(ccdf.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(noise.size()));
}
BENCHMARK(BM_CcdfDefault);

}  // namespace
