// Settings XML: the presets and an edited frame saved and recalled into fresh holders, the written
// texts checked literally, the 10-entry and 10-group limits, missing and refused values, and the
// exception a malformed list raises.
#include <pugixml.hpp>

#include <stdexcept>
#include <string>
#include <vector>

#include "settings_fixture.hpp"

using namespace vek::ofdm_demod_lib;
using vek::test::expect_same_saved_fields;
using vek::test::holder_on_data_dir;
using vek::test::preset_holder;

namespace {

class SettingsXml : public vek::test::settings_test_t {
protected:
    // Saves the holder into a fresh document and returns the node holding the settings.
    pugi::xml_node save(const cfg_ofdm_t& holder) {
        pugi::xml_node node = doc.append_child("settings");
        EXPECT_TRUE(holder.save_ofdm_setting(node));
        return node;
    }
    pugi::xml_node format() { return doc.child("settings").child("cfg_ofdm_demod").child("format"); }
    pugi::xml_node demod() { return doc.child("settings").child("cfg_ofdm_demod"); }

    pugi::xml_document doc;
};

std::vector<std::string> child_names(const pugi::xml_node& node) {
    std::vector<std::string> names;
    for (const pugi::xml_node& child : node.children()) names.emplace_back(child.name());
    return names;
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

}  // namespace

TEST_F(SettingsXml, EachPresetComesBackIntoAFreshHolder) {
    for (const auto standard : {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL, LIB_OFDM_STANDARD_TYPE_LTE_UL}) {
        SCOPED_TRACE(static_cast<int>(standard));
        doc.reset();
        const cfg_ofdm_t saved = preset_holder(standard);
        pugi::xml_node node = save(saved);

        cfg_ofdm_t recalled = holder_on_data_dir();
        ASSERT_TRUE(recalled.recall_ofdm_setting(node));
        expect_same_saved_fields(saved.get_config_manager(), recalled.get_config_manager());
        // The derived layout and the reference vectors follow: the recalled frame is the preset.
        EXPECT_EQ(recalled.get_cp_length_per_sym_vct(), saved.get_cp_length_per_sym_vct());
        EXPECT_EQ(recalled.get_interval_per_sym_vct(), saved.get_interval_per_sym_vct());
        EXPECT_EQ(recalled.get_fft_advance(), saved.get_fft_advance());
        EXPECT_EQ(recalled.get_preamble_ref_iq_vct(), saved.get_preamble_ref_iq_vct());
        EXPECT_EQ(recalled.get_pilot_ref_iq_vct(), saved.get_pilot_ref_iq_vct());
    }
}

TEST_F(SettingsXml, AnEditedFrameComesBackFieldByField) {
    cfg_ofdm_t saved = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(saved.set_system_sample_rate(40e6f));
    ASSERT_TRUE(saved.set_half_subcarrier_shift(true));
    ASSERT_TRUE(saved.set_guard_interval_per_symbol({0.25f, 0.125f, 0.0625f}));
    ASSERT_TRUE(saved.set_guard_interval_repeat_index(2));
    ASSERT_TRUE(saved.set_time_gaps({0, 3, 7}));
    ASSERT_TRUE(saved.set_time_gaps_repeat_index(3));
    ASSERT_TRUE(saved.set_dft_spread(true));
    ASSERT_TRUE(saved.set_transmitter_window_beta(0.1f));
    ASSERT_TRUE(saved.set_preamble_repeat_index(3));
    ASSERT_TRUE(saved.set_pilot_repeat_index(-2));
    ASSERT_TRUE(saved.set_analy_symbol_num(40));
    ASSERT_TRUE(saved.set_resource_mapping_vct({entry("P1", {{0, 1}, {5, 7, 9}}, {{-21, 7}, {-3, 3}}),
                                                entry("", {{2}}, {{1, 2, 3}})}));
    ASSERT_TRUE(saved.set_user_boosting(-3.5f));
    lib_ofdm_eq_info_t eq;
    eq.equalizer_use_preamble = false;
    eq.equalizer_use_pilot = true;
    eq.equalizer_use_dc_pilot = true;
    eq.equalizer_use_data = true;
    eq.equalizer_averaging_mode = 2;
    eq.initial_equalizer_mode = 1;
    eq.initial_equalizer_symbols = 3;
    ASSERT_TRUE(saved.set_equalizer(eq));
    lib_ofdm_track_info_t track;
    track.inclulde_data_subcarriers = true;
    track.track_amplitude = false;
    track.track_phase = true;
    track.track_timing = true;
    ASSERT_TRUE(saved.set_tracking(track));
    lib_ofdm_filter_info_t filter;
    filter.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {0.5f, -0.25f, 0.125f};
    filter.arb_coefficients_sample_ratio = 2.0f;
    filter.ws_auto_length = true;
    filter.ws_length = 33;
    filter.ws_window = LIB_OFDM_FILTER_WINDOWED_SINC_WINDOW_HAMMING;
    filter.ws_pass_bandwidth = 0.8f;
    filter.ws_transition_bandwidth = 0.1f;
    ASSERT_TRUE(saved.set_filter(filter));
    ASSERT_TRUE(saved.set_symbol_timing_adjustment(-12.5f));
    ASSERT_TRUE(saved.set_synchronization_mode(LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX));
    ASSERT_TRUE(saved.set_meas_symbol_num(30));
    ASSERT_TRUE(saved.set_meas_symbol_offset(4));

    pugi::xml_node node = save(saved);
    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.recall_ofdm_setting(node));
    expect_same_saved_fields(saved.get_config_manager(), recalled.get_config_manager());
    EXPECT_EQ(recalled.get_guard_interval_repeat_index(), 2);
    EXPECT_EQ(recalled.get_time_gaps_repeat_index(), 3);
    EXPECT_EQ(recalled.get_resource_mapping_vct()[1].name, "");
    EXPECT_EQ(recalled.get_filter().arb_coefficients, (std::vector<float>{0.5f, -0.25f, 0.125f}));
}

