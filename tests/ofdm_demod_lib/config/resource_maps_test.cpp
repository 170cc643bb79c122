// Painting entries into the resource and modulation maps, and the two map builders: generation
// from entries and from files (with the guard-band widening), invalidation, equality and copying.
#include <gtest/gtest.h>

#include <string>

#include "log_capture.hpp"
#include "scratch_dir.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_map_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_mod_map_manager.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using vek::test::write_file;

namespace {

using groups_t = std::vector<std::vector<int>>;
constexpr int E = LIB_OFDM_RESOURCE_FLAG_NONE;
constexpr int D = LIB_OFDM_RESOURCE_FLAG_DATA;
constexpr int P = LIB_OFDM_RESOURCE_FLAG_PILOT;
constexpr int A = LIB_OFDM_RESOURCE_FLAG_PREAMBLE;

void paint(lib_ofdm_resource_flag_t type, const groups_t& symbols, const groups_t& columns, int_grid_t& map) {
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_map(type, symbols, columns, map);
}

TEST(ResourcePainting, EntryWithMismatchedOrNoGroupsPaintsNothing) {
    int_grid_t map(3, std::vector<int>(4, E));
    const int_grid_t empty = map;
    paint(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0}, {1}}, {{0, 1}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {}, {}, map);
    EXPECT_EQ(map, empty);
}

TEST(ResourcePainting, PreambleOverPilotOverDataOverEmpty) {
    // Pilot first, data second: the pilot cells stay pilots.
    int_grid_t map(2, std::vector<int>(4, E));
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{0}}, {{1}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1}}, {{0, 1, 2}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, P, D, E}, {D, D, D, E}}));
    // Pilot after data overwrites the data code; preamble overwrites everything; data never
    // overwrites a known cell.
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{1}}, {{0, 3}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, P, D, E}, {P, D, D, P}}));
    paint(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0}}, {{1, 2}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1}}, {{0, 1, 2, 3}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{0}}, {{1, 2}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, A, A, D}, {P, D, D, P}}));
    // The reserved type and unknown codes write nothing; a pilot leaves a reserved cell alone.
    map[1][1] = LIB_OFDM_RESOURCE_FLAG_RESERVED;
    paint(LIB_OFDM_RESOURCE_FLAG_RESERVED, {{0, 1}}, {{0, 1, 2, 3}}, map);
    paint(static_cast<lib_ofdm_resource_flag_t>(9), {{0, 1}}, {{0, 1, 2, 3}}, map);
    paint(LIB_OFDM_RESOURCE_FLAG_PILOT, {{1}}, {{1}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, A, A, D}, {P, 2, D, P}}));
}

TEST(ResourcePainting, GroupsPairSymbolsWithTheirOwnColumnsAndSkipCellsOutsideTheMap) {
    int_grid_t map(3, std::vector<int>(3, E));
    map[2].resize(1, E);  // a short row: its missing columns are outside the map
    paint(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, -1, 7}, {1, 2}}, {{0, -5, 3}, {2, 1}}, map);
    EXPECT_EQ(map, (int_grid_t{{D, E, E}, {E, D, D}, {E}}));
}

TEST(ResourcePainting, ModulationMapTakesLevelsOfDataEntriesOnlyLaterOnesWin) {
    int_grid_t mod(2, std::vector<int>(3, LIB_OFDM_MOD_LEVEL_NONE));
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1}}, {{0, 1, 2}},
                                                              LIB_OFDM_MOD_LEVEL_64QAM, mod);
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_DATA, {{0}}, {{1, 2}},
                                                              LIB_OFDM_MOD_LEVEL_BPSK, mod);
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_PILOT, {{0, 1}}, {{0}},
                                                              LIB_OFDM_MOD_LEVEL_QPSK, mod);
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_mod_map(LIB_OFDM_RESOURCE_FLAG_DATA, {{1}, {0}}, {{0}},
                                                              LIB_OFDM_MOD_LEVEL_QPSK, mod);
    EXPECT_EQ(mod, (int_grid_t{{6, 1, 1}, {6, 6, 6}}));
}

