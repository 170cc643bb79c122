// Channel equalisation: per-cell coefficients (reference / received) estimated from preamble,
// pilot and decided payload cells, then one complex multiplication per cell.
#include <algorithm>
#include <cmath>

#include "lib_ofdm_cell_arith.hpp"
#include "lib_ofdm_row_gather.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common_lib::lib_common_math_t;

void lib_ofdm_demod_common_t::deal_moving_average(complex_vector_t& data, int window) {
    const int n = static_cast<int>(data.size());
    if (n <= 0 || window <= 0) return;
    const int h = window / 2;
    complex_vector_t out(data);
    auto mean = [&](int first, int last) {
        complex_t total{};
        for (int i = first; i <= last; ++i) total += data[static_cast<std::size_t>(i)];
        return total / static_cast<float>(last - first + 1);
    };
    // Near the ends the window shrinks symmetrically so that it stays centred.
    for (int i = 0; i < h && i < n; ++i) {
        if (2 * i < n) out[static_cast<std::size_t>(i)] = mean(0, 2 * i);
        if (n - 1 - 2 * i >= 0) out[static_cast<std::size_t>(n - 1 - i)] = mean(n - 1 - 2 * i, n - 1);
    }
    for (int i = h; i < n - h; ++i) out[static_cast<std::size_t>(i)] = mean(i - h, i + h);
    data = std::move(out);
}

namespace {
// Linear interpolation / extrapolation through (p0, c0) and (p1, c1) at k; real and imaginary
// parts separately. Coincident points give c0.
complex_t line_through(int p0, complex_t c0, int p1, complex_t c1, int k) {
    if (p1 == p0) return c0;
    const float t = static_cast<float>(k - p0) / static_cast<float>(p1 - p0);
    return {c0.real() + (c1.real() - c0.real()) * t, c0.imag() + (c1.imag() - c0.imag()) * t};
}
}  // namespace

void lib_ofdm_demod_common_t::deal_channel_coef_interp(const complex_vector_t& coef, const std::vector<int>& pos,
                                                       int n, int low_guard, int up_guard, complex_vector_t& out) {
    // Cleared as floats (complex<float> is two floats by the standard): a plain store of zeros
    // instead of an element-wise fill.
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    std::fill_n(reinterpret_cast<float*>(out.data()), 2 * out.size(), 0.0f);
    const std::size_t count = pos.size();
    if (n <= 0 || low_guard < 0 || up_guard < 0 || static_cast<long long>(low_guard) + up_guard >= n || count < 2 ||
        coef.size() != count || pos.front() < low_guard || pos.back() >= n - up_guard) {
        return;
    }
    for (int k = low_guard; k < pos[0]; ++k) {
        out[static_cast<std::size_t>(k)] = line_through(pos[0], coef[0], pos[1], coef[1], k);
    }
    for (int k = pos[count - 1]; k < n - up_guard; ++k) {
        out[static_cast<std::size_t>(k)] =
            line_through(pos[count - 1], coef[count - 1], pos[count - 2], coef[count - 2], k);
    }
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (pos[i] >= pos[i + 1]) continue;
        for (int k = pos[i]; k < pos[i + 1]; ++k) {
            out[static_cast<std::size_t>(k)] = line_through(pos[i], coef[i], pos[i + 1], coef[i + 1], k);
        }
    }
}

namespace {
// The estimate row of one symbol from its cells in the columns `pos` (ascending): reference over
// received per cell, smoothed over three neighbours, interpolated across the occupied band.
void reference_row(const complex_vector_t& received, const complex_vector_t& references,
                   const std::vector<int>& pos, const lib_ofdm_config_manager_t& config,
                   complex_vector_t& row) {
    thread_local complex_vector_t coef;
    thread_local complex_vector_t known;
    // The cells gathered, then divided together, several quotients at a time.
    detail::gather_checked_pair(pos, references, received, coef, known);
    detail::divide_cells(coef.data(), known.data(), coef.data(), coef.size());
    lib_ofdm_demod_common_t::deal_moving_average(coef, 3);
    lib_ofdm_demod_common_t::deal_channel_coef_interp(
        coef, pos, config.get_ofdm_len(), config.get_guard_low_subcarr(), config.get_guard_up_subcarr(), row);
}
}  // namespace

complex_vector_t lib_ofdm_demod_t::_build_reference_row(int s, const std::vector<bool>& flags,
                                                        const complex_vector_t& references) const {
    std::vector<int> pos;
    lib_ofdm_demod_common_t::find_nonzero_index(flags, pos);
    complex_vector_t row;
    reference_row(m_symbol_freq_data.at(static_cast<std::size_t>(s)), references, pos, m_config_manager, row);
    return row;
}

