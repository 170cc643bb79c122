// The settings holder (WLAN start, 1-based repeat indices, whole-sample guard intervals) and its
// XML: presets and an edited frame saved and recalled into fresh holders, written texts checked
// literally, the 10-entry and 10-group limits, missing and refused values, malformed lists.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <stdexcept>
#include <string>
#include <vector>

#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

cfg_ofdm_t holder_on_data_dir() {
    cfg_ofdm_t holder;
    holder.set_load_address(VEK_TEST_DATA_DIR);
    return holder;
}

cfg_ofdm_t preset_holder(lib_ofdm_standard_type_t standard) {
    cfg_ofdm_t holder = holder_on_data_dir();
    EXPECT_TRUE(holder.set_standard(standard));
    return holder;
}

// The managers' full equality (every saved field and everything derived from them). A frame
// without a receive filter never equals itself, so both filters are compared as coefficient lists.
void expect_same_frame(const cfg_ofdm_t& a, const cfg_ofdm_t& b) {
    lib_ofdm_config_manager_t ma = a.get_config_manager(), mb = b.get_config_manager();
    EXPECT_EQ(ma.get_filter().selection, mb.get_filter().selection);
    for (lib_ofdm_config_manager_t* m : {&ma, &mb}) {
        lib_ofdm_filter_info_t f = m->get_filter();
        f.selection = LIB_OFDM_FILTER_SELECTION_ARB;
        EXPECT_TRUE(m->set_filter(f));
    }
    EXPECT_TRUE(ma == mb);
}

lib_ofdm_res_info_t entry(const std::string& name, std::vector<std::vector<int>> symbols,
                          std::vector<std::vector<int>> subcarriers) {
    lib_ofdm_res_info_t e;
    e.name = name;
    e.type = LIB_OFDM_RESOURCE_FLAG_PILOT;
    e.symbol_set = std::move(symbols);
    e.subcarrier_set = std::move(subcarriers);
    e.modulation = LIB_OFDM_MOD_LEVEL_16QAM;
    e.boost_level = 1.41253757f;
    return e;
}

class SettingsXml : public ::testing::Test {
protected:
    pugi::xml_node save(const cfg_ofdm_t& holder) {
        pugi::xml_node node = doc.append_child("settings");
        EXPECT_TRUE(holder.save_ofdm_setting(node));
        return node;
    }
    cfg_ofdm_t recall() {
        cfg_ofdm_t recalled = holder_on_data_dir();
        EXPECT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
        return recalled;
    }
    pugi::xml_node demod() { return doc.child("settings").child("cfg_ofdm_demod"); }
    pugi::xml_node format() { return demod().child("format"); }

    pugi::xml_document doc;
    vek::test::log_capture_t log;
    vek::common_lib::report_capture_t out;
};

TEST_F(SettingsXml, HolderStartsFromWlanAndAddsItsOwnRules) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    holder.reset();
    expect_same_frame(holder, preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI));

    ASSERT_TRUE(holder.set_time_gaps({0, 4}));
    EXPECT_TRUE(holder.set_time_gaps_repeat_index(2));
    EXPECT_EQ(holder.get_config_manager().get_time_gaps_repeat_index(), 1);
    EXPECT_EQ(holder.get_time_gaps_repeat_index(), 2);
    EXPECT_FALSE(holder.set_time_gaps_repeat_index(0));  // manager index -1
    EXPECT_FALSE(holder.set_time_gaps_repeat_index(-2147483647 - 1));
    EXPECT_EQ(holder.get_time_gaps_repeat_index(), 2);
    // Guard intervals must be whole, non-zero sample counts; refused silently.
    out.clear();
    EXPECT_FALSE(holder.set_guard_interval_per_symbol({0.25f, 0.0f}));
    EXPECT_FALSE(holder.set_guard_interval_per_symbol({0.1f}));
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(holder.set_guard_interval_per_symbol({0.25f, 0.125f}));
}

