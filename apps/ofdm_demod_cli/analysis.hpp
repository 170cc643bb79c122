#pragma once
// One demodulation run shared by 'demo' and 'analyze': hand the frame and the capture to the
// library, run it, print the measurement.
#include <optional>
#include <string>

#include "result_print.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"

namespace vek::ofdm_demod_cli {

struct analysis_request_t {
    bool json = false;
    std::optional<std::string> dump_dir;  // switches the library's diagnostic dumps on
};

// Returns the exit code: 0, or 1 when the demodulator failed. Throws cli_error_t (exit 2) when
// the capture is shorter than the frame or the frame is refused.
int run_analysis(vek::ofdm_demod_lib::cfg_ofdm_t settings,
                 const vek::ofdm_demod_lib::complex_vector_t& samples, const run_context_t& context,
                 const analysis_request_t& request);

}  // namespace vek::ofdm_demod_cli
