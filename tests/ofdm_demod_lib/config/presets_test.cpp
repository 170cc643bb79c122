// The three presets applied by set_standard with the project's data directory: the derived layout,
// the resource entries and their maps (worked examples), the reference data sizes, and the map
// files of data/ read back through the file path giving exactly the maps the entries paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "preset_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

using namespace vek::ofdm_demod_lib;
using vek::common_lib::report_capture_t;

namespace {

const lib_ofdm_res_info_t& find_entry(const lib_ofdm_config_manager_t& m, const std::string& name) {
    const auto& entries = m.get_resource_mapping_vct();
    const auto it =
        std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
    EXPECT_NE(it, entries.end()) << name;
    return it == entries.end() ? entries.front() : *it;
}

std::vector<int> range(int first, int last, int step = 1) {
    std::vector<int> v;
    for (int i = first; i <= last; i += step) v.push_back(i);
    return v;
}

class Presets : public ::testing::Test {
protected:
    vek::test::log_capture_t log;
};

TEST_F(Presets, EachStandardAnnouncesItselfBuildsValidReferenceDataAndMatchesItsMapFiles) {
    const struct {
        lib_ofdm_standard_type_t standard;
        const char* banner;
        std::size_t preamble;
        std::size_t pilot;
    } cases[] = {{LIB_OFDM_STANDARD_TYPE_WIFI, "NOW IS WIFI\n", 128, 240},
                 {LIB_OFDM_STANDARD_TYPE_LTE_DL, "NOW IS LTE_DL\n", 248, 2000},
                 {LIB_OFDM_STANDARD_TYPE_LTE_UL, "NOW IS LTE_UL\n", 0, 6000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.banner);
        report_capture_t out;
        lib_ofdm_config_manager_t m;
        m.set_load_address(VEK_TEST_DATA_DIR);
        EXPECT_TRUE(m.set_standard(c.standard));
        EXPECT_EQ(out.text(), c.banner);
        EXPECT_EQ(m.get_preamble_ref_iq_vct().size(), c.preamble);
        EXPECT_EQ(m.get_pilot_ref_iq_vct().size(), c.pilot);
        EXPECT_TRUE(m.get_ref_resource_data_vct_manager().is_ref_resource_data_valid());
        // The committed map files hold exactly what the resource entries paint: reading them
        // instead of painting changes nothing (LTE downlink through the guard-band widening).
        lib_ofdm_config_manager_t from_file = m;
        from_file.set_use_ui_map(false);
        ASSERT_TRUE(from_file.generate_resource_map());
        ASSERT_TRUE(from_file.generate_resource_mod_map());
        ASSERT_TRUE(from_file.generate_ref_resource_data_vct());
        EXPECT_EQ(from_file.get_resource_map_manager().get_resource_map(),
                  m.get_resource_map_manager().get_resource_map());
        EXPECT_EQ(from_file.get_resource_mod_map_manager().get_resource_mod_map(),
                  m.get_resource_mod_map_manager().get_resource_mod_map());
        EXPECT_EQ(from_file.get_ref_resource_data_vct_manager().get_ref_resource_data(),
                  m.get_ref_resource_data_vct_manager().get_ref_resource_data());
        EXPECT_EQ(from_file.get_pilot_index_map(), m.get_pilot_index_map());
    }
    EXPECT_TRUE(log.records().empty());
}

TEST_F(Presets, WlanLayoutAndResourceMap) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
    EXPECT_EQ(m.get_subcarr_num(), 52);
    EXPECT_EQ(m.get_interval_per_sym_vct(), std::vector<int>(64, 16));
    EXPECT_EQ(m.get_fft_advance(), 8);
    EXPECT_EQ(find_entry(m, "Data2").modulation, LIB_OFDM_MOD_LEVEL_64QAM);
    const int_grid_t& map = m.get_resource_map_manager().get_resource_map();
    ASSERT_EQ(map.size(), 64u);
    for (int row = 4; row < 64; ++row) {
        ASSERT_EQ(map[row].size(), 64u);
        for (int col = 0; col < 64; ++col) {
            const bool pilot = col == 11 || col == 25 || col == 39 || col == 53;
            const bool empty = col < 6 || col > 58 || col == 32;
            EXPECT_EQ(map[row][col], pilot ? 1 : (empty ? 4 : 0)) << row << "," << col;
        }
    }
    for (int col = 0; col < 64; ++col) {  // short training: every fourth subcarrier
        const bool preamble = col != 32 && col >= 8 && col <= 56 && col % 4 == 0;
        EXPECT_EQ(map[0][col], preamble ? 3 : 4) << col;
    }
    const int_grid_t& mod = m.get_resource_mod_map_manager().get_resource_mod_map();
    EXPECT_EQ(mod[4][6], 1);
    EXPECT_EQ(mod[5][6], 6);
    EXPECT_EQ(m.get_pilot_sym_index_vct(), range(4, 63));
    EXPECT_EQ(m.get_preamble_sym_index_vct(), range(0, 3));
    // The first pilot of symbol 4 (subcarrier -21) holds the first value of the pilot file.
    const cell_grid_t& ref = m.get_ref_resource_data_vct_manager().get_ref_resource_data();
    EXPECT_EQ(ref[4][11], m.get_pilot_ref_iq_vct()[0]);
    EXPECT_EQ(ref[3][58], m.get_preamble_ref_iq_vct()[127]);
}

