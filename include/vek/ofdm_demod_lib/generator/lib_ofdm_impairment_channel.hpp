#pragma once
// Impairment channel for generated frames: turns a clean frame into a capture such as an
// acquisition instrument would deliver. Every impairment has its own switch and its own seed, so
// tests can exercise one at a time. They are applied in this order:
//   1. constant gain (dB) and phase (rad);
//   2. multipath: a causal FIR of complex taps (tap 0 = direct path), no longer than the shortest
//      cyclic prefix + 1 so that it causes no inter-symbol interference; the output grows by
//      taps - 1 samples;
//   3. idle samples: leading and trailing zeros (integer delay);
//   4. fractional delay, |delay| < 1 sample (63-tap windowed sinc; the filter wraps cyclically at
//      the capture ends, so give it some idle samples on each side);
//   5. carrier frequency offset (Hz), phase 0 at the capture's first sample;
//   6. AWGN at an SNR per occupied cell: the noise power in one FFT bin (forward FFT of N
//      samples, unscaled) is the mean data-cell power, times the gain of step 1, over 10^(SNR/10),
//      so the ideal payload EVM is 100 * 10^(-SNR/20) %;
//   7. rate change from the system sample rate to a capture rate (toolkit resampler, rational
//      factor chosen by the toolkit).
// Noise over the whole capture, idle samples included, is added at the system rate, where the
// SNR is defined; the rate change then carries signal and noise alike.
#include <cstdint>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"

namespace vek::ofdm_demod_lib {

struct lib_ofdm_impairment_info_t {
    bool gain_en = false;
    float gain_db = 0.0f;
    float phase_rad = 0.0f;

    bool multipath_en = false;
    complex_vector_t multipath_taps{complex_t{1.0f, 0.0f}};  // per sample at the system rate

    bool idle_en = false;
    int leading_idle_samples = 0;
    int trailing_idle_samples = 0;

    bool fractional_delay_en = false;
    double fractional_delay_samples = 0.0;  // |d| < 1, positive delays the signal

    bool freq_offset_en = false;
    double freq_offset_hz = 0.0;

    bool noise_en = false;
    float snr_db = 30.0f;
    std::uint32_t noise_seed = 1;

    bool resample_en = false;
    double capture_rate_hz = 0.0;
};

// The impaired capture.
struct lib_ofdm_capture_t {
    complex_vector_t samples;
    double sample_rate_hz = 0.0;
    // Position of the frame's sample 0 at the system rate (idle plus fractional delay).
    double frame_start_samples = 0.0;
};

class lib_ofdm_impairment_channel_t {
public:
    // False (capture cleared, error record) on a refused setting: taps empty or longer than the
    // shortest-prefix bound given, negative idle counts, |fractional delay| >= 1, no data-cell
    // power to define the SNR on, non-positive rates, or a rate pair the resampler refuses.
    // max_taps limits the multipath length (the shortest cyclic prefix + 1; 0 for no limit).
    static bool deal_impairments(const lib_ofdm_impairment_info_t& info, const lib_ofdm_generated_frame_t& frame,
                                 int max_taps, lib_ofdm_capture_t& capture);

    // Longest multipath channel that leaves the receiver's FFT windows free of inter-symbol
    // interference: the window starts A (FFT advance) samples into the prefix, so the echoes may
    // reach cp - A samples, cp the shortest prefix: cp - max(A, 0) + 1 taps (at least 1).
    static int get_max_multipath_taps(const lib_ofdm_config_manager_t& config);

    // Per-sample noise variance (E|w|^2) at the system rate for an SNR per FFT bin.
    static double calc_noise_variance(double data_cell_power, int fft_length, double snr_db);

    // Adds complex Gaussian noise of variance E|w|^2 = variance to data, from a seeded
    // Box-Muller on mt19937 (the same numbers on every platform).
    static void add_awgn(complex_vector_t& data, double variance, std::uint32_t seed);
};

}  // namespace vek::ofdm_demod_lib
