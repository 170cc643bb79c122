#pragma once
// Writes the presets' reference data files (pilot and preamble values, resource and modulation
// maps) below one output directory, in the layout the configuration manager reads.
#include <string>

namespace vek::tools::refgen {

// Creates <out_dir>/wlan54Mbps, /lteDL and /lteUL with their files. On failure returns false and
// names the file that could not be written in `error`.
bool generate_reference_data(const std::string& out_dir, std::string& error);

}  // namespace vek::tools::refgen
