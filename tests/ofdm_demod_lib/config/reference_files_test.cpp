// The reference-file readers: accepted number formats, odd counts, empty, missing and malformed
// files, the count limits with their messages, and which file each standard reads.
#include <gtest/gtest.h>

#include <string>

#include "lib_ofdm_number_file.hpp"
#include "log_capture.hpp"
#include "scratch_dir.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using vek::common_lib::report_capture_t;
using vek::test::write_file;

namespace {

class ReferenceFiles : public ::testing::Test {
protected:
    void SetUp() override { dir = vek::test::scratch_dir_for_current_test().string(); }

    complex_vector_t read_pilot(const std::string& text, lib_ofdm_standard_type_t standard = LIB_OFDM_STANDARD_TYPE_WIFI) {
        write_file(dir + "/wlan54Mbps/Pilot", text);
        complex_vector_t out{complex_t(9.0f, 9.0f)};
        lib_ofdm_demod_common_t::load_pilot_ref_iq_vct(standard, out, dir);
        return out;
    }

    std::string dir;
    vek::test::log_capture_t log;
};

TEST_F(ReferenceFiles, CommasBlanksAndLineEndsSeparateInterleavedIq) {
    const complex_vector_t expected{complex_t(1.0f, 0.0f), complex_t(0.0f, 1.0f)};
    EXPECT_EQ(read_pilot("1,0,0,1,"), expected);
    EXPECT_EQ(read_pilot("1\n0\n0\n1\n"), expected);
    EXPECT_EQ(read_pilot(" 1 ,\t0,\r\n0 ,1 ,, "), expected);
    // Each number is read in double precision, then stored as a float.
    EXPECT_EQ(read_pilot("0.1,-2.5e-3"), (complex_vector_t{complex_t(static_cast<float>(0.1), static_cast<float>(-2.5e-3))}));
    EXPECT_TRUE(log.records().empty());
}

TEST_F(ReferenceFiles, OddCountCompletesTheLastValueWithZeroQ) {
    EXPECT_EQ(read_pilot("1 2 3"), (complex_vector_t{complex_t(1.0f, 2.0f), complex_t(3.0f, 0.0f)}));
}

TEST_F(ReferenceFiles, EmptyFileGivesEmptyVectorMissingFileKeepsThePreviousOne) {
    EXPECT_TRUE(read_pilot("").empty());
    EXPECT_TRUE(read_pilot(" ,\n").empty());

    // Missing: nothing reported anywhere, the vector untouched.
    report_capture_t out;
    complex_vector_t previous{complex_t(1.0f, 2.0f)};
    lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(LIB_OFDM_STANDARD_TYPE_LTE_DL, previous, dir);
    EXPECT_EQ(previous, (complex_vector_t{complex_t(1.0f, 2.0f)}));
    EXPECT_TRUE(out.text().empty());
    EXPECT_TRUE(log.records().empty());
}

TEST_F(ReferenceFiles, JunkTokenEndsTheDataWithAWarning) {
    report_capture_t out;
    EXPECT_EQ(read_pilot("1,2,abc,3,4"), (complex_vector_t{complex_t(1.0f, 2.0f)}));
    // A number glued to junk keeps the number; the junk still ends the data.
    EXPECT_EQ(read_pilot("5,6;7,8"), (complex_vector_t{complex_t(5.0f, 6.0f)}));
    EXPECT_TRUE(read_pilot("#1,2").empty());
    EXPECT_TRUE(out.text().empty());
    const auto records = log.records();
    ASSERT_EQ(records.size(), 3u);
    for (const auto& r : records) {
        EXPECT_EQ(r.level, common_log::LOG_LEVEL_WARN);
        EXPECT_EQ(r.function, "load_pilot_ref_iq_vct");
    }
    EXPECT_NE(records[0].message.find("\"abc\""), std::string::npos) << records[0].message;
    EXPECT_NE(records[1].message.find("\";7\""), std::string::npos) << records[1].message;

    // The map readers treat junk the same way.
    write_file(dir + "/wlan54Mbps/remap", "1 2 3 x 4");
    int_grid_t map;
    EXPECT_TRUE(lib_ofdm_demod_common_t::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_WIFI, 2, map, dir));
    EXPECT_EQ(map, (int_grid_t{{1, 2}, {3}}));
}