lib_ofdm_res_info_t entry(lib_ofdm_resource_flag_t type, groups_t symbols, groups_t subcarriers,
                          lib_ofdm_mod_level_t level = LIB_OFDM_MOD_LEVEL_NONE) {
    lib_ofdm_res_info_t e;
    e.name = "e";
    e.type = type;
    e.symbol_set = std::move(symbols);
    e.subcarrier_set = std::move(subcarriers);
    e.modulation = level;
    e.boost_level = 1.0f;
    return e;
}

class MapBuilders : public ::testing::Test {
protected:
    void SetUp() override { dir = vek::test::scratch_dir_for_current_test().string(); }

    // A small frame: N = 8 (columns 0 ... 7, DC at 4), guards 2 / 1, 3 symbols.
    template <typename Builder>
    void small_frame(Builder& b) {
        b.set_load_address(dir);
        b.set_fft_length(8);
        b.set_guard_low_subcarr(2);
        b.set_guard_up_subcarr(1);
        b.set_analy_symbol_num(3);
        b.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_DL);
        b.set_resource_mapping_vct({entry(LIB_OFDM_RESOURCE_FLAG_DATA, {{0, 1, 2}}, {{-2, -1, 1, 2}}, LIB_OFDM_MOD_LEVEL_16QAM),
                                    entry(LIB_OFDM_RESOURCE_FLAG_PILOT, {{1}}, {{-1}}),
                                    entry(LIB_OFDM_RESOURCE_FLAG_PREAMBLE, {{0}}, {{-2, 0, 2}})});
    }

    std::string dir;
    vek::test::log_capture_t log;
};

TEST_F(MapBuilders, ConstructionAndInitGiveTheDocumentedDefaults) {
    lib_ofdm_resource_map_manager_t map;
    EXPECT_FALSE(map.is_resource_map_valid());
    EXPECT_EQ(map.get_fft_length(), 64);
    EXPECT_EQ(map.get_analy_symbol_num(), 64);
    EXPECT_EQ(map.get_guard_low_subcarr(), 6);
    EXPECT_EQ(map.get_guard_up_subcarr(), 5);
    EXPECT_TRUE(map.get_use_ui_map());
    EXPECT_TRUE(map.get_include_gurad_sub_carr());
    EXPECT_EQ(map.get_standard(), LIB_OFDM_STANDARD_TYPE_WIFI);
    EXPECT_EQ(map.get_resource_mapping_vct().size(), 1u);
    EXPECT_EQ(map.get_resource_map(), (int_grid_t{{0}}));

    // init restores everything but the load address.
    small_frame(map);
    map.set_use_ui_map(false);
    map.init_resource_map();
    EXPECT_EQ(map.get_load_address(), dir);
    EXPECT_FALSE(map == lib_ofdm_resource_map_manager_t());  // differs only in the address
    map.set_load_address("");
    EXPECT_TRUE(map == lib_ofdm_resource_map_manager_t());
}

TEST_F(MapBuilders, EntriesAreStoredAsColumnsOfTheFftLengthSetBeforeThem) {
    lib_ofdm_resource_map_manager_t map;
    map.set_resource_mapping_vct({entry(LIB_OFDM_RESOURCE_FLAG_DATA, {{0}}, {{-26, 0, 26}})});
    EXPECT_EQ(map.get_resource_mapping_vct()[0].subcarrier_set, (groups_t{{6, 32, 58}}));
    map.set_fft_length(512);  // later FFT changes do not move stored columns
    EXPECT_EQ(map.get_resource_mapping_vct()[0].subcarrier_set, (groups_t{{6, 32, 58}}));
    map.set_resource_mapping_vct({entry(LIB_OFDM_RESOURCE_FLAG_DATA, {{0}}, {{-150}})});
    EXPECT_EQ(map.get_resource_mapping_vct()[0].subcarrier_set, (groups_t{{106}}));
}

