#include <gtest/gtest.h>

#include <cmath>

#include "plain_dft.hpp"
#include "vek/common_lib/multicarrier/lib_multitone.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;

double energy(const cvec_t& x) {
    double sum = 0.0;
    for (const auto& s : x) sum += std::norm(std::complex<double>(s));
    return sum;
}

TEST(Multitone, LimitsEdgeOrderingAndToneList) {
    lib_multitone_t multitone;  // 2 MS/s, tones 0 ... 1 MHz
    multitone.set_multitone_tone_num(2);  // 2.4 x 1 MHz exceeds 2 MS/s: stop lowered to fs / 1.2
    EXPECT_DOUBLE_EQ(multitone.get_multitone_stop_freq(), 2.0e6 / 1.2);
    multitone.set_multitone_sample_rate(1.0e12);
    EXPECT_DOUBLE_EQ(multitone.get_multitone_sample_rate(), 1.0e10);
    multitone.set_multitone_tone_num(20000);
    EXPECT_EQ(multitone.get_multitone_tone_num(), 10000u);

    multitone.set_multitone_stop_freq(2.0e6);
    multitone.set_multitone_start_freq(3.0e6);  // raises the stop
    EXPECT_DOUBLE_EQ(multitone.get_multitone_stop_freq(), 3.0e6);
    multitone.set_multitone_stop_freq(1.0e6);  // lowers the start
    EXPECT_DOUBLE_EQ(multitone.get_multitone_start_freq(), 1.0e6);
    multitone.set_multitone_start_freq(0.0);
    multitone.set_multitone_tone_num(0);  // behaves as one tone in the middle of the span
    std::vector<double> tones;
    multitone.calc_tone_freq_arr(tones);
    EXPECT_EQ(tones, (std::vector<double>{0.5e6}));

    multitone.set_multitone_sample_rate(1.2e6);
    EXPECT_FALSE(multitone.set_multitone_tone_freq_arr({1.0e5}));  // custom flag clear
    multitone.set_multitone_custom_enable(true);
    EXPECT_FALSE(multitone.set_multitone_tone_freq_arr({1.0e3, 0.0}));
    EXPECT_FALSE(multitone.set_multitone_tone_freq_arr({1.0e3, 1.0e6 + 1.0}));  // above fs / 1.2
    EXPECT_TRUE(multitone.set_multitone_tone_freq_arr({1.0e3, 1.0e6}));
}

TEST(Multitone, FftLengthFollowsToneGap) {
    lib_multitone_t multitone;
    multitone.set_multitone_sample_rate(2.0e6);
    multitone.set_multitone_stop_freq(300.0e3);
    multitone.set_multitone_start_freq(100.0e3);
    multitone.set_multitone_tone_num(100);  // gap 200 kHz / 200 = 1 kHz: bins of at most 100 Hz
    EXPECT_EQ(multitone.calc_fft_length(), 32768u);
    multitone.set_multitone_start_freq(0.0);
    multitone.set_multitone_stop_freq(2000.0);  // gap 10 Hz: no length qualifies
    EXPECT_EQ(multitone.calc_fft_length(), 65536u);
}

// Every tone lands on its own bin and on the mirrored bin L - 1 - k with equal magnitude; the
// tones hold all of the signal's energy (Parseval), so no other bin is occupied.
TEST(Multitone, TonesOccupyExactlyTheirBins) {
    lib_multitone_t multitone;
    multitone.set_multitone_tone_num(2);
    multitone.set_multitone_stop_freq(500.0e3);  // tones at 0 and 500 kHz, gap 125 kHz
    multitone.update_data();
    const cvec_t& data = multitone.get_data_arr();
    ASSERT_EQ(data.size(), 8192u);

    double peak_iq = 0.0;
    for (const auto& s : data) peak_iq = std::max({peak_iq, std::fabs(double(s.real())), std::fabs(double(s.imag()))});
    EXPECT_NEAR(peak_iq, 1.0, 1e-6);

    const double bins[] = {0, 8191, 2048, 6143};  // 500 kHz / (2 MHz / 8192) = 2048
    double tone_energy = 0.0;
    const double first_magnitude = std::abs(test::plain_dft_bin(data, 0, data.size(), bins[0]));
    for (double bin : bins) {
        const std::complex<double> value = test::plain_dft_bin(data, 0, data.size(), bin);
        EXPECT_NEAR(std::abs(value), first_magnitude, 1e-3 * first_magnitude) << bin;
        tone_energy += std::norm(value);
    }
    EXPECT_NEAR(tone_energy / data.size(), energy(data), 1e-4 * energy(data));

    // Single side: the mirror bins stay empty.
    multitone.set_multitone_single_side_enable(true);
    multitone.update_data();
    const cvec_t& single = multitone.get_data_arr();
    const double single_energy = std::norm(test::plain_dft_bin(single, 0, single.size(), 0.0)) +
                                 std::norm(test::plain_dft_bin(single, 0, single.size(), 2048.0));
    EXPECT_NEAR(single_energy / single.size(), energy(single), 1e-4 * energy(single));
}

}  // namespace
}  // namespace vek::common_lib
