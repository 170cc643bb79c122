// The settings holder's own rules on top of the manager: WLAN start, 1-based repeat indices and the
// whole-sample guard-interval check.
#include "settings_fixture.hpp"

using namespace vek::ofdm_demod_lib;
using vek::test::holder_on_data_dir;
using vek::test::preset_holder;

namespace {
class Holder : public vek::test::settings_test_t {};
}  // namespace

TEST_F(Holder, StartsFromTheWlanPresetAndResetReturnsToIt) {
    const cfg_ofdm_t fresh;
    lib_ofdm_config_manager_t wlan;
    EXPECT_TRUE(wlan.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI));
    vek::test::expect_same_saved_fields(fresh.get_config_manager(), wlan);

    cfg_ofdm_t edited = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_UL);
    const cfg_ofdm_t wlan_on_data = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    edited.reset();
    EXPECT_EQ(edited.get_standard(), LIB_OFDM_STANDARD_TYPE_WIFI);
    vek::test::expect_same_saved_fields(edited.get_config_manager(), wlan_on_data.get_config_manager());
    EXPECT_EQ(edited.get_pilot_ref_iq_vct(), wlan_on_data.get_pilot_ref_iq_vct());
    EXPECT_EQ(edited.get_load_address(), VEK_TEST_DATA_DIR);
}

TEST_F(Holder, EqualityIsTheManagersEquality) {
    lib_ofdm_filter_info_t filter;
    filter.selection = LIB_OFDM_FILTER_SELECTION_ARB;
    filter.arb_coefficients = {1.0f};
    cfg_ofdm_t a = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(a.set_filter(filter));
    cfg_ofdm_t b = a;
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(cfg_ofdm_t::is_equal(a, b));
    EXPECT_EQ(a == b, a.get_config_manager() == b.get_config_manager());
    ASSERT_TRUE(b.set_user_boosting(2.0f));
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(cfg_ofdm_t::is_equal(a, b));
    // The manager never counts two frames without a receive filter as equal; the holder agrees.
    const cfg_ofdm_t no_filter = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_EQ(no_filter.get_filter().selection, LIB_OFDM_FILTER_SELECTION_NONE);
    EXPECT_FALSE(no_filter == no_filter);
}

TEST_F(Holder, RepeatIndicesCountFromOne) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_TRUE(holder.set_time_gaps({0, 4}));
    EXPECT_TRUE(holder.set_time_gaps_repeat_index(1));
    EXPECT_EQ(holder.get_config_manager().get_time_gaps_repeat_index(), 0);
    EXPECT_EQ(holder.get_time_gaps_repeat_index(), 1);
    EXPECT_TRUE(holder.set_time_gaps_repeat_index(2));
    EXPECT_EQ(holder.get_config_manager().get_time_gaps_repeat_index(), 1);
    EXPECT_FALSE(holder.set_time_gaps_repeat_index(0));  // manager index -1
    EXPECT_FALSE(holder.set_time_gaps_repeat_index(-2147483647 - 1));
    EXPECT_EQ(holder.get_time_gaps_repeat_index(), 2);

    ASSERT_TRUE(holder.set_guard_interval_per_symbol({0.25f, 0.125f}));
    EXPECT_TRUE(holder.set_guard_interval_repeat_index(2));
    EXPECT_EQ(holder.get_config_manager().get_guard_interval_repeat_index(), 1);
    EXPECT_EQ(holder.get_guard_interval_repeat_index(), 2);
    EXPECT_FALSE(holder.set_guard_interval_repeat_index(3));  // past the two-entry list
}

TEST_F(Holder, GuardIntervalsMustBeWholeSamplesAndNonZero) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_WIFI);
    ASSERT_EQ(holder.get_fft_length(), 64);
    const std::vector<float> before = holder.get_guard_interval_per_symbol();
    const auto log_records_before = log.records().size();
    out.clear();

    EXPECT_FALSE(holder.set_guard_interval_per_symbol({0.1f}));  // 6.4 samples
    EXPECT_FALSE(holder.set_guard_interval_per_symbol({0.0f}));
    EXPECT_FALSE(holder.set_guard_interval_per_symbol({0.25f, 0.1f}));
    EXPECT_EQ(out.text(), "");  // refused silently
    EXPECT_EQ(log.records().size(), log_records_before);
    EXPECT_EQ(holder.get_guard_interval_per_symbol(), before);

    // The manager alone takes 0.1: only the holder insists on whole samples.
    lib_ofdm_config_manager_t manager = holder.get_config_manager();
    EXPECT_TRUE(manager.set_guard_interval_per_symbol({0.1f}));

    EXPECT_TRUE(holder.set_guard_interval_per_symbol({0.25f, 0.125f}));
    EXPECT_EQ(holder.get_guard_interval_per_symbol(), (std::vector<float>{0.25f, 0.125f}));
    // Whole samples but out of [0, 1]: the manager refuses, with its message.
    EXPECT_FALSE(holder.set_guard_interval_per_symbol({1.5f}));
    EXPECT_NE(out.text(), "");
}

TEST_F(Holder, BuiltTablesAreTheManagersBuilders) {
    cfg_ofdm_t holder = preset_holder(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    const lib_ofdm_config_manager_t& m = holder.get_config_manager();
    EXPECT_FALSE(holder.get_resource_map().empty());
    EXPECT_EQ(&holder.get_resource_map(), &m.get_resource_map_manager().get_resource_map());
    EXPECT_EQ(&holder.get_resource_mod_map(), &m.get_resource_mod_map_manager().get_resource_mod_map());
    EXPECT_EQ(&holder.get_ref_resource_data_vct(), &m.get_ref_resource_data_vct_manager().get_ref_resource_data());
    EXPECT_TRUE(holder.generate_resource_map());
    EXPECT_TRUE(holder.generate_resource_mod_map());
    EXPECT_TRUE(holder.generate_ref_resource_data_vct());
}
