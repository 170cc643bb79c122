// Carrier frequency error: a coarse estimate from the cyclic prefixes (each prefix and its copy
// one body later differ only by the rotation the offset accumulates over N samples), then a finer
// one from pairs of reference-bearing symbols, whose longer spacing resolves smaller errors.
// The estimates' corrections are not applied to the whole capture: they add up to one rotation,
// which every window read after them takes as it is copied (the fine estimate's own windows here,
// the symbols' windows in the demodulation), so each step sees the samples with every earlier
// correction removed.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "lib_ofdm_cell_arith.hpp"
#include "lib_ofdm_power_threshold.hpp"
#include "lib_ofdm_symbol_position.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common_lib::lib_common_math_t;
using common_lib::lib_common_signal_process_t;

namespace {

constexpr double k_pi = 3.14159265358979323846;
constexpr double k_two_pi = 6.283185307179586;

// Mean of n values: their sum in order, over n.
std::complex<float> mean_of(const complex_t* v, std::size_t n) {
    std::complex<float> acc(0.0f, 0.0f);
    for (std::size_t i = 0; i < n; ++i) acc += v[i];
    return n == 0 ? acc : acc / static_cast<float>(n);
}

// means[s] = mean_of(v + s U, U) for s < symbols (U > 0). Four symbols' sums advance together:
// each is still its own sum in order, but one symbol's chain of dependent additions no longer
// waits for the one before.
void means_of(const complex_t* v, std::size_t U, std::size_t symbols, complex_t* means) {
    constexpr std::size_t group = 4;
    const auto count = static_cast<float>(U);
    std::size_t s = 0;
    for (; s + group <= symbols; s += group) {
        std::complex<float> acc[group] = {};
        for (std::size_t i = 0; i < U; ++i)
            for (std::size_t g = 0; g < group; ++g) acc[g] += v[(s + g) * U + i];
        for (std::size_t g = 0; g < group; ++g) means[s + g] = acc[g] / count;
    }
    for (; s < symbols; ++s) means[s] = mean_of(v + s * U, U);
}

// Work vectors of the prefix estimate, kept from run to run (their storage, not their contents).
struct prefix_work_t {
    complex_vector_t prefixes;  // trimmed prefix of every measured symbol, U samples each
    complex_vector_t copies;    // and its copy one body later
    complex_vector_t ratio;
    std::vector<float> phase;
    complex_vector_t means;
    std::vector<float> mean_phase;
    std::vector<std::size_t> worst;
};

// worst[s]: the first i < U whose phase[s U + i] lies furthest from phi[s], chosen by selects
// (which ratio strays furthest is noise: a branch on it would be mispredicted about every other
// pass). Four symbols are searched together, so that one symbol's chain of comparisons does not
// wait for the one before; each still compares its phases in order.
void furthest_phases(const float* phase, std::size_t U, const float* phi, std::size_t symbols,
                     std::size_t* worst) {
    constexpr std::size_t group = 4;
    std::size_t s = 0;
    const auto search = [&](std::size_t first, std::size_t count) {
        std::size_t at[group] = {};
        float distance[group] = {-1.0f, -1.0f, -1.0f, -1.0f};
        for (std::size_t i = 0; i < U; ++i) {
            for (std::size_t g = 0; g < count; ++g) {
                const float d = std::fabs(phase[(first + g) * U + i] - phi[first + g]);
                const bool further = d > distance[g];
                at[g] = further ? i : at[g];
                distance[g] = further ? d : distance[g];
            }
        }
        for (std::size_t g = 0; g < count; ++g) worst[first + g] = at[g];
    };
    for (; s + group <= symbols; s += group) search(s, group);
    if (s < symbols) search(s, symbols - s);
}

// Phasor of each symbol (U prefix samples and their copies laid out symbol after symbol): the mean
// ratio between the trimmed cyclic prefix and its copy one body later, after replacing the U/4
// ratios whose phase strays furthest from the running mean (noise spikes and samples touched by
// the transmitter window) with that mean. The symbols are independent, so each outlier pass runs
// over all of them at once: their means' phases in one batch, and the sequential sums of one
// symbol no longer wait for those of the one before. Every symbol still sees the same operations
// in the same order.
void prefix_phasors(std::size_t U, prefix_work_t& work, complex_vector_t& phasors) {
    const std::size_t total = work.prefixes.size();
    const std::size_t symbols = total / U;
    complex_vector_t& ratio = work.ratio;
    std::vector<float>& phase = work.phase;
    ratio.resize(total);
    detail::divide_cells(work.copies.data(), work.prefixes.data(), ratio.data(), total);
    // A zero prefix sample gives no ratio; it counts as 0 and is the first to be replaced.
    for (auto& r : ratio) {
        if (!std::isfinite(r.real()) || !std::isfinite(r.imag())) r = {0.0f, 0.0f};
    }
    // A ratio's phase changes only when the ratio is replaced (by the mean, whose phase the pass
    // has just computed), so each phase is taken once rather than once per pass.
    lib_common_math_t::get_complex_array_phase(ratio, phase);
    work.means.resize(symbols);
    work.worst.resize(symbols);
    for (std::size_t pass = 0; pass < U / 4; ++pass) {
        means_of(ratio.data(), U, symbols, work.means.data());
        lib_common_math_t::get_complex_array_phase(work.means, work.mean_phase);
        furthest_phases(phase.data(), U, work.mean_phase.data(), symbols, work.worst.data());
        for (std::size_t s = 0; s < symbols; ++s) {
            ratio[s * U + work.worst[s]] = work.means[s];
            phase[s * U + work.worst[s]] = work.mean_phase[s];
        }
    }
    const std::size_t first = phasors.size();
    phasors.resize(first + symbols);
    means_of(ratio.data(), U, symbols, phasors.data() + first);
}

// The mixer step that removes a frequency error (0 for no error or no sample rate).
double correction_step(double error_hz, double fsys_hz) {
    if (error_hz == 0.0 || fsys_hz == 0.0) return 0.0;
    return lib_common_signal_process_t::mixer_step_rad(-error_hz / fsys_hz);
}

// Symbols whose row of the index map flags more than half of the used subcarriers: enough
// known cells for a time-domain comparison against the reference frame.
std::vector<int> dense_symbols(const std::vector<int>& symbols, const bool_grid_t& map, int subcarr_num) {
    std::vector<int> out;
    std::vector<int> cols;
    for (int s : symbols) {
        if (s < 0 || static_cast<std::size_t>(s) >= map.size()) continue;
        lib_ofdm_demod_common_t::find_nonzero_index(map[static_cast<std::size_t>(s)], cols);
        if (static_cast<int>(cols.size()) > subcarr_num / 2) out.push_back(s);
    }
    return out;
}

// The pilot columns of a symbol's row of the pilot map and the reference values there; false when
// the row or a column lies outside the map or the reference grid.
bool symbol_pilots(const bool_grid_t& pilot_map, const cell_grid_t& ref_data, int sym,
                   std::vector<int>& columns, complex_vector_t& refs) {
    if (sym < 0 || static_cast<std::size_t>(sym) >= pilot_map.size() ||
        static_cast<std::size_t>(sym) >= ref_data.size())
        return false;
    lib_ofdm_demod_common_t::find_nonzero_index(pilot_map[static_cast<std::size_t>(sym)], columns);
    const complex_vector_t& ref_row = ref_data[static_cast<std::size_t>(sym)];
    refs.clear();
    for (int c : columns) {
        if (c < 0 || static_cast<std::size_t>(c) >= ref_row.size()) return false;
        refs.push_back(ref_row[static_cast<std::size_t>(c)]);
    }
    return true;
}

// The demodulated cells at a symbol's pilot columns; false when a column lies outside the cells.
bool pilot_cells(const complex_vector_t& cells, const std::vector<int>& columns, complex_vector_t& rx) {
    rx.clear();
    for (int c : columns) {
        if (static_cast<std::size_t>(c) >= cells.size()) return false;
        rx.push_back(cells[static_cast<std::size_t>(c)]);
    }
    return true;
}

}  // namespace

