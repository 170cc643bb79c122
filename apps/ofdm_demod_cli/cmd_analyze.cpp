// analyze: reads a capture file and measures it against a preset or a settings file.
#include "analysis.hpp"
#include "capture_formats.hpp"
#include "cli_common.hpp"
#include "commands.hpp"
#include "frame_setup.hpp"

namespace vek::ofdm_demod_cli {
namespace {

int run_analyze(const parsed_options_t& options) {
    const std::string path = options.positional().at(0);
    const std::optional<capture_format_t> chosen = parse_format_name(options.get("format").value_or("auto"));
    const std::optional<double> rate_option =
        options.has("sample-rate") ? std::optional<double>(options.get_double("sample-rate", 0.0))
                                   : std::nullopt;
    if (rate_option && !(*rate_option > 0.0))
        throw cli_error_t("option --sample-rate: give a positive rate in Hz");
    frame_t frame = load_frame(options);

    const capture_format_t format = chosen ? *chosen : detect_read_format(path);
    const capture_file_t capture = read_capture(path, format);

    run_context_t context;
    context.frame = frame.description;
    context.capture = path;
    context.sample_count = capture.samples.size();
    // The file's own rate wins, then the option, then the frame's system rate.
    context.sample_rate_hz = capture.sample_rate_hz.value_or(
        rate_option.value_or(static_cast<double>(frame.settings.get_system_sample_rate())));
    analysis_request_t request;
    request.json = options.has("json");
    request.dump_dir = options.get("dump-dir");
    return run_analysis(frame.settings, capture.samples, context, request);
}

}  // namespace

command_t analyze_command() {
    command_t c;
    c.spec.name = "analyze";
    c.spec.usage =
        "analyze CAPTURE (--standard S | --settings FILE.xml) [--format F] [--sample-rate HZ] [--json] "
        "[--dump-dir DIR]";
    c.spec.summary = "Reads a capture file, demodulates it and prints the measurement.";
    c.spec.min_positional = 1;
    c.spec.max_positional = 1;
    c.spec.options = {
        option_standard(),
        option_settings(),
        option_format("capture format: auto (default), vsa, matlab, csv or cf32"),
        option_sample_rate(
            "capture sample rate, Hz, where the file does not carry it (default: the frame's rate)"),
        {"json", "", "print the result as one JSON object"},
        {"dump-dir", "DIR", "write the library's diagnostic dumps below DIR"},
        option_data_dir(),
    };
    c.run = run_analyze;
    return c;
}

}  // namespace vek::ofdm_demod_cli
