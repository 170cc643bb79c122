// Mixer, fractional delay, burst extraction, padding and normalisations.
#include <gtest/gtest.h>

#include <cmath>

#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_normalization.hpp"
#include "vek/common_lib/report/report.hpp"

using namespace vek::common_lib;
using cvec_t = std::vector<std::complex<float>>;

namespace {
constexpr double PI = 3.14159265358979323846;

cvec_t tone(std::size_t n, double freq, double delay)
{
    cvec_t x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2.0 * PI * freq * (static_cast<double>(i) - delay);
        x[i] = {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))};
    }
    return x;
}
}  // namespace

TEST(Mixer, QuarterCycleStepsThroughTheUnitCircle)
{
    cvec_t x(4, {1.0f, 0.0f});
    lib_common_signal_process_t::deal_mixer(x, 0.25, 0.0);
    const cvec_t expected{{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(std::abs(x[i] - expected[i]), 0.0f, 1e-6f) << i;
}

TEST(Mixer, MatchesClosedFormOverLongBlocksAndSplits)
{
    const double freq = 0.0123;
    const double phase = 0.7;
    cvec_t x(100000, {1.0f, 0.0f});
    lib_common_signal_process_t::deal_mixer(x, freq, phase);
    double worst = 0.0;
    for (std::size_t i = 0; i < x.size(); i += 97) {
        const double a = phase + 2.0 * PI * freq * static_cast<double>(i);
        worst = std::max(worst, std::abs(std::complex<double>(x[i]) - std::polar(1.0, a)));
    }
    // The step angle is rounded to single precision on purpose (every caller mixing at one
    // frequency gets one step), which moves the phase by about 2e-4 rad after 1e5 samples; the
    // rotator itself advances in double precision and adds no drift of its own.
    EXPECT_LT(worst, 1e-3);

    // Two blocks mixed with the phase reached at the second block's start equal one block.
    cvec_t a(500, {1.0f, 0.0f});
    cvec_t b(500, {1.0f, 0.0f});
    lib_common_signal_process_t::deal_mixer(a, freq, phase);
    lib_common_signal_process_t::deal_mixer(b, freq, phase + 2.0 * PI * freq * 500.0);
    cvec_t whole(1000, {1.0f, 0.0f});
    lib_common_signal_process_t::deal_mixer(whole, freq, phase);
    EXPECT_NEAR(std::abs(b[0] - whole[500]), 0.0f, 1e-4f);
    EXPECT_NEAR(std::abs(b[499] - whole[999]), 0.0f, 1e-4f);
}

TEST(FractionalDelay, DelayedToneMatchesAnalyticShift)
{
    // A tone periodic in the block, so the cyclic edge extension is exact at the ends too.
    const std::size_t n = 256;
    const double freq = 12.0 / 256.0;
    for (double delay : {0.3, -0.45, 0.0}) {
        cvec_t x = tone(n, freq, 0.0);
        ASSERT_TRUE(lib_common_signal_process_t::deal_fractional_delay(delay, x));
        const cvec_t expected = tone(n, freq, delay);
        double worst = 0.0;
        for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, static_cast<double>(std::abs(x[i] - expected[i])));
        // 63-tap Blackman-windowed sinc: passband error well below 1e-3 at 0.05 cycles/sample.
        EXPECT_LT(worst, 1e-3) << "delay " << delay;
    }
    cvec_t x(8, {1.0f, 0.0f});
    EXPECT_FALSE(lib_common_signal_process_t::deal_fractional_delay(1.0, x));
}

TEST(FractionalDelay, FilterIsWindowedSinc)
{
    cvec_t taps;
    ASSERT_TRUE(lib_common_signal_process_t::_design_delay_filter(0.0, 63, taps));
    ASSERT_EQ(taps.size(), 63u);
    EXPECT_FLOAT_EQ(taps[31].real(), 1.0f);  // sinc(0) times the window's peak of 1
    EXPECT_NEAR(taps[30].real(), 0.0f, 1e-7f);
    ASSERT_TRUE(lib_common_signal_process_t::_design_delay_filter(0.5, 7, taps));
    // t = n - 0.5 - 3 at n = 3: sinc(-0.5) = 2/pi, Blackman at the centre is 1.
    EXPECT_NEAR(taps[3].real(), 2.0 / PI, 1e-6);
    EXPECT_FALSE(lib_common_signal_process_t::_design_delay_filter(0.0, 8, taps));
    EXPECT_FALSE(lib_common_signal_process_t::_design_delay_filter(3.0, 7, taps));
}

TEST(BurstExtraction, DropsRunsOfThreeOrMoreZeros)
{
    std::vector<float> out;
    lib_common_signal_process_t::get_burst_signal_data(std::vector<float>{1, 0, 0, 0, 2, 0, 3}, out);
    EXPECT_EQ(out, (std::vector<float>{1, 2, 0, 3}));
    lib_common_signal_process_t::get_burst_signal_data(std::vector<float>{0, 0, 0, 0, 0, 5, 0, 0}, out);
    EXPECT_EQ(out, (std::vector<float>{5, 0, 0}));

    cvec_t cout;
    lib_common_signal_process_t::get_burst_signal_data(cvec_t{{1, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 2}}, cout);
    EXPECT_EQ(cout, (cvec_t{{1, 1}, {0, 2}}));

    EXPECT_TRUE(lib_common_signal_process_t::_check_consecutive_zero_data(cvec_t(3), 0, 3));
    EXPECT_FALSE(lib_common_signal_process_t::_check_consecutive_zero_data(cvec_t(3), 1, 3));
}

TEST(Padding, ZeroAndCyclicPadding)
{
    std::vector<int> v{1, 2};
    lib_common_signal_process_t::pad_zero_to_array_end(v, 4);
    EXPECT_EQ(v, (std::vector<int>{1, 2, 0, 0}));
    lib_common_signal_process_t::pad_zero_to_array_end(v, 1);
    EXPECT_EQ(v.size(), 4u);

    std::vector<char> c{'a', 'b'};
    EXPECT_EQ(lib_common_signal_process_t::pad_array_crc(c, 5), 6u);
    EXPECT_EQ(c, (std::vector<char>{'a', 'b', 'a', 'b', 'a', 'b'}));

    report_capture_t capture;
    std::vector<float> empty;
    EXPECT_EQ(lib_common_signal_process_t::pad_array_crc(empty, 3), 3u);
    EXPECT_EQ(empty, (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(capture.text(), "lib_common_signal_process_t::pad_array_crc Report: Empty Data Array!\n");
}

TEST(Normalization, DivisorsMatchTheirDefinitions)
{
    const cvec_t x{{3, 4}, {0, -1}, {1, 0}, {0, 0}};
    cvec_t y = x;
    ASSERT_TRUE(lib_normalization_t::rms_normalize(y));  // rms = sqrt(27/4)
    EXPECT_NEAR(y[0].real(), 3.0 / std::sqrt(27.0 / 4.0), 1e-6);
    y = x;
    ASSERT_TRUE(lib_normalization_t::square_sum_normalize(y));  // sqrt(27)
    EXPECT_NEAR(y[0].imag(), 4.0 / std::sqrt(27.0), 1e-6);
    y = x;
    ASSERT_TRUE(lib_normalization_t::amplitude_sum_normalize(y));  // 7
    EXPECT_NEAR(y[2].real(), 1.0 / 7.0, 1e-7);
    y = x;
    ASSERT_TRUE(lib_normalization_t::amplitude_max_normalize(y));  // 5
    EXPECT_NEAR(y[0].imag(), 0.8, 1e-7);
    y = x;
    ASSERT_TRUE(lib_normalization_t::iq_value_max_normalize(y));  // 4
    EXPECT_NEAR(y[0].real(), 0.75, 1e-7);

    std::vector<float> f{1, 3};
    ASSERT_TRUE(lib_normalization_t::sum_normalize(f));
    EXPECT_EQ(f, (std::vector<float>{0.25f, 0.75f}));
    f = {3, 4};
    ASSERT_TRUE(lib_normalization_t::square_sum_normalize(f));
    EXPECT_NEAR(f[1], 0.8f, 1e-7f);
}

TEST(Normalization, EmptyAndTinyVectorsAreLeftAlone)
{
    report_capture_t capture;
    cvec_t empty;
    std::vector<float> fempty;
    EXPECT_FALSE(lib_normalization_t::rms_normalize(empty));
    EXPECT_FALSE(lib_normalization_t::square_sum_normalize(empty));
    EXPECT_FALSE(lib_normalization_t::sum_normalize(fempty));
    EXPECT_FALSE(lib_normalization_t::amplitude_sum_normalize(empty));
    EXPECT_FALSE(lib_normalization_t::amplitude_max_normalize(empty));
    EXPECT_FALSE(lib_normalization_t::iq_value_max_normalize(empty));
    EXPECT_EQ(capture.text(),
              "lib_normalization_t::rms_normalize Report: An EMPTY data array is to normalize!\n"
              "lib_normalization_t::filter_energy_normalize Report: An EMPTY data array is to normalize!\n"
              "lib_normalization_t::sum_normalize Report: An EMPTY data array is to normalize!\n"
              "lib_normalization_t::sum_normalize Report: An EMPTY data array is to normalize!\n"
              "lib_normalization_t::amplitude_max_normalize Report: An EMPTY data array is to normalize!\n"
              "lib_normalization_t::max_normalize Report: An EMPTY data array is to normalize!\n");

    capture.clear();
    const cvec_t tiny(3, {1e-14f, 0.0f});
    cvec_t y = tiny;
    EXPECT_FALSE(lib_normalization_t::amplitude_max_normalize(y));
    EXPECT_EQ(y, tiny);
    EXPECT_TRUE(capture.contains("lib_normalization_t::amplitude_max_normalize Report: Data array has a too small "
                                 "max_amplitude: 1e-14\n"));
    std::vector<float> cancel{1.0f, -1.0f};
    EXPECT_FALSE(lib_normalization_t::sum_normalize(cancel));
    EXPECT_TRUE(capture.contains("lib_normalization_t::sum_normalize Report: Data array has a too small sum: 0\n"));
    y = tiny;
    EXPECT_FALSE(lib_normalization_t::rms_normalize(y));
    EXPECT_TRUE(capture.contains("lib_normalization_t::rms_normalize Report: Data array has a too small rms: "));
    EXPECT_FALSE(lib_normalization_t::square_sum_normalize(y));
    EXPECT_TRUE(capture.contains("Report: Data array has a too small erengy: "));
    EXPECT_FALSE(lib_normalization_t::iq_value_max_normalize(y));
    EXPECT_TRUE(capture.contains("lib_normalization_t::max_normalize Report: Data array has a too small max_value: "));
}
