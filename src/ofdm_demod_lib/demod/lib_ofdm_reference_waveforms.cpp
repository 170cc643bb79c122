// Reference waveforms: what the received frame should look like, built from the configuration
// alone at the start of every run. The cell grid feeds equalisation and measurement, the
// time-domain bodies feed frame and fine timing, the whole reference frame feeds the fine
// frequency estimate.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common_lib::lib_fourier_transform_t;

namespace {

constexpr double k_pi = 3.14159265358979323846;

// Flag (r, c) of an index map; cells outside the map's extent count as unflagged, so a map of
// another shape than the resource map never makes the walk read outside it.
bool flagged(const bool_grid_t& map, std::size_t r, std::size_t c) {
    return r < map.size() && c < map[r].size() && map[r][c];
}

// Number of flagged cells inside the R x C walk of the grid.
std::size_t count_flags(const bool_grid_t& map, std::size_t rows, std::size_t cols) {
    std::size_t n = 0;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cols; ++c) n += flagged(map, r, c) ? 1u : 0u;
    return n;
}

}  // namespace

bool lib_ofdm_demod_t::_init_reference_waveforms() {
    reference_cache_t& cache = m_reference_cache;
    if (cache.valid) {
        // Vector assignment reuses the storage: a copy, no allocation. The grid (a frame's worth
        // of cells) is copied only when the last run wrote decisions into it.
        m_pilot_ref_seq = cache.pilot_ref_seq;
        if (cache.ref_grid_written) {
            m_ref_freq_data = cache.ref_freq_data;
            cache.ref_grid_written = false;
        }
        m_ref_len = cache.ref_len;
        return true;
    }
    if (!_init_ref_file_freq() || !_init_ref_file_time()) return false;
    cache.pilot_ref_seq = m_pilot_ref_seq;
    cache.ref_freq_data = m_ref_freq_data;
    cache.ref_len = m_ref_len;
    _list_class_columns(static_cast<std::size_t>(std::max(m_config_manager.get_fft_length(), 0)), cache.columns);
    cache.valid = true;
    return true;
}

bool lib_ofdm_demod_t::_init_ref_file_freq() {
    const bool_grid_t& preamble_map = m_config_manager.get_preamble_index_map();
    const bool_grid_t& pilot_map = m_config_manager.get_pilot_index_map();
    const int n_pre = lib_ofdm_demod_common_t::find_nonzero_num(preamble_map);
    const int n_pil = lib_ofdm_demod_common_t::find_nonzero_num(pilot_map);

    const complex_vector_t& preamble_values = m_config_manager.get_preamble_ref_iq_vct();
    const complex_vector_t& pilot_values = m_config_manager.get_pilot_ref_iq_vct();
    if (preamble_values.empty() && pilot_values.empty()) {
        const std::string address = m_config_manager.get_load_address();
        VEK_OFDM_LOG_ERROR("preamble_ref_iq and pilot_ref_iq is zero, address error",
                           "preamble_ref_iq and pilot_ref_iq is zero, address error : {}", address);
        // The address goes out as a line of its own: every standard-output text is a whole line.
        common_lib::report_line(address);
        return false;
    }

    lib_ofdm_demod_common_t::reuse_data_adjustment(
        preamble_values, m_config_manager.get_preamble_repeat_index(), n_pre, m_preamble_ref_seq);
    lib_ofdm_demod_common_t::reuse_data_adjustment(pilot_values, m_config_manager.get_pilot_repeat_index(),
                                                   n_pil, m_pilot_ref_seq);

    if (!m_config_manager.get_resource_map_manager().is_resource_map_valid())
        m_config_manager.generate_resource_map();
    const int_grid_t& resource_map = m_config_manager.get_resource_map_manager().get_resource_map();
    const std::size_t rows = resource_map.size();
    if (rows == 0) {
        VEK_OFDM_LOG_ERROR("Error: resource_map size is zero",
                           "resource_map size is zero, pleas check generate_resource_map");
        return false;
    }
    const std::size_t cols = resource_map[0].size();

    // One list empty while its map flags cells cannot fill them: refuse the frame rather than
    // leave reference cells at zero, which would make every later estimate against them garbage.
    const std::size_t need_pre = count_flags(preamble_map, rows, cols);
    const std::size_t need_pil = count_flags(pilot_map, rows, cols);
    if (need_pre > m_preamble_ref_seq.size() || need_pil > m_pilot_ref_seq.size()) {
        VEK_OFDM_LOG_ERROR(
            "", "reference values too few: preamble cells {} with {} values, pilot cells {} with {} values",
            need_pre, m_preamble_ref_seq.size(), need_pil, m_pilot_ref_seq.size());
        return false;
    }

    m_ref_freq_data.assign(rows, complex_vector_t(cols, {0.0f, 0.0f}));
    std::size_t next_pre = 0;
    std::size_t next_pil = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < cols; ++c) {
            if (flagged(preamble_map, r, c)) m_ref_freq_data[r][c] = m_preamble_ref_seq[next_pre++];
            // A cell flagged in both maps ends with the pilot value.
            if (flagged(pilot_map, r, c)) m_ref_freq_data[r][c] = m_pilot_ref_seq[next_pil++];
        }
    }
    return true;
}

