// Synthetic captures of the three presets with known delay, carrier offset and noise: fine timing,
// frequency error and the demodulated grid against the injected truth.
#include <gtest/gtest.h>

#include <cmath>

#include "timing_probe.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

using namespace vek::test;
using namespace vek::ofdm_demod_lib;

struct preset_case_t {
    lib_ofdm_standard_type_t standard;
    double cfo_hz;  // magnitude of the injected carrier offsets
};

class TimingPresets : public ::testing::TestWithParam<preset_case_t> {
protected:
    void SetUp() override {
        lib_ofdm_config_manager_t m;
        m.set_load_address(VEK_TEST_DATA_DIR);
        ASSERT_TRUE(m.set_standard(GetParam().standard));
        ASSERT_TRUE(p.set_ofdm_demod_info(m));
        ASSERT_TRUE(p._init_ref_file_freq());
        ASSERT_TRUE(p._init_ref_file_time());
        grid = make_grid(p, 21);
        frame = make_frame(p.m_config_manager, grid);
        fs_hz = p.m_config_manager.get_system_sample_rate();
    }
    // Frame sync's hand-over: coarse start at sample 5, search width 10.
    void hand_over(complex_vector_t capture, int coarse) {
        std::rotate(capture.begin(), capture.begin() + (coarse - 5), capture.end());
        p.m_sample_data = std::move(capture);
        p.m_ofdm_frame_dly = coarse;
        p.m_fine_search_len = 10;
    }
    void run_through_fine_freq() {
        ASSERT_TRUE(p._deal_ofdm_fine_delay());
        p._deal_half_subcarrier_shift();
        ASSERT_TRUE(p._deal_ofdm_cp_freq_error_estimate());
        ASSERT_TRUE(p._deal_ofdm_fine_freq_error_estimate());
    }
    timing_probe_t p;
    cell_grid_t grid;
    complex_vector_t frame;
    double fs_hz = 0;
};

TEST_P(TimingPresets, FineDelayWithinAQuarterSampleGrid) {
    // Integer plus fractional delays, coarse start off by up to two samples either way.
    const struct {
        int lead;
        double frac;
        int coarse_error;
    } cases[] = {{137, 0.3, 0}, {90, 0.7, -2}, {64, 0.55, 2}};
    for (const auto& c : cases) {
        hand_over(make_capture(frame, c.lead, 400, c.frac, 0.0, fs_hz, 30.0, 5), c.lead + c.coarse_error);
        ASSERT_TRUE(p._deal_ofdm_fine_delay());
        EXPECT_NEAR(p.m_dly_est, c.lead + c.frac, 0.15) << "lead " << c.lead << " frac " << c.frac;
    }
}

TEST_P(TimingPresets, FrequencyErrorWithinOnePercentOfSpacing) {
    const double spacing_hz = p.m_config_manager.get_subcarr_space();
    for (double sign : {+1.0, -1.0}) {
        const double cfo_hz = sign * GetParam().cfo_hz;
        hand_over(make_capture(frame, 120, 400, 0.0, cfo_hz, fs_hz, 30.0, 6), 120);
        run_through_fine_freq();
        EXPECT_NEAR(p.m_freq_error_est, cfo_hz, 0.01 * spacing_hz) << "cfo " << cfo_hz;
    }
}

