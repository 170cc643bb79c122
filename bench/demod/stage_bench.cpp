// The share of each stage: every stage of the pipeline timed alone on the whole-run inputs. A
// probe object runs the earlier stages once; each iteration restores that state (untimed) and
// times one stage. Frame synchronisation is timed in both modes (time correlation and cyclic
// prefix) whatever the preset uses.
#include <benchmark/benchmark.h>

#include <functional>

#include "run_inputs.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace {

using namespace vek::bench;

// Opens the stage functions of the pipeline to the benchmark.
class stage_probe_t : public lib_ofdm_demod_t {
public:
    using stage_fn_t = std::function<void(stage_probe_t&)>;

    static const std::vector<std::pair<const char*, stage_fn_t>>& stages() {
        static const std::vector<std::pair<const char*, stage_fn_t>> list = {
            {"parameter_init", [](stage_probe_t& p) { p._deal_ofdm_parameter_init(); }},
            {"frame_sync", [](stage_probe_t& p) { p._deal_ofdm_frame_sync(); }},
            {"channel_power", [](stage_probe_t& p) { p._deal_ofdm_channel_power(); }},
            {"fine_delay", [](stage_probe_t& p) {
                 p._deal_ofdm_fine_delay();
                 p._deal_half_subcarrier_shift();
             }},
            {"cp_freq_error", [](stage_probe_t& p) { p._deal_ofdm_cp_freq_error_estimate(); }},
            {"fine_freq_error", [](stage_probe_t& p) { p._deal_ofdm_fine_freq_error_estimate(); }},
            {"demod", [](stage_probe_t& p) { p._deal_ofdm_demod(); }},
            {"equalisation", [](stage_probe_t& p) { p._deal_ofdm_channel_equilibria(); }},
            {"tracking", [](stage_probe_t& p) { p._deal_ofdm_channel_tracking(); }},
            {"measurement", [](stage_probe_t& p) { p._deal_ofdm_evm_data(); }},
        };
        return list;
    }

    void set_sync_mode(lib_ofdm_synchronization_mode_t mode) { m_config_manager.set_synchronization_mode(mode); }
};

enum sync_choice_t { k_preset_mode, k_time_correlation, k_cyclic_prefix };

void bm_stage(benchmark::State& state, lib_ofdm_standard_type_t standard, std::size_t stage, sync_choice_t sync) {
    silent_reports_t quiet;
    const bench_input_t in = make_input(standard);
    if (!in.ok) {
        state.SkipWithError("capture generation failed");
        return;
    }
    stage_probe_t before;
    before.set_ofdm_demod_info(in.config);
    if (sync == k_time_correlation) before.set_sync_mode(LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION);
    if (sync == k_cyclic_prefix) before.set_sync_mode(LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX);
    if (!before.set_sample_data(in.capture)) {
        state.SkipWithError("input refused");
        return;
    }
    for (std::size_t k = 0; k < stage; ++k) stage_probe_t::stages()[k].second(before);
    const stage_probe_t::stage_fn_t& run = stage_probe_t::stages()[stage].second;

    stage_probe_t work;
    for (auto _ : state) {
        state.PauseTiming();
        work = before;
        state.ResumeTiming();
        run(work);
        benchmark::ClobberMemory();
    }
}

const bool k_registered = [] {
    for (const auto standard :
         {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL, LIB_OFDM_STANDARD_TYPE_LTE_UL}) {
        for (std::size_t k = 0; k < stage_probe_t::stages().size(); ++k) {
            const std::string name = std::string("stage/") + standard_name(standard) + "/" +
                                     std::to_string(k) + "_" + stage_probe_t::stages()[k].first;
            if (k == 1) {
                benchmark::RegisterBenchmark((name + "/time_correlation").c_str(), bm_stage, standard, k,
                                             k_time_correlation)
                    ->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark((name + "/cyclic_prefix").c_str(), bm_stage, standard, k,
                                             k_cyclic_prefix)
                    ->Unit(benchmark::kMicrosecond);
            } else {
                benchmark::RegisterBenchmark(name.c_str(), bm_stage, standard, k, k_preset_mode)
                    ->Unit(benchmark::kMicrosecond);
            }
        }
    }
    return true;
}();

}  // namespace
