#include "analysis.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "cli_common.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::ofdm_demod_cli {

using namespace vek::ofdm_demod_lib;

int run_analysis(cfg_ofdm_t settings, const complex_vector_t& samples, const run_context_t& context,
                 const analysis_request_t& request) {
    // A capture at another rate than the frame's is handed in as an instrument-rate capture: the
    // input stage converts it with the toolkit's polyphase resampler, whose anti-alias filter
    // follows the rate pair (the stage's own rational path keeps its filter at half band).
    if (!(context.sample_rate_hz > 0.0)) {
        throw cli_error_t(context.capture + ": sample rate " + std::to_string(context.sample_rate_hz) +
                          " Hz is refused; give --sample-rate in Hz");
    }
    const float system_rate_hz = settings.get_system_sample_rate();
    settings.set_sample_rate(system_rate_hz);
    if (std::fabs(context.sample_rate_hz - system_rate_hz) > 1e-6 * system_rate_hz) {
        settings.set_dvx_sample_rate(static_cast<float>(context.sample_rate_hz));
    }
    if (request.dump_dir) {
        // The facade writes its dumps below the configuration's load address; the reference data
        // have been read already, so the address can now point at the dump directory.
        // The dump writers expect their two subdirectories to exist.
        std::error_code ec;
        const std::filesystem::path dir(*request.dump_dir);
        std::filesystem::create_directories(dir / "cfgResult", ec);
        std::filesystem::create_directories(dir / "demodResult", ec);
        if (!std::filesystem::is_directory(dir / "demodResult", ec)) {
            throw cli_error_t("option --dump-dir: cannot create directory " + *request.dump_dir);
        }
        settings.set_load_address(*request.dump_dir);
        settings.set_debug_en(true);
    }
    lib_ofdm_t demod;
    if (!demod.set_config_manager(settings.get_config_manager())) {
        throw cli_error_t(context.frame +
                          ": the demodulator refused the frame; run with --verbose for the reason");
    }
    if (!demod.set_input_data(samples)) {
        const std::vector<int>& interval = settings.get_interval_per_sym_vct();
        const long long needed =
            std::accumulate(
                interval.begin(),
                interval.begin() + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(interval.size()),
                                                            settings.get_analy_symbol_num()),
                0LL) +
            static_cast<long long>(settings.get_fft_length()) * settings.get_analy_symbol_num();
        throw cli_error_t(context.capture + ": " + std::to_string(samples.size()) + " samples at " +
                          std::to_string(static_cast<long long>(context.sample_rate_hz)) +
                          " Hz are shorter than the frame (" + std::to_string(needed) + " samples at " +
                          std::to_string(static_cast<long long>(settings.get_system_sample_rate())) +
                          " Hz for " + std::to_string(settings.get_analy_symbol_num()) +
                          " symbols); capture a longer record or reduce the symbol count in the settings");
    }
    if (!demod.process()) {
        cli_warn("ofdm-demod: demodulation of " + context.capture +
                 " failed (no frame found or a stage failed); run with --verbose to see which stage");
        return EXIT_CODE_DEMOD_FAILED;
    }
    if (request.json) {
        print_result_json(demod, context);
    } else {
        print_result_table(demod, context);
    }
    return EXIT_CODE_OK;
}

}  // namespace vek::ofdm_demod_cli