TEST_F(SettingsXml, WritesTheLayoutAndTextsLiterally) {
    const cfg_ofdm_t wlan = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    const pugi::xml_node node = save(wlan);

    EXPECT_STREQ(node.attribute("ProtocolType").value(), "PLIB_PROTOCOL_OFDM");
    std::vector<std::string> top = {"format"};
    for (std::size_t n = 1; n <= wlan.get_resource_mapping_vct().size(); ++n) top.push_back("resource_mapping" + std::to_string(n));
    for (const char* name : {"boosting", "equalizer_tracking", "filter", "advanced", "time"}) top.emplace_back(name);
    EXPECT_EQ(child_names(demod()), top);
    EXPECT_EQ(child_names(format()),
              (std::vector<std::string>{"standard", "system_sample_rate", "fft_length", "guard_low_subcarr",
                                        "guard_up_subcarr", "half_subcarrier_shift", "guard_interval_per_symbol",
                                        "guard_interval_repeat_index", "time_gaps", "time_gaps_repeat_index",
                                        "dft_spread", "transmitter_window_beta", "preamble_repeat_index",
                                        "pilot_repeat_index"}));
    EXPECT_EQ(child_names(demod().child("equalizer_tracking")),
              (std::vector<std::string>{"equalizer_use_preamble", "equalizer_use_pilot", "equalizer_use_dc_pilot",
                                        "equalizer_use_data", "equalizer_averaging_mode", "initial_equalizer_mode",
                                        "initial_equalizer_symbols", "inclulde_data_subcarriers", "track_amplitude",
                                        "track_phase", "track_timing"}));
    EXPECT_EQ(child_names(demod().child("filter")),
              (std::vector<std::string>{"selection", "arb_coefficients", "arb_coefficients_sample_ratio",
                                        "ws_auto_length", "ws_length", "ws_window", "ws_pass_bandwidth",
                                        "ws_transition_bandwidth"}));
    EXPECT_EQ(child_names(demod().child("advanced")),
              (std::vector<std::string>{"symbol_timing_adjustment", "synchronization_mode"}));
    EXPECT_EQ(child_names(demod().child("time")),
              (std::vector<std::string>{"analy_symbol_num", "meas_symbol_num", "meas_symbol_offset"}));

    EXPECT_STREQ(format().child_value("standard"), "0");
    EXPECT_STREQ(format().child_value("system_sample_rate"), "20000000");
    EXPECT_STREQ(format().child_value("fft_length"), "64");
    EXPECT_STREQ(format().child_value("half_subcarrier_shift"), "false");
    EXPECT_STREQ(format().child_value("guard_interval_per_symbol"), "0.250000,");
    EXPECT_STREQ(format().child_value("guard_interval_repeat_index"), "1");  // manager's 0, plus one
    EXPECT_STREQ(format().child_value("time_gaps"), "0,");
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
    EXPECT_EQ(child_names(data1),
              (std::vector<std::string>{"resource_mapping_name", "resource_mapping_type", "resource_mapping_symbol_set1",
                                        "resource_mapping_subcarrier_set1", "resource_mapping_modulation",
                                        "resource_mapping_boost_level"}));
    EXPECT_STREQ(data1.child_value("resource_mapping_boost_level"), "1");

    // Saving again appends a second subtree rather than replacing the first.
    pugi::xml_node again = doc.child("settings");
    EXPECT_TRUE(wlan.save_ofdm_setting(again));
    int subtrees = 0;
    for (const pugi::xml_node& child : again.children("cfg_ofdm_demod")) {
        (void)child;
        ++subtrees;
    }
    EXPECT_EQ(subtrees, 2);
}

