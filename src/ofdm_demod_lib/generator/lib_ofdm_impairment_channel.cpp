#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <utility>
#include <vector>

#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/resample/lib_resampler.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using vek::common_lib::lib_common_signal_process_t;
using vek::common_lib::lib_convolution_t;
using vek::common_lib::lib_resampler_t;

namespace {

constexpr double k_two_pi = 6.283185307179586;

// Uniform in (0, 1], never 0 so that the logarithm of Box-Muller stays finite.
double uniform_open(std::mt19937& engine) {
    return (static_cast<double>(engine()) + 1.0) / 4294967296.0;
}

}  // namespace

int lib_ofdm_impairment_channel_t::get_max_multipath_taps(const lib_ofdm_config_manager_t& config) {
    const std::vector<int>& prefixes = config.get_cp_length_set();
    if (prefixes.empty()) return 1;
    const int shortest = *std::min_element(prefixes.begin(), prefixes.end());
    return std::max(1, shortest - std::max(config.get_fft_advance(), 0) + 1);
}

double lib_ofdm_impairment_channel_t::calc_noise_variance(double data_cell_power, int fft_length, double snr_db) {
    // A forward FFT of N samples of variance v puts N * v into every bin.
    if (fft_length < 1) return 0.0;
    return data_cell_power * std::pow(10.0, -snr_db / 10.0) / static_cast<double>(fft_length);
}

void lib_ofdm_impairment_channel_t::add_awgn(complex_vector_t& data, double variance, std::uint32_t seed) {
    std::mt19937 engine(seed);
    const double sigma = std::sqrt(variance / 2.0);  // per real dimension
    for (complex_t& x : data) {
        const double radius = sigma * std::sqrt(-2.0 * std::log(uniform_open(engine)));
        const double angle = k_two_pi * uniform_open(engine);
        x += complex_t(static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)));
    }
}

bool lib_ofdm_impairment_channel_t::deal_impairments(const lib_ofdm_impairment_info_t& info,
                                                     const lib_ofdm_generated_frame_t& frame, int max_taps,
                                                     lib_ofdm_capture_t& capture) {
    capture = lib_ofdm_capture_t{};
    const double system_rate_hz = static_cast<double>(frame.sample_rate_hz);
    if (system_rate_hz <= 0.0) {
        VEK_OFDM_LOG_ERROR("deal_impairments sample rate error", "system sample rate {} Hz", system_rate_hz);
        return false;
    }
    if (info.multipath_en && (info.multipath_taps.empty() ||
                              (max_taps > 0 && static_cast<int>(info.multipath_taps.size()) > max_taps))) {
        VEK_OFDM_LOG_ERROR("deal_impairments multipath taps error",
                           "{} taps: need 1 to {} (the shortest cyclic prefix + 1)", info.multipath_taps.size(),
                           max_taps);
        return false;
    }
    if (info.idle_en && (info.leading_idle_samples < 0 || info.trailing_idle_samples < 0)) {
        VEK_OFDM_LOG_ERROR("deal_impairments idle length error", "idle samples {} / {} must not be negative",
                           info.leading_idle_samples, info.trailing_idle_samples);
        return false;
    }
    if (info.fractional_delay_en && !(std::fabs(info.fractional_delay_samples) < 1.0)) {
        VEK_OFDM_LOG_ERROR("deal_impairments fractional delay error", "fractional delay {} samples is not below 1",
                           info.fractional_delay_samples);
        return false;
    }
    if (info.noise_en && !(frame.data_cell_power > 0.0f && frame.fft_length > 0)) {
        VEK_OFDM_LOG_ERROR("deal_impairments snr reference error",
                           "the SNR needs a data-cell power (is {}) and an fft length (is {})", frame.data_cell_power,
                           frame.fft_length);
        return false;
    }
    if (info.resample_en && !(info.capture_rate_hz > 0.0)) {
        VEK_OFDM_LOG_ERROR("deal_impairments capture rate error", "capture rate {} Hz", info.capture_rate_hz);
        return false;
    }

    complex_vector_t x = frame.samples;
    double gain_power = 1.0;
    if (info.gain_en) {
        const double amplitude = std::pow(10.0, static_cast<double>(info.gain_db) / 20.0);
        gain_power = amplitude * amplitude;
        const complex_t factor = std::polar(static_cast<float>(amplitude), info.phase_rad);
        for (complex_t& v : x) v *= factor;
    }
    if (info.multipath_en && info.multipath_taps.size() > 1) {
        lib_convolution_t::deal_convolution(info.multipath_taps, x);
    } else if (info.multipath_en) {
        for (complex_t& v : x) v *= info.multipath_taps[0];
    }
    double frame_start = 0.0;
    if (info.idle_en) {
        x.insert(x.begin(), static_cast<std::size_t>(info.leading_idle_samples), complex_t{});
        x.insert(x.end(), static_cast<std::size_t>(info.trailing_idle_samples), complex_t{});
        frame_start += info.leading_idle_samples;
    }
    if (info.fractional_delay_en && info.fractional_delay_samples != 0.0) {
        lib_common_signal_process_t::deal_fractional_delay(info.fractional_delay_samples, x);
        frame_start += info.fractional_delay_samples;
    }
    if (info.freq_offset_en) {
        lib_common_signal_process_t::deal_mixer(x, info.freq_offset_hz / system_rate_hz, 0.0);
    }
    if (info.noise_en) {
        add_awgn(x, gain_power * calc_noise_variance(frame.data_cell_power, frame.fft_length, info.snr_db),
                 info.noise_seed);
    }
    capture.sample_rate_hz = system_rate_hz;
    if (info.resample_en && info.capture_rate_hz != system_rate_hz) {
        std::uint32_t up = 1, down = 1;
        // An inexact pair is still the closest the resampler offers; the capture reports the
        // rate it really has.
        lib_resampler_t::calc_resample_coef(static_cast<double>(x.size()), system_rate_hz, info.capture_rate_hz, up,
                                            down);
        lib_resampler_t::_reduce_resample_coefficient(up, down);
        complex_vector_t resampled;
        if (!lib_resampler_t::deal_polyphase_resampling(x, resampled, up, down, 0)) {
            VEK_OFDM_LOG_ERROR("deal_impairments resampling error", "{} samples by {}/{} refused", x.size(), up, down);
            return false;
        }
        x.swap(resampled);
        capture.sample_rate_hz = system_rate_hz * up / down;
    }
    capture.samples = std::move(x);
    capture.frame_start_samples = frame_start;
    return true;
}

}  // namespace vek::ofdm_demod_lib
