#include "vek/common_lib/math/lib_convolution.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "lib_wide_weighted_sum.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

// Below this many real taps the direct sum costs less than the overlap-add's two short transforms
// per segment (convolution benchmarks: 21 real taps over 77k samples run 4x faster directly, 32
// taps 3x). Complex taps do not vectorise as well and keep the overlap-add.
constexpr std::size_t k_direct_filter_taps_max = 32u;

// Outputs are produced in blocks small enough to stay in the first-level cache while every tap
// passes over them.
constexpr std::size_t k_block_outputs = 512u;

bool has_real_taps(const lib_convolution_t::cvec_t& filter)
{
    return std::all_of(filter.begin(), filter.end(), [](const std::complex<float>& tap) { return tap.imag() == 0.0f; });
}

// For taps with one tap (the centre) of exactly 1 and side taps whose magnitudes sum to S: the
// ratio r such that an output whose centre sample c satisfies |c| > r max|window| is c itself, to
// the bit; -1 when the taps do not have that shape. The side products sum to at most S max|window|
// (a little more after their own rounding, hence the margin), and a float c absorbs any addend
// below |c| 2^-26 (under half the spacing of the floats next to c, also just below a power of
// two). With zero side taps r is 0: any non-zero c.
float unit_centre_pass_ratio(const float* taps, std::size_t tap_number, std::size_t& centre)
{
    centre = static_cast<std::size_t>(std::find(taps, taps + tap_number, 1.0f) - taps);
    if (tap_number < 2u || centre == tap_number) return -1.0f;
    double side = 0.0;
    for (std::size_t j = 0; j < tap_number; ++j)
        if (j != centre) side += std::fabs(static_cast<double>(taps[j]));
    const double ratio = side * 0x1p26 * 1.001;
    return ratio < 0x1p-20 ? static_cast<float>(ratio) : -1.0f;
}

// The bit patterns of floats, read in place (the attribute lets them alias the floats).
using float_bits_t = std::uint32_t __attribute__((may_alias));

// Largest magnitude bits over [begin, end) and smallest over its stretch [centres, centres_end):
// for floats without their sign bit the integer order is the order of the magnitudes, and any
// pattern at or above an infinity's is not finite. Integer reductions, so they vectorise.
VEK_CLONE_FOR_AVX2
void magnitude_bit_range(const float_bits_t* begin, const float_bits_t* centres,
                         const float_bits_t* centres_end, const float_bits_t* end, std::uint32_t& largest,
                         std::uint32_t& smallest_centre)
{
    constexpr std::uint32_t magnitude = 0x7fffffffu;
    std::uint32_t high = 0;
    std::uint32_t low = magnitude;
    for (const float_bits_t* p = begin; p < centres; ++p)
        high = std::max<std::uint32_t>(high, *p & magnitude);
    for (const float_bits_t* p = centres; p < centres_end; ++p) {
        high = std::max<std::uint32_t>(high, *p & magnitude);
        low = std::min<std::uint32_t>(low, *p & magnitude);
    }
    for (const float_bits_t* p = centres_end; p < end; ++p)
        high = std::max<std::uint32_t>(high, *p & magnitude);
    largest = high;
    smallest_centre = low;
}

// True when the floats in [begin, end) are all finite and each of centres[0 ... floats - 1] (a
// stretch inside them) exceeds ratio times their largest magnitude.
bool centre_dominates(const float* begin, const float* end, const float* centres, std::size_t floats,
                      float ratio)
{
    static_assert(sizeof(float) == sizeof(std::uint32_t), "floats are 32-bit patterns");
    const auto* bits = reinterpret_cast<const float_bits_t*>(begin);
    const auto at = [&](const float* p) { return bits + (p - begin); };
    std::uint32_t largest = 0;
    std::uint32_t smallest = 0;
    magnitude_bit_range(bits, at(centres), at(centres + floats), at(end), largest, smallest);
    constexpr std::uint32_t infinity_bits = 0x7f800000u;
    if (largest >= infinity_bits) return false;
    float peak = 0.0f;
    float weakest = 0.0f;
    std::memcpy(&peak, &largest, sizeof peak);
    std::memcpy(&weakest, &smallest, sizeof weakest);
    return weakest > ratio * peak;
}