bool lib_ofdm_demod_t::_deal_ofdm_cp_freq_error_estimate() {
    const int N = m_config_manager.get_ofdm_len();
    const int S = m_config_manager.get_analy_symbol_num();
    const double fsys_hz = m_config_manager.get_system_sample_rate();
    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();
    const std::vector<int>& cp_set = m_config_manager.get_cp_length_set();
    m_pending_rotation_rad = 0.0;
    const std::vector<int>& pilots = m_config_manager.get_pilot_sym_index_vct();
    const std::vector<int>& preambles = m_config_manager.get_preamble_sym_index_vct();

    int c = 0;
    if (!cp_set.empty()) c = *std::min_element(cp_set.begin(), cp_set.end());
    const int q = c / 8;
    const int U = c - 2 * q;

    // The power reference: a symbol known to carry energy. Without one (no pilot and no preamble
    // symbol, or its body outside the capture) empty symbols cannot be told from live ones, so no
    // estimate is formed and the samples are left as they are.
    std::int64_t ref_body = 0;
    complex_vector_t span;
    const int r = !pilots.empty() ? pilots.front() : (!preambles.empty() ? preambles.front() : -1);
    if (N <= 0 || !detail::body_start(intervals, N, r, ref_body) ||
        !detail::copy_span(m_sample_data, ref_body, N, span)) {
        VEK_OFDM_LOG_WARN(
            "no power reference symbol for the cyclic-prefix frequency estimate (symbol {}); none applied",
            r);
        m_freq_error_est = 0.0f;
        m_result.m_freq_error_est = 0.0f;
        return true;
    }
    const float threshold_db = lib_ofdm_demod_common_t::mean_abs_pow(span) - 10.0f;

    complex_vector_t phasors;
    thread_local prefix_work_t work_storage;
    prefix_work_t& work = work_storage;
    work.prefixes.clear();
    work.copies.clear();
    // Body starts advance symbol by symbol (one body and the next interval each), rather than
    // being summed from the frame start for every symbol.
    std::int64_t body = 0;
    const complex_t* samples = m_sample_data.data();
    for (int k = 0; k < S; ++k) {
        if (static_cast<std::size_t>(k) >= intervals.size()) break;
        body += (k > 0 ? N : 0) + intervals[static_cast<std::size_t>(k)];
        const std::int64_t e = body - q;
        // Symbols whose windows leave the capture are skipped like silent ones; the power test
        // reads the window in place.
        if (!detail::span_inside(e, N - 1, m_sample_data.size())) continue;
        if (!detail::mean_power_exceeds(samples + e, static_cast<std::size_t>(N - 1), threshold_db)) continue;
        if (U <= 0) {
            phasors.emplace_back(0.0f, 0.0f);
            continue;
        }
        if (!detail::span_inside(e - U, U, m_sample_data.size()) ||
            !detail::span_inside(e + N - U, U, m_sample_data.size()))
            continue;
        work.prefixes.insert(work.prefixes.end(), samples + (e - U), samples + e);
        work.copies.insert(work.copies.end(), samples + (e + N - U), samples + (e + N));
    }
    if (U > 0) prefix_phasors(static_cast<std::size_t>(U), work, phasors);

    std::complex<float> total(0.0f, 0.0f);
    for (const auto& p : phasors) total += p;
    const double theta_rad = lib_common_math_t::get_complex_phase(total);
    const auto f_hz = static_cast<float>(theta_rad * fsys_hz / N * 0.5 / k_pi);
    m_freq_error_est = f_hz;
    m_result.m_freq_error_est = f_hz;
    m_pending_rotation_rad = correction_step(f_hz, fsys_hz);
    VEK_OFDM_LOG_DEBUG("m_freq_error_est is {}", f_hz);
    return true;
}