TEST_F(ReferenceFiles, VectorLimitKeepsTheFirst100000NumbersAndReportsOnce) {
    std::string exact;
    for (int i = 0; i < 100000; ++i) exact += std::to_string(i % 7) + ",";
    {
        report_capture_t out;
        write_file(dir + "/lteUL/Preamble", exact);
        complex_vector_t values;
        lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(LIB_OFDM_STANDARD_TYPE_LTE_UL, values, dir);
        EXPECT_EQ(values.size(), 50000u);
        EXPECT_TRUE(out.text().empty());
        EXPECT_TRUE(log.records().empty());
    }
    const std::string over = exact + "8\n9\n";  // 100 002 numbers
    {
        report_capture_t out;
        write_file(dir + "/lteUL/Preamble", over);
        complex_vector_t values;
        lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(LIB_OFDM_STANDARD_TYPE_LTE_UL, values, dir);
        ASSERT_EQ(values.size(), 50000u);
        EXPECT_EQ(values.back(), complex_t(static_cast<float>(99998 % 7), static_cast<float>(99999 % 7)));
        EXPECT_EQ(out.text(), "Too many data, input preamble_ref_data fail!\n");
        ASSERT_EQ(log.records().size(), 1u);
        EXPECT_EQ(log.records()[0].message, "Too many data, input preamble_ref_data fail! Max is 100000");
        EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_ERROR);
        EXPECT_EQ(log.records()[0].function, "load_preamble_ref_iq_vct");
    }
    log.clear();
    {
        report_capture_t out;
        write_file(dir + "/lteUL/Pilot", over);
        complex_vector_t values;
        lib_ofdm_demod_common_t::load_pilot_ref_iq_vct(LIB_OFDM_STANDARD_TYPE_LTE_UL, values, dir);
        EXPECT_EQ(values.size(), 50000u);
        EXPECT_EQ(out.text(), "Too many data, input pilot_ref_data fail!\n");
        EXPECT_EQ(log.last_message(), "Too many data, input pilot_ref_data fail! Max is 100000");
    }
}

TEST_F(ReferenceFiles, MapFileIsCutIntoRowsOfTheGivenWidth) {
    write_file(dir + "/lteDL/lteReMap", "0,1,2,3,4,0,1,2,3,4");
    int_grid_t map{{7}};
    ASSERT_TRUE(lib_ofdm_demod_common_t::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, map, dir));
    EXPECT_EQ(map, (int_grid_t{{0, 1, 2, 3}, {4, 0, 1, 2}, {3, 4}}));

    // The closing row is always appended, even when it is empty.
    write_file(dir + "/lteDL/lteReMod", "-1 2\n4 6\n");
    ASSERT_TRUE(lib_ofdm_demod_common_t::load_resource_mod_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 2, map, dir));
    EXPECT_EQ(map, (int_grid_t{{-1, 2}, {4, 6}, {}}));
    write_file(dir + "/lteDL/lteReMod", "");
    ASSERT_TRUE(lib_ofdm_demod_common_t::load_resource_mod_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 2, map, dir));
    EXPECT_EQ(map, (int_grid_t{{}}));

    // A width that cannot cut rows leaves everything in the closing row instead of looping.
    write_file(dir + "/lteDL/lteReMap", "1 2 3");
    ASSERT_TRUE(lib_ofdm_demod_common_t::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 0, map, dir));
    EXPECT_EQ(map, (int_grid_t{{1, 2, 3}}));
    EXPECT_TRUE(log.records().empty());
}

TEST_F(ReferenceFiles, MissingMapFileIsRefusedWithItsFullPath) {
    int_grid_t map{{7}};
    EXPECT_FALSE(lib_ofdm_demod_common_t::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, map, dir));
    EXPECT_EQ(map, (int_grid_t{{7}}));
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].message, "Open reasource_map file error. file_addr is " + dir + "/lteDL/lteReMap");
    EXPECT_EQ(log.records()[0].level, common_log::LOG_LEVEL_ERROR);
    EXPECT_EQ(log.records()[0].function, "load_reasource_map_file");

    log.clear();
    report_capture_t out;
    EXPECT_FALSE(lib_ofdm_demod_common_t::load_resource_mod_file(LIB_OFDM_STANDARD_TYPE_LTE_UL, 4, map, dir));
    EXPECT_EQ(log.last_message(), "Open resource_mod_matrix file error. file_addr is " + dir + "/lteUL/remod");
    EXPECT_EQ(log.records()[0].function, "load_resource_mod_file");
    EXPECT_TRUE(out.text().empty());
}

