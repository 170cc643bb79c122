#pragma once
// A capture made with the reference transmitter and the impairment channel, for 'demo' and
// 'generate'.
#include <cstdint>
#include <optional>

#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

namespace vek::ofdm_demod_cli {

struct synth_request_t {
    std::optional<double> snr_db;  // no noise when absent
    double cfo_hz = 0.0;
    double delay_samples = 0.0;             // at the system rate; >= 0, may be fractional
    std::optional<double> capture_rate_hz;  // the frame's system rate when absent
    std::uint32_t seed = 1;
};

// Throws cli_error_t when the transmitter or the channel refuses the frame or the request.
vek::ofdm_demod_lib::lib_ofdm_capture_t synthesize_capture(const vek::ofdm_demod_lib::cfg_ofdm_t& settings,
                                                           const synth_request_t& request);

}  // namespace vek::ofdm_demod_cli
