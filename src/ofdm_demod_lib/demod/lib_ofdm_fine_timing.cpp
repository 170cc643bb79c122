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
#include "lib_ofdm_window_sums.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

namespace {

using detail::interpolate_x4;
using detail::k_interp_factor;
constexpr double k_pi = 3.14159265358979323846;

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
    const bool placed =
        N > 0 && W >= 0 && detail::body_start(m_config_manager.get_interval_per_sym_vct(), N, s, body);
    // The quarter-sample shift below keeps only the samples the later stages read: the frame
    // (search length) and the reach of a negative FFT advance, plus one body of margin. What
    // follows the frame in a longer capture is dropped here rather than shifted and mixed by every
    // later stage. Without a search length (no input conditioning ran) the whole capture is kept.
    const std::int64_t advance_reach = std::max(0, -m_config_manager.get_fft_advance());
    const std::int64_t needed = static_cast<std::int64_t>(m_search_len) + advance_reach + N;
    const std::size_t keep = m_search_len > 0
                                 ? std::min(m_sample_data.size(), static_cast<std::size_t>(needed))
                                 : m_sample_data.size();
    // The frame is read where it lies when all this stage reads is there without wrapping: the
    // window, and the kept samples with the reach of the shift's taps at the largest shift (W
    // whole samples, and 12 beyond).
    const auto size = static_cast<std::int64_t>(m_sample_data.size());
    if (placed && m_frame_origin + std::max(static_cast<std::int64_t>(keep) + W + 13, body + N + W) > size)
        _settle_frame_origin();
    const complex_t* frame = m_sample_data.data() + m_frame_origin;
    if (!placed || !detail::span_inside(body, static_cast<std::int64_t>(N) + W, m_sample_data.size())) {
        VEK_OFDM_LOG_ERROR(
            "", "fine timing window of symbol {} ({} + {} samples from {}) is outside the {} samples", s, N,
            W, body, m_sample_data.size());
        return false;
    }
    const complex_vector_t window(frame + body, frame + body + N + W);

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
    // the frame then starts at sample 0 to within a quarter sample, in frame order.
    // Only the polyphase branch k mod 4 of the interpolated capture is ever kept, so it alone is
    // computed, and only over the kept samples.
    // The shifted samples go to the receive filter's spare buffer: the capture-sized one it
    // hands back keeps its size for the next run's rate conversion, which then writes over it
    // instead of zero-filling the part beyond the frame first.
    detail::shift_quarter_samples(frame, m_sample_data.size(), k, keep, m_filter_input);
    m_sample_data.swap(m_filter_input);
    m_frame_origin = 0;

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
    // The candidates whose windows fit form one stretch; it is summed in blocks of neighbouring
    // windows side by side, then scored in candidate order (the first of equal peaks wins).
    const std::int32_t first = std::max<std::int32_t>(0, -start);
    const auto last = !ref_fits ? first - 1
                                : static_cast<std::int32_t>(std::min<std::int64_t>(
                                      count - 1, static_cast<std::int64_t>(data.size()) - len - start));
    constexpr std::int32_t k_block = 64;
    std::vector<float> ref_re, ref_im, data_re, data_im;
    detail::split_parts(ref.data(), static_cast<std::size_t>(len), ref_re, ref_im);
    float energy[k_block], acc_re[k_block], acc_im[k_block];
    for (std::int32_t k = first; k <= last; k += k_block) {
        const std::int32_t n = std::min(k_block, last - k + 1);
        detail::split_parts(data.data() + start + k, static_cast<std::size_t>(n - 1 + len), data_re, data_im);
        detail::sum_windows_against(data_re.data(), data_im.data(), ref_re.data(), ref_im.data(),
                                    static_cast<std::size_t>(len), static_cast<std::size_t>(n), energy,
                                    acc_re, acc_im);
        for (std::int32_t j = 0; j < n; ++j) finish(k + j, acc_re[j], acc_im[j], energy[j]);
    }
    index += start;
}

}  // namespace vek::ofdm_demod_lib
