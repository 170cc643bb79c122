// The end-to-end test driver: capture naming and loading, and a generated capture demodulated by it.
// (A run without its capture is checked on the program itself in tests.cmake.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "log_capture.hpp"
#include "ofdm_demod_driver.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

namespace {

namespace fs = std::filesystem;
using namespace vek::ofdm_demod_lib;

class driver_test : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("VEK_TEST_TMP");
        m_dir = fs::path(tmp ? tmp : "/tmp") / "driver" /
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream file(m_dir / name, std::ios::binary);
        file << text;
    }
    fs::path m_dir;
};

const std::string k_ten_header_lines = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n";

TEST_F(driver_test, captures_pair_their_numbers_or_leave_the_samples_untouched) {
    write("LTE-DL-838Hz.csv", k_ten_header_lines + "1,2,3\n4,5\n");
    complex_vector_t samples;
    _load_input_file(samples, LIB_OFDM_STANDARD_TYPE_LTE_DL, m_dir.string());
    EXPECT_EQ(samples, (complex_vector_t{{1, 2}, {3, 4}, {5, 0}}));  // a lone last number is paired with 0

    const complex_vector_t before{{7.0f, 7.0f}};
    samples = before;
    vek::common_lib::report_capture_t lines;
    _load_input_file(samples, LIB_OFDM_STANDARD_TYPE_WIFI, m_dir.string());
    EXPECT_EQ(samples, before);
    EXPECT_EQ(lines.text(),
              "Open IQ_DATA_FILE file error.\nCapture file missing: " + (m_dir / "input_data522").string() +
                  " (build the captures target, or pass --capture-dir DIR)\n");

    lines.clear();
    fs::create_directories(m_dir / "lteUL");
    write("lteUL/SampleData_7680kHz", k_ten_header_lines + "1,2\n3,oops\n");
    _load_input_file(samples, LIB_OFDM_STANDARD_TYPE_LTE_UL, m_dir.string());
    EXPECT_EQ(samples, before);
    EXPECT_EQ(lines.text(), "Capture file unusable: " + (m_dir / "lteUL" / "SampleData_7680kHz").string() +
                                ":12: 'oops' is not a number\n");
}

// The whole road: a generated LTE downlink frame with an 838 Hz carrier offset, written by the
// VSA writer under the driver's capture name, read back and demodulated by the driver.
TEST_F(driver_test, a_generated_lte_capture_gives_its_frequency_error) {
    vek::common_lib::report_capture_t lines;
    cfg_ofdm_t cfg;
    cfg.set_load_address(VEK_TEST_DATA_DIR);
    ASSERT_TRUE(cfg.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_DL) && cfg.generate_resource_map() &&
                cfg.generate_resource_mod_map() && cfg.generate_ref_resource_data_vct());
    lib_ofdm_generated_frame_t frame;
    ASSERT_TRUE(lib_ofdm_frame_generator_t::generate_frame(cfg.get_config_manager(), 5, frame));
    lib_ofdm_impairment_info_t impairments;
    impairments.idle_en = impairments.freq_offset_en = impairments.noise_en = true;
    impairments.leading_idle_samples = impairments.trailing_idle_samples = 300;
    impairments.freq_offset_hz = 838.0;
    impairments.snr_db = 35.0f;
    lib_ofdm_capture_t capture;
    ASSERT_TRUE(lib_ofdm_impairment_channel_t::deal_impairments(impairments, frame, 0, capture));

    // The writer puts files below ../data/, so work from a sibling of the capture directory.
    fs::create_directories(m_dir / "data");
    fs::create_directories(m_dir / "work");
    const fs::path previous = fs::current_path();
    fs::current_path(m_dir / "work");
    vek::common_lib::lib_test_t::save_iq_data_for_vsa(capture.samples, capture.sample_rate_hz,
                                                      "LTE-DL-838Hz.csv");
    fs::current_path(previous);

    vek::test::log_capture_t log;
    ::testing::internal::CaptureStderr();  // dump directories are absent below the data directory
    lines.clear();
    start_ofdm_demod(VEK_TEST_DATA_DIR, (m_dir / "data").string());
    ::testing::internal::GetCapturedStderr();
    const std::string text = lines.text();
    EXPECT_NE(text.find("input data num is " + std::to_string(capture.samples.size()) + "\n"),
              std::string::npos);
    ASSERT_NE(text.find("@ Save result END\n"), std::string::npos) << text;
    const std::size_t at = text.find("m_freq_error_est is ");
    ASSERT_NE(at, std::string::npos);
    const double freq_error_hz = std::stod(text.substr(at + std::string("m_freq_error_est is ").size()));
    EXPECT_NEAR(freq_error_hz, 838.0, 5.0);
}

}  // namespace