TEST_P(TimingPresets, DemodulatedCellsEqualTheGridUpToOneGain) {
    for (double snr_db : {200.0, 30.0}) {
        hand_over(make_capture(frame, 77, 300, 0.0, 0.0, fs_hz, snr_db, 8), 77);
        run_through_fine_freq();
        ASSERT_TRUE(p._deal_ofdm_demod());
        ASSERT_EQ(p.m_symbol_freq_data.size(), grid.size());
        std::complex<double> cross;
        double ref_energy = 0;
        std::size_t used = 0;
        for (std::size_t r = 0; r < grid.size(); ++r)
            for (std::size_t c = 0; c < grid[r].size(); ++c) {
                cross += std::complex<double>(p.m_symbol_freq_data[r][c]) *
                         std::conj(std::complex<double>(grid[r][c]));
                ref_energy += std::norm(grid[r][c]);
                used += grid[r][c] != cf(0, 0) ? 1u : 0u;
            }
        const std::complex<double> gain = cross / ref_energy;
        double err = 0;
        for (std::size_t r = 0; r < grid.size(); ++r)
            for (std::size_t c = 0; c < grid[r].size(); ++c)
                err += std::norm(std::complex<double>(p.m_symbol_freq_data[r][c]) -
                                 gain * std::complex<double>(grid[r][c]));
        const double rel = err / (std::norm(gain) * ref_energy);
        // Noise at snr below the mean sample power spreads over all N bins but the signal sits on
        // the used cells only: per-cell error power is (used / N) / snr.
        const double N = p.m_config_manager.get_ofdm_len();
        const double cells_per_symbol = static_cast<double>(used) / static_cast<double>(grid.size());
        const double expected = cells_per_symbol / N * std::pow(10.0, -snr_db / 10.0);
        if (snr_db > 100) {
            EXPECT_LT(rel, 1e-8) << "noise-free";
        } else {
            EXPECT_GT(rel, 0.5 * expected);
            EXPECT_LT(rel, 2.0 * expected);
        }
    }
}

TEST_P(TimingPresets, WholeChainFromAcceptedSamples) {
    // The accepted capture goes through frame synchronisation and then the timing and frequency
    // stages: coarse start within two samples, fine start within 0.15 sample, frequency error
    // within 1 % of the subcarrier spacing.
    const double spacing_hz = p.m_config_manager.get_subcarr_space();
    const int lead = 150;
    const double frac = 0.4;
    const double cfo_hz = -0.6 * GetParam().cfo_hz;
    ASSERT_TRUE(p.set_sample_data(make_capture(frame, lead, 600, frac, cfo_hz, fs_hz, 30.0, 9)));
    ASSERT_TRUE(p._deal_ofdm_parameter_init());
    ASSERT_TRUE(p._deal_ofdm_frame_sync());
    EXPECT_NEAR(p.m_ofdm_frame_dly, lead, 2);
    run_through_fine_freq();
    EXPECT_NEAR(p.m_dly_est, lead + frac, 0.15);
    EXPECT_NEAR(p.m_freq_error_est, cfo_hz, 0.01 * spacing_hz);
}

TEST_P(TimingPresets, WholeRunThroughProcess) {
    const double spacing_hz = p.m_config_manager.get_subcarr_space();
    const double cfo_hz = 0.3 * GetParam().cfo_hz;
    ASSERT_TRUE(p.set_sample_data(make_capture(frame, 100, 500, 0.3, cfo_hz, fs_hz, 30.0, 10)));
    vek::common_lib::report_capture_t out;
    ASSERT_TRUE(p.process());
    const std::string text = out.text();
    std::size_t successes = 0;
    for (std::size_t at = text.find("is success "); at != std::string::npos;
         at = text.find("is success ", at + 1))
        ++successes;
    EXPECT_EQ(successes, 9u);
    EXPECT_EQ(text.find("is fail"), std::string::npos);
    EXPECT_NEAR(p.get_ofdm_demod_result().m_dly_est, 100.3, 0.15);
    EXPECT_NEAR(p.get_ofdm_demod_result().m_freq_error_est, cfo_hz, 0.01 * spacing_hz);
}

INSTANTIATE_TEST_SUITE_P(Presets, TimingPresets,
                         ::testing::Values(preset_case_t{LIB_OFDM_STANDARD_TYPE_WIFI, 100e3},
                                           preset_case_t{LIB_OFDM_STANDARD_TYPE_LTE_DL, 5e3},
                                           preset_case_t{LIB_OFDM_STANDARD_TYPE_LTE_UL, 5e3}),
                         [](const auto& info) {
                             return std::string(info.param.standard == LIB_OFDM_STANDARD_TYPE_WIFI ? "Wlan"
                                                : info.param.standard == LIB_OFDM_STANDARD_TYPE_LTE_DL
                                                    ? "LteDl"
                                                    : "LteUl");
                         });

}  // namespace
