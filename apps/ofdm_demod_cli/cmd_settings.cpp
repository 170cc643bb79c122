// settings: exports a preset (or re-exports a settings file) as the settings XML that users edit
// to describe their own frame.
#include "atomic_file.hpp"
#include "cli_common.hpp"
#include "commands.hpp"
#include "frame_setup.hpp"

namespace vek::ofdm_demod_cli {
namespace {

int run_settings(const parsed_options_t& options) {
    const std::optional<std::string> out = options.get("out");
    if (!out || out->empty()) throw cli_error_t("missing --out FILE.xml: where to write the settings");
    frame_t frame = load_frame(options);
    write_file_atomically(*out, settings_xml_text(frame.settings));
    cli_print("wrote " + *out + " (" + frame.description + "); edit it and pass it back with --settings " +
              *out);
    return EXIT_CODE_OK;
}

}  // namespace

command_t settings_command() {
    command_t c;
    c.spec.name = "settings";
    c.spec.usage = "settings (--standard S | --settings FILE.xml) --out FILE.xml";
    c.spec.summary =
        "Writes a frame's settings XML; edit it to describe your own frame and pass it to analyze or "
        "generate with --settings.";
    c.spec.options = {
        option_standard(),
        {"settings", "FILE.xml", "check and re-export an edited settings file"},
        {"out", "FILE.xml", "settings file to write (replaced only when complete)"},
        option_data_dir(),
    };
    c.run = run_settings;
    return c;
}

}  // namespace vek::ofdm_demod_cli
