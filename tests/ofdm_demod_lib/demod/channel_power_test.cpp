// Channel power against closed forms: a tone of known amplitude and white noise of known power.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>

#include "demod_input_probe.hpp"
#include "log_capture.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;
using vek::test::complex_tone;
using vek::test::cvec_t;

namespace {

// Power in dBm into r_ohm of a complex signal of mean power p (|x|^2), read as a peak amplitude
// (the rms flag halves the power).
double expected_dbm(double mean_power, double r_ohm) {
    return 10.0 * std::log10(mean_power / 2.0 / r_ohm * 1000.0);
}

}  // namespace

TEST(DemodChannelPower, TonesAndNoiseAgainstClosedForms) {
    const float fs = 20e6f;
    // Tone on bin 100 of 1024 (1.95 MHz), band +-8.3 MHz; halfway between bins the window's flat
    // spectrum still catches the whole tone.
    const cvec_t x = complex_tone(1024, 100.0 / 1024.0, 1.0f);
    EXPECT_NEAR(common::channel_power(x, 50, fs, 16.6e6f, true), expected_dbm(1.0, 50.0), 0.05);
    EXPECT_NEAR(common::channel_power(complex_tone(1024, 100.5 / 1024.0, 1.0f), 50, fs, 16.6e6f, true),
                expected_dbm(1.0, 50.0), 0.05);
    // Without the rms correction the power doubles (+3 dB).
    EXPECT_NEAR(common::channel_power(x, 50, fs, 16.6e6f, false), expected_dbm(2.0, 50.0), 0.05);
    // A tone at 7.8 MHz outside a +-2 MHz band is not counted.
    EXPECT_LT(common::channel_power(complex_tone(1024, 400.0 / 1024.0, 1.0f), 50, fs, 4e6f, true),
              expected_dbm(1.0, 50.0) - 60.0);
    // Unit-power white noise over 20 MHz: a quarter of the band holds a quarter of it.
    const cvec_t noise = vek::test::gaussian_noise(16384, 1.0f, 2024);
    EXPECT_NEAR(common::channel_power(noise, 50, fs, 5e6f, true), expected_dbm(0.25, 50.0), 0.4);
    // Nothing to measure gives the floor: no samples, silence, no bin in band.
    EXPECT_EQ(common::channel_power({}, 50, fs, 10e6f, true), -200.0f);
    EXPECT_EQ(common::channel_power(cvec_t(256), 50, fs, 10e6f, true), -200.0f);
    EXPECT_EQ(common::channel_power(complex_tone(64, 0.1, 1.0f), 50, fs, -1.0f, true), -200.0f);
}

TEST(DemodChannelPower, StageMeasuresTheSearchSpanOverTheOccupiedBand) {
    vek::test::demod_input_probe_t demod;
    ASSERT_TRUE(demod.set_ofdm_demod_info(vek::test::make_frame_config(64, 0.25f, 2)));
    // 64 bins, guards 6 and 5: 53 subcarriers of 312.5 kHz, +-8.28 MHz. A unit tone on subcarrier
    // 10 for the 160 searched samples, and a loud tone after them that must not count.
    cvec_t x = complex_tone(160, 10.0 / 64.0, 1.0f);
    const cvec_t loud = complex_tone(200, 10.0 / 64.0, 30.0f);
    x.insert(x.end(), loud.begin(), loud.end());
    demod.m_sample_data = x;
    demod.m_search_len = 160;
    vek::test::log_capture_t logs;
    demod._deal_ofdm_channel_power();
    const float power = demod.get_ofdm_demod_result().m_channel_power;
    EXPECT_NEAR(power, expected_dbm(1.0, 50.0), 0.05);
    EXPECT_TRUE(logs.has_message("OFDM channel_power is " + fmt::format("{}", power)));

    // A search length beyond the buffer measures what there is.
    demod.m_sample_data = complex_tone(100, 10.0 / 64.0, 1.0f);
    demod.m_search_len = 160;
    demod._deal_ofdm_channel_power();
    EXPECT_NEAR(demod.get_ofdm_demod_result().m_channel_power, expected_dbm(1.0, 50.0), 0.1);
}
