// Reference data: the number-file readers (formats, junk, limits, missing files, which file each
// standard reads), painting entries into the resource and modulation maps, a map file too short
// for the frame, and the reference-cell builder. The presets' tests read the committed map files.
#include <gtest/gtest.h>

#include <string>

#include "log_capture.hpp"
#include "scratch_dir.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_ref_resource_data_vct_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_map_manager.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;
using vek::common_lib::report_capture_t;
using vek::test::write_file;

namespace {

class ReferenceFiles : public ::testing::Test {
protected:
    void SetUp() override { dir = vek::test::scratch_dir_for_current_test().string(); }

    complex_vector_t read_pilot(const std::string& text) {
        write_file(dir + "/wlan54Mbps/Pilot", text);
        complex_vector_t out{complex_t(9.0f, 9.0f)};
        common::load_pilot_ref_iq_vct(LIB_OFDM_STANDARD_TYPE_WIFI, out, dir);
        return out;
    }

    std::string dir;
    vek::test::log_capture_t log;
};

TEST_F(ReferenceFiles, SeparatorsOddCountsEmptyMissingFilesAndJunk) {
    const complex_vector_t expected{complex_t(1.0f, 0.0f), complex_t(0.0f, 1.0f)};
    EXPECT_EQ(read_pilot(" 1 ,\t0,\r\n0 ,1 ,, "), expected);
    EXPECT_EQ(read_pilot("1 2 3"), (complex_vector_t{complex_t(1.0f, 2.0f), complex_t(3.0f, 0.0f)}));
    EXPECT_TRUE(read_pilot(" ,\n").empty());
    // Missing: nothing reported anywhere, the vector untouched.
    report_capture_t out;
    complex_vector_t previous{complex_t(1.0f, 2.0f)};
    common::load_preamble_ref_iq_vct(LIB_OFDM_STANDARD_TYPE_LTE_DL, previous, dir);
    EXPECT_EQ(previous, (complex_vector_t{complex_t(1.0f, 2.0f)}));
    EXPECT_TRUE(out.text().empty());
    EXPECT_TRUE(log.records().empty());
    // A junk token ends the data with a warning.
    EXPECT_EQ(read_pilot("1,2,abc,3,4"), (complex_vector_t{complex_t(1.0f, 2.0f)}));
    EXPECT_EQ(read_pilot("5,6;7,8"), (complex_vector_t{complex_t(5.0f, 6.0f)}));  // glued junk
    ASSERT_EQ(log.records().size(), 2u);
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_WARN);
    EXPECT_NE(log.records()[0].message.find("\"abc\""), std::string::npos) << log.records()[0].message;
    EXPECT_NE(log.records()[1].message.find("\";7\""), std::string::npos) << log.records()[1].message;
    // Map files read integers as "%d" does: a fraction ends the data at its point.
    write_file(dir + "/wlan54Mbps/remap", "-7 +8 1.5 9");
    int_grid_t map;
    EXPECT_TRUE(common::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_WIFI, 2, map, dir));
    EXPECT_EQ(map, (int_grid_t{{-7, 8}, {1}}));
}

TEST_F(ReferenceFiles, VectorLimitKeepsTheFirst100000NumbersAndReportsOnce) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += std::to_string(i % 7) + ",";
    EXPECT_EQ(read_pilot(text).size(), 50000u);
    EXPECT_TRUE(log.records().empty());  // exactly at the limit: accepted silently
    report_capture_t out;
    const complex_vector_t values = read_pilot(text + "8\n9\n");
    ASSERT_EQ(values.size(), 50000u);
    EXPECT_EQ(values.back(), complex_t(static_cast<float>(99998 % 7), static_cast<float>(99999 % 7)));
    EXPECT_EQ(out.text(), "Too many data, input pilot_ref_data fail!\n");
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].message, "Too many data, input pilot_ref_data fail! Max is 100000");
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_ERROR);
}

