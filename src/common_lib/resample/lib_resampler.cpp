// Direct and polyphase rational resampling.
#include "vek/common_lib/resample/lib_resampler.hpp"

#include <algorithm>

#include "vek/common_lib/math/lib_float4.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

// Both operations need a filter of at least one tap per side, i.e. an order factor F >= 1.
constexpr std::size_t kInputLengthMin = 3;

std::uint64_t output_length(std::uint64_t upsampled_length, std::uint64_t offset, std::uint32_t down) {
    return offset < upsampled_length ? (upsampled_length - offset + down - 1) / down : 0;
}

}  // namespace

bool lib_resampler_t::deal_resampling(const cvec_t& input, cvec_t& output, std::uint32_t up_factor,
                                      std::uint32_t down_factor, std::uint64_t offset) {
    // The output's storage is reused (a capture-sized buffer need not be zero-filled before it is
    // overwritten); every refusal leaves it empty.
    if (input.empty()) {
        report_line("lib_resample_t::deal_resampling Report: Empty input data array!");
        output.clear();
        return false;
    }
    if (up_factor == 0 || down_factor == 0) {
        report_line("lib_resample_t::deal_resampling Report: Error resample parameters!");
        output.clear();
        return false;
    }
    _reduce_resample_coefficient(up_factor, down_factor);
    if (up_factor > RESAMPLE_COEFFICIENT_MAX || down_factor > RESAMPLE_COEFFICIENT_MAX) {
        report_line("lib_resample_t::deal_resampling Report: Resample Coefficients Overlimit!");
        output.clear();
        return false;
    }
    if (input.size() < kInputLengthMin) {
        report_line("lib_resample_t::deal_resampling Report: Input data array is too short!");
        output.clear();
        return false;
    }
    const std::uint64_t n = input.size();
    if (offset >= n * up_factor) {
        report_line("lib_resample_t::deal_resampling Report: decimation delay is overlimit!");
        output.clear();
        return false;
    }

    // At one to one the anti-aliasing filter is a unit impulse (its side taps are the design's
    // rounding errors, together below 1e-14): the output is the input itself.
    if (up_factor == 1u && down_factor == 1u) {
        output.assign(input.begin() + static_cast<std::ptrdiff_t>(offset), input.end());
        return true;
    }
    const std::uint32_t order_factor = _get_antialiasing_filter_order_factor(n);
    const std::uint32_t extension = 2 * order_factor;
    if (up_factor == 1u && _filter_unextended(down_factor, order_factor, extension, input, output)) {
        _deal_decimation(down_factor, offset, output);
        return true;
    }
    cvec_t work;
    _deal_data_linear_extrapolate(input, work, extension);
    _deal_interpolate(work, up_factor);
    const std::size_t edge = static_cast<std::size_t>(extension) * up_factor;
    if (_filter_kept_outputs(up_factor, down_factor, order_factor, edge, work, output)) {
        _deal_decimation(down_factor, offset, output);
        return true;
    }
    if (!_deal_antialiasing_filter(up_factor, down_factor, order_factor, work)) {
        output.clear();
        return false;
    }
    // Drop the extension (now E*U up-sampled samples at each end): n*U samples remain.
    work.resize(work.size() - edge);
    work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(edge));
    _deal_decimation(down_factor, offset, work);
    output.swap(work);
    return true;
}

bool lib_resampler_t::deal_polyphase_resampling(const cvec_t& input, cvec_t& output,
                                                std::uint32_t up_factor, std::uint32_t down_factor,
                                                std::uint64_t offset) {
    output.clear();
    if (input.empty()) {
        report_line("lib_resample_t::deal_polyphase_resampling Report: Empty input data array!");
        return false;
    }
    if (up_factor == 0 || down_factor == 0) {
        report_line("lib_resample_t::deal_polyphase_resampling Report: Error resample parameters!");
        return false;
    }
    _reduce_resample_coefficient(up_factor, down_factor);
    const std::uint64_t n = input.size();
    if (offset > n * up_factor) {
        report_line("lib_resample_t::deal_polyphase_resampling Report: decimation delay is overlimit!");
        return false;
    }
    if (up_factor > RESAMPLE_COEFFICIENT_MAX || down_factor > RESAMPLE_COEFFICIENT_MAX) {
        report_line("lib_resample_t::deal_polyphase_resampling Report: Resample Coefficients Overlimit!");
        return false;
    }
    if (input.size() < kInputLengthMin) {
        report_line("lib_resample_t::deal_polyphase_resampling Report: Input data array is too short!");
        return false;
    }

    const std::uint32_t order_factor = _get_antialiasing_filter_order_factor(n);
    std::vector<fvec_t> phases;
    std::vector<std::uint32_t> delays;
    _generate_polyphase_filter(up_factor, down_factor, order_factor, phases, delays);

    // A phase reaches d_p samples back and up to d_max + 1 samples ahead (when c mod U + p >= U),
    // so the extension must cover d_max + 1 to keep the last output's window inside the vector.
    const std::uint32_t delay_max = *std::max_element(delays.begin(), delays.end());
    const std::uint32_t extension = std::max(2 * order_factor, delay_max + 1);
    cvec_t ext;
    _deal_data_linear_extrapolate(input, ext, extension);

    const std::uint64_t count = output_length(n * up_factor, offset, down_factor);
    output.resize(count);
    std::uint64_t k = 0;
    if (up_factor == 1u && !phases[0].empty()) {
        // Pure decimation: every output uses the one phase, D input samples after the previous
        // output. Four outputs at a time, one per pair of vector lanes (re, im), each summing its
        // taps in the same order as the loop below: the first complex of four 16-byte loads, D
        // samples apart, makes the two input vectors of a tap. A load also reads the sample after
        // the one it needs, so groups stop where that would leave the extended input.
        using namespace float4;
        const fvec_t& taps = phases[0];
        const std::uint64_t base = extension - delays[0];
        while (k + 4u <= count && base + offset + (k + 3u) * down_factor + taps.size() < ext.size()) {
            const std::complex<float>* x = ext.data() + base + offset + k * down_factor;
            float4_t first_pair = splat(0.0f);
            float4_t second_pair = first_pair;
            for (std::size_t j = 0; j < taps.size(); ++j) {
                const float4_t tap = splat(taps[j]);
                const std::complex<float>* p = x + j;
                first_pair += tap * first_samples(load(p), load(p + down_factor));
                second_pair += tap * first_samples(load(p + 2u * down_factor), load(p + 3u * down_factor));
            }
            float* out = reinterpret_cast<float*>(output.data() + k);
            store(out, first_pair);
            store(out + 4, second_pair);
            k += 4u;
        }
    }
    for (; k < count; ++k) {
        const std::uint64_t t = offset + k * down_factor;
        const auto p = static_cast<std::uint32_t>(t % up_factor);
        const std::uint64_t first = t / up_factor + extension - delays[p];
        const fvec_t& taps = phases[p];
        const std::complex<float>* x = ext.data() + first;
        // Real taps: the in-phase and quadrature sums are two real dot products.
        float sum_re = 0.0f;
        float sum_im = 0.0f;
        for (std::size_t j = 0; j < taps.size(); ++j) {
            // Whole-sample load: GCC's AddressSanitizer does not check loads of a single
            // component of a std::complex, so this keeps the window's bounds checked.
            const std::complex<float> sample = x[j];
            sum_re += taps[j] * sample.real();
            sum_im += taps[j] * sample.imag();
        }
        output[k] = std::complex<float>(sum_re, sum_im);
    }
    return true;
}

}  // namespace vek::common_lib