TEST_F(Presets, LteDownlinkLayoutAndEntries) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    ASSERT_EQ(m.get_interval_per_sym_vct().size(), 140u);
    for (int i = 0; i < 140; ++i) EXPECT_EQ(m.get_interval_per_sym_vct()[i], i % 7 == 0 ? 40 : 36) << i;
    EXPECT_EQ(m.get_subcarr_num(), 300);
    // Beta 0.005 of 512 -> 2.56 rounds to 3; adjustment -3.125 % -> round(1.5 + 16) = 18.
    EXPECT_EQ(m.get_window_half_length(), 3);
    EXPECT_EQ(m.get_fft_advance(), 18);
    ASSERT_EQ(m.get_resource_mapping_vct().size(), 8u);

    EXPECT_EQ(find_entry(m, "PDSCH").symbol_set[0].size(), 102u);
    EXPECT_EQ(find_entry(m, "C-RS").subcarrier_set[1].size(), 50u);

    // Symbol 0 of the map: C-RS on comb 0, PCFICH and PHICH at their cells, PDCCH elsewhere in the
    // band; the DC column 256 and the guard bands empty.
    const int_grid_t& map = m.get_resource_map_manager().get_resource_map();
    ASSERT_EQ(map.size(), 140u);
    EXPECT_EQ(map[0][256 - 150], 1);
    EXPECT_EQ(map[0][256 - 149], 0);
    EXPECT_EQ(map[0][256], 4);
    EXPECT_EQ(map[0][407], 4);
    EXPECT_EQ(map[4][256 - 147], 1);
    EXPECT_EQ(map[6][256 + 31], 3);
    EXPECT_EQ(m.get_resource_mod_map_manager().get_resource_mod_map()[0][256 - 143], -1);
    EXPECT_EQ(m.get_preamble_sym_index_vct(), (std::vector<int>{5, 6, 75, 76}));
}

TEST_F(Presets, LteUplinkLayout) {
    const lib_ofdm_config_manager_t m = vek::test::preset_manager(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    EXPECT_TRUE(m.get_half_subcarrier_shift());
    EXPECT_EQ(m.get_subcarr_num(), 300);
    EXPECT_EQ(m.get_pilot_sym_index_vct(), range(3, 136, 7));
    EXPECT_TRUE(m.get_preamble_sym_index_vct().empty());
    const int_grid_t& map = m.get_resource_map_manager().get_resource_map();
    EXPECT_EQ(map[3][106], 1);
    EXPECT_EQ(map[3][405], 1);
    EXPECT_EQ(map[3][406], 4);
    EXPECT_EQ(map[4][256], 0);  // with the half shift the centre column is a used subcarrier
}

}  // namespace
