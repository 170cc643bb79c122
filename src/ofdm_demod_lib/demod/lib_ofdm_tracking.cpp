// Channel tracking: per symbol, the common phase error of the tracked cells becomes a residual
// frequency offset that is removed from the symbol's time samples before it is transformed and
// equalised again; then the phase slope (timing), the remaining common phase and the gain error
// are removed as the tracking settings ask. The mean residual refines the frequency error.
#include <algorithm>
#include <cmath>

#include "lib_ofdm_cell_arith.hpp"
#include "lib_ofdm_rotator_ramp.hpp"
#include "lib_ofdm_row_gather.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common_lib::lib_common_math_t;

namespace {

constexpr double k_pi = 3.14159265358979323846;

// e^(j phase), the phase rounded to single precision once.
complex_t rotator(double phase_rad) {
    const float p = static_cast<float>(phase_rad);
    return {std::cos(p), std::sin(p)};
}

// Sum of intervals[first ... last], skipping indices the vector does not have.
long long interval_sum(const std::vector<int>& intervals, long long first, long long last) {
    long long total = 0;
    for (long long i = std::max(first, 0LL); i <= last && i < static_cast<long long>(intervals.size()); ++i) {
        total += intervals[static_cast<std::size_t>(i)];
    }
    return total;
}

}  // namespace

float lib_ofdm_demod_t::_channel_estimate_reference_time() const {
    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();
    float mean_symbol = 0.0f;
    if (!m_channel_est_sym_index.empty()) {
        for (int s : m_channel_est_sym_index) mean_symbol += static_cast<float>(s);
        mean_symbol /= static_cast<float>(m_channel_est_sym_index.size());
    }
    const long long r = std::llround(static_cast<double>(mean_symbol));  // halves away from zero
    const float interval_r =
        (r >= 0 && r < static_cast<long long>(intervals.size())) ? static_cast<float>(intervals[static_cast<std::size_t>(r)]) : 0.0f;
    const float time = static_cast<float>(m_config_manager.get_ofdm_len()) * mean_symbol +
                       static_cast<float>(interval_sum(intervals, 0, r)) +
                       (mean_symbol - static_cast<float>(r)) * interval_r;
    return std::trunc(time);
}

bool lib_ofdm_demod_t::_build_tracking_map(bool_grid_t& map) {
    const lib_ofdm_track_info_t& track = m_config_manager.get_tracking();
    if (!track.inclulde_data_subcarriers) {
        map = m_config_manager.get_pilot_index_map();
        return true;
    }
    const bool_grid_t& payload_map = m_config_manager.get_payload_index_map();
    const bool_grid_t& pilot_map = m_config_manager.get_pilot_index_map();
    const int_grid_t& mod_map = m_config_manager.get_resource_mod_map_manager().get_resource_mod_map();
    const std::size_t symbols = static_cast<std::size_t>(std::max(m_config_manager.get_analy_symbol_num(), 0));
    map.assign(payload_map.size(), std::vector<bool>());
    complex_vector_t cells;
    std::vector<int> codes;
    for (std::size_t s = 0; s < payload_map.size(); ++s) {
        map[s].assign(payload_map[s].size(), false);
        for (std::size_t j = 0; j < payload_map[s].size(); ++j) {
            const bool pilot = s < pilot_map.size() && j < pilot_map[s].size() && pilot_map[s][j];
            map[s][j] = pilot || payload_map[s][j];
            if (s < symbols && payload_map[s][j]) {
                cells.push_back(m_symbol_freq_data.at(s).at(j));
                codes.push_back(mod_map.at(s).at(j));
            }
        }
    }
    if (cells.empty()) {
        common_lib::report_line("payload_sample_sym is empty, deal dat_ref in tracking fail");
        VEK_OFDM_LOG_WARN("No dat_ref in tracking");
        return false;
    }
    // The cells are equalised already: decided without amplitude normalisation.
    complex_vector_t decided;
    lib_ofdm_demod_common_t::get_refer_data(cells, codes, m_config_manager.get_user_boosting(), decided);
    std::size_t next = 0;
    m_reference_cache.ref_grid_written = true;
    for (std::size_t s = 0; s < payload_map.size() && s < symbols; ++s) {
        for (std::size_t j = 0; j < payload_map[s].size() && next < decided.size(); ++j) {
            if (payload_map[s][j]) m_ref_freq_data.at(s).at(j) = decided[next++];
        }
    }
    return true;
}

