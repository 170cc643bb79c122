// Fine timing: the coarse start of frame synchronisation is refined to a quarter sample by
// correlating a 4x interpolated reference body against the 4x interpolated received body, and the
// whole capture is moved so that the frame starts at sample 0. Also the half-subcarrier shift,
// which must follow the timing because it is phase-referenced to each body start.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "lib_ofdm_interpolation.hpp"
#include "lib_ofdm_symbol_position.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

namespace {

using detail::interpolate_x4;
using detail::k_interp_factor;
constexpr double k_pi = 3.14159265358979323846;

// The fine-timing sums of eight neighbouring candidates, one per 256-bit lane: for lane l,
// sum_i conj(ref[i]) data[l + i] (real and imaginary part) and sum_i |data[l + i]|^2, each lane
// adding in the same order as a single candidate, products and sums rounded separately (so the
// same bits as four lanes or one). False (nothing formed) without AVX.
#if VEK_HAS_WIDE_KERNELS
VEK_TARGET_AVX void correlate_eight_avx(const complex_t* ref, const complex_t* data,
                                                        std::int32_t len, float (&sums)[3][8]) {
    using namespace vek::common_lib::cpu;
    const float* b_row = reinterpret_cast<const float*>(data);
    float8_t acc_re = {};
    float8_t acc_im = {};
    float8_t energy = {};
    for (std::int32_t i = 0; i < len; ++i) {
        const float ar = ref[i].real();
        const float ai = ref[i].imag();
        const float8_t a_re = {ar, ar, ar, ar, ar, ar, ar, ar};
        const float8_t a_im = {ai, ai, ai, ai, ai, ai, ai, ai};
        const float8_t low = load8(b_row + 2 * i);
        const float8_t high = load8(b_row + 2 * i + 8);
        const float8_t b_re = real_parts8(low, high);
        const float8_t b_im = imag_parts8(low, high);
        // conj(a) b written out, rounded as the library's product, without its NaN check.
        acc_re += a_re * b_re + a_im * b_im;
        acc_im += a_re * b_im - a_im * b_re;
        energy += b_re * b_re + b_im * b_im;
    }
    std::memcpy(sums[0], &acc_re, sizeof acc_re);
    std::memcpy(sums[1], &acc_im, sizeof acc_im);
    std::memcpy(sums[2], &energy, sizeof energy);
}

bool correlate_eight(const complex_t* ref, const complex_t* data, std::int32_t len, float (&sums)[3][8]) {
    if (!vek::common_lib::cpu::cpu_has_avx()) return false;
    correlate_eight_avx(ref, data, len, sums);
    return true;
}
#else
bool correlate_eight(const complex_t*, const complex_t*, std::int32_t, float (&)[3][8]) { return false; }
#endif

}  // namespace