bool lib_ofdm_demod_t::_init_ref_file_time() {
    m_sync_sym_index.clear();
    const std::vector<int>& preamble_syms = m_config_manager.get_preamble_sym_index_vct();
    const std::vector<int>& pilot_syms = m_config_manager.get_pilot_sym_index_vct();
    m_preamble_sym_num = static_cast<std::int32_t>(preamble_syms.size());
    m_pilot_sym_num = static_cast<std::int32_t>(pilot_syms.size());
    m_payload_sym_num = static_cast<std::int32_t>(m_config_manager.get_payload_sym_index_vct().size());

    if (m_preamble_sym_num > 0) {
        m_sync_sym_index.assign(preamble_syms.begin(), preamble_syms.end());
    } else if (m_pilot_sym_num > 0) {
        m_sync_sym_index.assign(pilot_syms.begin(), pilot_syms.end());
    } else {
        // Nothing known to synchronise on: frame timing, the cyclic-prefix power reference and
        // the channel estimate would all be undefined, so the run stops here.
        VEK_OFDM_LOG_ERROR(
            "m_pilot_sym_num > 0!!!!!!!",
            "pilot_sym_index_vct should larger than 0, it is {}, pleas check generate_resource_map",
            m_pilot_sym_num);
        return false;
    }
    m_sync_start_sym = m_sync_sym_index.front();

    const int F = m_config_manager.get_fft_length();
    const int S = m_config_manager.get_analy_symbol_num();
    const std::vector<int>& cp = m_config_manager.get_cp_length_per_sym_vct();
    const std::vector<int>& gap = m_config_manager.get_time_gaps_per_sym_vct();
    const auto S_size = static_cast<std::size_t>(S > 0 ? S : 0);
    if (F <= 0 || m_ref_freq_data.size() < S_size || cp.size() < S_size || gap.size() < S_size) {
        VEK_OFDM_LOG_ERROR("",
                           "reference frame layout mismatch: {} symbols, {} grid rows, {} prefixes, {} gaps",
                           S, m_ref_freq_data.size(), cp.size(), gap.size());
        return false;
    }
    for (int s : m_sync_sym_index) {
        if (s < 0 || s >= S) {
            VEK_OFDM_LOG_ERROR("", "sync symbol {} is outside the {} analysed symbols", s, S);
            return false;
        }
    }

    m_ref_time_sym.assign(S_size, complex_vector_t(static_cast<std::size_t>(F), {0.0f, 0.0f}));
    m_ref_time_frame.clear();
    for (std::size_t k = 0; k < S_size; ++k) {
        complex_vector_t& body = m_ref_time_sym[k];
        lib_ofdm_demod_common_t::generate_ref_ifft_column(m_ref_freq_data[k], body);
        if (cp[k] < 0 || gap[k] < 0 || static_cast<std::size_t>(cp[k]) > body.size()) {
            VEK_OFDM_LOG_ERROR("", "symbol {}: cyclic prefix {} or gap {} does not fit a body of {} samples",
                               k, cp[k], gap[k], body.size());
            return false;
        }
        m_ref_time_frame.insert(m_ref_time_frame.end(), static_cast<std::size_t>(gap[k]), {0.0f, 0.0f});
        m_ref_time_frame.insert(m_ref_time_frame.end(), body.end() - cp[k], body.end());
        m_ref_time_frame.insert(m_ref_time_frame.end(), body.begin(), body.end());
    }
    m_ref_len = static_cast<std::int32_t>(m_ref_time_frame.size());

    // Frame and fine timing run before the half-subcarrier offset is removed, so their references
    // carry it too; the reference frame above was built before and matches the signal after.
    m_sync_ref.clear();
    const bool half_shift = m_config_manager.get_half_subcarrier_shift();
    for (int s : m_sync_sym_index) {
        complex_vector_t& body = m_ref_time_sym[static_cast<std::size_t>(s)];
        if (half_shift && F >= 1) {
            for (std::size_t n = 0; n < body.size(); ++n) {
                const double phase_rad = k_pi * static_cast<double>(n) / F;
                body[n] *= std::complex<float>(static_cast<float>(std::cos(phase_rad)),
                                               static_cast<float>(std::sin(phase_rad)));
            }
        }
        m_sync_ref.insert(m_sync_ref.end(), body.begin(), body.end());
    }
    m_sync_ref_len = static_cast<std::int32_t>(m_sync_ref.size());
    return true;
}