namespace {
complex_vector_t mean_of_rows(const std::vector<complex_vector_t>& rows) {
    complex_vector_t mean(rows.front().size(), complex_t{});
    for (const complex_vector_t& row : rows) {
        for (std::size_t c = 0; c < mean.size() && c < row.size(); ++c) mean[c] += row[c];
    }
    for (complex_t& v : mean) v /= static_cast<float>(rows.size());
    return mean;
}
}  // namespace

int lib_ofdm_demod_t::_initial_symbol_count(std::size_t available) const {
    const lib_ofdm_eq_info_t& eq = m_config_manager.get_equalizer();
    long long k = static_cast<long long>(available);
    if (eq.initial_equalizer_mode != 0) k = std::min<long long>(k, std::max(eq.initial_equalizer_symbols, 0));
    return static_cast<int>(k);
}

complex_vector_t lib_ofdm_demod_t::_average_reference_rows(const std::vector<int>& symbols, int k,
                                                           const bool_grid_t& index_map, bool drop_dc) const {
    // The zero-frequency bin sits in column N/2 of our maps (column = subcarrier + N/2).
    const int dc = m_config_manager.get_fft_length() / 2;
    // The rows are summed as they are formed, in symbol order (the sums of mean_of_rows), and
    // the work rows keep their storage from symbol to symbol.
    thread_local std::vector<int> pos;
    thread_local complex_vector_t row;
    complex_vector_t mean;
    for (int i = 0; i < k; ++i) {
        const int s = symbols[static_cast<std::size_t>(i)];
        lib_ofdm_demod_common_t::find_nonzero_index(index_map.at(static_cast<std::size_t>(s)), pos);
        if (drop_dc) pos.erase(std::remove(pos.begin(), pos.end(), dc), pos.end());
        reference_row(m_symbol_freq_data.at(static_cast<std::size_t>(s)),
                      m_ref_freq_data.at(static_cast<std::size_t>(s)), pos, m_config_manager, row);
        if (i == 0) mean.assign(row.size(), complex_t{});
        // Real and imaginary parts are independent sums: added as one float run.
        float* sums = reinterpret_cast<float*>(mean.data());
        const float* parts = reinterpret_cast<const float*>(row.data());
        const std::size_t floats = 2 * std::min(mean.size(), row.size());
        for (std::size_t f = 0; f < floats; ++f) sums[f] += parts[f];
    }
    for (complex_t& v : mean) v /= static_cast<float>(k);
    return mean;
}

void lib_ofdm_demod_t::_apply_coefficients(const complex_vector_t& coef) {
    const int symbols = m_config_manager.get_analy_symbol_num();
    for (int s = 0; s < symbols; ++s) {
        complex_vector_t& row = m_symbol_freq_data.at(static_cast<std::size_t>(s));
        detail::multiply_cells(row.data(), coef.data(), row.data(), std::min(row.size(), coef.size()));
    }
}

bool lib_ofdm_demod_t::_despread_payload_symbols() {
    // DFT-spread payload symbols carry the unitary DFT of their data points on the M occupied
    // cells: an M-point inverse transform scaled by sqrt(subcarr_num) gives the points back.
    const int n = m_config_manager.get_ofdm_len();
    const int low = m_config_manager.get_guard_low_subcarr();
    const int up = m_config_manager.get_guard_up_subcarr();
    const int m = n - up - low;
    if (m <= 0) return true;
    const float scale = static_cast<float>(std::sqrt(static_cast<double>(m_config_manager.get_subcarr_num())));
    for (int s : m_config_manager.get_payload_sym_index_vct()) {
        complex_vector_t& row = m_symbol_freq_data.at(static_cast<std::size_t>(s));
        // The band buffer keeps its storage from symbol to symbol (and the copy into it is a
        // block move, not an element-wise construction).
        thread_local complex_vector_t band;
        band.assign(row.begin() + low, row.begin() + low + m);
        for (complex_t& v : band) v *= scale;
        if (!common_lib::lib_fourier_transform_t::deal_ifft(band, static_cast<std::uint32_t>(m)) ||
            band.size() != static_cast<std::size_t>(m)) {
            VEK_OFDM_LOG(common_log::LOG_LEVEL_ERROR, "",
                         "ofdm_channel_equilibria deal_ifft fail, putin size is {}, output len should be {}",
                         band.size(), m);
            return false;
        }
        std::copy(band.begin(), band.end(), row.begin() + low);
    }
    return true;
}