TEST_F(ReferenceFiles, MapFilesAreCutIntoRowsAndMissingOnesRefusedWithTheirPath) {
    write_file(dir + "/lteDL/lteReMap", "0,1,2,3,4,0,1,2,3,4");
    int_grid_t map{{7}};
    ASSERT_TRUE(common::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, map, dir));
    EXPECT_EQ(map, (int_grid_t{{0, 1, 2, 3}, {4, 0, 1, 2}, {3, 4}}));
    // The closing row is always appended, even when it is empty.
    write_file(dir + "/lteDL/lteReMod", "-1 2\n4 6\n");
    ASSERT_TRUE(common::load_resource_mod_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 2, map, dir));
    EXPECT_EQ(map, (int_grid_t{{-1, 2}, {4, 6}, {}}));
    // A width that cannot cut rows leaves everything in the closing row instead of looping.
    ASSERT_TRUE(common::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 0, map, dir));
    EXPECT_EQ(map, (int_grid_t{{0, 1, 2, 3, 4, 0, 1, 2, 3, 4}}));

    EXPECT_FALSE(common::load_resource_mod_file(LIB_OFDM_STANDARD_TYPE_LTE_UL, 4, map, dir));
    EXPECT_EQ(map, (int_grid_t{{0, 1, 2, 3, 4, 0, 1, 2, 3, 4}}));
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].message, "Open resource_mod_matrix file error. file_addr is " + dir + "/lteUL/remod");
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_ERROR);
}

// Each preset reading its own files is pinned by the presets' reference sizes and maps; a
// standard the readers do not know reads the WLAN files.
TEST_F(ReferenceFiles, AnUnknownStandardReadsTheWlanFiles) {
    const auto unknown = static_cast<lib_ofdm_standard_type_t>(7);
    const char* names[] = {"Pilot", "Preamble", "remap", "remod"};
    for (int k = 0; k < 4; ++k) write_file(dir + "/wlan54Mbps/" + names[k], std::to_string(k + 1));
    complex_vector_t pilot, preamble;
    int_grid_t map, mod;
    common::load_pilot_ref_iq_vct(unknown, pilot, dir);
    common::load_preamble_ref_iq_vct(unknown, preamble, dir);
    ASSERT_TRUE(common::load_reasource_map_file(unknown, 1, map, dir));
    ASSERT_TRUE(common::load_resource_mod_file(unknown, 1, mod, dir));
    EXPECT_EQ(pilot, (complex_vector_t{complex_t(1.0f, 0.0f)}));
    EXPECT_EQ(preamble, (complex_vector_t{complex_t(2.0f, 0.0f)}));
    EXPECT_EQ(map[0], (std::vector<int>{3}));
    EXPECT_EQ(mod[0], (std::vector<int>{4}));
}

using groups_t = std::vector<std::vector<int>>;
constexpr int E = LIB_OFDM_RESOURCE_FLAG_NONE;
constexpr int D = LIB_OFDM_RESOURCE_FLAG_DATA;
constexpr int P = LIB_OFDM_RESOURCE_FLAG_PILOT;
constexpr int A = LIB_OFDM_RESOURCE_FLAG_PREAMBLE;

void paint(lib_ofdm_resource_flag_t type, const groups_t& symbols, const groups_t& columns, int_grid_t& map) {
    common::ofdm_resource_mapping_to_map(type, symbols, columns, map);
}

TEST(ResourcePainting, PreambleOverPilotOverDataOverEmpty) {
    int_grid_t map(2, std::vector<int>(4, E));
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{0}}, {{1}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1}}, {{0, 1, 2}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, P, D, E}, {D, D, D, E}}));
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{1}}, {{0, 3}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0}}, {{1, 2}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1}}, {{0, 1, 2, 3}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{0}}, {{1, 2}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, A, A, D}, {P, D, D, P}}));
    // Mismatched group counts paint nothing; cells outside the map are skipped.
    paint(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0}, {1}}, {{0, 1}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{1, -1, 7}}, {{-5, 3, 9}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, A, A, D}, {P, D, D, A}}));

    // Modulation levels come from data entries only; later ones win.
    int_grid_t mod(2, std::vector<int>(3, LIB_OFDM_MOD_LEVEL_NONE));
    common::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1}}, {{0, 1, 2}}, LIB_OFDM_MOD_LEVEL_64QAM, mod);
    common::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_DATA, {{0}}, {{1, 2}}, LIB_OFDM_MOD_LEVEL_BPSK, mod);
    common::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_PILOT, {{0, 1}}, {{0}}, LIB_OFDM_MOD_LEVEL_QPSK, mod);
    EXPECT_EQ(mod, (int_grid_t{{6, 1, 1}, {6, 6, 6}}));
}