TEST_F(SettingsXml, AnyFloatTextThatReadsBackToTheSameFloatIsAccepted) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    save(holder);
    format().child("transmitter_window_beta").text().set("0.005");
    format().child("guard_interval_per_symbol").text().set("0.25,0.125");  // no trailing comma
    format().child("time_gaps").text().set("0,2.9,");                       // truncated toward zero
    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    EXPECT_EQ(recalled.get_transmitter_window_beta(), 0.005f);
    EXPECT_EQ(recalled.get_guard_interval_per_symbol(), (std::vector<float>{0.25f, 0.125f}));
    EXPECT_EQ(recalled.get_time_gaps(), (std::vector<int>{0, 2}));
}

TEST_F(SettingsXml, ElevenEntriesAreSavedButTenRecalled) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    std::vector<lib_ofdm_res_info_t> entries;
    for (int i = 0; i < 11; ++i) entries.push_back(entry("E" + std::to_string(i + 1), {{i}}, {{i + 1}}));
    ASSERT_TRUE(holder.set_resource_mapping_vct(entries));
    save(holder);
    EXPECT_TRUE(demod().child("resource_mapping11"));
    EXPECT_FALSE(demod().child("resource_mapping12"));

    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    const auto& back = recalled.get_resource_mapping_vct();
    ASSERT_EQ(back.size(), 10u);
    EXPECT_EQ(back.back().name, "E10");
    EXPECT_EQ(back.back().symbol_set, (std::vector<std::vector<int>>{{9}}));
}

TEST_F(SettingsXml, ElevenGroupsAreSavedButTenRecalledAndAGapEndsTheGroups) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    std::vector<std::vector<int>> groups;
    for (int k = 0; k < 11; ++k) groups.push_back({k});
    ASSERT_TRUE(holder.set_resource_mapping_vct({entry("G", groups, groups), entry("H", groups, groups)}));
    save(holder);
    EXPECT_TRUE(demod().child("resource_mapping1").child("resource_mapping_symbol_set11"));
    // Removing group 3 of the second entry hides groups 4 and later too.
    demod().child("resource_mapping2").remove_child("resource_mapping_subcarrier_set3");

    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    const auto& back = recalled.get_resource_mapping_vct();
    ASSERT_EQ(back.size(), 2u);
    groups.pop_back();
    EXPECT_EQ(back[0].symbol_set, groups);
    EXPECT_EQ(back[0].subcarrier_set, groups);
    EXPECT_EQ(back[1].symbol_set, groups);
    EXPECT_EQ(back[1].subcarrier_set, (std::vector<std::vector<int>>{{0}, {1}}));
}

TEST_F(SettingsXml, AMalformedListThrowsAndKeepsWhatWasAppliedBefore) {
    const cfg_ofdm_t lte = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    save(lte);
    format().child("guard_interval_per_symbol").text().set("0.078125,abc,");
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    try {
        holder.recall_ofdm_setting(doc.child("settings"));
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "stod");
    }
    // The standard and FFT length before the list are applied; nothing after it is.
    EXPECT_EQ(holder.get_standard(), LIB_OFDM_STANDARD_TYPE_LTE_DL);
    EXPECT_EQ(holder.get_fft_length(), 512);

    format().child("guard_interval_per_symbol").text().set("0.078125,");
    demod().child("resource_mapping1").child("resource_mapping_symbol_set1").text().set("0,x1,");
    EXPECT_THROW(holder.recall_ofdm_setting(doc.child("settings")), std::invalid_argument);
    demod().child("resource_mapping1").child("resource_mapping_symbol_set1").text().set("0,99999999999,");
    try {
        holder.recall_ofdm_setting(doc.child("settings"));
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "stoi");
    }
    demod().child("resource_mapping1").child("resource_mapping_symbol_set1").text().set("0,");
    format().child("time_gaps").text().set("0,,");
    EXPECT_THROW(holder.recall_ofdm_setting(doc.child("settings")), std::invalid_argument);
    format().child("time_gaps").text().set("1e30,");
    EXPECT_THROW(holder.recall_ofdm_setting(doc.child("settings")), std::out_of_range);
    format().child("time_gaps").text().set("0,");
    demod().child("filter").child("arb_coefficients").text().set("1e300,");
    EXPECT_THROW(holder.recall_ofdm_setting(doc.child("settings")), std::out_of_range);
}

