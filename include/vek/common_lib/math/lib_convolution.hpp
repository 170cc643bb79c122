#pragma once
// Full linear convolution y = h * x (length size(x) + size(h) - 1), direct or by FFT overlap-add.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

class lib_convolution_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // Direct sum; an empty filter leaves data unchanged (returns false), true otherwise.
    static bool deal_convolution(const cvec_t& filter, cvec_t& data);
    // Overlap-add with segments of half the FFT length; a filter shorter than 2 taps reports and
    // leaves data unchanged (false). Filters of up to 32 real taps are summed directly instead, which
    // is faster for them and equal to the overlap-add up to float rounding.
    static bool deal_fft_convolution(const cvec_t& filter, cvec_t& data);
    // Outputs first ... first + count - 1 of the full convolution, summed directly (samples
    // outside data count as zero): output[i] = sum_j filter[j] data[first + i - j]. False (output
    // untouched) for an empty filter.
    static bool deal_convolution_section(const cvec_t& filter, const cvec_t& data, std::size_t first,
                                         std::size_t count, cvec_t& output);
    // y[f] = sum_{j < tap_number} taps[j] x[f - 2j] for f = 0 ... count - 1: a real FIR over the
    // interleaved (re, im) floats of complex samples, consecutive taps one complex sample apart.
    // Each output adds its taps in the order j = 0, 1, ... from zero, exactly like a tap-by-tap
    // accumulation into zeroed outputs. x - 2 (tap_number - 1) ... x + count - 1 must be readable.
    static void deal_interleaved_real_fir(const float* taps, std::size_t tap_number, const float* x, float* y,
                                          std::size_t count);
    // y[f] = sum_{t < terms} weights[t] sources[t][f] for f = 0 ... count - 1, each output adding
    // its terms in the order t = 0, 1, ... from zero (a product and a sum rounded per term), with
    // the sums kept in registers over blocks of outputs. The FIR kernel of the direct filters;
    // any set of equally long float runs can be combined this way.
    static void deal_weighted_sum(const float* const* sources, const float* weights, std::size_t terms,
                                  float* y, std::size_t count);
    // True when deal_fft_convolution sums this filter directly (2 to 32 real taps).
    static bool is_direct_faster(const cvec_t& filter);
    // FFT length for a signal of signal_length samples and a filter of filter_length taps: the
    // smallest power of two >= 2 * filter_length and >= 32, grown by a power of two with the
    // square root of (signal / filter) / 4096 so that very long signals do not need too many
    // segments.
    static std::uint32_t _get_segment_fft_length(std::size_t signal_length, std::size_t filter_length);
};

}  // namespace vek::common_lib