// A file-based map of N = 8, guards 2 / 1 and 3 symbols must hold 3 full rows.
TEST_F(ReferenceFiles, MapFileThatCannotFillEverySymbolIsRefused) {
    lib_ofdm_resource_map_manager_t map;
    map.set_load_address(dir);
    map.set_fft_length(8);
    map.set_guard_low_subcarr(2);
    map.set_guard_up_subcarr(1);
    map.set_analy_symbol_num(3);
    map.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    map.set_use_ui_map(false);
    map.set_include_gurad_sub_carr(false);
    std::string text;  // one value short of three rows of 8 - 2 - 1 = 5
    for (int i = 0; i < 14; ++i) text += "0 ";
    write_file(dir + "/lteDL/lteReMap", text);
    EXPECT_FALSE(map.generate_resource_map());
    EXPECT_FALSE(map.is_resource_map_valid());
    EXPECT_TRUE(map.get_resource_map().empty());
    EXPECT_EQ(log.records().size(), 1u);
    write_file(dir + "/lteDL/lteReMap", text + "0");
    EXPECT_TRUE(map.generate_resource_map());
}

const complex_t z(0.0f, 0.0f);
complex_t c(float re, float im = 0.0f) { return {re, im}; }

class RefResourceData : public ::testing::Test {
protected:
    // 3 symbols x 4 bins: preambles at (0, 1) and (0, 2), pilots at (0, 2), (1, 0), (1, 3) and
    // (2, 2); the cell marked in both maps is a pilot.
    void SetUp() override {
        builder.set_resource_map_manager(int_grid_t(3, std::vector<int>(4, 4)));
        builder.set_preamble_index_map({{false, true, true, false}, {false, false, false, false}, {false, false, false, false}});
        builder.set_pilot_index_map({{false, false, true, false}, {true, false, false, true}, {false, false, true, false}});
        builder.set_preamble_ref_iq_vct({c(10), c(11), c(12)});
        builder.set_pilot_ref_iq_vct({c(0, 1), c(0, 2), c(0, 3), c(0, 4), c(0, 5)});
    }

    lib_ofdm_ref_resource_data_vct_manager_t builder;
    vek::test::log_capture_t log;
};

TEST_F(RefResourceData, ValuesAreConsumedInOrderAndExhaustedVectorsFail) {
    ASSERT_TRUE(builder.generate_ref_resource_data());
    EXPECT_EQ(builder.get_ref_resource_data(),
              (cell_grid_t{{z, c(10), c(0, 1), z}, {c(0, 2), z, z, c(0, 3)}, {z, z, c(0, 4), z}}));
    EXPECT_TRUE(log.records().empty());

    builder.set_pilot_ref_iq_vct({c(0, 1), c(0, 2), c(0, 3)});  // one short
    report_capture_t out;
    EXPECT_FALSE(builder.generate_ref_resource_data());
    EXPECT_FALSE(builder.is_ref_resource_data_valid());
    // Everything before the failing cell is filled.
    EXPECT_EQ(builder.get_ref_resource_data(),
              (cell_grid_t{{z, c(10), c(0, 1), z}, {c(0, 2), z, z, c(0, 3)}, {z, z, z, z}}));
    EXPECT_EQ(out.text(), "pilot_ref_iq_vct and m_pilot_index_map is not equal\n");
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_WARN);
    EXPECT_EQ(log.records()[0].message,
              "pilot_ref_iq_vct 3 and m_pilot_index_map is not equal , generate_ref_resource_data fail");

    builder.set_preamble_ref_iq_vct({});
    out.clear();
    EXPECT_FALSE(builder.generate_ref_resource_data());
    EXPECT_EQ(out.text(),
              "m_preamble_ref_iq_vct and m_preamble_index_map is not equal 0\nm_preamble_ref_iq_vct size is 0\n");
}

}  // namespace
