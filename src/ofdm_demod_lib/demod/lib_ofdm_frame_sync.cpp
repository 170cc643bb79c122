// Coarse frame synchronisation: correlate the bodies of the synchronisation symbols with their
// time-domain references at every candidate start, at half the sample rate, and rotate the buffer
// so that the frame starts at sample 5.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "lib_ofdm_half_rate.hpp"
#include "lib_ofdm_sync_scores.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common = lib_ofdm_demod_common_t;

namespace {

// 23-tap half-band low-pass (every other tap zero, centre 0.5): removes the upper half of the
// band before the search drops every other sample.
constexpr std::array<float, 12> k_half_band_first_half = {-0.00126900547f, 0.0f, 0.00546121038f, 0.0f,
                                                          -0.0158039983f,  0.0f, 0.0379583389f,  0.0f,
                                                          -0.0884876475f,  0.0f, 0.312027156f,   0.5f};

// Index of the frame start after the rotation: a few samples of lead-in let the fine timing look
// slightly before the coarse start.
constexpr std::int32_t k_frame_start_sample = 5;
// Fine timing searches this many samples around the coarse start.
constexpr std::int32_t k_fine_search_len = 10;
// Cyclic-prefix candidates: starts whose autocorrelation reaches this fraction of the best one.
constexpr double k_cp_candidate_fraction = 0.9;

std::vector<float> half_band_taps() {
    std::vector<float> taps(2 * k_half_band_first_half.size() - 1);
    for (std::size_t i = 0; i < k_half_band_first_half.size(); ++i) {
        taps[i] = k_half_band_first_half[i];
        taps[taps.size() - 1 - i] = k_half_band_first_half[i];
    }
    return taps;
}

std::int32_t half_of(std::int32_t value) {
    return static_cast<std::int32_t>(std::floor(static_cast<double>(value) * 0.5));
}

using detail::sync_body_t;

}  // namespace

bool lib_ofdm_demod_t::_deal_ofdm_frame_sync() {
    float peak = 0.0f;
    std::vector<std::int32_t> intervals(m_config_manager.get_interval_per_sym_vct().begin(),
                                        m_config_manager.get_interval_per_sym_vct().end());
    std::vector<std::int32_t> cp_set(m_config_manager.get_cp_length_set().begin(),
                                     m_config_manager.get_cp_length_set().end());
    common::deal_coarse_search(m_sample_data, m_sync_ref, m_config_manager.get_synchronization_mode(),
                               m_config_manager.get_ofdm_len(), intervals, m_sample_data_len, cp_set,
                               m_search_len, m_sync_sym_index, peak, m_ofdm_frame_dly);
    m_result.m_ofdm_sync_corr = peak;
    m_result.m_frame_dly = m_ofdm_frame_dly;
    VEK_OFDM_LOG_DEBUG("ofdm_frame_dly is {}, ofdm_sync_corr is {}", m_ofdm_frame_dly, peak);
    m_fine_search_len = k_fine_search_len;

    // The frame's lead-in goes to sample 0 by a rotation of the buffer, recorded rather than
    // performed (see m_frame_origin). A rotation by a whole number of buffer lengths changes
    // nothing, so the shift is reduced to less than the length: buffers shorter than the lead-in
    // rotate too.
    m_frame_origin = 0;
    if (!m_sample_data.empty()) {
        const auto n = static_cast<std::int64_t>(m_sample_data.size());
        std::int64_t shift = (static_cast<std::int64_t>(k_frame_start_sample) - m_ofdm_frame_dly) % n;
        if (shift < 0) shift += n;
        m_frame_origin = (n - shift) % n;
    }
    return true;
}

void lib_ofdm_demod_t::_settle_frame_origin() {
    if (m_frame_origin == 0) return;
    // The rotated copy goes to a spare buffer and trades places with the samples: two streaming
    // passes instead of an in-place rotation's cycles.
    const auto middle = m_sample_data.begin() + static_cast<std::ptrdiff_t>(m_frame_origin);
    m_shift_output.resize(m_sample_data.size());
    std::rotate_copy(m_sample_data.begin(), middle, m_sample_data.end(), m_shift_output.begin());
    m_sample_data.swap(m_shift_output);
    m_frame_origin = 0;
}