TEST_F(MapBuilders, GenerationFromEntriesAndInvalidationBySetters) {
    lib_ofdm_resource_map_manager_t map;
    small_frame(map);
    ASSERT_TRUE(map.generate_resource_map());
    EXPECT_TRUE(map.is_resource_map_valid());
    EXPECT_EQ(map.get_resource_map(), (int_grid_t{{E, E, A, D, A, D, A, E}, {E, E, D, P, E, D, D, E}, {E, E, D, D, E, D, D, E}}));

    lib_ofdm_resource_mod_map_manager_t mod;
    small_frame(mod);
    ASSERT_TRUE(mod.generate_resource_mod_map());
    EXPECT_TRUE(mod.is_resource_mod_map_valid());
    // Every cell a data entry covers takes its level, including cells that the map gives to pilots
    // and preambles.
    EXPECT_EQ(mod.get_resource_mod_map(), (int_grid_t{{0, 0, 4, 4, 0, 4, 4, 0}, {0, 0, 4, 4, 0, 4, 4, 0}, {0, 0, 4, 4, 0, 4, 4, 0}}));

    // Each setter clears the valid flag.
    const std::vector<void (*)(lib_ofdm_resource_map_manager_t&)> setters = {
        [](auto& b) { b.set_load_address("x"); },        [](auto& b) { b.set_use_ui_map(true); },
        [](auto& b) { b.set_include_gurad_sub_carr(true); }, [](auto& b) { b.set_guard_low_subcarr(2); },
        [](auto& b) { b.set_guard_up_subcarr(1); },      [](auto& b) { b.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI); },
        [](auto& b) { b.set_fft_length(8); },            [](auto& b) { b.set_analy_symbol_num(3); },
        [](auto& b) { b.set_resource_mapping_vct({}); },
    };
    for (const auto& set : setters) {
        ASSERT_TRUE(map.generate_resource_map());
        set(map);
        EXPECT_FALSE(map.is_resource_map_valid());
    }
    // No entries: every cell empty.
    ASSERT_TRUE(map.generate_resource_map());
    EXPECT_EQ(map.get_resource_map(), int_grid_t(3, std::vector<int>(8, E)));
}

TEST_F(MapBuilders, FileWithGuardBandsIsTakenAsItsFirstSymbolRows) {
    lib_ofdm_resource_map_manager_t map;
    small_frame(map);
    map.set_use_ui_map(false);
    map.set_include_gurad_sub_carr(true);
    write_file(dir + "/lteDL/lteReMap", "4,4,3,0,3,0,3,4\n4,4,0,1,4,0,0,4\n4,4,0,0,4,0,0,4\n");
    ASSERT_TRUE(map.generate_resource_map());
    EXPECT_TRUE(map.is_resource_map_valid());
    EXPECT_EQ(map.get_resource_map(), (int_grid_t{{E, E, A, D, A, D, A, E}, {E, E, D, P, E, D, D, E}, {E, E, D, D, E, D, D, E}}));
}

TEST_F(MapBuilders, FileWithoutGuardBandsIsWidenedWithEmptyCells) {
    lib_ofdm_resource_map_manager_t map;
    small_frame(map);
    map.set_use_ui_map(false);
    map.set_include_gurad_sub_carr(false);
    // W = 8 - 2 - 1 = 5 values per symbol, placed at columns 2 ... 6.
    write_file(dir + "/lteDL/lteReMap", "3,0,3,0,3, 0,1,4,0,0, 0,0,4,0,0");
    ASSERT_TRUE(map.generate_resource_map());
    EXPECT_EQ(map.get_resource_map(), (int_grid_t{{E, E, A, D, A, D, A, E}, {E, E, D, P, E, D, D, E}, {E, E, D, D, E, D, D, E}}));

    lib_ofdm_resource_mod_map_manager_t mod;
    small_frame(mod);
    mod.set_use_ui_map(false);
    mod.set_include_gurad_sub_carr(false);
    write_file(dir + "/lteDL/lteReMod", "4 4 4 4 4\n2 2 2 2 2\n-1 -1 -1 -1 -1\n9 9\n");  // surplus rows ignored
    ASSERT_TRUE(mod.generate_resource_mod_map());
    EXPECT_EQ(mod.get_resource_mod_map(), (int_grid_t{{0, 0, 4, 4, 4, 4, 4, 0}, {0, 0, 2, 2, 2, 2, 2, 0}, {0, 0, -1, -1, -1, -1, -1, 0}}));
}

