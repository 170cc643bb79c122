#pragma once
// Helpers shared by the transmitter tests: presets from the data directory, and the receiver's
// plain per-symbol FFT written out here (body start from the configured intervals, the
// half-subcarrier rotation removed as e^(-j pi n / N) over prefix and body).
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/report/report.hpp"
#include "preset_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

namespace vek::test {

using namespace vek::ofdm_demod_lib;

// b(k) = k N + interval[0] + ... + interval[k], plus the frame's own offset.
inline std::vector<std::size_t> body_starts(const lib_ofdm_config_manager_t& m, std::size_t offset = 0) {
    std::vector<std::size_t> starts;
    std::size_t sum = offset;
    const std::vector<int>& interval = m.get_interval_per_sym_vct();
    for (int k = 0; k < m.get_analy_symbol_num(); ++k) {
        sum += static_cast<std::size_t>(interval[static_cast<std::size_t>(k)]);
        starts.push_back(sum + static_cast<std::size_t>(k) * static_cast<std::size_t>(m.get_fft_length()));
    }
    return starts;
}

// Centred cells of the N samples from `start` on, after undoing the half-subcarrier rotation.
inline complex_vector_t fft_cells(const complex_vector_t& x, std::size_t start, int n, bool half_shift) {
    complex_vector_t body(x.begin() + static_cast<std::ptrdiff_t>(start),
                          x.begin() + static_cast<std::ptrdiff_t>(start) + n);
    if (half_shift) {
        for (int i = 0; i < n; ++i) body[static_cast<std::size_t>(i)] = complex_t(std::complex<double>(body[static_cast<std::size_t>(i)]) *
                                                         std::polar(1.0, -std::acos(-1.0) * i / n));
    }
    vek::common_lib::lib_fourier_transform_t::deal_fft(body, static_cast<std::uint32_t>(n));
    vek::common_lib::lib_fourier_transform_t::fft_shift(body);
    return body;
}

inline cell_grid_t demodulate(const lib_ofdm_config_manager_t& m, const complex_vector_t& x, std::size_t offset = 0) {
    cell_grid_t grid;
    for (const std::size_t b : body_starts(m, offset)) {
        grid.push_back(fft_cells(x, b, m.get_fft_length(), m.get_half_subcarrier_shift()));
    }
    return grid;
}

}  // namespace vek::test