void lib_ofdm_demod_common_t::reuse_data_adjustment(const complex_vector_t& src, std::int32_t repeat_index,
                                                    std::int32_t need, complex_vector_t& out) {
    out.clear();
    const auto n = static_cast<std::int64_t>(src.size());
    if (need <= 0 || n == 0) return;
    if (n >= need) {
        out.assign(src.begin(), src.begin() + need);
        return;
    }
    std::int64_t r = repeat_index;
    if (r < 0 || r >= n) r = 0;
    out.reserve(static_cast<std::size_t>(need));
    out.assign(src.begin(), src.end());
    const std::int64_t tail = n - r;
    for (std::int64_t i = 0; static_cast<std::int64_t>(out.size()) < need; ++i)
        out.push_back(src[static_cast<std::size_t>(r + i % tail)]);
}

void lib_ofdm_demod_common_t::generate_ref_ifft_column(const complex_vector_t& cells, complex_vector_t& out) {
    out = cells;
    if (out.empty()) return;
    // The centred row holds bin 0 at floor(n/2); rotating left by that amount restores natural
    // order for both even and odd lengths.
    const auto half = static_cast<std::ptrdiff_t>(out.size() / 2);
    std::rotate(out.begin(), out.begin() + half, out.end());
    lib_fourier_transform_t::deal_ifft(out, 0);
}

std::complex<float> lib_ofdm_demod_common_t::complex_multiplication(std::complex<float> a,
                                                                    std::complex<float> b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + b.real() * a.imag()};
}

std::complex<float> lib_ofdm_demod_common_t::deal_linear_interpolation(
    std::int32_t x0, std::complex<float> y0, std::int32_t x1, std::complex<float> y1, std::int32_t x) {
    if (x0 == x1 || x0 == x) return y0;
    const auto dx = static_cast<float>(x1 - x0);
    const auto t = static_cast<float>(x - x0);
    return {y0.real() + (y1.real() - y0.real()) / dx * t, y0.imag() + (y1.imag() - y0.imag()) / dx * t};
}

}  // namespace vek::ofdm_demod_lib
