// Input conditioning and coarse frame synchronisation on a WLAN-sized capture (64-point FFT,
// 16-sample cyclic prefix, 20 symbols, 20 MHz).
#include <benchmark/benchmark.h>

#include <complex>
#include <random>
#include <vector>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::ofdm_demod_lib;
using cvec_t = std::vector<std::complex<float>>;

constexpr int k_fft_len = 64;
constexpr int k_cp_len = 16;
constexpr int k_symbols = 20;
constexpr int k_idle = 400;

cvec_t noise(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> g(0.0f, 0.7071f);
    cvec_t x(n);
    for (auto& v : x) v = {g(rng), g(rng)};
    return x;
}

lib_ofdm_config_manager_t frame_config(float sample_rate_hz) {
    lib_ofdm_config_manager_t cfg;
    cfg.set_fft_length(k_fft_len);
    cfg.set_guard_interval_per_symbol({0.25f});
    cfg.set_analy_symbol_num(k_symbols);
    cfg.set_system_sample_rate(20e6f);
    cfg.set_sample_rate(sample_rate_hz);
    return cfg;
}

void BM_set_sample_data_same_rate(benchmark::State& state) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_demod_t demod;
    demod.set_ofdm_demod_info(frame_config(20e6f));
    const cvec_t x = noise(static_cast<std::size_t>(k_symbols * (k_fft_len + k_cp_len) + 2 * k_idle), 1);
    for (auto _ : state) benchmark::DoNotOptimize(demod.set_sample_data(x));
}
BENCHMARK(BM_set_sample_data_same_rate);

void BM_set_sample_data_interpolate_by_two(benchmark::State& state) {
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_demod_t demod;
    demod.set_ofdm_demod_info(frame_config(10e6f));
    const cvec_t x =
        noise(static_cast<std::size_t>((k_symbols * (k_fft_len + k_cp_len) + 2 * k_idle) / 2), 2);
    for (auto _ : state) benchmark::DoNotOptimize(demod.set_sample_data(x));
}
BENCHMARK(BM_set_sample_data_interpolate_by_two);

void BM_coarse_search(benchmark::State& state) {
    const auto mode = static_cast<lib_ofdm_synchronization_mode_t>(state.range(0));
    const int frame_len = k_symbols * (k_fft_len + k_cp_len);
    const cvec_t data = noise(static_cast<std::size_t>(frame_len + 2 * k_idle), 3);
    const cvec_t ref(data.begin() + k_idle + k_cp_len, data.begin() + k_idle + k_cp_len + 2 * k_fft_len);
    const std::vector<std::int32_t> intervals(k_symbols, k_cp_len);
    for (auto _ : state) {
        float peak = 0.0f;
        std::int32_t delay = 0;
        lib_ofdm_demod_common_t::deal_coarse_search(data, ref, mode, k_fft_len, intervals,
                                                    static_cast<std::int32_t>(data.size()), {k_cp_len},
                                                    frame_len, {0, 1}, peak, delay);
        benchmark::DoNotOptimize(delay);
    }
}
BENCHMARK(BM_coarse_search)
    ->Arg(LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION)
    ->Arg(LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX);

void BM_channel_power(benchmark::State& state) {
    const cvec_t x = noise(static_cast<std::size_t>(k_symbols * (k_fft_len + k_cp_len)), 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(lib_ofdm_demod_common_t::channel_power(x, 50, 20e6f, 16.56e6f, true));
}
BENCHMARK(BM_channel_power);

}  // namespace
