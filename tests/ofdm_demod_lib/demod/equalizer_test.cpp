// Channel equalisation: coefficient interpolation and smoothing, and the stage on a small custom
// frame (N = 16, guards 2 and 1: occupied cells 2 ... 14) whose received cells are built from the
// reference grid through known channels.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;

namespace {

constexpr int k_n = 16, k_low = 2, k_up = 1, k_symbols = 4;

TEST(CoefficientInterpolation, StraightLineThroughTwoPointsExtendedToTheBandEdges) {
    complex_vector_t out;
    common::deal_channel_coef_interp({{1.0f, 0.0f}, {2.0f, -4.0f}}, {3, 7}, 10, 1, 1, out);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[0], complex_t{});
    EXPECT_EQ(out[9], complex_t{});
    for (int k = 1; k <= 8; ++k) {
        EXPECT_NEAR(out[k].real(), 1.0f + (k - 3) / 4.0f, 1e-6f) << k;
        EXPECT_NEAR(out[k].imag(), -(k - 3) * 1.0f, 1e-6f) << k;
    }
}

TEST(MovingAverage, CentredWithShrinkingEnds) {
    complex_vector_t w{{0, 0}, {5, 0}, {0, 0}, {0, 0}, {5, 5}, {0, 0}, {0, 0}};
    common::deal_moving_average(w, 5);  // ends: data[0], mean(0..2); centre: 5-wide
    EXPECT_FLOAT_EQ(w[0].real(), 0.0f);
    EXPECT_FLOAT_EQ(w[1].real(), 5.0f / 3.0f);
    EXPECT_FLOAT_EQ(w[3].real(), 2.0f);
    EXPECT_FLOAT_EQ(w[3].imag(), 1.0f);
}

// A frame with a full-band preamble symbol 0, pilots at subcarriers -5, -1, 3, 6 of symbols 1-3 and
// QPSK data everywhere else in the band.
lib_ofdm_config_manager_t small_frame(bool dft_spread = false) {
    lib_ofdm_config_manager_t cfg;
    EXPECT_TRUE(cfg.set_guard_low_subcarr(k_low) && cfg.set_guard_up_subcarr(k_up) &&
                cfg.set_fft_length(k_n));
    cfg.set_analy_symbol_num(k_symbols);
    EXPECT_TRUE(cfg.set_guard_interval_per_symbol({0.25f}));
    cfg.set_dft_spread(dft_spread);
    const std::vector<int> band = {-6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6};
    cfg.set_resource_mapping_vct(
        {{"Preamble", LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0}}, {band}, LIB_OFDM_MOD_LEVEL_NONE, 0.0f},
         {"Pilot",
          LIB_OFDM_RESOURCE_FLAG_PILOT,
          {{1, 2, 3}},
          {{-5, -1, 3, 6}},
          LIB_OFDM_MOD_LEVEL_NONE,
          0.0f},
         {"Data", LIB_OFDM_RESOURCE_FLAG_DATA, {{1, 2, 3}}, {band}, LIB_OFDM_MOD_LEVEL_QPSK, 1.0f}});
    complex_vector_t preamble_values, pilot_values;
    for (int i = 0; i < 13; ++i) preamble_values.push_back(std::polar(1.0f, 0.7f * i));
    for (int i = 0; i < 12; ++i) pilot_values.push_back(i % 3 ? complex_t{1, 0} : complex_t{-1, 0});
    cfg.set_preamble_ref_iq_vct(preamble_values);
    cfg.set_pilot_ref_iq_vct(pilot_values);
    EXPECT_TRUE(cfg.generate_resource_map() && cfg.generate_resource_mod_map() &&
                cfg.generate_ref_resource_data_vct());
    return cfg;
}

// Exposes the pipeline's buffers to drive the equaliser alone.
class equalizer_harness_t : public lib_ofdm_demod_t {
public:
    explicit equalizer_harness_t(const lib_ofdm_config_manager_t& cfg) {
        EXPECT_TRUE(set_ofdm_demod_info(cfg));
        m_ref_freq_data = cfg.get_ref_resource_data_vct_manager().get_ref_resource_data();
        // Ideal transmitted cells: references where known, QPSK points on data cells.
        transmitted = m_ref_freq_data;
        const float a = static_cast<float>(M_SQRT1_2);
        for (int s = 0; s < k_symbols; ++s)
            for (int c = 0; c < k_n; ++c)
                if (cfg.get_payload_index_map()[s][c])
                    transmitted[s][c] = {(s + c) % 2 ? a : -a, (s * c) % 3 ? a : -a};
    }
    void receive_through(const std::function<complex_t(int s, int c)>& channel) {
        m_symbol_freq_data = transmitted;
        for (int s = 0; s < k_symbols; ++s)
            for (int c = 0; c < k_n; ++c) m_symbol_freq_data[s][c] *= channel(s, c);
    }
    bool equalize() { return _deal_ofdm_channel_equilibria(); }
    void set_eq(const lib_ofdm_eq_info_t& eq) { m_config_manager.set_equalizer(eq); }

