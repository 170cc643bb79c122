// Candidate scores of the coarse frame search, all candidates at once.
#include "lib_ofdm_sync_scores.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "lib_ofdm_window_sums.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
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

// Longest run of windows from start i on that begin at consecutive samples (at most `most`).
std::size_t consecutive_run(const std::vector<std::int64_t>& starts, std::size_t i, std::size_t most) {
    std::size_t run = 1;
    while (run < most && i + run < starts.size() && starts[i + run] == starts[i] + static_cast<std::int64_t>(run))
        ++run;
    return run;
}

// Windows summed together by sum_windows_against: enough to fill several vectors, few enough that
// their sums stay in the first-level cache.
constexpr std::size_t k_run_block = 64;

// deal_signal_corr of the len-sample window of d at each start (0-based) against the one of r at
// ref_first, to the bit: runs of neighbouring starts (the candidates come in runs around each
// peak, or all of them at once) side by side on vector lanes; other starts four at a time, one
// per lane, each lane summing in the same order; the reference window's energy, the same sum for
// every start, formed once. Windows that do not lie inside their vectors go through
// deal_signal_corr itself (it scores them 0).
void direct_correlations(const complex_vector_t& d, const complex_vector_t& r,
                         const std::vector<std::int64_t>& starts, std::int64_t ref_first, std::int32_t len,
                         std::vector<float>& values) {
    values.assign(starts.size(), 0.0f);
    const auto inside = [](const complex_vector_t& v, std::int64_t first, std::int32_t n) {
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
        std::vector<float> energy, cross_re, cross_im, energy_ref, normalised, b_re, b_im, a_re, a_im;
        std::vector<unsigned char> done;
    };
    thread_local scratch_t scratch;
    scratch_t& work = scratch;
    // The sums of the windows summed side by side (done 0), scored together at the end.
    std::vector<float>& energy = work.energy;
    std::vector<float>& cross_re = work.cross_re;
    std::vector<float>& cross_im = work.cross_im;
    std::vector<unsigned char>& done = work.done;
    energy.assign(starts.size(), 0.0f);
    cross_re.assign(starts.size(), 0.0f);
    cross_im.assign(starts.size(), 0.0f);
    done.assign(starts.size(), 1);
    std::vector<float>& b_re = work.b_re;
    std::vector<float>& b_im = work.b_im;
    split_parts(b, static_cast<std::size_t>(len), b_re, b_im);
    std::vector<float>& a_re = work.a_re;
    std::vector<float>& a_im = work.a_im;
    using namespace vek::common_lib::float4;
    std::size_t i = 0;
    while (i < starts.size()) {
        const std::size_t run = consecutive_run(starts, i, k_run_block);
        if (run >= 8 && inside(d, starts[i], len) && inside(d, starts[i + run - 1], len)) {
            split_parts(d.data() + starts[i], run - 1 + static_cast<std::size_t>(len), a_re, a_im);
            sum_windows_against(a_re.data(), a_im.data(), b_re.data(), b_im.data(),
                                static_cast<std::size_t>(len), run, energy.data() + i, cross_re.data() + i,
                                cross_im.data() + i);
            std::fill(done.begin() + static_cast<std::ptrdiff_t>(i),
                      done.begin() + static_cast<std::ptrdiff_t>(i + run), 0);
            i += run;
            continue;
        }
        if (i + 4 > starts.size()) {
            direct(i);
            ++i;
            continue;
        }
        bool all_inside = true;
        for (std::size_t l = 0; l < 4; ++l) all_inside = all_inside && inside(d, starts[i + l], len);
        if (!all_inside) {
            for (std::size_t l = 0; l < 4; ++l) direct(i + l);
            i += 4;
            continue;
        }
        const complex_t* a0 = d.data() + starts[i];
        const complex_t* a1 = d.data() + starts[i + 1];
        const complex_t* a2 = d.data() + starts[i + 2];
        const complex_t* a3 = d.data() + starts[i + 3];
        float4_t energy_a = splat(0.0f);
        float4_t sum_re = energy_a;
        float4_t sum_im = energy_a;
        // Neighbouring starts (the candidates come in runs around each peak) read four consecutive
        // samples: two plain loads split into parts instead of four gathered samples.
        const bool consecutive = a1 == a0 + 1 && a2 == a0 + 2 && a3 == a0 + 3;
        const auto accumulate = [&](const float4_t& ar, const float4_t& ai, std::int32_t k) {
            const float4_t br = splat(b[k].real());
            const float4_t bi = splat(b[k].imag());
            // As deal_signal_corr: a conj(b) written out, each product rounded on its own.
            energy_a += ar * ar + ai * ai;
            sum_re += ar * br + ai * bi;
            sum_im += ai * br - ar * bi;
        };
        if (consecutive) {
            const float* run = reinterpret_cast<const float*>(a0);
            for (std::int32_t k = 0; k < len; ++k) {
                const float4_t low = load(run + 2 * k);
                const float4_t high = load(run + 2 * k + 4);
                accumulate(real_parts(low, high), imag_parts(low, high), k);
            }
        } else {
            for (std::int32_t k = 0; k < len; ++k) {
                accumulate(float4_t{a0[k].real(), a1[k].real(), a2[k].real(), a3[k].real()},
                           float4_t{a0[k].imag(), a1[k].imag(), a2[k].imag(), a3[k].imag()}, k);
            }
        }
        store(energy.data() + i, energy_a);
        store(cross_re.data() + i, sum_re);
        store(cross_im.data() + i, sum_im);
        for (std::size_t l = 0; l < 4; ++l) done[i + l] = 0;
        i += 4;
    }
    // Every summed window's score in one pass; the windows correlated one by one keep theirs.
    std::vector<float>& energy_ref = work.energy_ref;
    std::vector<float>& normalised = work.normalised;
    energy_ref.assign(starts.size(), energy_b);
    normalised.resize(starts.size());
    normalise_correlations(energy.data(), energy_ref.data(), cross_re.data(), cross_im.data(), starts.size(),
                           normalised.data());
    for (std::size_t j = 0; j < starts.size(); ++j)
        if (done[j] == 0) values[j] = normalised[j];
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