TEST_F(MapBuilders, FileThatCannotFillEverySymbolFailsWithoutReadingPastIt) {
    lib_ofdm_resource_map_manager_t map;
    small_frame(map);
    map.set_use_ui_map(false);
    for (const bool include : {true, false}) {
        SCOPED_TRACE(include);
        map.set_include_gurad_sub_carr(include);
        const int width = include ? 8 : 5;
        // Two full rows and a third one value short; then only two rows; then an empty file.
        std::string text;
        for (int i = 0; i < 3 * width - 1; ++i) text += "0 ";
        for (const std::string& contents : {text, text.substr(0, text.size() - 2 * (width - 1)), std::string()}) {
            write_file(dir + "/lteDL/lteReMap", contents);
            log.clear();
            EXPECT_FALSE(map.generate_resource_map());
            EXPECT_FALSE(map.is_resource_map_valid());
            EXPECT_TRUE(map.get_resource_map().empty());
            EXPECT_EQ(log.records().size(), 1u);
        }
    }
}

TEST_F(MapBuilders, MissingFileFailsWithTheLoadersMessage) {
    lib_ofdm_resource_mod_map_manager_t mod;
    small_frame(mod);
    mod.set_use_ui_map(false);
    ASSERT_TRUE(mod.get_load_address() == dir);
    EXPECT_FALSE(mod.generate_resource_mod_map());
    EXPECT_FALSE(mod.is_resource_mod_map_valid());
    EXPECT_TRUE(mod.get_resource_mod_map().empty());
    EXPECT_EQ(log.last_message(), "Open resource_mod_matrix file error. file_addr is " + dir + "/lteDL/lteReMod");
}

TEST_F(MapBuilders, EqualityComparesEveryMemberAndCopiesAreEqual) {
    lib_ofdm_resource_map_manager_t a;
    small_frame(a);
    ASSERT_TRUE(a.generate_resource_map());
    const lib_ofdm_resource_map_manager_t copy(a);
    lib_ofdm_resource_map_manager_t assigned;
    assigned = a;
    EXPECT_TRUE(copy == a);
    EXPECT_TRUE(lib_ofdm_resource_map_manager_t::is_equal(assigned, a));

    lib_ofdm_resource_map_manager_t b = a;
    b.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_UL);  // also clears the flag
    EXPECT_TRUE(b != a);
    b = a;
    std::vector<lib_ofdm_res_info_t> entries = a.get_resource_mapping_vct();
    entries[0].boost_level = 2.0f;
    b.set_fft_length(0);  // store columns unshifted so only the boost differs
    b.set_resource_mapping_vct(entries);
    b.set_fft_length(8);
    ASSERT_TRUE(b.generate_resource_map());
    EXPECT_FALSE(b == a);
    entries[0].boost_level = 1.0f;
    b.set_fft_length(0);
    b.set_resource_mapping_vct(entries);
    b.set_fft_length(8);
    ASSERT_TRUE(b.generate_resource_map());
    EXPECT_TRUE(b == a);

    lib_ofdm_resource_mod_map_manager_t m;
    small_frame(m);
    lib_ofdm_resource_mod_map_manager_t n = m;
    EXPECT_TRUE(n == m);
    ASSERT_TRUE(n.generate_resource_mod_map());
    EXPECT_TRUE(n != m);  // the valid flag and the map differ
}

}  // namespace
