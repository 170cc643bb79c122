// Channel tracking on a small frame (N = 16, no cyclic prefix, fs = 10 MHz) whose symbols all
// carry a common phase phi against an estimate taken at symbol 0: the residual offsets and the
// refinement of the frequency error follow in closed form.
#include <gtest/gtest.h>

#include <cmath>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

using namespace vek::ofdm_demod_lib;
using vek::common_lib::lib_fourier_transform_t;

namespace {

constexpr int k_n = 16, k_symbols = 4;
constexpr double k_fs_hz = 10e6;
constexpr double k_pi = 3.14159265358979323846;

lib_ofdm_config_manager_t zero_prefix_frame(const lib_ofdm_track_info_t& tracking) {
    lib_ofdm_config_manager_t cfg;
    EXPECT_TRUE(cfg.set_guard_low_subcarr(2) && cfg.set_guard_up_subcarr(1) && cfg.set_fft_length(k_n));
    cfg.set_analy_symbol_num(k_symbols);
    cfg.set_system_sample_rate(static_cast<float>(k_fs_hz));
    EXPECT_TRUE(cfg.set_guard_interval_per_symbol({0.0f}) && cfg.set_transmitter_window_beta(0.0f));
    EXPECT_TRUE(cfg.set_symbol_timing_adjustment(0.0f));  // FFT advance 0
    cfg.set_tracking(tracking);
    cfg.set_resource_mapping_vct({{"Pilot",
                                   LIB_OFDM_RESOURCE_FLAG_PILOT,
                                   {{0, 1, 2, 3}},
                                   {{-5, -1, 3, 6}},
                                   LIB_OFDM_MOD_LEVEL_NONE,
                                   0.0f},
                                  {"Data",
                                   LIB_OFDM_RESOURCE_FLAG_DATA,
                                   {{0, 1, 2, 3}},
                                   {{-4, -3, 1, 2}},
                                   LIB_OFDM_MOD_LEVEL_QPSK,
                                   1.0f}});
    complex_vector_t pilots;
    for (int i = 0; i < 16; ++i) pilots.push_back(i % 2 ? complex_t{1, 0} : complex_t{-1, 0});
    cfg.set_pilot_ref_iq_vct(pilots);
    EXPECT_TRUE(cfg.generate_resource_map() && cfg.generate_resource_mod_map() &&
                cfg.generate_ref_resource_data_vct());
    return cfg;
}

class tracking_harness_t : public lib_ofdm_demod_t {
public:
    tracking_harness_t(const lib_ofdm_config_manager_t& cfg, float phase_rad) {
        EXPECT_TRUE(set_ofdm_demod_info(cfg));
        m_ref_freq_data = cfg.get_ref_resource_data_vct_manager().get_ref_resource_data();
        m_symbol_freq_data.assign(k_symbols, complex_vector_t(k_n));
        m_symbol_time_data.assign(k_symbols, complex_vector_t(k_n));
        const complex_t rotation = std::polar(1.0f, phase_rad);
        for (int s = 0; s < k_symbols; ++s) {
            m_symbol_freq_data[s] = m_ref_freq_data[s];
            for (complex_t& c : m_symbol_freq_data[s]) c *= rotation;
            // The time window whose shifted FFT is this row (advance 0: no compensation).
            complex_vector_t natural(k_n);
            for (int c = 0; c < k_n; ++c) natural[(c + k_n / 2) % k_n] = m_symbol_freq_data[s][c];
            lib_fourier_transform_t::deal_ifft(natural);
            m_symbol_time_data[s] = natural;
        }
        m_channel_coef.assign(k_n, complex_t{1, 0});
        m_channel_est_sym_index = {0};
        m_freq_error_est = 100.0f;
    }
    bool track() { return _deal_ofdm_channel_tracking(); }
    using lib_ofdm_demod_t::m_channel_coef, lib_ofdm_demod_t::m_freq_error_est, lib_ofdm_demod_t::m_result,
        lib_ofdm_demod_t::m_symbol_freq_data;
};

lib_ofdm_track_info_t tracking_of(bool phase, bool amplitude, bool timing) {
    lib_ofdm_track_info_t t;
    t.track_phase = phase, t.track_amplitude = amplitude, t.track_timing = timing;
    return t;
}

TEST(TrackingStage, ResidualOffsetsAndRefinementFollowTheClosedForm) {
    const float phi = 0.2f;
    tracking_harness_t off(zero_prefix_frame(tracking_of(false, false, false)), phi);
    const cell_grid_t before = off.m_symbol_freq_data;
    ASSERT_TRUE(off.track());  // disabled: nothing changes
    EXPECT_EQ(off.m_symbol_freq_data, before);
    EXPECT_FLOAT_EQ(off.m_freq_error_est, 100.0f);

    tracking_harness_t h(zero_prefix_frame(tracking_of(true, false, true)), phi);
    ASSERT_TRUE(h.track());
    // Symbol 0 coincides with the estimate (delta 0) and is skipped; symbols 1-3 give
    // E, E/2, E/3 with E = phi fs / (2 pi 16). The largest is replaced by the mean of the list
    // with it zeroed (5E/18); the refinement is the new mean, 10E/27.
    const double e = phi * k_fs_hz / (2.0 * k_pi * k_n);
    EXPECT_NEAR(h.m_freq_error_est - 100.0f, 10.0 * e / 27.0, 1e-3 * e);
    EXPECT_FLOAT_EQ(h.m_result.m_freq_error_est, h.m_freq_error_est);
    // Symbol 0 was not tracked and keeps its phase; tracked symbols lose it on the pilot cells.
    EXPECT_NEAR(std::arg(h.m_symbol_freq_data[0][14]), phi, 1e-5);
    for (int s = 1; s < k_symbols; ++s) {
        complex_t mean_ratio{};
        int i = 0;
        for (int c : {3, 7, 11, 14})
            mean_ratio += h.m_symbol_freq_data[s][c] * ((4 * s + i++) % 2 ? 1.0f : -1.0f);
        EXPECT_NEAR(std::arg(mean_ratio), 0.0f, 1e-4f) << s;
    }
}

TEST(TrackingStage, GainTrackingRestoresUnitPilotMagnitude) {
    // Re-equalisation with a coefficient of 2 doubles the re-demodulated cells; gain tracking
    // divides by the mean pilot ratio, phase-only tracking does not.
    for (bool gain : {true, false}) {
        tracking_harness_t h(zero_prefix_frame(tracking_of(true, gain, false)), 0.0f);
        h.m_channel_coef.assign(k_n, complex_t{2, 0});
        ASSERT_TRUE(h.track());
        EXPECT_NEAR(std::abs(h.m_symbol_freq_data[2][7]), gain ? 1.0f : 2.0f, 1e-5f) << gain;
    }
}

}  // namespace