bool lib_ofdm_demod_t::_deal_data_aided_estimate(std::vector<complex_vector_t>& rows) {
    const std::vector<int>& payload_symbols = m_config_manager.get_payload_sym_index_vct();
    const bool_grid_t& payload_map = m_config_manager.get_payload_index_map();
    const int_grid_t& mod_map = m_config_manager.get_resource_mod_map_manager().get_resource_mod_map();
    const float boost = m_config_manager.get_user_boosting();
    const int k = _initial_symbol_count(payload_symbols.size());

    std::vector<complex_vector_t> data_rows;
    for (int i = 0; i < k; ++i) {
        const int s = payload_symbols[static_cast<std::size_t>(i)];
        const std::vector<bool>& flags = payload_map.at(static_cast<std::size_t>(s));
        const complex_vector_t& received = m_symbol_freq_data.at(static_cast<std::size_t>(s));
        complex_vector_t cells;
        std::vector<int> codes;
        for (std::size_t j = 0; j < flags.size(); ++j) {
            if (!flags[j]) continue;
            cells.push_back(received.at(j));
            codes.push_back(mod_map.at(static_cast<std::size_t>(s)).at(j));
        }
        if (cells.empty()) {
            common_lib::report_line("payload_sample_sym is empty, deal dat_ref in equilibria fail ");
            VEK_OFDM_LOG_WARN("No equalizer_use_data because payload_sample_sym is empty");
            return false;
        }
        // Decide on amplitude-normalised cells; the coefficient uses the received cells, so it
        // also removes the normalisation factor.
        float mean_amplitude = 0.0f;
        for (const complex_t& y : cells) mean_amplitude += lib_common_math_t::get_complex_amplitude(y);
        mean_amplitude /= static_cast<float>(cells.size());
        complex_vector_t normalised(cells);
        for (complex_t& z : normalised) z /= mean_amplitude;
        complex_vector_t decided;
        lib_ofdm_demod_common_t::get_refer_data(normalised, codes, boost, decided);

        complex_vector_t& references = m_ref_freq_data.at(static_cast<std::size_t>(s));
        m_reference_cache.ref_grid_written = true;
        std::size_t next = 0;
        for (std::size_t j = 0; j < flags.size() && next < decided.size(); ++j) {
            if (flags[j]) references.at(j) = decided[next++];
        }
        data_rows.push_back(_build_reference_row(s, flags, references));
    }
    if (data_rows.empty()) return true;

    const complex_vector_t d = mean_of_rows(data_rows);
    _apply_coefficients(d);
    if (rows.empty()) {
        rows.push_back(d);
    } else {
        for (std::size_t c = 0; c < rows[0].size() && c < d.size(); ++c) rows[0][c] *= d[c];
    }
    m_channel_coef = rows[0];
    m_channel_est_sym_index.insert(m_channel_est_sym_index.end(), payload_symbols.begin(), payload_symbols.begin() + k);
    return true;
}

bool lib_ofdm_demod_t::_deal_ofdm_channel_equilibria() {
    const lib_ofdm_eq_info_t& eq = m_config_manager.get_equalizer();
    m_channel_est_sym_index.clear();
    m_channel_coef.clear();
    std::vector<complex_vector_t> rows;

    const std::vector<int>& preamble_symbols = m_config_manager.get_preamble_sym_index_vct();
    if (eq.equalizer_use_preamble && !preamble_symbols.empty()) {
        const int k = _initial_symbol_count(preamble_symbols.size());
        if (k > 0) {
            rows.push_back(
                _average_reference_rows(preamble_symbols, k, m_config_manager.get_preamble_index_map(), false));
            m_channel_est_sym_index.assign(preamble_symbols.begin(), preamble_symbols.begin() + k);
        }
    }
    const std::vector<int>& pilot_symbols = m_config_manager.get_pilot_sym_index_vct();
    if (eq.equalizer_use_pilot && !pilot_symbols.empty()) {
        const int k = _initial_symbol_count(pilot_symbols.size());
        if (k > 0) {
            rows.push_back(_average_reference_rows(pilot_symbols, k, m_config_manager.get_pilot_index_map(),
                                                   !eq.equalizer_use_dc_pilot));
            m_channel_est_sym_index.insert(m_channel_est_sym_index.end(), pilot_symbols.begin(),
                                           pilot_symbols.begin() + k);
        }
    }
    if ((eq.equalizer_use_preamble || eq.equalizer_use_pilot) && !rows.empty()) {
        // Each source weighs the same, however many symbols it averaged.
        const complex_vector_t combined = mean_of_rows(rows);
        rows.assign(1, combined);
        _apply_coefficients(combined);
        m_channel_coef = combined;
    }
    if (m_config_manager.get_dft_spread() && !_despread_payload_symbols()) return false;
    if (eq.equalizer_use_data && !m_config_manager.get_payload_sym_index_vct().empty()) {
        _deal_data_aided_estimate(rows);
    }
    return true;
}

}  // namespace vek::ofdm_demod_lib
