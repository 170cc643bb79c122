#pragma once
// The measurement of one run, as a table for a person or as one JSON object for a script. Both
// carry the same fields; JSON keys end in their unit (_hz, _ms, _db, _dbm, _percent, _samples).
#include <string>
#include <utility>
#include <vector>

#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

namespace vek::ofdm_demod_cli {

struct run_context_t {
    std::string frame;    // "wlan preset" or the settings file
    std::string capture;  // file name or "generated"
    double sample_rate_hz = 0.0;
    std::size_t sample_count = 0;
    // Extra numbers (demo's ground truth), printed after the measurement.
    struct extra_t {
        std::string label;     // table
        std::string json_key;  // JSON, with its unit
        double value;
    };
    std::vector<extra_t> extra;
};

void print_result_table(const vek::ofdm_demod_lib::lib_ofdm_t& demod, const run_context_t& context);
void print_result_json(const vek::ofdm_demod_lib::lib_ofdm_t& demod, const run_context_t& context);

// JSON text helpers (exposed for the tests of the printer's escaping).
std::string json_string(const std::string& text);
std::string json_number(double value);  // null for NaN/Inf, which JSON cannot carry

}  // namespace vek::ofdm_demod_cli
