#include "capture_synth.hpp"

#include <cmath>
#include <string>

#include "cli_common.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"

namespace vek::ofdm_demod_cli {

using namespace vek::ofdm_demod_lib;

lib_ofdm_capture_t synthesize_capture(const cfg_ofdm_t& settings, const synth_request_t& request) {
    const lib_ofdm_config_manager_t& config = settings.get_config_manager();
    lib_ofdm_generated_frame_t frame;
    if (!lib_ofdm_frame_generator_t::generate_frame(config, request.seed, frame)) {
        throw cli_error_t(
            "the reference transmitter cannot build this frame (its maps do not match the symbol count "
            "or a cyclic prefix is out of range); check the settings");
    }
    if (request.delay_samples < 0.0 || request.delay_samples > 1e7) {
        throw cli_error_t("option --delay: give a delay between 0 and 1e7 samples");
    }
    lib_ofdm_impairment_info_t info;
    // Idle samples on both sides: the delay's whole part in front, and room behind for the frame
    // search and for the fractional-delay filter, which wraps at the capture ends.
    const double whole = std::floor(request.delay_samples);
    info.idle_en = true;
    info.leading_idle_samples = static_cast<int>(whole) + 32;
    info.trailing_idle_samples = 2 * settings.get_fft_length() + 32;
    const double fraction = request.delay_samples - whole;
    if (fraction > 0.0) {
        info.fractional_delay_en = true;
        info.fractional_delay_samples = fraction;
    }
    if (request.cfo_hz != 0.0) {
        info.freq_offset_en = true;
        info.freq_offset_hz = request.cfo_hz;
    }
    if (request.snr_db) {
        info.noise_en = true;
        info.snr_db = static_cast<float>(*request.snr_db);
        info.noise_seed = request.seed + 1000u;
    }
    if (request.capture_rate_hz && std::fabs(*request.capture_rate_hz - frame.sample_rate_hz) > 1e-3) {
        if (!(*request.capture_rate_hz > 0.0))
            throw cli_error_t("option --sample-rate: give a positive rate in Hz");
        info.resample_en = true;
        info.capture_rate_hz = *request.capture_rate_hz;
    }
    lib_ofdm_capture_t capture;
    if (!lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, capture)) {
        throw cli_error_t(
            "the impairment channel refused the request (for example a sample rate the resampler "
            "cannot reach from " +
            std::to_string(static_cast<long long>(frame.sample_rate_hz)) +
            " Hz, or noise on a frame without data cells); adjust --sample-rate or --snr");
    }
    return capture;
}

}  // namespace vek::ofdm_demod_cli
