// Building blocks shared by the direct and the polyphase resampler.
#include <algorithm>
#include <numeric>

#include "vek/common_lib/filter/lib_fir_filter_design.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/math/lib_filter.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/resample/lib_resampler.hpp"

namespace vek::common_lib {

namespace {

// Inputs above this length get the full filter order factor; shorter ones a factor that keeps
// the filter (and the edge extension) within the data.
constexpr std::uint64_t kFullOrderInputLength = 20;
constexpr std::uint32_t kFullOrderFactor = 10;

}  // namespace

void lib_resampler_t::_reduce_resample_coefficient(std::uint32_t& up_factor, std::uint32_t& down_factor) {
    const std::uint32_t divisor = std::gcd(up_factor, down_factor);
    if (divisor > 1) {
        up_factor /= divisor;
        down_factor /= divisor;
    }
}

std::uint32_t lib_resampler_t::_get_antialiasing_filter_order_factor(std::uint64_t input_length) {
    if (input_length > kFullOrderInputLength) {
        return kFullOrderFactor;
    }
    return input_length == 0 ? 0u : static_cast<std::uint32_t>((input_length - 1) / 2);
}

void lib_resampler_t::_deal_interpolate(cvec_t& data, std::uint32_t up_factor) {
    if (up_factor <= 1) {
        return;
    }
    cvec_t stuffed(data.size() * up_factor, std::complex<float>(0.0f, 0.0f));
    for (std::size_t j = 0; j < data.size(); ++j) {
        stuffed[j * up_factor] = data[j];
    }
    data.swap(stuffed);
}

bool lib_resampler_t::_deal_decimation(std::uint32_t down_factor, std::uint64_t offset, cvec_t& data) {
    if (data.empty()) {
        report_line("lib_resample_t::_deal_decimation Report: Empty input data array!");
        return false;
    }
    if (down_factor == 0) {
        report_line("lib_resample_t::_deal_decimation Report: Error decimation paramter!");
        return false;
    }
    if (down_factor == 1u && offset == 0u) return true;  // every sample kept where it is
    const std::uint64_t size = data.size();
    const std::uint64_t kept = offset < size ? (size - offset + down_factor - 1) / down_factor : 0;
    // In place: the write index never overtakes the read index (offset + k*D >= k).
    for (std::uint64_t k = 0; k < kept; ++k) {
        data[k] = data[offset + k * down_factor];
    }
    data.resize(kept);
    return true;
}

void lib_resampler_t::_deal_data_linear_extrapolate(const cvec_t& input, cvec_t& output,
                                                    std::uint32_t extension) {
    const std::size_t n = input.size();
    const std::size_t ext = extension;
    // Zeros at the ends only: the middle is written once, by the copy.
    output.clear();
    output.reserve(n + 2 * ext);
    output.resize(ext, std::complex<float>(0.0f, 0.0f));
    output.insert(output.end(), input.begin(), input.end());
    output.resize(n + 2 * ext, std::complex<float>(0.0f, 0.0f));
    if (n < 3) {
        return;  // too short to have a slope: zeros at both ends
    }
    // Point reflection about the end samples continues the local slope, so the filter sees no
    // step at the data's edges. Longer extensions repeat the reflected block outwards.
    const std::complex<float> first2 = 2.0f * input.front();
    const std::complex<float> last2 = 2.0f * input.back();
    std::size_t done = 0;
    while (done < ext) {
        const std::size_t k = std::min(ext - done, n - 1);
        // Head block: the sample for i = 1 sits next to what is already there, i = k outermost.
        const std::size_t head_inner = ext - done - 1;
        const std::size_t tail_inner = ext + n + done;
        for (std::size_t i = 1; i <= k; ++i) {
            output[head_inner - (i - 1)] = first2 - input[i];
            output[tail_inner + (i - 1)] = last2 - input[n - 1 - i];
        }
        done += k;
    }
}

void lib_resampler_t::_generate_antialiasing_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                                    std::uint32_t order_factor, cvec_t& taps) {
    // A capture analysed run after run asks for the same filter every time; its Kaiser design
    // (Bessel functions per tap) is kept per thread for the last few factor sets.
    struct designed_t {
        std::uint32_t up = 0, down = 0, order = 0;
        cvec_t taps;
    };
    constexpr std::size_t kept_designs = 4;
    thread_local designed_t designs_storage[kept_designs];
    thread_local std::size_t next_slot = 0;
    designed_t* designs = designs_storage;
    for (std::size_t i = 0; i < kept_designs; ++i) {
        const designed_t& d = designs[i];
        if (!d.taps.empty() && d.up == up_factor && d.down == down_factor && d.order == order_factor) {
            taps = d.taps;
            return;
        }
    }
    _design_antialiasing_filter(up_factor, down_factor, order_factor, taps);
    designed_t& slot = designs[next_slot];
    next_slot = (next_slot + 1) % kept_designs;
    slot = {up_factor, down_factor, order_factor, taps};
}

