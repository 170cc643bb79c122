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
    void hand_over(complex_vector_t capture, int coarse) { coarse_aligned(p, std::move(capture), coarse); }
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

TEST_P(TimingPresets, DemodulatedCellsEqualTheGridUpToOneGain) {
    for (double snr_db : {200.0, 30.0}) {
        hand_over(make_capture(frame, 77, 300, 0.0, 0.0, fs_hz, snr_db, 8), 77);
        run_through_fine_freq();
        ASSERT_TRUE(p._deal_ofdm_demod());
        ASSERT_EQ(p.m_symbol_freq_data.size(), grid.size());
        // Least-squares gain of the cells against the grid, then the relative residual.
        std::complex<double> cross;
        double ref_energy = 0, err = 0, used = 0;
        for (int pass = 0; pass < 2; ++pass) {
            const std::complex<double> gain = pass == 0 ? 0.0 : cross / ref_energy;
            for (std::size_t r = 0; r < grid.size(); ++r)
                for (std::size_t c = 0; c < grid[r].size(); ++c) {
                    const std::complex<double> y(p.m_symbol_freq_data[r][c]), x(grid[r][c]);
                    if (pass == 0)
                        cross += y * std::conj(x), ref_energy += std::norm(x), used += x != 0.0 ? 1 : 0;
                    else
                        err += std::norm(y - gain * x);
                }
            if (pass == 1) err /= std::norm(gain) * ref_energy;
        }
        // Noise at snr below the mean sample power spreads over all N bins but the signal sits on
        // the used cells only: per-cell error power is (used / N) / snr.
        const double expected = used / static_cast<double>(grid.size()) / p.m_config_manager.get_ofdm_len() *
                                std::pow(10.0, -snr_db / 10.0);
        if (snr_db > 100) {
            EXPECT_LT(err, 1e-8) << "noise-free";
        } else {
            EXPECT_GT(err, 0.5 * expected);
            EXPECT_LT(err, 2.0 * expected);
        }
    }
}

TEST_P(TimingPresets, WholeRunThroughProcess) {
    // The accepted capture through every stage (frame synchronisation included): fine start
    // within 0.15 sample, frequency error within 1 % of the subcarrier spacing.
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
