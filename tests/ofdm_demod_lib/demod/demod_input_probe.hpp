#pragma once
// Test access to the pipeline's protected stages and buffers, and small signal generators shared
// by the input-conditioning and frame-synchronisation tests.
#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::test {

using cvec_t = std::vector<std::complex<float>>;
inline constexpr double k_pi = 3.14159265358979323846;

class demod_input_probe_t : public vek::ofdm_demod_lib::lib_ofdm_demod_t {
public:
    using lib_ofdm_demod_t::_deal_ofdm_channel_power;
    using lib_ofdm_demod_t::_deal_ofdm_frame_sync;
    using lib_ofdm_demod_t::_init_load_file_filter;
    using lib_ofdm_demod_t::_settle_frame_origin;
    using lib_ofdm_demod_t::m_config_manager;
    using lib_ofdm_demod_t::m_fine_search_len;
    using lib_ofdm_demod_t::m_ofdm_frame_dly;
    using lib_ofdm_demod_t::m_sample_data;
    using lib_ofdm_demod_t::m_sample_data_len;
    using lib_ofdm_demod_t::m_search_len;
    using lib_ofdm_demod_t::m_sync_ref;
    using lib_ofdm_demod_t::m_sync_ref_len;
    using lib_ofdm_demod_t::m_sync_sym_index;
};

// A frame of `symbols` symbols with an FFT length of fft_len and a cyclic prefix of
// cp_fraction * fft_len, no gaps, rates 20 MHz in and out.
inline vek::ofdm_demod_lib::lib_ofdm_config_manager_t make_frame_config(int fft_len, float cp_fraction,
                                                                        int symbols) {
    vek::ofdm_demod_lib::lib_ofdm_config_manager_t cfg;
    cfg.set_fft_length(fft_len);
    cfg.set_guard_interval_per_symbol({cp_fraction});
    cfg.set_time_gaps({0});
    cfg.set_analy_symbol_num(symbols);
    cfg.set_system_sample_rate(20e6f);
    cfg.set_sample_rate(20e6f);
    cfg.set_dvx_sample_rate(0.0f);
    cfg.set_downsampling_ratio(1);
    return cfg;
}

// Complex Gaussian samples of mean power `power`.
inline cvec_t gaussian_noise(std::size_t n, float power, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> g(0.0f, std::sqrt(power / 2.0f));
    cvec_t x(n);
    for (auto& v : x) v = {g(rng), g(rng)};
    return x;
}

// exp(j 2 pi cycles_per_sample k), amplitude a.
inline cvec_t complex_tone(std::size_t n, double cycles_per_sample, float amplitude) {
    cvec_t x(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double phase = 2.0 * k_pi * cycles_per_sample * static_cast<double>(k);
        x[k] = {static_cast<float>(amplitude * std::cos(phase)),
                static_cast<float>(amplitude * std::sin(phase))};
    }
    return x;
}

// Mean frequency, in cycles per sample, of x[first ... last), from the average phase step.
inline double mean_frequency(const cvec_t& x, std::size_t first, std::size_t last) {
    std::complex<double> acc(0.0, 0.0);
    for (std::size_t k = first + 1; k < last; ++k) {
        acc += std::complex<double>(x[k]) * std::conj(std::complex<double>(x[k - 1]));
    }
    return std::arg(acc) / (2.0 * k_pi);
}

}  // namespace vek::test
