// demo: the transmitter makes a capture of a preset frame with known impairments, the
// demodulator measures it, and the table shows the measurement next to the truth.
#include <cmath>

#include "analysis.hpp"
#include "capture_synth.hpp"
#include "cli_common.hpp"
#include "commands.hpp"
#include "frame_setup.hpp"

namespace vek::ofdm_demod_cli {
namespace {

int run_demo(const parsed_options_t& options) {
    frame_t frame = load_frame(options, "wlan");
    synth_request_t request;
    request.snr_db = options.get_double("snr", 30.0);
    request.cfo_hz = options.get_double("cfo", 838.0);
    request.seed = static_cast<std::uint32_t>(options.get_integer("seed", 1, 0, 4294967295LL));
    const vek::ofdm_demod_lib::lib_ofdm_capture_t capture = synthesize_capture(frame.settings, request);

    run_context_t context;
    context.frame = frame.description;
    context.capture = "generated capture (seed " + std::to_string(request.seed) + ")";
    context.sample_rate_hz = capture.sample_rate_hz;
    context.sample_count = capture.samples.size();
    context.extra.push_back({"True frequency error (Hz)", "true_freq_error_hz", request.cfo_hz});
    context.extra.push_back({"Channel SNR (dB)", "snr_db", *request.snr_db});
    // The channel sets the noise per FFT bin against the mean data-cell power, so the ideal
    // payload EVM is 100 * 10^(-SNR/20) %.
    context.extra.push_back({"Expected payload EVM (%)", "expected_payload_evm_percent",
                             100.0 * std::pow(10.0, -*request.snr_db / 20.0)});
    analysis_request_t analysis;
    analysis.json = options.has("json");
    return run_analysis(frame.settings, capture.samples, context, analysis);
}

}  // namespace

command_t demo_command() {
    command_t c;
    c.spec.name = "demo";
    c.spec.usage = "demo [--standard wlan|lte-dl|lte-ul] [--snr DB] [--cfo HZ] [--seed N] [--json]";
    c.spec.summary =
        "Generates a capture of a preset frame with the reference transmitter (noise at --snr, carrier "
        "offset --cfo) and analyses it.";
    c.spec.options = {
        {"standard", "S", "preset frame: wlan (default), lte-dl or lte-ul"},
        option_settings(),
        {"snr", "DB", "signal-to-noise ratio per subcarrier, dB (default 30)"},
        {"cfo", "HZ", "carrier frequency offset, Hz (default 838)"},
        {"seed", "N", "seed of the data and the noise (default 1)"},
        {"json", "", "print the result as one JSON object"},
        option_data_dir(),
    };
    c.run = run_demo;
    return c;
}

}  // namespace vek::ofdm_demod_cli
