#include <gtest/gtest.h>

#include <cmath>

#include "random_signal.hpp"
#include "vek/common_lib/multicarrier/lib_multicarrier.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;
constexpr double PI = 3.14159265358979323846;

TEST(MulticarrierSetting, OffsetListsAreLimitedAndFitted) {
    lib_multicarrier_setting_t setting;
    EXPECT_FALSE(setting.set_multicarrier_freq_offset({}));
    ASSERT_TRUE(setting.set_multicarrier_power_offset({3.0, -6.0}));
    EXPECT_EQ(setting.get_multicarrier_power_offset(), (std::vector<double>{0.0}));  // cut to one carrier
    ASSERT_TRUE(setting.set_multicarrier_freq_offset({1.0, 2.0, 3.0}));
    ASSERT_TRUE(setting.set_multicarrier_power_offset({3.0, -6.0}));
    // The first carrier is the reference; the last offset fills the rest.
    EXPECT_EQ(setting.get_multicarrier_power_offset(), (std::vector<double>{0.0, -6.0, -6.0}));
    ASSERT_TRUE(setting.set_multicarrier_freq_offset(std::vector<double>(40, 1.0)));
    EXPECT_EQ(setting.get_multicarrier_number(), 32u);
    EXPECT_EQ(setting.get_multicarrier_power_offset().size(), 32u);
}

// A DC input on carriers at +fs/8 and -fs/4 (-6 dB) is the sum of the two tones in closed form.
TEST(Multicarrier, CarriersAreShiftedScaledCopies) {
    const double sample_rate_hz = 8.0e6;
    lib_multicarrier_setting_t setting;
    setting.set_multicarrier_enable(true);
    ASSERT_TRUE(setting.set_multicarrier_freq_offset({1.0e6, -2.0e6}));
    ASSERT_TRUE(setting.set_multicarrier_power_offset({0.0, -6.0}));
    lib_multicarrier_t multicarrier;
    multicarrier.set_multicarrier_parameter(setting);

    const cvec_t input(256, std::complex<float>(1.0f, 0.0f));
    cvec_t output;
    ASSERT_TRUE(multicarrier.deal_multicarrier(sample_rate_hz, input, output));
    ASSERT_EQ(output.size(), input.size());
    const double second_gain = std::pow(10.0, -6.0 / 20.0);
    for (std::size_t n = 0; n < output.size(); ++n) {
        const std::complex<double> expected =
            std::polar(1.0, 2.0 * PI * n / 8.0) + std::polar(second_gain, -2.0 * PI * n / 4.0);
        EXPECT_NEAR(std::abs(std::complex<double>(output[n]) - expected), 0.0, 1e-4) << n;
    }
}

// A random initial phase rotates each copy but keeps its amplitude.
TEST(Multicarrier, RandomInitialPhaseKeepsAmplitude) {
    lib_multicarrier_setting_t setting;
    setting.set_multicarrier_enable(true);
    setting.set_init_phase_random_enable(true);
    ASSERT_TRUE(setting.set_multicarrier_freq_offset({0.0}));
    ASSERT_TRUE(setting.set_multicarrier_power_offset({-20.0}));
    lib_multicarrier_t multicarrier;
    multicarrier.set_multicarrier_parameter(setting);

    const cvec_t input = vek::test::gaussian_complex(64, 2);
    cvec_t output;
    ASSERT_TRUE(multicarrier.deal_multicarrier(1.0e6, input, output));
    for (std::size_t n = 0; n < input.size(); ++n)
        EXPECT_NEAR(std::abs(output[n]), 0.1 * std::abs(input[n]), 1e-5);
}

TEST(Multicarrier, OffsetBeyondNyquistIsRejected) {
    lib_multicarrier_setting_t setting;
    setting.set_multicarrier_enable(true);
    ASSERT_TRUE(setting.set_multicarrier_freq_offset({1.0e5, 0.6e6}));
    lib_multicarrier_t multicarrier;
    multicarrier.set_multicarrier_parameter(setting);

    const cvec_t input = vek::test::gaussian_complex(32, 3);
    cvec_t output;
    EXPECT_TRUE(lib_multicarrier_t().deal_multicarrier(1.0e6, input, output));  // disabled
    EXPECT_EQ(output, input);
    output.clear();
    report_capture_t capture;
    EXPECT_FALSE(multicarrier.deal_multicarrier(1.0e6, input, output));
    EXPECT_TRUE(
        capture.contains("lib_multicarrier_t::deal_multicarrier Report : Carrier Freq Offset Out of Range!"));
    EXPECT_EQ(output, input);

    // An unusable sample rate is refused the same way, without touching the input.
    EXPECT_FALSE(multicarrier.deal_multicarrier(0.0, input, output));
    EXPECT_EQ(output, input);
}

}  // namespace
}  // namespace vek::common_lib