bool lib_ofdm_demod_t::_deal_ofdm_fine_freq_error_estimate() {
    const int N = m_config_manager.get_ofdm_len();
    const int A = m_config_manager.get_fft_advance();
    const double fsys_hz = m_config_manager.get_system_sample_rate();
    const double spacing_hz = m_config_manager.get_subcarr_space();
    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();
    const std::vector<int>& pilots = m_config_manager.get_pilot_sym_index_vct();
    const bool_grid_t& pilot_map = m_config_manager.get_pilot_index_map();
    if (N <= 0) return true;

    // Step 1: the first and last symbols dense in known cells, compared in the time domain with
    // the reference frame from halfway into their intervals, where the previous symbol's
    // transmitter window has died out.
    std::vector<int> candidates = dense_symbols(pilots, pilot_map, m_config_manager.get_subcarr_num());
    if (candidates.size() < 2)
        candidates =
            dense_symbols(m_config_manager.get_preamble_sym_index_vct(),
                          m_config_manager.get_preamble_index_map(), m_config_manager.get_subcarr_num());
    if (candidates.size() >= 2) {
        const int s1 = candidates.front();
        const int s2 = candidates.back();
        std::int64_t b1 = 0;
        std::int64_t b2 = 0;
        complex_vector_t x1, y1, x2, y2;
        // Windows outside the capture or the reference frame give no estimate for this step.
        if (detail::body_start(intervals, N, s1, b1) && detail::body_start(intervals, N, s2, b2)) {
            const std::int64_t p1 = b1 - intervals[static_cast<std::size_t>(s1)] / 2;
            const std::int64_t p2 = b2 - intervals[static_cast<std::size_t>(s2)] / 2;
            if (detail::copy_rotated_span(m_sample_data, m_pending_rotation_rad, p1, N, x1) &&
                detail::copy_span(m_ref_time_frame, p1, N, y1) &&
                detail::copy_rotated_span(m_sample_data, m_pending_rotation_rad, p2, N, x2) &&
                detail::copy_span(m_ref_time_frame, p2, N, y2)) {
                const float e = lib_ofdm_demod_common_t::deal_freq_error_estimate(
                    x1, y1, x2, y2, N, static_cast<std::int32_t>(p2 - p1));
                if (!std::isnan(e)) {
                    const double delta_hz = static_cast<double>(e) * spacing_hz;
                    m_pending_rotation_rad += correction_step(delta_hz, fsys_hz);
                    m_freq_error_est += static_cast<float>(delta_hz);
                }
            }
        }
    }

    // Step 2: pilot cells of symbol pairs half the pilot list apart, compared after the FFT.
    const std::size_t H = pilots.size() / 2;
    if (H == 0) return true;
    const cell_grid_t& ref_data =
        m_config_manager.get_ref_resource_data_vct_manager().get_ref_resource_data();
    double kept_sum_hz = 0.0;
    int kept = 0;
    complex_vector_t window, cells_a, cells_b, rx_a, rx_b;
    // The pilots of a symbol depend on the configuration alone: kept with it where a configuration
    // was prepared (the reference cache is valid), otherwise formed for the call.
    using symbol_pilots_t = reference_cache_t::symbol_pilots_t;
    std::vector<symbol_pilots_t>& known = m_reference_cache.fine_pilots;
    symbol_pilots_t formed[2];
    const auto pilots_of = [&](int sym, int which) -> const symbol_pilots_t& {
        symbol_pilots_t* entry = &formed[which];
        if (m_reference_cache.valid && sym >= 0 && static_cast<std::size_t>(sym) < pilot_map.size()) {
            if (known.size() != pilot_map.size()) known.assign(pilot_map.size(), symbol_pilots_t{});
            entry = &known[static_cast<std::size_t>(sym)];
            if (entry->filled) return *entry;
        }
        entry->usable = symbol_pilots(pilot_map, ref_data, sym, entry->columns, entry->refs);
        entry->filled = true;
        return *entry;
    };
    // Every symbol's body start (detail::body_start), each from the one before.
    std::vector<std::int64_t> starts(intervals.size());
    for (std::size_t k = 0; k < intervals.size(); ++k)
        starts[k] = (k > 0 ? starts[k - 1] + N : 0) + intervals[k];
    const auto start_of = [&](int sym, std::int64_t& start) {
        if (sym < 0 || static_cast<std::size_t>(sym) >= starts.size()) return false;
        start = starts[static_cast<std::size_t>(sym)];
        return true;
    };
    for (std::size_t i = 0; i < H; ++i) {
        const int a = pilots[i];
        const int b = pilots[i + H];
        std::int64_t ba = 0;
        std::int64_t bb = 0;
        if (!start_of(a, ba) || !start_of(b, bb)) continue;
        if (!detail::copy_rotated_span(m_sample_data, m_pending_rotation_rad, ba, N, window)) continue;
        lib_ofdm_demod_common_t::deal_ofdm_demod(window, N, cells_a, A);
        if (!detail::copy_rotated_span(m_sample_data, m_pending_rotation_rad, bb, N, window)) continue;
        lib_ofdm_demod_common_t::deal_ofdm_demod(window, N, cells_b, A);
        const symbol_pilots_t& pilots_a = pilots_of(a, 0);
        const symbol_pilots_t& pilots_b = pilots_of(b, 1);
        if (!pilots_a.usable || !pilots_b.usable || !pilot_cells(cells_a, pilots_a.columns, rx_a) ||
            !pilot_cells(cells_b, pilots_b.columns, rx_b))
            continue;
        const float e = lib_ofdm_demod_common_t::deal_freq_error_estimate(
            rx_a, pilots_a.refs, rx_b, pilots_b.refs, N, static_cast<std::int32_t>(bb - ba));
        if (!std::isnan(e)) {
            kept_sum_hz += static_cast<double>(e) * spacing_hz;
            ++kept;
        }
    }
    const double delta2_hz = kept > 0 ? kept_sum_hz / kept : 0.0;
    m_freq_error_est += static_cast<float>(delta2_hz);
    m_pending_rotation_rad += correction_step(delta2_hz, fsys_hz);
    return true;
}

