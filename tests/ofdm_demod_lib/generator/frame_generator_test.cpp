// The reference transmitter: its frames demodulate by a plain per-symbol FFT back to the
// generated grid for all three presets, and its cells are what the frame describes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "generator_test_support.hpp"
#include "log_capture.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_constellation.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using vek::test::demodulate;
using vek::test::preset_manager;

namespace {

double rms(const cell_grid_t& grid) {
    double sum = 0.0;
    std::size_t count = 0;
    for (const auto& row : grid) {
        for (const complex_t& v : row) sum += std::norm(v), ++count;
    }
    return std::sqrt(sum / static_cast<double>(count));
}

double max_error(const cell_grid_t& a, const cell_grid_t& b) {
    double worst = 0.0;
    for (std::size_t s = 0; s < a.size(); ++s) {
        for (std::size_t c = 0; c < a[s].size(); ++c) worst = std::max(worst, double(std::abs(a[s][c] - b[s][c])));
    }
    return worst;
}

// The receiver's de-spreading: occupied band times sqrt(subcarrier count), M-point inverse FFT.
void despread(const lib_ofdm_config_manager_t& m, cell_grid_t& grid) {
    const int low = m.get_guard_low_subcarr();
    const int width = m.get_fft_length() - low - m.get_guard_up_subcarr();
    const float scale = static_cast<float>(std::sqrt(static_cast<double>(m.get_subcarr_num())));
    for (const int s : m.get_payload_sym_index_vct()) {
        complex_vector_t band(grid[s].begin() + low, grid[s].begin() + low + width);
        for (complex_t& v : band) v *= scale;
        vek::common_lib::lib_fourier_transform_t::deal_ifft(band, static_cast<std::uint32_t>(width));
        std::copy(band.begin(), band.end(), grid[s].begin() + low);
    }
}

class PresetFrames : public ::testing::TestWithParam<lib_ofdm_standard_type_t> {};

TEST_P(PresetFrames, DemodulateByPlainFftBackToTheGeneratedGrid) {
    const lib_ofdm_config_manager_t m = preset_manager(GetParam());
    lib_ofdm_generated_frame_t frame;
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_frame(m, 7, frame));
    const int n = m.get_fft_length();
    const int symbols = m.get_analy_symbol_num();

    // Length: every symbol's gap, prefix and body; body starts where the receiver looks.
    const std::vector<std::size_t> starts = vek::test::body_starts(m);
    std::size_t length = 0;
    for (int k = 0; k < symbols; ++k) length += m.get_interval_per_sym_vct()[k] + n;
    ASSERT_EQ(frame.samples.size(), length);
    ASSERT_EQ(frame.body_start.size(), starts.size());
    for (std::size_t k = 0; k < starts.size(); ++k) EXPECT_EQ(std::size_t(frame.body_start[k]), starts[k]);

    cell_grid_t cells = demodulate(m, frame.samples);
    const double tolerance = 1e-5 * rms(frame.freq_grid);
    EXPECT_LT(max_error(cells, frame.freq_grid), tolerance);

    // Without spreading every cell is the ground truth. (That the prefixes repeat the bodies and
    // the reference cells are the reference data is pinned end to end: a clean frame demodulates
    // at the floor with the receiver's window inside the prefix.)
    if (m.get_dft_spread()) despread(m, cells);
    EXPECT_LT(max_error(cells, frame.cell_grid), tolerance);
}

INSTANTIATE_TEST_SUITE_P(AllPresets, PresetFrames,
                         ::testing::Values(LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL,
                                           LIB_OFDM_STANDARD_TYPE_LTE_UL));

TEST(FrameGenerator, BoostScalesTheDataCellsAndEmptyCellsStayZero) {
    // That data cells are points of their constellations is pinned end to end (the receiver
    // decides every generated cell to itself); here the boost multiplies them by its amplitude.
    lib_ofdm_config_manager_t m = preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    cell_grid_t plain, boosted;
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_cell_grid(m, 3, plain));
    m.set_user_boosting(2.0f);
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_cell_grid(m, 3, boosted));
    const int_grid_t& map = m.get_resource_map_manager().get_resource_map();
    int data = 0;
    for (std::size_t s = 0; s < map.size(); ++s) {
        for (std::size_t c = 0; c < map[s].size(); ++c) {
            const int flag = map[s][c];
            const complex_t expected = flag == LIB_OFDM_RESOURCE_FLAG_DATA ? 2.0f * plain[s][c] : complex_t{};
            if (flag == LIB_OFDM_RESOURCE_FLAG_DATA || flag == LIB_OFDM_RESOURCE_FLAG_NONE) {
                ASSERT_LT(std::abs(boosted[s][c] - expected), 1e-6f) << s << "," << c;
            }
            data += flag == LIB_OFDM_RESOURCE_FLAG_DATA && plain[s][c] != complex_t{};
        }
    }
    EXPECT_GT(data, 1000);
}