bool lib_ofdm_demod_t::_deal_ofdm_fine_delay() {
    const int N = m_config_manager.get_ofdm_len();
    const int s = m_sync_start_sym;
    const int W = m_fine_search_len;
    m_ref_len = N;

    if (s < 0 || static_cast<std::size_t>(s) >= m_ref_time_sym.size()) {
        VEK_OFDM_LOG_ERROR("_deal_ofdm_fine_delay sync_ref_dat size is error",
                           "sync_start_sym {} is larger than analy_symbol_num {}", s, m_ref_time_sym.size());
        return false;
    }

    // The received window covers the body of symbol s with W/2 samples either side. A capture
    // that ends (or a layout that places the body) where that window has no samples cannot be
    // timed: the stage fails rather than correlate against samples that are not there.
    std::int64_t body = 0;
    complex_vector_t window;
    if (N <= 0 || W < 0 || !detail::body_start(m_config_manager.get_interval_per_sym_vct(), N, s, body) ||
        !detail::copy_span(m_sample_data, body, static_cast<std::int64_t>(N) + W, window)) {
        VEK_OFDM_LOG_ERROR(
            "", "fine timing window of symbol {} ({} + {} samples from {}) is outside the {} samples", s, N,
            W, body, m_sample_data.size());
        return false;
    }

    // The interpolated reference depends on the configuration alone: formed once per configuration.
    reference_cache_t& cache = m_reference_cache;
    if (!cache.valid || cache.fine_timing_symbol != s) {
        cache.fine_timing_ref4 = interpolate_x4(m_ref_time_sym[static_cast<std::size_t>(s)]);
        cache.fine_timing_symbol = cache.valid ? s : -1;
    }
    const complex_vector_t& ref4 = cache.fine_timing_ref4;
    const complex_vector_t data4 = interpolate_x4(window);
    std::vector<float> correlations;
    std::int32_t k = 0;
    const auto len4 = static_cast<std::int32_t>(k_interp_factor * N);
    lib_ofdm_demod_common_t::synchronize(ref4, data4, 0, static_cast<std::int32_t>(data4.size()) - len4, len4,
                                         correlations, k);

    // Move the capture by k quarter samples at the high rate and come back to the system rate:
    // the frame then starts at sample 0 to within a quarter sample.
    // Only the polyphase branch k mod 4 of the interpolated capture is ever kept, so it alone is
    // computed, and only over the samples the later stages read: the frame (search length) and
    // the reach of a negative FFT advance, plus one body of margin. What follows the frame in a
    // longer capture is dropped here rather than shifted and mixed by every later stage.
    // Without a search length (no input conditioning ran) the whole capture is kept.
    const std::int64_t advance_reach = std::max(0, -m_config_manager.get_fft_advance());
    const std::int64_t needed = static_cast<std::int64_t>(m_search_len) + advance_reach + N;
    const std::size_t keep =
        m_search_len > 0 ? std::min(m_sample_data.size(), static_cast<std::size_t>(needed)) : m_sample_data.size();
    detail::shift_quarter_samples(m_sample_data, k, keep, m_shift_output);
    m_sample_data.swap(m_shift_output);

    m_dly_est = (static_cast<float>(k) - static_cast<float>(k_interp_factor * W) * 0.5f) * 0.25f +
                static_cast<float>(m_ofdm_frame_dly);
    m_time_offset = m_dly_est / m_config_manager.get_system_sample_rate() * 1000.0f;
    m_result.m_dly_est = m_dly_est;
    m_result.m_time_offset = m_time_offset;
    VEK_OFDM_LOG_DEBUG("m_dly_est is {}, m_time_offset is {}", m_dly_est, m_time_offset);
    return true;
}

void lib_ofdm_demod_t::_deal_half_subcarrier_shift() {
    const int S = m_config_manager.get_analy_symbol_num();
    if (!m_config_manager.get_half_subcarrier_shift() || S <= 0) return;
    const int F = m_config_manager.get_fft_length();
    const int N = m_config_manager.get_ofdm_len();
    const std::vector<int>& cp = m_config_manager.get_cp_length_per_sym_vct();
    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();
    if (F <= 0) return;
    const auto total = static_cast<std::int64_t>(m_sample_data.size());
    // The rotation depends only on the offset n from the body start, so one table covers every
    // symbol: rotation[n + longest prefix] for n = -longest prefix ... F - 1.
    int longest_cp = 0;
    for (int k = 0; k < S && static_cast<std::size_t>(k) < cp.size(); ++k)
        longest_cp = std::max(longest_cp, cp[static_cast<std::size_t>(k)]);
    std::vector<std::complex<float>> rotation(static_cast<std::size_t>(longest_cp) + static_cast<std::size_t>(F));
    for (std::int64_t n = -longest_cp; n < F; ++n) {
        // Phase 0 at the first body sample keeps every symbol's cells referenced to its body.
        const double phase_rad = -k_pi * static_cast<double>(n) / F;
        rotation[static_cast<std::size_t>(n + longest_cp)] =
            std::complex<float>(static_cast<float>(std::cos(phase_rad)), static_cast<float>(std::sin(phase_rad)));
    }
    for (int k = 0; k < S; ++k) {
        std::int64_t body = 0;
        // Symbols the layout does not describe, and samples the capture does not hold, are left
        // alone: there is nothing there to shift.
        if (static_cast<std::size_t>(k) >= cp.size() || !detail::body_start(intervals, N, k, body)) break;
        const int c = cp[static_cast<std::size_t>(k)];
        for (std::int64_t n = -c; n < F; ++n) {
            const std::int64_t pos = body + n;
            if (pos < 0 || pos >= total) continue;
            m_sample_data[static_cast<std::size_t>(pos)] *= rotation[static_cast<std::size_t>(n + longest_cp)];
        }
    }
}