// Per-symbol work vectors keep their storage from symbol to symbol: one symbol's worth of small
// allocations, repeated for every symbol, costs more than its sums. They belong to the run, not to
// the thread: a thread-local's address is looked up again at its uses inside the loops.
struct lib_ofdm_demod_t::tracking_work_t {
    std::vector<int> pos;
    complex_vector_t received;
    complex_vector_t references;
    complex_vector_t ratios;
    complex_vector_t corrected;
    complex_vector_t cells;
    complex_vector_t rotations;
    complex_vector_t quotients;
    std::vector<float> phases;
    std::vector<float> ramp;  // rotator phases
    // running[j]: the sum of the first j intervals, j = 0 ... intervals.
    std::vector<long long> interval_running_sum;
};

void lib_ofdm_demod_t::_track_symbol(int s, const std::vector<bool>& flags, float reference_time,
                                     std::vector<float>& offsets, tracking_work_t& work) {
    const lib_ofdm_track_info_t& track = m_config_manager.get_tracking();
    const std::size_t row = static_cast<std::size_t>(s);
    const int n = m_config_manager.get_ofdm_len();
    const int fft_length = m_config_manager.get_fft_length();
    const double fs = m_config_manager.get_system_sample_rate();

    std::vector<int>& pos = work.pos;
    complex_vector_t& received = work.received;
    complex_vector_t& references = work.references;
    complex_vector_t& ratios = work.ratios;
    complex_vector_t& corrected = work.corrected;
    complex_vector_t& cells = work.cells;
    complex_vector_t& rotations = work.rotations;
    lib_ofdm_demod_common_t::find_nonzero_index(flags, pos);
    if (pos.empty()) return;
    const complex_vector_t& symbol_cells = m_symbol_freq_data.at(row);
    const complex_vector_t& reference_cells = m_ref_freq_data.at(row);
    detail::gather_checked_pair(pos, symbol_cells, reference_cells, received, references);
    ratios.resize(received.size());
    detail::divide_cells(received.data(), references.data(), ratios.data(), ratios.size());
    if (pos.size() < 2) return;

    // The phases of the neighbouring ratios' quotients and, last, of the mean ratio, taken together
    // (the batched phase serves several at once).
    complex_vector_t& quotients = work.quotients;
    std::vector<float>& phases = work.phases;
    quotients.resize(pos.size());
    detail::divide_cells(ratios.data() + 1, ratios.data(), quotients.data(), pos.size() - 1);
    quotients.back() = lib_common_math_t::get_average_value(ratios);
    lib_common_math_t::get_complex_array_phase(quotients, phases);
    const double common_phase = phases.back();

    // Phase slope across the tracked cells, radians per cell: a timing error.
    double slope = 0.0;
    for (std::size_t i = 1; i < pos.size(); ++i)
        slope += static_cast<double>(phases[i - 1]) / static_cast<double>(pos[i] - pos[i - 1]);
    slope /= static_cast<double>(pos.size() - 1);

    // The common phase accumulated between the channel estimate and this symbol is a residual
    // carrier offset. A symbol at the estimate's own time carries no information about it.
    // interval_sum(intervals, 1, s) from the run's running sums of the intervals.
    const std::vector<long long>& running = work.interval_running_sum;
    const long long later_intervals =
        s >= 1 && running.size() > 2
            ? running[std::min(static_cast<std::size_t>(s), running.size() - 2) + 1] - running[1]
            : 0;
    const long long symbol_time = static_cast<long long>(s) * n + later_intervals;
    const long long delta = symbol_time - static_cast<long long>(reference_time);
    if (delta == 0) return;
    const double offset_hz = common_phase * fs / static_cast<double>(delta) * 0.5 / k_pi;
    offsets.push_back(static_cast<float>(offset_hz));

    const complex_vector_t& time_samples = m_symbol_time_data.at(row);
    // (sample * e^(-j 2 pi f k / fs)) * e^(-j 2 pi f delta / fs): the rotations first, then the
    // two products over whole rows.
    const complex_t start_rotation = rotator(-2.0 * k_pi * offset_hz * static_cast<double>(delta) / fs);
    const std::size_t length = static_cast<std::size_t>(std::max(fft_length, 0));
    const std::size_t present = std::min(length, time_samples.size());
    rotations.resize(length);
    detail::rotator_ramp(-2.0 * k_pi * offset_hz, fs, length, work.ramp, rotations.data());
    corrected.resize(length);
    // The samples' products written straight into the work row; a row shorter than the transform
    // is extended with zeros, turned like the samples.
    detail::multiply_cells(time_samples.data(), rotations.data(), corrected.data(), present);
    std::fill(corrected.begin() + static_cast<std::ptrdiff_t>(present), corrected.end(), complex_t{});
    detail::multiply_cells(corrected.data() + present, rotations.data() + present, corrected.data() + present,
                           length - present);
    detail::scale_cells(corrected.data(), start_rotation, corrected.data(), length);
    lib_ofdm_demod_common_t::deal_ofdm_demod(corrected, n, cells, m_config_manager.get_fft_advance());

    if (track.track_timing) {
        // The slope's rotators first, then one product pass (the bits of cells[k] *= rotator).
        const std::size_t turned = std::min(cells.size(), length);
        // -k slope, exactly (-slope) k / 1.
        detail::rotator_ramp(-slope, 1.0, turned, work.ramp, rotations.data());
        detail::multiply_cells(cells.data(), rotations.data(), cells.data(), turned);
    }
    detail::multiply_cells(cells.data(), m_channel_coef.data(), cells.data(),
                           std::min(cells.size(), m_channel_coef.size()));

    const std::vector<int>& payload_symbols = m_config_manager.get_payload_sym_index_vct();
    if (m_config_manager.get_dft_spread() &&
        std::find(payload_symbols.begin(), payload_symbols.end(), s) != payload_symbols.end()) {
        const int low = m_config_manager.get_guard_low_subcarr();
        const int m = n - m_config_manager.get_guard_up_subcarr() - low;
        if (m > 0 && static_cast<std::size_t>(low + m) <= cells.size()) {
            complex_vector_t band(cells.begin() + low, cells.begin() + low + m);
            common_lib::lib_fourier_transform_t::deal_ifft(band, static_cast<std::uint32_t>(m));
            const float scale = static_cast<float>(std::sqrt(static_cast<double>(m_config_manager.get_subcarr_num())));
            for (std::size_t i = 0; i < band.size() && i < static_cast<std::size_t>(m); ++i) {
                cells[static_cast<std::size_t>(low) + i] = band[i] * scale;
            }
        }
    }

    complex_t correction{1.0f, 0.0f};
    if (track.track_phase) {
        for (std::size_t j = 0; j < pos.size(); ++j) {
            ratios[j] =
                lib_common_math_t::divide_complex(cells.at(static_cast<std::size_t>(pos[j])), references[j]);
        }
        correction = rotator(-lib_common_math_t::get_complex_phase(lib_common_math_t::get_average_value(ratios)));
    }
    if (track.track_amplitude) {
        correction /= lib_common_math_t::get_complex_amplitude(lib_common_math_t::get_average_value(ratios));
    }
    complex_vector_t& out = m_symbol_freq_data.at(row);
    detail::scale_cells(cells.data(), correction, out.data(), std::min(out.size(), cells.size()));
}

