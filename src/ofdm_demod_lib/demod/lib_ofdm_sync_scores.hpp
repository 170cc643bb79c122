#pragma once
// Scores of the coarse frame search (demod/lib_ofdm_sync_scores.cpp): for every candidate start,
// the mean normalised correlation of the synchronisation-symbol bodies with their references.
#include <cstdint>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

// Where a synchronisation symbol's body lies relative to a candidate start in the searched data,
// and where its reference starts (1-based) in the concatenated reference.
struct sync_body_t {
    std::int64_t data_offset;
    std::int32_t ref_start_1based;
};

// scores[i] = mean over bodies of deal_signal_corr(d, r, candidates[i] + offset + 1, ref start,
// body_len), to within float rounding: data window energies come from running sums, and over a
// long run of candidates the cross terms from one FFT correlation per body instead of body_len
// products at every candidate. Windows outside d or r score 0, as deal_signal_corr has it.
void score_sync_candidates(const complex_vector_t& d, const complex_vector_t& r,
                           const std::vector<sync_body_t>& bodies, const std::vector<std::int32_t>& candidates,
                           std::int32_t body_len, std::vector<float>& scores);

// The starts p < count whose cyclic-prefix metric (cp_corr_search) exceeds fraction times the
// largest metric (the product in double precision, then single), in increasing order, and that
// largest metric: the same starts and value as cp_corr_search followed by find_greater_pnt, to the
// bit, without normalising every start (most starts are settled by a ratio of their sums).
void prefix_correlation_candidates(const complex_vector_t& data, std::int32_t cp_len, std::int32_t body_len,
                                   std::int32_t count, double fraction, std::vector<std::int32_t>& above,
                                   float& metric_max);

// Whether score_sync_candidates reads d only inside the candidates' windows (start + a body's
// offset, body_len samples): true when it correlates each window directly, false when it takes
// running energies and FFT correlations over all of d.
bool scores_read_windows_only(const std::vector<std::int32_t>& candidates, std::int32_t body_len);

}  // namespace vek::ofdm_demod_lib::detail