// Outputs i in [from, to) of y[i] = sum_j h[j] x[first + i - j], tap by tap within each block
// of outputs (y starts at zero, so every output adds its taps in the order j = 0, 1, ...).
// Samples outside x count as zero.
void section_by_taps(const lib_convolution_t::cvec_t& filter, const lib_convolution_t::cvec_t& data,
                     std::size_t first, std::size_t from, std::size_t to, bool real, std::complex<float>* output)
{
    const std::size_t n = data.size();
    const std::size_t m = filter.size();
    const float* x = reinterpret_cast<const float*>(data.data());
    float* y = reinterpret_cast<float*>(output);
    for (std::size_t begin = from; begin < to; begin += k_block_outputs) {
        const std::size_t end = std::min(begin + k_block_outputs, to);
        for (std::size_t j = 0; j < m; ++j) {
            // Outputs i in [begin, end) whose sample first + i - j lies in [0, n).
            const std::size_t lo = first + begin >= j ? begin : j - first;
            const std::size_t hi = n + j > first ? std::min(end, n + j - first) : 0;
            if (lo >= hi) continue;
            const std::size_t offset = first + lo - j;
            if (real) {
                const float tap = filter[j].real();
                const float* in = x + 2u * offset;
                float* out = y + 2u * lo;
                const std::size_t floats = 2u * (hi - lo);
                for (std::size_t f = 0; f < floats; ++f) out[f] += tap * in[f];
            } else {
                const std::complex<float> tap = filter[j];
                for (std::size_t i = lo; i < hi; ++i) {
                    const std::complex<float> sample = data[offset + (i - lo)];
                    // Written out: the library's complex product checks for NaN operands on every call.
                    output[i] += std::complex<float>(tap.real() * sample.real() - tap.imag() * sample.imag(),
                                                     tap.real() * sample.imag() + tap.imag() * sample.real());
                }
            }
        }
    }
}

// y[i] = sum_j h[j] x[first + i - j] for i < count, whatever y held before. With real taps the
// in-phase and quadrature parts are one interleaved real FIR: the outputs whose taps all meet a
// sample run through the register-blocked kernel (which writes them), the edges tap by tap into
// zeroed outputs.
void direct_section(const lib_convolution_t::cvec_t& filter, const lib_convolution_t::cvec_t& data,
                    std::size_t first, std::size_t count, std::complex<float>* output)
{
    const std::size_t n = data.size();
    const std::size_t m = filter.size();
    const bool real = has_real_taps(filter);
    const std::size_t lo = std::min(count, first + 1 >= m ? std::size_t{0} : m - 1 - first);
    const std::size_t hi = n > first ? std::min(count, n - first) : 0;
    if (!real || m == 0 || lo >= hi) {
        std::fill(output, output + count, std::complex<float>(0.0f, 0.0f));
        section_by_taps(filter, data, first, 0, count, real, output);
        return;
    }
    std::vector<float> taps(m);
    for (std::size_t j = 0; j < m; ++j) taps[j] = filter[j].real();
    const float* x = reinterpret_cast<const float*>(data.data());
    float* y = reinterpret_cast<float*>(output);
    lib_convolution_t::deal_interleaved_real_fir(taps.data(), m, x + 2u * (first + lo), y + 2u * lo, 2u * (hi - lo));
    std::fill(output, output + lo, std::complex<float>(0.0f, 0.0f));
    std::fill(output + hi, output + count, std::complex<float>(0.0f, 0.0f));
    section_by_taps(filter, data, first, 0, lo, real, output);
    section_by_taps(filter, data, first, hi, count, real, output);
}

}  // namespace

