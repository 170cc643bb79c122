#pragma once
// The end-to-end test driver: configure the LTE downlink preset, load a capture, demodulate it and
// print the measurement. It lives in its own small library (vek_ofdm_demod_driver_lib) so that
// tests can run its steps without the process entry.
//
// Directories come from the build: the reference data of the presets (VEK_DEFAULT_DATA_DIR, the
// source tree's data/) and the captures (VEK_DRIVER_CAPTURE_DIR, below the build tree); the
// overloads taking directories serve the command line's --data-dir / --capture-dir.
#include <string>

#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

std::string default_driver_data_dir();
std::string default_driver_capture_dir();

// The capture of a standard below capture_dir: "/input_data522" (WLAN and unknown),
// "/LTE-DL-838Hz.csv", "/lteUL/SampleData_7680kHz".
std::string driver_capture_path(lib_ofdm_standard_type_t standard, const std::string& capture_dir);

void start_ofdm_demod();
void start_ofdm_demod(const std::string& data_dir, const std::string& capture_dir);

// Fills samples from the standard's capture (10 header lines, then re,im numbers; a lone last
// number is paired with 0). A missing or malformed capture is reported and leaves samples as
// they were.
void _load_input_file(complex_vector_t& samples, lib_ofdm_standard_type_t standard);
void _load_input_file(complex_vector_t& samples, lib_ofdm_standard_type_t standard,
                      const std::string& capture_dir);

// WLAN preset with its maps and the dumps switched on; the result of the last call.
bool _set_cfg_para(cfg_ofdm_t& cfg);

}  // namespace vek::ofdm_demod_lib