TEST_F(ReferenceFiles, EachStandardReadsItsOwnFilesOthersReadTheWlanOnes) {
    write_file(dir + "/wlan54Mbps/Pilot", "1,0");
    write_file(dir + "/wlan54Mbps/Preamble", "2,0");
    write_file(dir + "/lteDL/ltePilot", "3,0");
    write_file(dir + "/lteDL/ltePreamble", "4,0");
    write_file(dir + "/lteUL/Pilot", "5,0");
    write_file(dir + "/lteUL/Preamble", "6,0");
    write_file(dir + "/wlan54Mbps/remap", "10");
    write_file(dir + "/lteDL/lteReMap", "11");
    write_file(dir + "/lteUL/remap", "12");
    write_file(dir + "/wlan54Mbps/remod", "20");
    write_file(dir + "/lteDL/lteReMod", "21");
    write_file(dir + "/lteUL/remod", "22");

    const auto first_real = [&](auto loader, lib_ofdm_standard_type_t s) {
        complex_vector_t v;
        loader(s, v, dir);
        return v.empty() ? -1.0f : v[0].real();
    };
    const auto first_code = [&](auto loader, lib_ofdm_standard_type_t s) {
        int_grid_t m;
        return loader(s, 1, m, dir) && !m.empty() && !m[0].empty() ? m[0][0] : -1;
    };
    const auto other = static_cast<lib_ofdm_standard_type_t>(7);
    const lib_ofdm_standard_type_t standards[] = {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL,
                                                  LIB_OFDM_STANDARD_TYPE_LTE_UL, other};
    const float pilots[] = {1, 3, 5, 1};
    const float preambles[] = {2, 4, 6, 2};
    const int maps[] = {10, 11, 12, 10};
    const int mods[] = {20, 21, 22, 20};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(first_real(&lib_ofdm_demod_common_t::load_pilot_ref_iq_vct, standards[i]), pilots[i]);
        EXPECT_EQ(first_real(&lib_ofdm_demod_common_t::load_preamble_ref_iq_vct, standards[i]), preambles[i]);
        EXPECT_EQ(first_code(&lib_ofdm_demod_common_t::load_reasource_map_file, standards[i]), maps[i]);
        EXPECT_EQ(first_code(&lib_ofdm_demod_common_t::load_resource_mod_file, standards[i]), mods[i]);
    }
}

TEST_F(ReferenceFiles, JoinedPathIsCutTo99Bytes) {
    // A 90-byte directory + "/lteDL/lteReMap" (15) = 105 bytes: the reader opens the first 99. The
    // scratch tree is too deep for this, so the test works in a short directory of its own.
    const std::string base = vek::test::make_scratch_dir_at("/tmp", "vek_refdata_cut").string();
    ASSERT_LT(base.size(), 80u);
    const std::string long_dir = base + "/" + std::string(89 - base.size(), 'd');
    ASSERT_EQ(long_dir.size(), 90u);
    const std::string joined = long_dir + "/lteDL/lteReMap";
    ASSERT_GT(joined.size(), 99u);
    int_grid_t map;
    EXPECT_FALSE(lib_ofdm_demod_common_t::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, map, long_dir));
    EXPECT_EQ(log.last_message(), "Open reasource_map file error. file_addr is " + joined.substr(0, 99));

    // A file at the cut path is the one read.
    write_file(joined.substr(0, 99), "1 2 3 4");
    ASSERT_TRUE(lib_ofdm_demod_common_t::load_reasource_map_file(LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, map, long_dir));
    EXPECT_EQ(map, (int_grid_t{{1, 2, 3, 4}, {}}));
}

// The map readers share the tokeniser and its limit handling with the vector readers; a 100 000 000
// number file is too large for a unit test, so the limit is exercised on the tokeniser directly.
TEST_F(ReferenceFiles, TokeniserStopsAtItsLimitKeepingTheFirstNumbers) {
    write_file(dir + "/numbers", "1 2 3 4");
    std::vector<int> ints;
    EXPECT_EQ(detail::read_number_file(dir + "/numbers", 3, ints).status, detail::number_file_status_t::too_many);
    EXPECT_EQ(ints, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(detail::read_number_file(dir + "/numbers", 4, ints).status, detail::number_file_status_t::ok);
    EXPECT_EQ(ints.size(), 4u);
    EXPECT_EQ(detail::read_number_file(dir + "/absent", 4, ints).status, detail::number_file_status_t::not_opened);
    // A directory opens on some systems but cannot be read: it counts as not opened.
    EXPECT_EQ(detail::read_number_file(dir, 4, ints).status, detail::number_file_status_t::not_opened);

    // Integers as "%d" reads them: a fraction ends the data at its point, huge values saturate.
    write_file(dir + "/numbers", "-7 +8 99999999999 1.5 9");
    const auto result = detail::read_number_file(dir + "/numbers", 10, ints);
    EXPECT_EQ(result.status, detail::number_file_status_t::junk);
    EXPECT_EQ(result.junk_token, ".5");
    EXPECT_EQ(ints, (std::vector<int>{-7, 8, 2147483647, 1}));
}

}  // namespace