float lib_ofdm_demod_common_t::mean_abs_pow(const complex_vector_t& samples) {
    if (samples.empty()) return 0.0f;
    double acc = 0.0;
    for (const auto& x : samples) {
        const double re = x.real();
        const double im = x.imag();
        acc += re * re + im * im;
    }
    return static_cast<float>(10.0 * std::log10(acc / static_cast<double>(samples.size())));
}

float lib_ofdm_demod_common_t::deal_freq_error_estimate(const complex_vector_t& t0,
                                                        const complex_vector_t& r0,
                                                        const complex_vector_t& t1,
                                                        const complex_vector_t& r1, std::int32_t N,
                                                        std::int32_t D) {
    constexpr float k_nan = std::numeric_limits<float>::quiet_NaN();
    if (t0.empty() || r0.empty() || t1.empty() || r1.empty()) return k_nan;
    if (t0.size() != r0.size() || t0.size() != t1.size() || t0.size() != r1.size()) {
        VEK_OFDM_LOG_WARN("Array size mismatch: tm_dat0=%zu, ref_dat0=%zu, tm_dat1=%zu, ref_dat1=%zu",
                          t0.size(), r0.size(), t1.size(), r1.size());
        return k_nan;
    }
    if (D == 0) return k_nan;
    // Blocks of products, then their phases together (the batched phase serves several at once),
    // summed in order; the blocks live on the stack, as a call may see only a handful of pilots.
    constexpr std::size_t block = 16;
    complex_t turns[block];
    float phases[block];
    float phase_sum_rad = 0.0f;
    for (std::size_t first = 0; first < t0.size(); first += block) {
        const std::size_t count = std::min(block, t0.size() - first);
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t i = first + j;
            const std::complex<float> c0 = t0[i] * std::conj(r0[i]);
            const std::complex<float> c1 = t1[i] * std::conj(r1[i]);
            turns[j] = c1 * std::conj(c0);
        }
        lib_common_math_t::get_complex_array_phase(turns, count, phases);
        for (std::size_t j = 0; j < count; ++j) phase_sum_rad += phases[j];
    }
    const float mean_rad = phase_sum_rad / static_cast<float>(t0.size());
    return static_cast<float>(static_cast<double>(N) * mean_rad / (k_two_pi * D));
}

}  // namespace vek::ofdm_demod_lib