    cell_grid_t transmitted;
    using lib_ofdm_demod_t::m_channel_coef, lib_ofdm_demod_t::m_channel_est_sym_index,
        lib_ofdm_demod_t::m_ref_freq_data, lib_ofdm_demod_t::m_symbol_freq_data;
};

lib_ofdm_eq_info_t eq_sources(bool preamble, bool pilot, bool data) {
    lib_ofdm_eq_info_t eq = default_equalizer();
    eq.equalizer_use_preamble = preamble;
    eq.equalizer_use_pilot = pilot;
    eq.equalizer_use_dc_pilot = true;
    eq.equalizer_use_data = data;
    return eq;
}

bool in_band(int c) { return c >= k_low && c < k_n - k_up; }

TEST(EqualizerStage, KnownChannelsGiveTheirInverseFromTheChosenSources) {
    struct case_t {
        lib_ofdm_eq_info_t eq;
        std::function<complex_t(int, int)> channel;
        complex_t coef;  // expected in-band coefficient
        std::vector<int> symbols;
    };
    const complex_t flat = std::polar(0.5f, 0.3f), small_phase = std::polar(1.7f, -0.2f);
    lib_ofdm_eq_info_t first_pilot = eq_sources(false, true, false);
    first_pilot.initial_equalizer_mode = 1;
    first_pilot.initial_equalizer_symbols = 1;
    const case_t cases[] = {
        // Preamble alone on a flat channel: removed from every symbol, guards zeroed.
        {eq_sources(true, false, false), [&](int, int) { return flat; }, 1.0f / flat, {0}},
        // Preamble symbol sees gain 2, the three pilot symbols gain 4: C = (1/2 + 1/4) / 2.
        {eq_sources(true, true, false),
         [](int s, int) {
             return complex_t{s == 0 ? 2.0f : 4.0f, 0.0f};
         },
         0.375f,
         {0, 1, 2, 3}},
        // The initial symbol count limits the estimate to pilot symbol 1.
        {first_pilot,
         [](int s, int) {
             return complex_t{static_cast<float>(s), 0.0f};
         },
         1.0f,
         {1}},
        // Decisions on the data cells alone (small phase: decisions stay right).
        {eq_sources(false, false, true),
         [&](int, int) { return small_phase; },
         1.0f / small_phase,
         {1, 2, 3}},
    };
    for (const case_t& t : cases) {
        equalizer_harness_t h(small_frame());
        h.set_eq(t.eq);
        h.receive_through(t.channel);
        ASSERT_TRUE(h.equalize());
        EXPECT_EQ(h.m_channel_est_sym_index, t.symbols);
        ASSERT_EQ(h.m_channel_coef.size(), static_cast<std::size_t>(k_n));
        for (int c = 0; c < k_n; ++c)
            EXPECT_LT(std::abs(h.m_channel_coef[c] - (in_band(c) ? t.coef : complex_t{})), 1e-5f) << c;
        for (int s = 0; s < k_symbols && t.symbols == std::vector<int>{0}; ++s)
            for (int c = 0; c < k_n; ++c)
                EXPECT_LT(
                    std::abs(h.m_symbol_freq_data[s][c] - (in_band(c) ? h.transmitted[s][c] : complex_t{})),
                    1e-5f);
        // With the data source, decided references are written into the payload cells.
        EXPECT_EQ(std::abs(h.m_ref_freq_data[2][4] - h.transmitted[2][4]) < 1e-6f, t.eq.equalizer_use_data);
    }
    // No source: the cells are left alone.
    equalizer_harness_t h(small_frame());
    h.set_eq(eq_sources(false, false, false));
    h.receive_through([](int s, int c) { return std::polar(1.0f + s, 0.1f * c); });
    const cell_grid_t before = h.m_symbol_freq_data;
    ASSERT_TRUE(h.equalize());
    EXPECT_EQ(h.m_symbol_freq_data, before);
    EXPECT_TRUE(h.m_channel_coef.empty());
}

TEST(EqualizerStage, DftSpreadPayloadIsDespreadByAnInverseTransform) {
    const lib_ofdm_config_manager_t cfg = small_frame(true);
    equalizer_harness_t h(cfg);
    h.set_eq(eq_sources(false, false, false));
    h.receive_through([](int, int) { return complex_t{1, 0}; });
    // Spread symbol 2's band with the unitary M-point DFT; with subcarr_num = M the de-spreading
    // (sqrt(subcarr_num) times the 1/M inverse) gives the points back.
    ASSERT_EQ(cfg.get_subcarr_num(), k_n - k_low - k_up);
    const int m = k_n - k_low - k_up;
    complex_vector_t points(h.transmitted[2].begin() + k_low, h.transmitted[2].begin() + k_low + m);
    complex_vector_t spread = points;
    vek::common_lib::lib_fourier_transform_t::deal_fft(spread, m);
    const float scale = std::sqrt(static_cast<float>(m));
    for (int i = 0; i < m; ++i) h.m_symbol_freq_data[2][k_low + i] = spread[i] / scale;
    ASSERT_TRUE(h.equalize());
    for (int i = 0; i < m; ++i)
        EXPECT_NEAR(std::abs(h.m_symbol_freq_data[2][k_low + i] - points[i]), 0.0f, 1e-5f) << i;
}

}  // namespace