TEST(FrameGenerator, DftSpreadIsUnitary) {
    // One symbol row of 8 bins, band [2, 6): a single point at band position 0 spreads into M
    // equal cells of amplitude 1/sqrt(M); the band's energy is kept.
    cell_grid_t grid{complex_vector_t(8), complex_vector_t(8)};
    grid[1][2] = {1.0f, 0.0f};
    grid[1][4] = {0.0f, 2.0f};
    const cell_grid_t before = grid;
    ASSERT_TRUE(lib_ofdm_frame_generator_t::deal_dft_spread({1}, 2, 2, grid));
    EXPECT_EQ(grid[0], before[0]);
    double energy = 0.0;
    for (int c = 2; c < 6; ++c) {
        // X[k] = (1 + 2j e^(-j 2 pi k 2 / 4)) / 2 = (1 + 2j (-1)^k) / 2
        const complex_t expected = complex_t(1.0f, (c - 2) % 2 ? -2.0f : 2.0f) * 0.5f;
        EXPECT_LT(std::abs(grid[1][c] - expected), 1e-6f) << c;
        energy += std::norm(grid[1][c]);
    }
    EXPECT_NEAR(energy, 5.0, 1e-5);
    EXPECT_EQ(grid[1][0], complex_t{});
    EXPECT_FALSE(lib_ofdm_frame_generator_t::deal_dft_spread({2}, 2, 2, grid));
    EXPECT_FALSE(lib_ofdm_frame_generator_t::deal_dft_spread({1}, 4, 4, grid));
}

TEST(FrameGenerator, SeedsTimeGapsAndStaleMaps) {
    lib_ofdm_config_manager_t m = preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
    lib_ofdm_generated_frame_t a, b, c;
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_frame(m, 11, a));
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_frame(m, 11, b));
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_frame(m, 12, c));
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_NE(a.cell_grid, c.cell_grid);
    // Only data cells differ between seeds: the training symbols (0-3) are the same.
    EXPECT_TRUE(std::equal(a.samples.begin(), a.samples.begin() + 320, c.samples.begin()));
    EXPECT_NEAR(a.data_cell_power, 1.0f, 0.05f);

    vek::test::log_capture_t log;
    vek::common_lib::report_capture_t quiet;
    lib_ofdm_config_manager_t stale = m;
    stale.set_analy_symbol_num(10);  // the maps no longer describe the frame: refused
    EXPECT_FALSE(lib_ofdm_frame_generator_t::generate_frame(stale, 5, a));
    EXPECT_TRUE(a.samples.empty());
    EXPECT_FALSE(log.records().empty());
    ASSERT_TRUE(m.set_time_gaps({0, 5}));
    m.set_time_gaps_repeat_index(0);
    ASSERT_TRUE(m.generate_resource_map() && m.generate_resource_mod_map() && m.generate_ref_resource_data_vct());
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_frame(m, 5, a));
    // Symbol 1's gap of zeros follows symbol 0 (80 samples), before its prefix.
    for (int i = 80; i < 85; ++i) EXPECT_EQ(a.samples[i], complex_t{}) << i;
    EXPECT_NE(a.samples[85], complex_t{});
}

}  // namespace

// The transmitter's points are the receiver's ideal points (which the slicer tests hold against
// independent tables and slice to themselves), scaled by the boost, and of unit mean power.
struct ideal_points_probe_t : lib_ofdm_demod_t {
    using lib_ofdm_demod_t::_deal_data_ref;
};

TEST(Constellation, PointsAreTheReceiversUnitPowerIdealPoints) {
    for (int level = -1; level <= 10; ++level) {
        complex_vector_t points;
        lib_ofdm_constellation_t::get_ideal_points(level, points);
        double power = 0.0;
        for (const complex_t& p : points) power += std::norm(p);
        EXPECT_NEAR(power / static_cast<double>(points.size()), 1.0, 1e-6) << level;
        lib_ofdm_res_info_t entry;
        entry.type = LIB_OFDM_RESOURCE_FLAG_DATA;
        entry.modulation = static_cast<lib_ofdm_mod_level_t>(level);
        const complex_vector_t receiver = ideal_points_probe_t::_deal_data_ref({entry}, 1.5f);
        if (level == LIB_OFDM_MOD_LEVEL_NONE) {
            EXPECT_EQ(points.size(), 2u);
            continue;
        }
        ASSERT_EQ(receiver.size(), points.size()) << level;
        for (std::size_t i = 0; i < points.size(); ++i)
            EXPECT_LT(std::abs(receiver[i] - points[i] * 1.5f), 1e-6f) << level << " point " << i;
    }
}
