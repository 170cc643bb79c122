#pragma once
// Capture files the tool reads and writes:
//   vsa     the vector signal analysis text recording: 10 header lines (XDelta = sample interval
//           in seconds), then one "re,im" line per sample;
//   matlab  one MATLAB complex literal per line: "1.5-2i", "0.5+0i";
//   csv     one sample per line, "re,im" (a blank or tab between the two numbers is accepted too);
//   cf32    raw little-endian complex float32: re, im, re, im, ... (no header).
// The vsa reader is the toolkit's (lib_test_t); the writers are the tool's own because the
// toolkit's write below a fixed "../data/" directory. Readers check every number (finite, decimal) and report
// the file and line of the first bad one.
#include <optional>
#include <string>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_cli {

enum class capture_format_t { vsa, matlab, csv, cf32 };

struct capture_file_t {
    vek::ofdm_demod_lib::complex_vector_t samples;
    std::optional<double> sample_rate_hz;  // only formats with a header carry it (vsa)
};

// "auto" gives nullopt; an unknown name throws cli_error_t.
std::optional<capture_format_t> parse_format_name(const std::string& name);
const char* format_name(capture_format_t format);

// Format of an existing file: by extension for cf32 (.cf32, .raw, .bin), else by content
// (a first line "InputZoom,..." is vsa, a trailing 'i' on the first sample line is matlab).
capture_format_t detect_read_format(const std::string& path);
// Format for a file to be written: .cf32/.raw/.bin cf32, .m matlab, .vsa vsa, anything else csv.
capture_format_t detect_write_format(const std::string& path);

// Throws cli_error_t (exit 2) naming the file and line on an unreadable or malformed capture.
capture_file_t read_capture(const std::string& path, capture_format_t format);

// Writes through a temporary file in the same directory and renames it into place, so a failed
// write leaves no partial file. sample_rate_hz is stored where the format has room for it.
void write_capture(const std::string& path, capture_format_t format,
                   const vek::ofdm_demod_lib::complex_vector_t& samples, double sample_rate_hz);

}  // namespace vek::ofdm_demod_cli