bool lib_convolution_t::deal_convolution(const cvec_t& filter, cvec_t& data)
{
    if (filter.empty()) return false;
    if (data.empty()) return true;
    cvec_t output(data.size() + filter.size() - 1u);
    direct_section(filter, data, 0u, output.size(), output.data());
    data.swap(output);
    return true;
}

bool lib_convolution_t::deal_convolution_section(const cvec_t& filter, const cvec_t& data, std::size_t first,
                                                 std::size_t count, cvec_t& output)
{
    if (filter.empty()) return false;
    // Every output is written by the section: only the size changes, no zero fill first.
    output.resize(count);
    direct_section(filter, data, first, count, output.data());
    return true;
}

void lib_convolution_t::deal_interleaved_real_fir(const float* taps, std::size_t tap_number, const float* x, float* y,
                                                  std::size_t count)
{
    // Tap j reads the run that starts j complex samples back.
    thread_local std::vector<const float*> sources_storage;
    std::vector<const float*>& sources = sources_storage;
    sources.resize(tap_number);
    const auto sum_block = [&](std::size_t f, std::size_t floats) {
        for (std::size_t j = 0; j < tap_number; ++j) sources[j] = x + f - 2u * j;
        deal_weighted_sum(sources.data(), taps, tap_number, y + f, floats);
    };
    std::size_t centre_tap = 0;
    const float pass_ratio = unit_centre_pass_ratio(taps, tap_number, centre_tap);
    if (pass_ratio < 0.0f) {
        sum_block(0, count);
        return;
    }
    // A unit centre tap with side taps below single precision's resolution (the resampler's
    // filter at ratio 1) or zero (the quarter-sample shift by whole samples): wherever a block
    // reads only finite samples and each centre sample is large enough against the block's
    // largest, every sum rounds to its centre sample, and the block is copied; elsewhere
    // (silence, non-finite samples) it is summed.
    constexpr std::size_t block = 512;  // floats
    const std::size_t centre = 2u * centre_tap;
    const std::size_t reach = 2u * (tap_number - 1u);
    for (std::size_t f = 0; f < count; f += block) {
        const std::size_t floats = std::min(block, count - f);
        const float* centres = x + f - centre;
        if (centre_dominates(x + f - reach, x + f + floats, centres, floats, pass_ratio))
            std::copy(centres, centres + floats, y + f);
        else
            sum_block(f, floats);
    }
}

void lib_convolution_t::deal_weighted_sum(const float* const* sources, const float* weights,
                                          std::size_t terms, float* y, std::size_t count)
{
    // Sixteen outputs (four vectors of four floats) stay in registers while every term passes
    // over them: one load, one product and one sum per term and vector, no store until the end.
    // Where the processor has 256-bit registers, sixty-four at a time first.
    using namespace float4;
    std::size_t f = wide_weighted_sum(sources, weights, terms, y, count);
    for (; f + 16u <= count; f += 16u) {
        float4_t a0 = splat(0.0f);
        float4_t a1 = a0;
        float4_t a2 = a0;
        float4_t a3 = a0;
        for (std::size_t t = 0; t < terms; ++t) {
            const float* p = sources[t] + f;
            const float4_t c = splat(weights[t]);
            a0 += c * load(p);
            a1 += c * load(p + 4);
            a2 += c * load(p + 8);
            a3 += c * load(p + 12);
        }
        store(y + f, a0);
        store(y + f + 4, a1);
        store(y + f + 8, a2);
        store(y + f + 12, a3);
    }
    for (; f < count; ++f) {
        float acc = 0.0f;
        for (std::size_t t = 0; t < terms; ++t) acc += weights[t] * sources[t][f];
        y[f] = acc;
    }
}

bool lib_convolution_t::is_direct_faster(const cvec_t& filter)
{
    return filter.size() >= 2u && filter.size() <= k_direct_filter_taps_max && has_real_taps(filter);
}