TEST_F(SettingsXml, EachPresetAndAnEditedFrameComeBackIntoAFreshHolder) {
    for (const auto standard : {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL, LIB_OFDM_STANDARD_TYPE_LTE_UL}) {
        SCOPED_TRACE(static_cast<int>(standard));
        doc.reset();
        const cfg_ofdm_t saved = preset_holder(standard);
        save(saved);
        expect_same_frame(saved, recall());
    }
    doc.reset();
    cfg_ofdm_t saved = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(saved.set_system_sample_rate(40e6f));
    ASSERT_TRUE(saved.set_half_subcarrier_shift(true));
    ASSERT_TRUE(saved.set_guard_interval_per_symbol({0.25f, 0.125f, 0.0625f}));
    ASSERT_TRUE(saved.set_guard_interval_repeat_index(2));
    ASSERT_TRUE(saved.set_time_gaps({0, 3, 7}));
    ASSERT_TRUE(saved.set_time_gaps_repeat_index(3));
    ASSERT_TRUE(saved.set_dft_spread(true));
    ASSERT_TRUE(saved.set_pilot_repeat_index(-2));
    ASSERT_TRUE(saved.set_resource_mapping_vct({entry("P1", {{0, 1}, {5, 7, 9}}, {{-21, 7}, {-3, 3}}),
                                                entry("", {{2}}, {{1, 2, 3}})}));
    ASSERT_TRUE(saved.set_user_boosting(-3.5f));
    lib_ofdm_eq_info_t eq;
    eq.equalizer_use_dc_pilot = true;
    eq.equalizer_averaging_mode = 2;
    eq.initial_equalizer_symbols = 3;
    ASSERT_TRUE(saved.set_equalizer(eq));
    lib_ofdm_track_info_t track;
    track.track_timing = true;
    ASSERT_TRUE(saved.set_tracking(track));
    lib_ofdm_filter_info_t filter;
    filter.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {0.5f, -0.25f, 0.125f};
    filter.arb_coefficients_sample_ratio = 2.0f;
    ASSERT_TRUE(saved.set_filter(filter));
    ASSERT_TRUE(saved.set_symbol_timing_adjustment(-12.5f));
    ASSERT_TRUE(saved.set_meas_symbol_num(30));
    ASSERT_TRUE(saved.set_meas_symbol_offset(4));
    save(saved);
    const cfg_ofdm_t recalled = recall();
    EXPECT_TRUE(saved == recalled);
    EXPECT_EQ(recalled.get_filter().arb_coefficients_sample_ratio, 2.0f);
}

TEST_F(SettingsXml, WritesTextsLiterally) {
    const cfg_ofdm_t wlan = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    save(wlan);
    EXPECT_STREQ(doc.child("settings").attribute("ProtocolType").value(), "PLIB_PROTOCOL_OFDM");
    EXPECT_STREQ(format().child_value("system_sample_rate"), "20000000");
    EXPECT_STREQ(format().child_value("half_subcarrier_shift"), "false");
    EXPECT_STREQ(format().child_value("guard_interval_per_symbol"), "0.250000,");
    EXPECT_STREQ(format().child_value("guard_interval_repeat_index"), "1");  // manager's 0, plus one
    EXPECT_STREQ(format().child_value("transmitter_window_beta"), "0.00499999989");
    // "Data1": symbol 4, the 52 used subcarriers -26..-1, 1..26.
    const pugi::xml_node data1 = demod().child("resource_mapping1");
    ASSERT_STREQ(data1.child_value("resource_mapping_name"), "Data1");
    std::string used;
    for (int k = -26; k <= 26; ++k) {
        if (k != 0) used += std::to_string(k) + ",";
    }
    EXPECT_STREQ(data1.child_value("resource_mapping_symbol_set1"), "4,");
    EXPECT_EQ(std::string(data1.child_value("resource_mapping_subcarrier_set1")), used);
}

TEST_F(SettingsXml, AnyFloatTextThatReadsBackToTheSameFloatIsAccepted) {
    save(preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI));
    format().child("transmitter_window_beta").text().set("0.005");
    format().child("guard_interval_per_symbol").text().set("0.25,0.125");  // no trailing comma
    format().child("time_gaps").text().set("0,2.9,");                       // truncated toward zero
    const cfg_ofdm_t recalled = recall();
    EXPECT_EQ(recalled.get_transmitter_window_beta(), 0.005f);
    EXPECT_EQ(recalled.get_guard_interval_per_symbol(), (std::vector<float>{0.25f, 0.125f}));
    EXPECT_EQ(recalled.get_time_gaps(), (std::vector<int>{0, 2}));
}