void lib_ofdm_demod_common_t::deal_coarse_search(
    const complex_vector_t& data, const complex_vector_t& reference, lib_ofdm_synchronization_mode_t mode,
    std::int32_t ofdm_len, const std::vector<std::int32_t>& intervals, std::int32_t data_len,
    const std::vector<std::int32_t>& cp_length_set, std::int32_t search_len,
    const std::vector<std::int32_t>& sync_sym_index, float& peak, std::int32_t& delay) {
    delay = 0;
    if (mode != LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION &&
        mode != LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX) {
        return;
    }
    const std::vector<float> taps = half_band_taps();
    // The half-rate capture's storage is kept per thread (see channel_power).
    thread_local complex_vector_t d;
    complex_vector_t r;
    // Low-pass, then keep the even samples: the reference whole, the capture where the search
    // reads it (the prefix correlation's starts, then the candidates' windows).
    detail::half_rate_samples_t samples(data, taps, d);
    detail::filter_to_half_rate(reference, taps, r);

    const std::int32_t body_len = half_of(ofdm_len);
    std::vector<std::int32_t> intervals_half(intervals.size());
    std::transform(intervals.begin(), intervals.end(), intervals_half.begin(), half_of);
    const std::int32_t last_start = half_of(data_len) - half_of(search_len);

    // A synchronisation symbol whose interval is unknown, or whose reference is not in the
    // reference, cannot be correlated and is left out; candidates are limited to starts whose
    // every body lies inside the data. With nothing left the search reports a too-short input.
    std::vector<sync_body_t> bodies;
    std::int64_t offset_max = 0;
    for (std::size_t j = 0; j < sync_sym_index.size(); ++j) {
        const std::int32_t s = sync_sym_index[j];
        const std::int64_t ref_end = static_cast<std::int64_t>(j + 1) * body_len;
        if (s < 0 || static_cast<std::size_t>(s) >= intervals_half.size() ||
            ref_end > static_cast<std::int64_t>(r.size())) {
            continue;
        }
        std::int64_t offset = static_cast<std::int64_t>(s) * body_len;
        for (std::int32_t i = 0; i <= s; ++i) offset += intervals_half[static_cast<std::size_t>(i)];
        bodies.push_back({offset, static_cast<std::int32_t>(j) * body_len + 1});
        offset_max = std::max(offset_max, offset);
    }
    const std::int64_t last_fitting_start = static_cast<std::int64_t>(d.size()) - body_len - offset_max;
    const std::int64_t last_scored = std::min<std::int64_t>(last_start, last_fitting_start);
    const bool can_score = !bodies.empty() && body_len > 0 && last_scored >= 0;

    std::vector<std::int32_t> candidates;
    if (mode == LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION) {
        if (can_score) {
            candidates.resize(static_cast<std::size_t>(last_scored + 1));
            for (std::size_t p = 0; p < candidates.size(); ++p) candidates[p] = static_cast<std::int32_t>(p);
        }
    } else {
        std::vector<std::int32_t> cp_half(cp_length_set.size());
        std::transform(cp_length_set.begin(), cp_length_set.end(), cp_half.begin(), half_of);
        const std::int32_t cp_len = cp_half.empty() ? 0 : *std::min_element(cp_half.begin(), cp_half.end());
        float metric_max = 0.0f;
        // Each start's prefix and its copy one body later.
        const std::int32_t starts = std::max(last_start + 1, 0);
        samples.form(0, static_cast<std::int64_t>(starts) + body_len + cp_len);
        // The starts whose prefix metric exceeds 0.9 of the largest (cp_corr_search, then
        // find_greater_pnt).
        std::vector<std::int32_t> above;
        detail::prefix_correlation_candidates(d, cp_len, body_len, starts, k_cp_candidate_fraction, above,
                                              metric_max);
        // A metric with no start above the threshold (silence) leaves no candidate: reported as a
        // failed search, like a frame without synchronisation symbols.
        if (can_score) {
            for (std::int32_t p : above) {
                if (p <= last_scored) candidates.push_back(p);
            }
        }
    }

    if (candidates.empty()) {
        if (mode == LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION) {
            VEK_OFDM_LOG_ERROR("Input data is too short, frame sync fail1!!!!!!!!!!!!!!!!!!!!!!!!!!",
                               "Input data is too short, frame sync fail, synchronization_mode is "
                               "LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION");
        } else {
            VEK_OFDM_LOG_ERROR("Input data is too short, frame sync fail2!!!!!!!!!!!!!!!!!!!!!!!!!!",
                               "Input data is too short, frame sync fail, synchronization_mode is "
                               "LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX");
        }
        return;
    }
    // Each body's window at every candidate start, or all of d where the scores take running
    // energies over it.
    if (detail::scores_read_windows_only(candidates, body_len)) {
        const auto [lowest, highest] = std::minmax_element(candidates.begin(), candidates.end());
        for (const detail::sync_body_t& body : bodies)
            samples.form(*lowest + body.data_offset, *highest + body.data_offset + body_len);
    } else {
        samples.form(0, samples.size());
    }
    std::vector<float> scores;
    detail::score_sync_candidates(d, r, bodies, candidates, body_len, scores);
    std::int32_t best = 0;
    deal_max_corr_sel(scores, peak, best);
    delay = 2 * candidates[static_cast<std::size_t>(best)];
}

}  // namespace vek::ofdm_demod_lib
