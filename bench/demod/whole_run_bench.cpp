// Whole runs through the facade (set_input_data + process) on a generated one-frame capture of
// each preset with 10 % idle, an LTE downlink capture delivered at 30.72 MS/s (rate conversion
// included) and a four-frame LTE downlink capture (linearity). Every whole run carries its ratio
// to the preset's FFT floor, measured in the same program:
//   fft_floor_us  median of S forward FFTs of length N through FFTW, timed in bursts between runs;
//   floor_ratio   CPU time of one run / fft_floor_us.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "run_inputs.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

namespace {

using namespace vek::bench;

struct case_t {
    const char* name;
    lib_ofdm_standard_type_t standard;
    int frames;
    double capture_rate_hz;
};

const case_t k_cases[] = {
    {"WLAN", LIB_OFDM_STANDARD_TYPE_WIFI, 1, 0.0},
    {"LTE_DL", LIB_OFDM_STANDARD_TYPE_LTE_DL, 1, 0.0},
    {"LTE_UL", LIB_OFDM_STANDARD_TYPE_LTE_UL, 1, 0.0},
    {"LTE_DL_30.72MSps", LIB_OFDM_STANDARD_TYPE_LTE_DL, 1, 30.72e6},
    {"LTE_DL_4_frames", LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, 0.0},
};

void bm_whole_run(benchmark::State& state, case_t c) {
    silent_reports_t quiet;
    const bench_input_t in = make_input(c.standard, c.frames, c.capture_rate_hz);
    if (!in.ok) {
        state.SkipWithError("capture generation failed");
        return;
    }
    fft_floor_t floor(in.fft_length, in.symbols);

    lib_ofdm_t demod;
    demod.set_config_manager(in.config);
    bool ok = true;
    // The floor is timed between runs, outside the timed region (a short burst every few runs,
    // warm as in a loop of transforms): the runs and their floor then see the same load of the
    // shared machine, and a slow or fast period moves both together.
    std::vector<double> floor_times;
    std::size_t runs = 0;
    for (auto _ : state) {
        ok = demod.set_input_data(in.capture) && demod.process() && ok;
        benchmark::DoNotOptimize(demod.get_result_evm_rms());
        if (runs++ % 16 == 0) {
            state.PauseTiming();
            floor_times.push_back(floor.warm_median_seconds(9));
            state.ResumeTiming();
        }
    }
    if (!ok) state.SkipWithError("demodulation failed");
    std::nth_element(floor_times.begin(), floor_times.begin() + static_cast<std::ptrdiff_t>(floor_times.size() / 2),
                     floor_times.end());
    const double floor_seconds = floor_times.empty() ? 0.0 : floor_times[floor_times.size() / 2];
    state.counters["fft_floor_us"] = floor_seconds * 1e6;
    // Rate flag divides by the CPU time, the inverse flag turns that into time / (runs x floor).
    state.counters["floor_ratio"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * floor_seconds,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["evm_rms_pct"] = demod.get_result_evm_rms();
}

void bm_fft_floor(benchmark::State& state, lib_ofdm_standard_type_t standard) {
    const bench_input_t in = make_input(standard);
    if (!in.ok) {
        state.SkipWithError("configuration failed");
        return;
    }
    fft_floor_t floor(in.fft_length, in.symbols);
    for (auto _ : state) {
        floor.run();
        benchmark::DoNotOptimize(floor.output());
    }
    state.counters["N"] = in.fft_length;
    state.counters["S"] = in.symbols;
}

const bool k_registered = [] {
    for (const case_t& c : k_cases) {
        benchmark::RegisterBenchmark((std::string("whole_run/") + c.name).c_str(), bm_whole_run, c)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const auto standard :
         {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL, LIB_OFDM_STANDARD_TYPE_LTE_UL}) {
        benchmark::RegisterBenchmark((std::string("fft_floor/") + standard_name(standard)).c_str(), bm_fft_floor,
                                     standard)
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

}  // namespace