TEST_F(SettingsXml, WithoutTheSettingsElementNothingChanges) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    const cfg_ofdm_t before = holder;
    pugi::xml_node empty = doc.append_child("settings");
    empty.append_child("format").append_child("standard").text().set(0);
    EXPECT_FALSE(holder.recall_ofdm_setting(empty));
    EXPECT_EQ(holder.get_standard(), LIB_OFDM_STANDARD_TYPE_LTE_UL);
    expect_same_saved_fields(before.get_config_manager(), holder.get_config_manager());
}

TEST_F(SettingsXml, MissingAndRefusedValuesKeepThePresetsValue) {
    cfg_ofdm_t edited = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(edited.set_guard_low_subcarr(4));
    save(edited);
    format().remove_child("fft_length");                   // set_fft_length(0): refused
    format().remove_child("guard_low_subcarr");            // 0 is a valid guard: applied
    format().remove_child("guard_interval_repeat_index");  // -1: refused
    format().child("guard_interval_per_symbol").text().set("0.100000,");  // 6.4 samples: refused
    demod().child("advanced").child("symbol_timing_adjustment").text().set("99");  // beyond 25 %: refused
    demod().child("time").child("meas_symbol_offset").text().set("1");  // 64 + 1 > 64 symbols: refused

    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_UL));
    out.clear();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    EXPECT_TRUE(out.contains("input fft_length is out range"));
    EXPECT_EQ(recalled.get_fft_length(), 64);
    EXPECT_EQ(recalled.get_guard_low_subcarr(), 0);
    EXPECT_EQ(recalled.get_guard_interval_per_symbol(), (std::vector<float>{0.25f}));
    EXPECT_EQ(recalled.get_guard_interval_repeat_index(), 1);
    EXPECT_EQ(recalled.get_symbol_timing_adjustment(), edited.get_symbol_timing_adjustment());
    EXPECT_EQ(recalled.get_meas_symbol_offset(), 0);
}

TEST_F(SettingsXml, SixDecimalGuardIntervalsOfLteAreRefusedOnRecall) {
    cfg_ofdm_t lte = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    // An edited LTE list: the 0.0703125 symbols (36 of 512 samples) cannot survive six decimals.
    ASSERT_TRUE(lte.set_guard_interval_per_symbol({0.078125f, 0.0703125f, 0.0703125f}));
    save(lte);
    const std::string text = format().child_value("guard_interval_per_symbol");
    EXPECT_TRUE(text == "0.078125,0.070312,0.070312," || text == "0.078125,0.070313,0.070313,") << text;

    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    EXPECT_EQ(recalled.get_guard_interval_per_symbol(), preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL).get_guard_interval_per_symbol());
}

TEST_F(SettingsXml, EntriesAreCleanedAgainstThePresetsSymbolCountBeforeTheTimeSectionIsRead) {
    // The entries are recalled before "time", so they meet the preset's 64 WLAN symbols: indices
    // 64 and above of a longer frame are dropped even though the frame comes back with 100.
    cfg_ofdm_t saved = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(saved.set_analy_symbol_num(100));
    ASSERT_TRUE(saved.set_resource_mapping_vct({entry("Long", {{10, 63, 64, 99}}, {{1}})}));
    ASSERT_EQ(saved.get_resource_mapping_vct()[0].symbol_set, (std::vector<std::vector<int>>{{10, 63, 64, 99}}));
    save(saved);

    cfg_ofdm_t recalled = holder_on_data_dir();
    ASSERT_TRUE(recalled.recall_ofdm_setting(doc.child("settings")));
    EXPECT_EQ(recalled.get_analy_symbol_num(), 100);
    EXPECT_EQ(recalled.get_resource_mapping_vct()[0].symbol_set, (std::vector<std::vector<int>>{{10, 63}}));
}
