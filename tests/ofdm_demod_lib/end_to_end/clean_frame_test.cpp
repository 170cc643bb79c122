// Clean frames of every preset: every class measures at the numerical floor and every payload
// decision is the generated point.
#include <gtest/gtest.h>

#include "end_to_end_support.hpp"

using namespace vek::test;

namespace {

class CleanFrame : public ::testing::TestWithParam<lib_ofdm_standard_type_t> {};

TEST_P(CleanFrame, EvmAtTheFloorAndDecisionsEqualTheGeneratedPoints) {
    const lib_ofdm_config_manager_t cfg = preset_manager(GetParam());
    lib_ofdm_t demod;
    const run_t run = run_capture(demod, cfg, idle_around(40, 200), 7);
    ASSERT_TRUE(run.ok);
    constexpr float k_floor_percent = 0.03f;  // -70 dB
    EXPECT_LE(demod.get_result_evm_rms(), k_floor_percent);
    EXPECT_LE(demod.get_result_payload_evm_rms(), k_floor_percent);
    EXPECT_LE(demod.get_result_pilot_evm_rms(), k_floor_percent);
    if (GetParam() != LIB_OFDM_STANDARD_TYPE_LTE_UL) {
        EXPECT_LE(demod.get_result_rms_evm_preamble(), k_floor_percent);
    } else {
        EXPECT_FLOAT_EQ(demod.get_result_rms_evm_preamble(), -100.0f);
    }
    EXPECT_NEAR(demod.get_result_freq_error_est(), 0.0f, 1.0f);
    EXPECT_EQ(demod.get_result_frame_dly(), 40);  // ±0: no fractional delay, no noise

    // Every payload cell of the equalised grid decides to the generated point.
    const cell_grid_t grid = demod.get_result_ofdm_demod_data();
    const bool_grid_t& payload = cfg.get_payload_index_map();
    ASSERT_EQ(grid.size(), run.frame.cell_grid.size());
    int checked = 0;
    for (std::size_t s = 0; s < grid.size(); ++s) {
        for (std::size_t c = 0; c < grid[s].size(); ++c) {
            if (!payload[s][c]) continue;
            ++checked;
            EXPECT_LT(std::abs(grid[s][c] - run.frame.cell_grid[s][c]), 0.01f) << "symbol " << s << " cell " << c;
        }
    }
    EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(AllPresets, CleanFrame,
                         ::testing::Values(LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL,
                                           LIB_OFDM_STANDARD_TYPE_LTE_UL),
                         [](const auto& info) { return std::string(standard_name(info.param)); });

}  // namespace