bool lib_ofdm_demod_t::_deal_ofdm_channel_tracking() {
    const lib_ofdm_track_info_t& track = m_config_manager.get_tracking();
    if (!track.track_amplitude && !track.track_phase && !track.track_timing) return true;

    const float reference_time = _channel_estimate_reference_time();
    // Tracking on pilots alone reads the pilot map where it is: a copy of its rows would cost one
    // allocation per symbol every run.
    bool_grid_t built;
    const bool_grid_t* tracked = &m_config_manager.get_pilot_index_map();
    if (track.inclulde_data_subcarriers) {
        if (!_build_tracking_map(built)) return true;
        tracked = &built;
    }
    const bool_grid_t& map = *tracked;

    const int symbols = m_config_manager.get_analy_symbol_num();
    std::vector<float> offsets;
    tracking_work_t work;
    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();
    work.interval_running_sum.assign(intervals.size() + 1, 0);
    for (std::size_t i = 0; i < intervals.size(); ++i)
        work.interval_running_sum[i + 1] = work.interval_running_sum[i] + intervals[i];
    for (int s = 0; s < symbols; ++s) {
        if (static_cast<std::size_t>(s) >= map.size()) break;
        _track_symbol(s, map[static_cast<std::size_t>(s)], reference_time, offsets, work);
    }

    if (offsets.empty()) {
        common_lib::report_line("tracking has no pilot");
        VEK_OFDM_LOG_WARN("No pilot in tracking");
        VEK_OFDM_LOG_DEBUG("m_freq_error_est is {}", m_freq_error_est);
        m_result.m_freq_error_est = m_freq_error_est;
        return true;
    }
    // The largest residual is the least trustworthy (nearest the estimate, so the shortest
    // baseline): replace it by the mean of the others before averaging.
    std::size_t largest = 0;
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        if (std::fabs(offsets[i]) > std::fabs(offsets[largest])) largest = i;
    }
    offsets[largest] = 0.0f;
    offsets[largest] = lib_common_math_t::get_average_value(offsets);
    m_freq_error_est += lib_common_math_t::get_average_value(offsets);

    m_result.m_freq_error_est = m_freq_error_est;
    m_result.m_analy_symbol_num = symbols;
    m_result.m_meas_symbol_range = m_meas_symbol_index;
    VEK_OFDM_LOG_DEBUG("m_freq_error_est is {}", m_freq_error_est);
    VEK_OFDM_LOG_DEBUG("m_analy_symbol_num is {}", symbols);
    return true;
}

}  // namespace vek::ofdm_demod_lib
