// Candidate scores of the coarse frame search, all candidates at once.
#include "lib_ofdm_sync_scores.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "lib_ofdm_window_group.hpp"
#include "lib_ofdm_window_sums.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib::detail {

namespace {

// Below this many candidates the direct products cost less than the FFT correlations.
constexpr std::size_t k_direct_candidates_max = 32;
// The FFT correlations cost about this many direct products per start of the stretch they cover
// (overlap-add of a few hundred taps); scattered candidates (the cyclic-prefix search over a long
// capture keeps a few thousand starts out of a hundred thousand) are cheaper to correlate
// directly, and exactly.
constexpr std::size_t k_fft_products_per_start = 32;
// Windows whose energy product is below this have no defined correlation (as deal_signal_corr).
constexpr double k_energy_floor = 1e-12;
// Windows whose energy is below this fraction of the loudest window's are correlated directly.
constexpr double k_quiet_window_fraction = 1e-5;

// Sum over k < len of d[m + k] conj(r[k]) for m = 0 ... count - 1, d read from `first`: the
// linear convolution of that stretch of d with the reversed, conjugated reference.
complex_vector_t cross_correlation(const complex_vector_t& d, std::int64_t first, std::int64_t count,
                                   const complex_t* r, std::int32_t len) {
    complex_vector_t stretch(d.begin() + first, d.begin() + first + count + len - 1);
    complex_vector_t kernel(static_cast<std::size_t>(len));
    for (std::int32_t j = 0; j < len; ++j) kernel[static_cast<std::size_t>(j)] = std::conj(r[len - 1 - j]);
    if (len < 2) {
        for (complex_t& v : stretch) v *= kernel[0];
        return stretch;
    }
    vek::common_lib::lib_convolution_t::deal_fft_convolution(kernel, stretch);
    // Output m + len - 1 holds the window that starts at m.
    return complex_vector_t(stretch.begin() + (len - 1), stretch.begin() + (len - 1) + count);
}

// deal_signal_corr of the len-sample window of d at each start (0-based) against the one of r at
// ref_first, to the bit: the starts in groups of eight neighbouring windows (a group covers the
// starts that rise within eight samples of its first, the candidates coming in short runs around
// each peak), each window summing in the same order as deal_signal_corr; the reference window's
// energy, the same sum for every start, formed once. Groups that do not lie inside d go through
// deal_signal_corr itself (it scores windows outside d 0).
void direct_correlations(const complex_vector_t& d, const complex_vector_t& r,
                         const std::vector<std::int64_t>& starts, std::int64_t ref_first, std::int32_t len,
                         std::vector<float>& values) {
    values.assign(starts.size(), 0.0f);
    const auto inside = [](const complex_vector_t& v, std::int64_t first, std::int64_t n) {
        return n > 0 && first >= 0 && first + n <= static_cast<std::int64_t>(v.size());
    };
    const auto direct = [&](std::size_t i) {
        values[i] = lib_ofdm_demod_common_t::deal_signal_corr(d, r, static_cast<std::int32_t>(starts[i] + 1),
                                                              static_cast<std::int32_t>(ref_first + 1), len);
    };
    if (!inside(r, ref_first, len)) {
        for (std::size_t i = 0; i < starts.size(); ++i) direct(i);
        return;
    }
    const complex_t* b = r.data() + ref_first;
    float energy_b = 0.0f;
    for (std::int32_t k = 0; k < len; ++k) energy_b += b[k].real() * b[k].real() + b[k].imag() * b[k].imag();
    // Work vectors of a candidate's length, kept per thread: a search scores thousands of starts
    // per body, and buffers that size taken and returned every call cost more than filling them.
    struct scratch_t {
        std::vector<float> energy, cross_re, cross_im, energy_ref, normalised, b_re, b_im;
        std::vector<unsigned char> done;
    };
    thread_local scratch_t scratch;
    scratch_t& work = scratch;
    // The sums of the windows summed in groups (done 0), scored together at the end.
    work.energy.assign(starts.size(), 0.0f);
    work.cross_re.assign(starts.size(), 0.0f);
    work.cross_im.assign(starts.size(), 0.0f);
    work.done.assign(starts.size(), 1);
    split_parts(b, static_cast<std::size_t>(len), work.b_re, work.b_im);
    constexpr auto group = static_cast<std::int64_t>(k_window_group);
    std::size_t i = 0;
    while (i < starts.size()) {
        const std::int64_t first = starts[i];
        std::size_t end = i + 1;
        while (end < starts.size() && starts[end] > starts[end - 1] && starts[end] < first + group) ++end;
        if (!inside(d, first, group - 1 + len)) {
            for (; i < end; ++i) direct(i);
            continue;
        }
        float energy[k_window_group], cross_re[k_window_group], cross_im[k_window_group];
        sum_window_group_against(d.data() + first, work.b_re.data(), work.b_im.data(),
                                 static_cast<std::size_t>(len), energy, cross_re, cross_im);
        for (; i < end; ++i) {
            const auto lane = static_cast<std::size_t>(starts[i] - first);
            work.energy[i] = energy[lane];
            work.cross_re[i] = cross_re[lane];
            work.cross_im[i] = cross_im[lane];
            work.done[i] = 0;
        }
    }
    // Every summed window's score in one pass; the windows correlated one by one keep theirs.
    work.energy_ref.assign(starts.size(), energy_b);
    work.normalised.resize(starts.size());
    normalise_correlations(work.energy.data(), work.energy_ref.data(), work.cross_re.data(),
                           work.cross_im.data(), starts.size(), work.normalised.data());
    for (std::size_t j = 0; j < starts.size(); ++j)
        if (work.done[j] == 0) values[j] = work.normalised[j];
}

}  // namespace