void lib_resampler_t::_design_antialiasing_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                                  std::uint32_t order_factor, cvec_t& taps)
{
    const std::uint32_t larger = std::max(up_factor, down_factor);
    lib_fir_filter_design_t design;
    design.set_filter_passband_type(LIB_FIR_FILTER_LOWPASS);
    design.set_filter_length(2u * order_factor * larger + 1u);
    design.set_window_type(LIB_WINDOW_KAISER);
    design.set_kaiser_window_beta(ANTIALIASING_KAISER_BETA);
    design.set_cutoff_freq(ANTIALIASING_CUTOFF_SCALE / static_cast<double>(larger));
    design.generate_fir_filter();
    taps = design.get_filter_data();
    // Zero-stuffing spreads each sample's energy over U images; the gain U restores the amplitude.
    const auto gain = static_cast<float>(up_factor);
    for (auto& tap : taps) {
        tap *= gain;
    }
}

bool lib_resampler_t::_deal_antialiasing_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                                std::uint32_t order_factor, cvec_t& data) {
    if (data.empty()) {
        report_line("lib_resample_t::deal_resampling Report: Empty input data array!");
        return false;
    }
    if (up_factor == 0 || down_factor == 0) {
        report_line("lib_resample_t::deal_resampling Report: Error resample parameters!");
        return false;
    }
    cvec_t taps;
    _generate_antialiasing_filter(up_factor, down_factor, order_factor, taps);
    return lib_filter_t::deal_filter(taps, data, LIB_FILTER_DELAY_CYCLIC);
}

bool lib_resampler_t::_filter_unextended(std::uint32_t down_factor, std::uint32_t order_factor,
                                         std::uint32_t extension, const cvec_t& input, cvec_t& output)
{
    const std::size_t n = input.size();
    if (n == 0 || down_factor == 0 || extension >= n) return false;  // one reflection block per end
    cvec_t taps;
    _generate_antialiasing_filter(1u, down_factor, order_factor, taps);
    std::size_t pad = 4u;
    while (pad < taps.size()) pad <<= 1;
    const std::size_t half = taps.size() / 2u;
    // The conditions of the section over the extended block (_filter_kept_outputs), and enough
    // input for interior outputs between the two ends.
    if (!lib_convolution_t::is_direct_faster(taps) || n + 2u * extension < pad || half > extension ||
        n < 4u * half + 1u)
        return false;
    std::vector<float> real_taps(taps.size());
    for (std::size_t j = 0; j < taps.size(); ++j) real_taps[j] = taps[j].real();
    // Output i sums taps j over the sample at position i + half - j of the extended input
    // (positions below 0 and from n on are the reflections the edge extension would hold).
    const std::complex<float> first2 = 2.0f * input.front();
    const std::complex<float> last2 = 2.0f * input.back();
    const auto sample = [&](std::int64_t p) {
        if (p < 0) return first2 - input[static_cast<std::size_t>(-p)];
        if (p >= static_cast<std::int64_t>(n))
            return last2 - input[static_cast<std::size_t>(2 * static_cast<std::int64_t>(n) - 2 - p)];
        return input[static_cast<std::size_t>(p)];
    };
    output.resize(n);
    const auto fir = [&](const std::complex<float>* tap0_sample, std::size_t first_output,
                         std::size_t outputs) {
        lib_convolution_t::deal_interleaved_real_fir(
            real_taps.data(), real_taps.size(), reinterpret_cast<const float*>(tap0_sample),
            reinterpret_cast<float*>(output.data() + first_output), 2u * outputs);
    };
    // Interior outputs i in [half, n - half): every sample read is an input sample.
    fir(input.data() + 2u * half, half, n - 2u * half);
    // The ends: positions [-half, 2 half) and [n - 2 half, n + half) in small blocks.
    cvec_t block(3u * half);
    for (std::size_t k = 0; k < block.size(); ++k)
        block[k] = sample(static_cast<std::int64_t>(k) - static_cast<std::int64_t>(half));
    fir(block.data() + 2u * half, 0, half);
    for (std::size_t k = 0; k < block.size(); ++k)
        block[k] = sample(static_cast<std::int64_t>(n - 2u * half + k));
    fir(block.data() + 2u * half, n - half, half);
    return true;
}

