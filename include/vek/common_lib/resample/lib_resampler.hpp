#pragma once
// Rational sample-rate change by U/D: conceptually U - 1 zeros after every sample, a windowed-sinc
// anti-aliasing low-pass, then every D-th sample from an offset. Two implementations of the same
// operation: a direct one (zero-stuffing and FFT filtering of the whole up-sampled sequence) and a
// polyphase one that computes only the kept samples (use it for large factors).
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

class lib_resampler_t {
public:
    using cvec_t = std::vector<std::complex<float>>;
    using fvec_t = std::vector<float>;

    // Largest U or D after reduction by their greatest common divisor.
    static constexpr std::uint32_t RESAMPLE_COEFFICIENT_MAX = 50000;
    // Kaiser beta of the anti-aliasing filter (about 55 dB stop-band attenuation).
    static constexpr double ANTIALIASING_KAISER_BETA = 5.0;
    // Cut-off of the anti-aliasing filter in units of 1/max(U, D) of the up-sampled Nyquist
    // frequency; slightly above 1 so the pass band is flat up to the output's band edge.
    static constexpr double ANTIALIASING_CUTOFF_SCALE = 1.05;

    // Output sample k is up-sampled sample offset + k*D (offset in units of 1/U input samples);
    // ceil((n*U - offset)/D) samples. The input needs at least 3 samples and offset < n*U. On
    // bad input a report line is written, output is left empty and the result is false.
    static bool deal_resampling(const cvec_t& input, cvec_t& output, std::uint32_t up_factor,
                                std::uint32_t down_factor, std::uint64_t offset);
    // Same output as deal_resampling up to edge effects and rounding; offset <= n*U.
    static bool deal_polyphase_resampling(const cvec_t& input, cvec_t& output,
                                          std::uint32_t up_factor, std::uint32_t down_factor,
                                          std::uint64_t offset);

    // Searches U < 1000, D <= 1000 so that a block of input_length samples at input_rate_hz,
    // resampled by U/D, drifts by less than 1e-6 output samples against target_rate_hz (true,
    // pair reduced). Otherwise false with the pair of least drift below 0.2 samples (unreduced),
    // or 1/1.
    static bool calc_resample_coef(double input_length, double input_rate_hz, double target_rate_hz,
                                   std::uint32_t& up_factor, std::uint32_t& down_factor);

    // Divides both (non-zero) factors by their greatest common divisor.
    static void _reduce_resample_coefficient(std::uint32_t& up_factor, std::uint32_t& down_factor);
    // Zero-stuffing: sample j*U is input sample j, the others 0 (only when U > 1).
    static void _deal_interpolate(cvec_t& data, std::uint32_t up_factor);
    // Keeps samples offset, offset + D, ...; false (data untouched) for empty data or D = 0.
    static bool _deal_decimation(std::uint32_t down_factor, std::uint64_t offset, cvec_t& data);
    // output = input with `extension` samples at each end that continue the local slope (point
    // reflection about the end samples); zeros for inputs of fewer than 3 samples.
    static void _deal_data_linear_extrapolate(const cvec_t& input, cvec_t& output,
                                              std::uint32_t extension);
    // Filter order factor F for an input of n samples: 10 above 20 samples, else (n - 1) / 2.
    static std::uint32_t _get_antialiasing_filter_order_factor(std::uint64_t input_length);
    // 2*F*max(U, D) + 1 taps of the anti-aliasing low-pass, scaled by U.
    static void _generate_antialiasing_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                              std::uint32_t order_factor, cvec_t& taps);
    // The design itself, without the per-thread reuse of recent designs.
    static void _design_antialiasing_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                            std::uint32_t order_factor, cvec_t& taps);
    // Filters data in place with that filter, centred (cyclic edges); false for empty data or a
    // zero factor.
    static bool _deal_antialiasing_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                          std::uint32_t order_factor, cvec_t& data);
    // The outputs of that filter over data that remain once `edge` samples are dropped at each
    // end, written to output, when they can be formed without the cyclic extension (a filter
    // short enough to be summed directly, reaching no further than edge); false (output
    // untouched) otherwise.
    // Without up-sampling, the same kept outputs formed from the input itself: the outputs whose
    // taps all meet input samples straight from it, the few at each end from the reflected edge
    // samples alone, so the extended copy of the input is never built. False (output untouched)
    // where that shortcut does not apply (a long filter, a short input).
    static bool _filter_unextended(std::uint32_t down_factor, std::uint32_t order_factor,
                                   std::uint32_t extension, const cvec_t& input, cvec_t& output);
    static bool _filter_kept_outputs(std::uint32_t up_factor, std::uint32_t down_factor,
                                     std::uint32_t order_factor, std::size_t edge, const cvec_t& data,
                                     cvec_t& output);
    // The U phases of the anti-aliasing filter: phase p holds the real taps that meet input
    // samples for up-sampled positions t = p (mod U), delays[p] the input samples it reaches back.
    static void _generate_polyphase_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                           std::uint32_t order_factor, std::vector<fvec_t>& phases,
                                           std::vector<std::uint32_t>& delays);
};

}  // namespace vek::common_lib
