#pragma once
// Discrete Fourier transforms of complex single-precision vectors, in place.
//
// Conventions every caller relies on:
//   forward  X[k] = sum_n x[n] e^(-j 2 pi k n / L)            (unscaled)
//   inverse  x[n] = (1/L) sum_k X[k] e^(+j 2 pi k n / L)      (L = length after zero padding)
// Effective length: L = fft_length when it is non-zero and not below the vector's size, otherwise
// the vector's size. Vectors are never truncated; zeros are appended at the end up to L.
// Transforms longer than LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX points are split into m equal
// segments whose spectra are averaged (the L-point spectrum sampled at every m-th bin, over m).
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

// Window shapes; defined with the window generators (filter family).
enum lib_window_type_t : std::uint32_t;

// Longest transform executed in one piece: 41.5 * 2^20 points.
inline constexpr std::uint32_t LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX = 43515904u;
// Shortest segment a segmented transform may use.
inline constexpr std::uint32_t LIB_FOURIER_TRANSFROM_SEGMENT_LENGTH_MIN = 2048u;
// Sizes from here up use the worker pool in calc_freq_spectrum.
inline constexpr std::uint32_t LIB_FOURIER_TRANSFROM_MULTI_THREAD_LENGTH_MIN = 65537u;

class lib_fourier_transform_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // Forward / inverse transform of the effective length, single thread, segmented above the
    // single-transform limit. True when every transform ran.
    static bool deal_fft(cvec_t& data, std::uint32_t fft_length = 0);
    static bool deal_ifft(cvec_t& data, std::uint32_t fft_length = 0);
    // output = the forward transform of input (zero-padded to the effective length), input left
    // as it is: the same values as copying input into output and transforming there.
    static bool deal_fft(const cvec_t& input, cvec_t& output, std::uint32_t fft_length = 0);

    // Same on thread_number workers, never segmented. thread_number 0 reports and returns true
    // with the data untouched.
    static bool deal_multi_thread_fft(cvec_t& data, std::uint32_t thread_number, std::uint32_t fft_length = 0);
    static bool deal_multi_thread_ifft(cvec_t& data, std::uint32_t thread_number, std::uint32_t fft_length = 0);

    // Rotates the spectrum so that bin 0 lands at index floor(n/2).
    static void fft_shift(cvec_t& data);

    // Windowed (normalised window of the input's length), centred forward spectrum of input;
    // with normalize the largest bin amplitude becomes 1.
    static void calc_freq_spectrum(const cvec_t& input, cvec_t& output, bool normalize, lib_window_type_t window_type);

    // Common body of deal_fft / deal_ifft.
    static bool _deal_fft(cvec_t& data, std::uint32_t fft_length, bool inverse);
    // Common body of the two multi-thread operations.
    static bool _deal_multi_thread_fft(cvec_t& data, std::uint32_t thread_number, std::uint32_t fft_length, bool inverse);
    // One transform of `length` points on one thread, no checks beyond the plan manager's.
    static bool _deal_transform(std::uint32_t length, cvec_t& data, bool inverse);
    // One transform of `length` points on thread_number workers.
    static bool _deal_multi_thread_transform(cvec_t& data, std::uint32_t thread_number, std::uint32_t length, bool inverse);
    // Segment count for a transform of `length` points: 1 (true) when it fits in one transform;
    // otherwise the smallest m in [ceil(length / LIMIT), floor(length / 2048)] dividing length
    // (true), or false when there is none (segment_number is then left at 1).
    static bool _deal_data_segmentation(std::uint32_t length, std::uint32_t& segment_number);
    // Segmented transform of `length` points in segment_number equal segments (segment_number
    // divides length): the mean of the segment transforms, length / segment_number bins.
    static bool _deal_segmented_transform(cvec_t& data, std::uint32_t length, std::uint32_t segment_number,
                                          bool inverse);
};

}  // namespace vek::common_lib