TEST_F(SettingsXml, ElevenEntriesAndGroupsAreSavedButTenRecalled) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    std::vector<std::vector<int>> groups;
    for (int k = 0; k < 11; ++k) groups.push_back({k});
    std::vector<lib_ofdm_res_info_t> entries;
    for (int i = 0; i < 11; ++i) entries.push_back(entry("E" + std::to_string(i + 1), groups, groups));
    ASSERT_TRUE(holder.set_resource_mapping_vct(entries));
    save(holder);
    EXPECT_TRUE(demod().child("resource_mapping11").child("resource_mapping_symbol_set11"));
    // Removing group 3 of the second entry hides groups 4 and later too.
    demod().child("resource_mapping2").remove_child("resource_mapping_subcarrier_set3");
    const auto back = recall().get_resource_mapping_vct();
    ASSERT_EQ(back.size(), 10u);
    EXPECT_EQ(back.back().name, "E10");
    groups.pop_back();
    EXPECT_EQ(back[0].symbol_set, groups);
    EXPECT_EQ(back[1].subcarrier_set, (std::vector<std::vector<int>>{{0}, {1}}));
}

TEST_F(SettingsXml, AMalformedListThrowsAndKeepsWhatWasAppliedBefore) {
    save(preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL));
    format().child("guard_interval_per_symbol").text().set("0.078125,abc,");
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    EXPECT_THROW(holder.recall_ofdm_setting(doc.child("settings")), std::invalid_argument);
    // The standard and FFT length before the list are applied; nothing after it is.
    EXPECT_EQ(holder.get_standard(), LIB_OFDM_STANDARD_TYPE_LTE_DL);
    EXPECT_EQ(holder.get_fft_length(), 512);
    format().child("guard_interval_per_symbol").text().set("0.078125,");
    demod().child("resource_mapping1").child("resource_mapping_symbol_set1").text().set("0,99999999999,");
    EXPECT_THROW(holder.recall_ofdm_setting(doc.child("settings")), std::out_of_range);
}

TEST_F(SettingsXml, MissingAndRefusedValuesKeepThePresetsValue) {
    cfg_ofdm_t edited = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(edited.set_guard_low_subcarr(4));
    save(edited);
    format().remove_child("fft_length");                   // set_fft_length(0): refused
    format().remove_child("guard_low_subcarr");            // 0 is a valid guard: applied
    format().remove_child("guard_interval_repeat_index");  // -1: refused
    // 6.4 samples: the holder takes only whole samples (the manager alone would accept it).
    format().child("guard_interval_per_symbol").text().set("0.100000,");
    demod().child("time").child("meas_symbol_offset").text().set("1");    // 64 + 1 > 64 symbols: refused
    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_UL));
    out.clear();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    EXPECT_TRUE(out.contains("input fft_length is out range"));
    EXPECT_EQ(recalled.get_fft_length(), 64);
    EXPECT_EQ(recalled.get_guard_low_subcarr(), 0);
    EXPECT_EQ(recalled.get_guard_interval_per_symbol(), (std::vector<float>{0.25f}));
    EXPECT_EQ(recalled.get_guard_interval_repeat_index(), 1);
    EXPECT_EQ(recalled.get_meas_symbol_offset(), 0);
}

TEST_F(SettingsXml, SixDecimalGuardIntervalsOfLteAreRefusedOnRecall) {
    cfg_ofdm_t lte = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    // 0.0703125 (36 of 512 samples) cannot survive six decimals.
    ASSERT_TRUE(lte.set_guard_interval_per_symbol({0.078125f, 0.0703125f, 0.0703125f}));
    save(lte);
    EXPECT_EQ(recall().get_guard_interval_per_symbol(),
              preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL).get_guard_interval_per_symbol());
}

}  // namespace