bool scores_read_windows_only(const std::vector<std::int32_t>& candidates, std::int32_t body_len) {
    if (candidates.empty()) return true;
    const auto [lowest, highest] = std::minmax_element(candidates.begin(), candidates.end());
    const auto span =
        static_cast<std::size_t>(*highest - *lowest) + static_cast<std::size_t>(std::max(body_len, 0));
    const bool scattered = body_len > 0 && candidates.size() * static_cast<std::size_t>(body_len) <=
                                               k_fft_products_per_start * span;
    return candidates.size() <= k_direct_candidates_max || body_len <= 0 || scattered;
}

void score_sync_candidates(const complex_vector_t& d, const complex_vector_t& r,
                           const std::vector<sync_body_t>& bodies, const std::vector<std::int32_t>& candidates,
                           std::int32_t body_len, std::vector<float>& scores) {
    scores.assign(candidates.size(), 0.0f);
    if (candidates.empty() || bodies.empty()) return;
    const auto divisor = static_cast<float>(bodies.size());
    if (scores_read_windows_only(candidates, body_len)) {
        // Bodies in order for each candidate, as the sum of its correlations is formed.
        struct candidate_scratch_t {
            std::vector<float> sums, values;
            std::vector<std::int64_t> starts;
        };
        thread_local candidate_scratch_t scratch;
        candidate_scratch_t& work = scratch;
        std::vector<float>& sums = work.sums;
        std::vector<std::int64_t>& starts = work.starts;
        std::vector<float>& values = work.values;
        sums.assign(candidates.size(), 0.0f);
        starts.resize(candidates.size());
        for (const sync_body_t& body : bodies) {
            for (std::size_t i = 0; i < candidates.size(); ++i) starts[i] = candidates[i] + body.data_offset;
            direct_correlations(d, r, starts, body.ref_start_1based - 1, body_len, values);
            for (std::size_t i = 0; i < candidates.size(); ++i) sums[i] += values[i];
        }
        for (std::size_t i = 0; i < candidates.size(); ++i) scores[i] = sums[i] / divisor;
        return;
    }

    // Running energy of d, in double so that differences of two sums keep float accuracy.
    std::vector<double> energy_before(d.size() + 1, 0.0);
    for (std::size_t k = 0; k < d.size(); ++k)
        energy_before[k + 1] = energy_before[k] + static_cast<double>(std::norm(d[k]));

    const auto [lowest, highest] = std::minmax_element(candidates.begin(), candidates.end());
    const auto d_size = static_cast<std::int64_t>(d.size());
    const auto r_size = static_cast<std::int64_t>(r.size());
    std::vector<float> sums(candidates.size(), 0.0f);
    for (const sync_body_t& body : bodies) {
        const std::int64_t ref_first = static_cast<std::int64_t>(body.ref_start_1based) - 1;
        const bool ref_inside = ref_first >= 0 && ref_first + body_len <= r_size;
        // The stretch of starts whose windows lie inside d; others score 0 for this body.
        const std::int64_t first = std::max<std::int64_t>(*lowest + body.data_offset, 0);
        const std::int64_t last = std::min<std::int64_t>(*highest + body.data_offset, d_size - body_len);
        if (!ref_inside || last < first) continue;
        float energy_ref = 0.0f;
        for (std::int32_t k = 0; k < body_len; ++k) energy_ref += std::norm(r[static_cast<std::size_t>(ref_first + k)]);
        const complex_vector_t cross =
            cross_correlation(d, first, last - first + 1, r.data() + ref_first, body_len);
        const auto window_energy = [&](std::int64_t start) {
            return energy_before[static_cast<std::size_t>(start + body_len)] -
                   energy_before[static_cast<std::size_t>(start)];
        };
        double energy_max = 0.0;
        for (std::int64_t start = first; start <= last; ++start) energy_max = std::max(energy_max, window_energy(start));
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            const std::int64_t start = candidates[i] + body.data_offset;
            if (start < first || start > last) continue;
            const double energy_data = window_energy(start);
            // The FFT's rounding error is relative to the loudest windows: in a window far quieter
            // than those (leakage into idle samples) it would swamp the true cross term, so such
            // windows take the direct products.
            if (energy_data < k_quiet_window_fraction * energy_max) {
                sums[i] += lib_ofdm_demod_common_t::deal_signal_corr(d, r, static_cast<std::int32_t>(start + 1),
                                                                     body.ref_start_1based, body_len);
                continue;
            }
            const double denominator = std::sqrt(std::max(energy_data, 0.0) * static_cast<double>(energy_ref));
            if (denominator < k_energy_floor) continue;
            sums[i] += static_cast<float>(
                static_cast<double>(vek::common_lib::lib_common_math_t::get_complex_magnitude(
                    cross[static_cast<std::size_t>(start - first)])) /
                denominator);
        }
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) scores[i] = sums[i] / divisor;
}

}  // namespace vek::ofdm_demod_lib::detail
