// Filtering and rate-change building blocks of the input conditioning; the frame synchronisation
// and the fine timing reuse conv and downsample.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "vek/common_lib/filter/lib_fir_filter_design.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using vek::common_lib::lib_fir_filter_design_t;
using vek::common_lib::report_line;

namespace {

// Kaiser beta of the rate-change low-pass: about 80 dB stop-band attenuation.
constexpr float k_multirate_kaiser_beta = 7.856158f;
// Taps per unit of rate factor on each side of the rate-change low-pass.
constexpr float k_multirate_order_per_factor = 24.0f;
constexpr double k_tap_zero_tolerance = 1e-12;

}  // namespace

void lib_ofdm_demod_common_t::conv(const complex_vector_t& x, const std::vector<float>& h,
                                   complex_vector_t& out, bool same) {
    if (h.size() < 2) {
        out = x;
        return;
    }
    if (x.empty()) {
        out.clear();
        return;
    }
    complex_vector_t kernel(h.size());
    std::transform(h.begin(), h.end(), kernel.begin(),
                   [](float tap) { return std::complex<float>(tap, 0.0f); });
    if (same && vek::common_lib::lib_convolution_t::is_direct_faster(kernel)) {
        // The centred |x| outputs summed straight from x: the samples the full convolution below
        // keeps, without forming its edges and moving the rest.
        vek::common_lib::lib_convolution_t::deal_convolution_section(kernel, x, h.size() / 2, x.size(), out);
        return;
    }
    out = x;
    vek::common_lib::lib_convolution_t::deal_fft_convolution(kernel, out);
    if (!same) return;

    // Centre the output on the input: a K-tap filter delays by (K - 1) / 2, so drop K / 2 samples
    // at the front (for even K one more than at the back).
    const std::size_t start = std::min(h.size() / 2, out.size());
    const std::size_t keep = std::min(x.size(), out.size() - start);
    out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(start));
    out.resize(keep);
    if (out.size() != x.size()) {
        VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN, " conv same fail", "conv same fail");
    }
}

void lib_ofdm_demod_common_t::upsample(const complex_vector_t& x, float factor, complex_vector_t& out) {
    out.clear();
    if (!(factor > 1.0f)) {
        out = x;
        return;
    }
    const auto zeros = static_cast<std::size_t>(std::trunc(factor - 1.0f));
    out.assign(x.size() * (1 + zeros), std::complex<float>(0.0f, 0.0f));
    for (std::size_t i = 0; i < x.size(); ++i) out[i * (1 + zeros)] = x[i];
}

void lib_ofdm_demod_common_t::downsample(const complex_vector_t& x, float factor, complex_vector_t& out) {
    if (x.empty()) {
        VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN,
                     "lib_ofdm_demod_common_t::downsample: Empty input data array!",
                     "downsample: Empty input data array!");
        return;
    }
    // A negative or NaN factor would never reach the end of the input: treated like a zero one.
    if (!(factor > 0.0f)) {
        VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN,
                     "lib_ofdm_demod_common_t::downsample: Error decimation paramter!",
                     "downsample: decimation paramter is zero!");
        return;
    }
    out.clear();
    const auto size = static_cast<float>(x.size());
    for (std::size_t k = 0;; ++k) {
        const float position = static_cast<float>(k) * factor;
        if (!(position < size)) break;
        // position < size in single precision, so its integer part indexes inside x.
        out.push_back(x[std::min(static_cast<std::size_t>(position), x.size() - 1)]);
    }
}

void lib_ofdm_demod_common_t::design_multirate_fir_two_input(float up_factor, float down_factor,
                                                             std::vector<float>& taps) {
    if (taps.empty()) {
        taps.assign(1, 1.0f);
    } else {
        taps.resize(1);
    }
    const float factor_max = std::max(up_factor, down_factor);
    if (std::fabs(static_cast<double>(factor_max) - 1.0) < k_tap_zero_tolerance) return;

    const float factor = up_factor > 1.0f ? up_factor : down_factor;
    // Orders beyond the designer's longest filter are clamped here so the conversion stays defined.
    const double order_max = static_cast<double>(lib_fir_filter_design_t::FILTER_LENGTH_MAX - 1);
    const double order =
        std::clamp(std::trunc(static_cast<double>(k_multirate_order_per_factor * factor)), 0.0, order_max);

    lib_fir_filter_design_t design;
    design.set_filter_passband_type(vek::common_lib::LIB_FIR_FILTER_LOWPASS);
    design.set_filter_order(static_cast<std::uint32_t>(order));
    design.set_window_type(vek::common_lib::LIB_WINDOW_KAISER);
    design.set_kaiser_window_beta(static_cast<double>(k_multirate_kaiser_beta));
    design.generate_fir_filter();
    if (!design.is_data_ready()) {
        VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN, "genery fir_filter fail",
                     "genery fir_filter fail, fir_filter data is not ready");
        taps.clear();
        return;
    }
    const auto& designed = design.get_filter_data();
    // The last tap of the odd-length design is dropped; the zero-stuffed signal lost a factor
    // up_factor of its power in the images, hence the gain.
    taps.assign(designed.empty() ? 0 : designed.size() - 1, 0.0f);
    for (std::size_t k = 0; k < taps.size(); ++k) {
        const float re = designed[k].real();
        taps[k] = std::fabs(static_cast<double>(re)) < k_tap_zero_tolerance ? 0.0f : re * up_factor;
    }
}

void lib_ofdm_demod_common_t::window_sinc_filter_hanning(std::int32_t length, float cutoff,
                                                         lib_ofdm_filter_windowed_sinc_window_t window,
                                                         std::vector<float>& taps) {
    vek::common_lib::lib_window_type_t window_type = vek::common_lib::LIB_WINDOW_HANN;
    if (window == LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HAMMING)
        window_type = vek::common_lib::LIB_WINDOW_HAMMING;
    if (window == LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_RECTANGLE)
        window_type = vek::common_lib::LIB_WINDOW_RECTANGLE;

    lib_fir_filter_design_t design;
    design.set_filter_passband_type(vek::common_lib::LIB_FIR_FILTER_LOWPASS);
    // A negative length is no filter at all: the designer then refuses a zero length.
    design.set_filter_length(length > 0 ? static_cast<std::uint32_t>(length) : 0u);
    design.set_cutoff_freq(static_cast<double>(cutoff));
    design.set_window_type(window_type);
    design.generate_fir_filter();
    if (!design.is_data_ready()) {
        VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN, "window_sinc_filter_hanning fail",
                     "window_sinc_filter_hanning fail");
        taps.clear();
        return;
    }
    const auto& designed = design.get_filter_data();
    taps.resize(designed.size());
    std::transform(designed.begin(), designed.end(), taps.begin(),
                   [](const std::complex<float>& tap) { return tap.real(); });
}

float lib_ofdm_demod_common_t::get_greatest_common_divisor(float rate_a_hz, float rate_b_hz) {
    const double a = std::trunc(static_cast<double>(rate_a_hz));
    const double b = std::trunc(static_cast<double>(rate_b_hz));
    // Below 1 Hz (or NaN, or beyond any capture rate) there is nothing to divide by: 0 tells the
    // caller that no rational rate change exists.
    constexpr double rate_max_hz = 9.0e15;
    if (!(a >= 1.0 && b >= 1.0 && a <= rate_max_hz && b <= rate_max_hz)) return 0.0f;
    // Euclid's remainder form: the same divisor as repeated subtraction, in logarithmic time.
    return static_cast<float>(std::gcd(static_cast<std::int64_t>(a), static_cast<std::int64_t>(b)));
}

}  // namespace vek::ofdm_demod_lib
