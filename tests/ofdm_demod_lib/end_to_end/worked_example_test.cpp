// The 802.11 worked-example packet (36 Mbit/s, 16-QAM, published to 3 decimals): 11 symbols on the
// WLAN preset's grid — short and long training, SIGNAL (BPSK) and six 16-QAM DATA symbols.
#include <gtest/gtest.h>

#include <fstream>

#include "end_to_end_support.hpp"

using namespace vek::test;

namespace {

constexpr int k_leading_idle = 50;

complex_vector_t load_packet() {
    std::ifstream in(std::string(VEK_TEST_VECTORS_DIR) + "/wlan_annex_g_packet.txt");
    complex_vector_t samples(k_leading_idle);
    float re = 0.0f, im = 0.0f;
    while (in >> re >> im) samples.emplace_back(re, im);
    samples.resize(samples.size() + 200);
    return samples;
}

lib_ofdm_config_manager_t packet_frame() {
    lib_ofdm_config_manager_t cfg = preset_manager(LIB_OFDM_STANDARD_TYPE_WIFI);
    cfg.set_analy_symbol_num(11);
    EXPECT_TRUE(cfg.set_meas_symbol_num(11));
    std::vector<lib_ofdm_res_info_t> entries = cfg.get_resource_mapping_vct();
    for (lib_ofdm_res_info_t& entry : entries) {
        if (entry.name == "Data2") entry.modulation = LIB_OFDM_MOD_LEVEL_16QAM;
    }
    cfg.set_resource_mapping_vct(entries);
    EXPECT_TRUE(cfg.generate_resource_map());
    EXPECT_TRUE(cfg.generate_resource_mod_map());
    EXPECT_TRUE(cfg.generate_ref_resource_data_vct());
    return cfg;
}

TEST(WorkedExamplePacket, FoundWithinOneSampleAndMeasuredAtTheRoundingFloor) {
    const complex_vector_t samples = load_packet();
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(k_leading_idle + 881 + 200));
    const lib_ofdm_config_manager_t cfg = packet_frame();
    lib_ofdm_t demod;
    vek::common_lib::report_capture_t quiet;
    ASSERT_TRUE(demod.set_config_manager(cfg));
    ASSERT_TRUE(demod.set_input_data(samples));
    ASSERT_TRUE(demod.process());
    EXPECT_NEAR(demod.get_result_frame_dly(), k_leading_idle, 1);
    EXPECT_NEAR(demod.get_result_dly_est(), k_leading_idle, 1.0f);
    // 3-decimal rounding of samples of RMS ~0.15 puts the floor near 0.1 %.
    EXPECT_LE(demod.get_result_evm_rms(), 0.5f);
    EXPECT_LE(demod.get_result_payload_evm_rms(), 0.5f);
    EXPECT_NEAR(demod.get_result_freq_error_est(), 0.0f, 50.0f);
    EXPECT_EQ(demod.get_result_analy_symbol_num(), 11);
}

}  // namespace
