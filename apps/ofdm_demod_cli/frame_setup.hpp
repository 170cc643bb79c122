#pragma once
// The frame a subcommand works on: a preset (--standard) or a settings file (--settings), read
// with the reference data of --data-dir, and made ready for the demodulator and the transmitter.
#include <string>

#include "cli_options.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"

namespace vek::ofdm_demod_cli {

struct frame_t {
    vek::ofdm_demod_lib::cfg_ofdm_t settings;
    std::string description;  // "wlan preset" or the settings file's path
};

// "wlan", "lte-dl", "lte-ul"; throws cli_error_t on anything else.
vek::ofdm_demod_lib::lib_ofdm_standard_type_t parse_standard_name(const std::string& name);
const char* standard_name(vek::ofdm_demod_lib::lib_ofdm_standard_type_t standard);

// Exactly one of --standard and --settings must be given (with `standard_default` non-empty,
// neither means that preset). Throws cli_error_t (exit 2) on a missing data directory, a settings
// file that does not parse, holds a malformed list or a refused value, or a frame the map
// builders refuse.
frame_t load_frame(const parsed_options_t& options, const std::string& standard_default = "");

// Rebuilds the resource map, modulation map and reference cells after a recall or a setter that
// changed the frame (neither rebuilds them). Throws cli_error_t naming `origin` on failure.
void rebuild_frame_tables(vek::ofdm_demod_lib::cfg_ofdm_t& settings, const std::string& origin);

// The settings XML of a frame, as 'ofdm-demod settings' writes it.
std::string settings_xml_text(const vek::ofdm_demod_lib::cfg_ofdm_t& settings);

}  // namespace vek::ofdm_demod_cli