void lib_ofdm_demod_common_t::synchronize(const complex_vector_t& ref, const complex_vector_t& data,
                                          std::int32_t start, std::int32_t count, std::int32_t len,
                                          std::vector<float>& corr, std::int32_t& index) {
    corr.clear();
    if (count > 0) corr.assign(static_cast<std::size_t>(count), 0.0f);
    float best = 0.0f;
    const bool ref_fits = detail::span_inside(0, len, ref.size());
    const auto fits = [&](std::int32_t k) {
        return ref_fits && detail::span_inside(static_cast<std::int64_t>(start) + k, len, data.size());
    };
    // The reference's energy is the same sum for every candidate.
    float energy_ref = 0.0f;
    if (ref_fits) {
        for (std::int32_t i = 0; i < len; ++i) {
            const std::complex<float> a = ref[static_cast<std::size_t>(i)];
            energy_ref += a.real() * a.real() + a.imag() * a.imag();
        }
    }
    const auto finish = [&](std::int32_t k, float acc_re, float acc_im, float energy_data) {
        const std::complex<float> acc(acc_re, acc_im);
        // A window without energy has no defined correlation; it scores 0 instead of NaN or inf.
        const double denom = std::sqrt(static_cast<double>(energy_ref) * energy_data);
        const float value = denom > 0.0 ? static_cast<float>(std::abs(acc) / denom) : 0.0f;
        corr[static_cast<std::size_t>(k)] = value;
        if (std::fabs(value) > best) {
            best = std::fabs(value);
            index = k;
        }
    };
    using namespace vek::common_lib::float4;
    std::int32_t k = 0;
    while (k < count) {
        if (k + 8 <= count && fits(k) && fits(k + 7)) {
            // Eight at a time where the processor has 256-bit registers (the same sums per lane).
            float sums[3][8];
            if (correlate_eight(ref.data(), data.data() + start + k, len, sums)) {
                for (int lane = 0; lane < 8; ++lane)
                    finish(k + lane, sums[0][lane], sums[1][lane], sums[2][lane]);
                k += 8;
                continue;
            }
        }
        if (k + 4 <= count && fits(k) && fits(k + 3)) {
            // Four neighbouring candidates, one per lane: their windows start one sample apart,
            // so sample i of the four is four consecutive complex samples. Each lane adds in the
            // same order as a single candidate would.
            const float* b_row = reinterpret_cast<const float*>(data.data() + start + k);
            float4_t acc_re = splat(0.0f);
            float4_t acc_im = acc_re;
            float4_t energy_data = acc_re;
            for (std::int32_t i = 0; i < len; ++i) {
                const std::complex<float> a = ref[static_cast<std::size_t>(i)];
                const float4_t a_re = splat(a.real());
                const float4_t a_im = splat(a.imag());
                const float4_t low = load(b_row + 2 * i);
                const float4_t high = load(b_row + 2 * i + 4);
                const float4_t b_re = real_parts(low, high);
                const float4_t b_im = imag_parts(low, high);
                // conj(a) b written out, rounded as the library's product, without its NaN check.
                acc_re += a_re * b_re + a_im * b_im;
                acc_im += a_re * b_im - a_im * b_re;
                energy_data += b_re * b_re + b_im * b_im;
            }
            for (int lane = 0; lane < 4; ++lane)
                finish(k + lane, acc_re[lane], acc_im[lane], energy_data[lane]);
            k += 4;
            continue;
        }
        if (fits(k)) {
            float acc_re = 0.0f;
            float acc_im = 0.0f;
            float energy_data = 0.0f;
            const std::complex<float>* b_row = data.data() + start + k;
            for (std::int32_t i = 0; i < len; ++i) {
                const std::complex<float> a = ref[static_cast<std::size_t>(i)];
                const std::complex<float> b = b_row[i];
                acc_re += a.real() * b.real() + a.imag() * b.imag();
                acc_im += a.real() * b.imag() - a.imag() * b.real();
                energy_data += b.real() * b.real() + b.imag() * b.imag();
            }
            finish(k, acc_re, acc_im, energy_data);
        }
        ++k;
    }
    index += start;
}

}  // namespace vek::ofdm_demod_lib