std::uint32_t lib_convolution_t::_get_segment_fft_length(std::size_t signal_length, std::size_t filter_length)
{
    // Half of each FFT carries new samples; the other half takes the filter's tail.
    std::uint64_t base = 32u;
    while (base < 2u * static_cast<std::uint64_t>(filter_length)) base <<= 1;
    if (filter_length == 0u) return static_cast<std::uint32_t>(base);
    const double ratio = static_cast<double>(signal_length) / static_cast<double>(filter_length);
    if (ratio <= 4096.0) return static_cast<std::uint32_t>(base);
    // Long signals: grow the FFT with sqrt(ratio) so the segment count grows only as sqrt(n/m)
    // while each FFT stays cache-friendly.
    const auto a = static_cast<std::uint64_t>(std::floor(std::sqrt(ratio / 4096.0)));
    std::uint64_t growth = 2u;
    while (growth < a) growth <<= 1;
    std::uint64_t length = base * growth;
    if (length > LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX) length = base;  // stay a single transform
    return static_cast<std::uint32_t>(length);
}

bool lib_convolution_t::deal_fft_convolution(const cvec_t& filter, cvec_t& data)
{
    if (filter.size() < 2u) {
        report_line("lib_convolution_t::deal_fft_convolution Report: Filter data array is too short!");
        return false;
    }
    if (data.empty()) return true;
    const std::size_t n = data.size();
    const std::size_t m = filter.size();
    if (is_direct_faster(filter)) return deal_convolution(filter, data);
    const std::uint32_t fft_length = _get_segment_fft_length(n, m);
    const std::size_t segment_length = fft_length / 2u;

    cvec_t response(filter);
    bool ok = lib_fourier_transform_t::deal_fft(response, fft_length);

    // Overlap-add in place: segment k reads input [kS, kS + S) before any output at or beyond kS
    // is written, so the result can overwrite the input as it goes. Each segment's L-sample result
    // is its first half plus the previous segment's second half (carried), which is the same sum,
    // in the same order, as accumulating every segment into a separate zeroed output.
    const std::size_t segment_number = (n + segment_length - 1u) / segment_length;
    const std::size_t output_length = n + m - 1u;
    data.resize(output_length, std::complex<float>(0.0f, 0.0f));
    cvec_t carry(segment_length, std::complex<float>(0.0f, 0.0f));
    // The work vector keeps the transform's length: each segment is copied in and the rest zeroed
    // here, so the transform never has to grow it.
    cvec_t work(fft_length);
    for (std::size_t k = 0; k < segment_number; ++k) {
        const std::size_t begin = k * segment_length;
        const std::size_t end = std::min(begin + segment_length, n);
        std::copy(data.begin() + static_cast<std::ptrdiff_t>(begin), data.begin() + static_cast<std::ptrdiff_t>(end),
                  work.begin());
        std::fill(work.begin() + static_cast<std::ptrdiff_t>(end - begin), work.end(), std::complex<float>(0.0f, 0.0f));
        ok = lib_fourier_transform_t::deal_fft(work, fft_length) && ok;
        for (std::uint32_t i = 0; i < fft_length; ++i) work[i] *= response[i];
        ok = lib_fourier_transform_t::deal_ifft(work, fft_length) && ok;
        const std::size_t span = std::min(segment_length, output_length - begin);
        for (std::size_t i = 0; i < span; ++i) data[begin + i] = carry[i] + work[i];
        std::copy(work.begin() + static_cast<std::ptrdiff_t>(segment_length), work.end(), carry.begin());
    }
    // The filter's tail after the last segment: fewer than m <= S samples.
    const std::size_t tail_begin = segment_number * segment_length;
    for (std::size_t i = 0; tail_begin + i < output_length; ++i) data[tail_begin + i] = carry[i];
    return ok;
}

}  // namespace vek::common_lib