bool lib_resampler_t::_filter_kept_outputs(std::uint32_t up_factor, std::uint32_t down_factor,
                                           std::uint32_t order_factor, std::size_t edge, const cvec_t& data,
                                           cvec_t& output)
{
    // The cyclic filter over the extended block followed by dropping `edge` samples at each end
    // keeps outputs whose taps reach at most half the filter's length beyond them. When the
    // extension covers that reach, no kept output meets the cyclic wrap, and with a short real
    // filter (summed directly, tap by tap in order) each kept output is the same sum of the same
    // samples as a plain convolution section of the block: formed straight into the output,
    // without the cyclic copy, the dropped outputs and the front erase.
    if (data.empty() || up_factor == 0 || down_factor == 0 || data.size() < 2u * edge) return false;
    cvec_t taps;
    _generate_antialiasing_filter(up_factor, down_factor, order_factor, taps);
    std::size_t pad = 4u;
    while (pad < taps.size()) pad <<= 1;
    const std::size_t half = taps.size() / 2u;
    if (!lib_convolution_t::is_direct_faster(taps) || data.size() < pad || half > edge) return false;
    return lib_convolution_t::deal_convolution_section(taps, data, edge + half, data.size() - 2u * edge,
                                                       output);
}

void lib_resampler_t::_generate_polyphase_filter(std::uint32_t up_factor, std::uint32_t down_factor,
                                                 std::uint32_t order_factor,
                                                 std::vector<fvec_t>& phases,
                                                 std::vector<std::uint32_t>& delays) {
    cvec_t taps;
    _generate_antialiasing_filter(up_factor, down_factor, order_factor, taps);
    phases.assign(up_factor, fvec_t());
    delays.assign(up_factor, 0u);
    if (taps.empty()) {
        return;
    }
    // Up-sampled sample t = b*U + p is sum_i h[c + p + (b - i)*U] * x[i]: only every U-th tap
    // meets a non-zero sample. Phase p lists those taps for i = b - d_p ... b + floor((c + p)/U).
    const std::uint64_t centre = (taps.size() - 1) / 2;
    for (std::uint32_t p = 0; p < up_factor; ++p) {
        if (centre < p) {
            continue;  // filter shorter than the phase count: this phase has no taps
        }
        const std::uint64_t delay = (centre - p) / up_factor;
        const std::uint64_t count = delay + 1 + (centre + p) / up_factor;
        fvec_t& phase = phases[p];
        phase.resize(count);
        for (std::uint64_t j = 0; j < count; ++j) {
            // c + p + (d_p - j)*U, written so no intermediate goes negative.
            const std::uint64_t index = centre + p + delay * up_factor - j * up_factor;
            phase[j] = taps[index].real();
        }
        delays[p] = static_cast<std::uint32_t>(delay);
    }
}

}  // namespace vek::common_lib
