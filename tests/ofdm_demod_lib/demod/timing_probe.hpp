#pragma once
// Test access to the pipeline's timing stages and a small transmitter for synthetic frames: the
// reference grid with random QPSK on the payload cells, inverse FFT scaled 1/N per symbol, cyclic
// prefix copied from the body's end, the half-subcarrier offset applied per symbol, idle samples
// around the frame, then the impairments (delay, carrier offset, noise).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::test {

using ofdm_demod_lib::cell_grid_t;
using ofdm_demod_lib::complex_vector_t;
using ofdm_demod_lib::lib_ofdm_config_manager_t;
using cf = std::complex<float>;

constexpr double k_test_pi = 3.14159265358979323846;

class timing_probe_t : public ofdm_demod_lib::lib_ofdm_demod_t {
public:
    using lib_ofdm_demod_t::_deal_half_subcarrier_shift, lib_ofdm_demod_t::_deal_ofdm_cp_freq_error_estimate,
        lib_ofdm_demod_t::_deal_ofdm_demod, lib_ofdm_demod_t::_deal_ofdm_fine_delay,
        lib_ofdm_demod_t::_deal_ofdm_fine_freq_error_estimate, lib_ofdm_demod_t::_init_ref_file_freq,
        lib_ofdm_demod_t::_init_ref_file_time, lib_ofdm_demod_t::_settle_frame_origin;
    using lib_ofdm_demod_t::m_config_manager, lib_ofdm_demod_t::m_dly_est, lib_ofdm_demod_t::m_frame_origin,
        lib_ofdm_demod_t::m_fine_search_len, lib_ofdm_demod_t::m_freq_error_est,
        lib_ofdm_demod_t::m_ofdm_frame_dly, lib_ofdm_demod_t::m_pending_rotation_rad,
        lib_ofdm_demod_t::m_pilot_ref_seq, lib_ofdm_demod_t::m_preamble_ref_seq,
        lib_ofdm_demod_t::m_ref_freq_data, lib_ofdm_demod_t::m_ref_len, lib_ofdm_demod_t::m_ref_time_frame,
        lib_ofdm_demod_t::m_ref_time_sym, lib_ofdm_demod_t::m_result, lib_ofdm_demod_t::m_sample_data,
        lib_ofdm_demod_t::m_symbol_freq_data, lib_ofdm_demod_t::m_symbol_time_data,
        lib_ofdm_demod_t::m_sync_ref, lib_ofdm_demod_t::m_sync_ref_len, lib_ofdm_demod_t::m_sync_start_sym,
        lib_ofdm_demod_t::m_sync_sym_index, lib_ofdm_demod_t::m_time_offset, lib_ofdm_demod_t::m_search_len;
};

// A pipeline configured for a preset with its reference grid and time-domain references formed.
inline timing_probe_t prepared(ofdm_demod_lib::lib_ofdm_standard_type_t standard) {
    lib_ofdm_config_manager_t m;
    m.set_load_address(VEK_TEST_DATA_DIR);
    EXPECT_TRUE(m.set_standard(standard));
    timing_probe_t p;
    EXPECT_TRUE(p.set_ofdm_demod_info(m));
    EXPECT_TRUE(p._init_ref_file_freq());
    EXPECT_TRUE(p._init_ref_file_time());
    return p;
}

// Body start of symbol k in a frame starting at sample 0.
inline long body_start(const lib_ofdm_config_manager_t& c, int k) {
    long pos = static_cast<long>(k) * c.get_ofdm_len();
    for (int i = 0; i <= k; ++i) pos += c.get_interval_per_sym_vct()[static_cast<std::size_t>(i)];
    return pos;
}

// Frame grid: the reference cells, plus unit-power QPSK on every payload cell.
inline cell_grid_t make_grid(const timing_probe_t& p, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> bit(0, 1);
    cell_grid_t grid = p.m_ref_freq_data;
    const auto& payload = p.m_config_manager.get_payload_index_map();
    const float a = static_cast<float>(1.0 / std::sqrt(2.0));
    for (std::size_t r = 0; r < grid.size() && r < payload.size(); ++r)
        for (std::size_t c = 0; c < grid[r].size() && c < payload[r].size(); ++c)
            if (payload[r][c]) grid[r][c] = cf(bit(rng) ? a : -a, bit(rng) ? a : -a);
    return grid;
}

// Time-domain frame of a grid: per symbol gap zeros, cyclic prefix, body; with the half-subcarrier
// offset every sample at n relative to its body start (n from -cp on) turns by e^(+j pi n / F).
inline complex_vector_t make_frame(const lib_ofdm_config_manager_t& c, const cell_grid_t& grid) {
    complex_vector_t frame;
    const int F = c.get_fft_length();
    for (std::size_t k = 0; k < grid.size(); ++k) {
        complex_vector_t body = grid[k];
        std::rotate(body.begin(), body.begin() + static_cast<long>(body.size() / 2), body.end());
        common_lib::lib_fourier_transform_t::deal_ifft(body, 0);
        const int cp = c.get_cp_length_per_sym_vct()[k];
        frame.insert(frame.end(), static_cast<std::size_t>(c.get_time_gaps_per_sym_vct()[k]), cf(0.0f, 0.0f));
        const std::size_t first = frame.size();
        frame.insert(frame.end(), body.end() - cp, body.end());
        frame.insert(frame.end(), body.begin(), body.end());
        if (c.get_half_subcarrier_shift()) {
            for (std::size_t i = first; i < frame.size(); ++i) {
                const double n = static_cast<double>(static_cast<long>(i - first) - cp);
                frame[i] *= std::polar(1.0f, static_cast<float>(k_test_pi * n / F));
            }
        }
    }
    return frame;
}

// lead zeros, the frame, tail zeros; then a band-limited (circular, spectral) delay of
// frac_delay samples, a carrier offset of cfo_hz at fs_hz, and white noise at snr_db below the
// frame's mean power (a large snr_db for a clean capture).
inline complex_vector_t make_capture(const complex_vector_t& frame, int lead, int tail, double frac_delay,
                                     double cfo_hz, double fs_hz, double snr_db, unsigned seed) {
    complex_vector_t x(static_cast<std::size_t>(lead), cf(0.0f, 0.0f));
    x.insert(x.end(), frame.begin(), frame.end());
    x.insert(x.end(), static_cast<std::size_t>(tail), cf(0.0f, 0.0f));
    if (frac_delay != 0.0) {
        const std::size_t L = x.size();
        common_lib::lib_fourier_transform_t::deal_fft(x, 0);
        for (std::size_t k = 0; k < L; ++k) {
            const double f = (k < (L + 1) / 2) ? static_cast<double>(k) : static_cast<double>(k) - L;
            x[k] *= std::polar(1.0, -2.0 * k_test_pi * f * frac_delay / L);
        }
        common_lib::lib_fourier_transform_t::deal_ifft(x, 0);
    }
    double power = 0.0;
    for (const auto& v : frame) power += std::norm(v);
    power /= static_cast<double>(frame.size());
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, std::sqrt(power * std::pow(10.0, -snr_db / 10.0) / 2.0));
    for (std::size_t n = 0; n < x.size(); ++n) {
        x[n] *= std::polar(1.0, 2.0 * k_test_pi * cfo_hz * static_cast<double>(n) / fs_hz);
        x[n] += cf(static_cast<float>(g(rng)), static_cast<float>(g(rng)));
    }
    return x;
}

}  // namespace vek::test
