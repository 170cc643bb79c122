// generate: writes a capture of a preset or a settings-file frame made by the reference
// transmitter, with optional impairments.
#include "capture_formats.hpp"
#include "capture_synth.hpp"
#include "cli_common.hpp"
#include "commands.hpp"
#include "frame_setup.hpp"

namespace vek::ofdm_demod_cli {
namespace {

int run_generate(const parsed_options_t& options) {
    const std::optional<std::string> out = options.get("out");
    if (!out || out->empty()) throw cli_error_t("missing --out FILE: where to write the capture");
    const std::optional<capture_format_t> chosen = parse_format_name(options.get("format").value_or("auto"));
    synth_request_t request;
    if (options.has("snr")) request.snr_db = options.get_double("snr", 30.0);
    request.cfo_hz = options.get_double("cfo", 0.0);
    request.delay_samples = options.get_double("delay", 0.0);
    if (options.has("sample-rate")) request.capture_rate_hz = options.get_double("sample-rate", 0.0);
    request.seed = static_cast<std::uint32_t>(options.get_integer("seed", 1, 0, 4294967295LL));
    frame_t frame = load_frame(options);

    const vek::ofdm_demod_lib::lib_ofdm_capture_t capture = synthesize_capture(frame.settings, request);
    const capture_format_t format = chosen ? *chosen : detect_write_format(*out);
    write_capture(*out, format, capture.samples, capture.sample_rate_hz);
    cli_print("wrote " + *out + ": " + std::to_string(capture.samples.size()) + " samples at " +
              std::to_string(static_cast<long long>(capture.sample_rate_hz + 0.5)) + " Hz, " +
              format_name(format) + " format, " + frame.description);
    return EXIT_CODE_OK;
}

}  // namespace

command_t generate_command() {
    command_t c;
    c.spec.name = "generate";
    c.spec.usage =
        "generate (--standard S | --settings FILE.xml) --out FILE [--format F] [--snr DB] [--cfo HZ] "
        "[--delay SAMPLES] [--sample-rate HZ] [--seed N]";
    c.spec.summary =
        "Writes a capture made by the reference transmitter, with optional noise, carrier offset, delay and "
        "rate change.";
    c.spec.options = {
        option_standard(),
        option_settings(),
        {"out", "FILE", "capture file to write (replaced only when complete)"},
        option_format("capture format: auto (by extension: .cf32/.raw/.bin cf32, .m matlab, .vsa vsa, else "
                      "csv), vsa, matlab, csv or cf32"),
        {"snr", "DB", "add noise at this signal-to-noise ratio per subcarrier, dB (default: no noise)"},
        {"cfo", "HZ", "carrier frequency offset, Hz (default 0)"},
        {"delay", "SAMPLES", "delay of the frame at the frame's rate, may be fractional (default 0)"},
        option_sample_rate("capture sample rate, Hz (default: the frame's rate)"),
        {"seed", "N", "seed of the data and the noise (default 1)"},
        option_data_dir(),
    };
    c.run = run_generate;
    return c;
}

}  // namespace vek::ofdm_demod_cli
