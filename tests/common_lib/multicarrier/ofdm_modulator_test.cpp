#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "vek/common_lib/multicarrier/lib_ofdm_modulator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;
constexpr double PI = 3.14159265358979323846;
constexpr double SAMPLE_TOLERANCE = 2e-6;
constexpr float DC_LEVEL = 1.0f / 64.0f;  // body of a 64-point symbol with only the DC subcarrier at 1

// Hann window of 2H + 3 points, the source of the transition halves.
double hann(std::size_t n, std::size_t transition) {
    return 0.5 *
           (1.0 - std::cos(2.0 * PI * static_cast<double>(n) / static_cast<double>(2 * transition + 2)));
}

std::vector<cvec_t> dc_payload(std::size_t symbols) {
    cvec_t row(64, 0.0f);
    row[32] = 1.0f;
    return std::vector<cvec_t>(symbols, row);
}

std::vector<cvec_t> random_payload(std::size_t symbols, std::size_t used, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> level(0, 3);
    std::vector<cvec_t> payload(symbols, cvec_t(used));
    for (auto& row : payload) {
        for (auto& cell : row) cell = {(2.0f * level(rng) - 3.0f) / 3.0f, (2.0f * level(rng) - 3.0f) / 3.0f};
    }
    return payload;
}

lib_ofdm_modulator_t make_modulator(std::uint32_t symbols, double prefix_factor, double beta,
                                    lib_ofdm_windowing_method_type_t method) {
    lib_ofdm_modulator_t modulator;
    EXPECT_TRUE(modulator.set_symbol_number(symbols));
    modulator.set_cyclic_prefix_config(lib_ofdm_cyclic_config_t(prefix_factor));
    modulator.set_window_beta(beta);
    modulator.set_windowing_method(method);
    return modulator;
}

TEST(OfdmModulator, FrameLengthBetaClampAndPayloadShape) {
    lib_ofdm_modulator_t modulator = make_modulator(2, 0.25, 0.7, LIB_OFDM_WINDOWING_CENTERED);
    EXPECT_DOUBLE_EQ(modulator.get_window_beta(), 0.5);
    modulator.set_window_beta(0.0);
    ASSERT_TRUE(modulator.set_oversampling_ratio(2));
    modulator.set_frame_idle_length(10);
    EXPECT_EQ(modulator.get_frame_length(), 340u);  // 2 x 160 + 2 x 10 idle
    cvec_t frame, before, after;
    ASSERT_TRUE(modulator.deal_ofdm_modulation(random_payload(2, 52, 1), frame, before, after));
    EXPECT_EQ(frame.size(), 340u);
    for (std::size_t i = 320; i < 340; ++i) EXPECT_EQ(frame[i], std::complex<float>(0.0f, 0.0f));

    // Wrong symbol count, more subcarriers than bins, or one short row.
    std::vector<std::vector<cvec_t>> bad_payloads = {random_payload(3, 52, 1), random_payload(2, 129, 1),
                                                     random_payload(2, 52, 1)};
    bad_payloads.back()[1].pop_back();
    for (const auto& payload : bad_payloads) {
        report_capture_t capture;
        EXPECT_FALSE(modulator.deal_ofdm_modulation(payload, frame, before, after));
        EXPECT_TRUE(capture.contains("lib_ofdm_modulator_t::deal_ofdm_modulation Report : Payload Mapping Size Error!"));
        EXPECT_TRUE(frame.empty() && before.empty() && after.empty());
    }
}

// Without windowing the frame is the plain concatenation of its symbols, each with its own prefix
// as the symbol generator forms them (whose bodies transform back to the subcarriers), then idle.
TEST(OfdmModulator, UnwindowedFrameIsTheConcatenationOfItsSymbols) {
    constexpr std::size_t symbols = 4;
    lib_ofdm_cyclic_special_case_t first_symbol(0.125);
    first_symbol.set_symbol_index_list(symbols, {0});
    lib_ofdm_cyclic_config_t prefix(0.25);
    prefix.set_specified_config_arr(symbols, {first_symbol});
    lib_ofdm_modulator_t modulator;
    lib_ofdm_symbol_data_generator_t generator;
    ASSERT_TRUE(modulator.set_symbol_number(symbols) && generator.set_symbol_number(symbols));
    modulator.set_cyclic_prefix_config(prefix);
    generator.set_cyclic_prefix_config(prefix);
    modulator.set_frame_idle_length(5);

    const auto payload = random_payload(symbols, 52, 42);
    cvec_t frame, before, after, expected, symbol;
    ASSERT_TRUE(modulator.deal_ofdm_modulation(payload, frame, before, after));
    EXPECT_TRUE(before.empty() && after.empty());
    for (std::uint32_t s = 0; s < symbols; ++s) {
        ASSERT_TRUE(generator.deal_ofdm_modulation(s, payload[s], symbol));
        expected.insert(expected.end(), symbol.begin(), symbol.end());
    }
    ASSERT_EQ(expected.size(), 72u + 3u * 80u);
    expected.resize(expected.size() + 5u);
    EXPECT_EQ(frame, expected);
}

// The rising and falling halves are complementary, so identical constant symbols overlap-add to
// the constant, and the repeating frame is constant end to end.
TEST(OfdmModulator, WindowedTransitionsAddUpToOne) {
    for (auto method : {LIB_OFDM_WINDOWING_CENTERED, LIB_OFDM_WINDOWING_TRAILING}) {
        lib_ofdm_modulator_t modulator = make_modulator(3, 0.25, 0.1, method);
        EXPECT_EQ(modulator.get_window_transition_length(), 6u);
        cvec_t frame;
        ASSERT_TRUE(modulator.deal_single_frame_ofdm_modulation(dc_payload(3), frame));
        ASSERT_EQ(frame.size(), 240u);
        for (std::size_t i = 0; i < frame.size(); ++i)
            EXPECT_NEAR(std::abs(frame[i] - std::complex<float>(DC_LEVEL, 0.0f)), 0.0, SAMPLE_TOLERANCE) << method << " " << i;
    }
}

// With a half-subcarrier offset the transition samples continue the offset's rotation, which has
// phase zero at each symbol's first body sample: the sample t after it, on the window's point k,
// is DC_LEVEL hann(k) e^(j pi t / 64).
TEST(OfdmModulator, WindowHalvesAtTheFrameEdgesRotatedByTheHalfSubcarrierOffset) {
    const auto expect_sample = [](std::complex<float> x, long long t, std::size_t k) {
        EXPECT_LT(std::abs(std::complex<double>(x) - std::polar(DC_LEVEL * hann(k, 6), PI * t / 64.0)),
                  SAMPLE_TOLERANCE)
            << "t " << t << ", window point " << k;
    };
    lib_ofdm_modulator_t modulator = make_modulator(2, 0.25, 0.1, LIB_OFDM_WINDOWING_CENTERED);
    modulator.set_half_subacarrier_offset_number(1);
    cvec_t frame, before, after;
    ASSERT_TRUE(modulator.deal_ofdm_modulation(dc_payload(2), frame, before, after));
    ASSERT_EQ(frame.size(), 160u);
    ASSERT_EQ(before.size(), 3u);
    ASSERT_EQ(after.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {  // bodies start at 16 and 96
        const auto t = static_cast<long long>(i);
        expect_sample(before[i], t - 19, 1 + i);
        expect_sample(frame[i], t - 16, 4 + i);
        expect_sample(frame[157 + i], t + 61, 8 + i);
        expect_sample(after[i], t + 64, 11 + i);
    }

    // Idle samples absorb the trailing half of the last transition.
    modulator.set_frame_idle_length(10);
    ASSERT_TRUE(modulator.deal_ofdm_modulation(dc_payload(2), frame, before, after));
    ASSERT_EQ(frame.size(), 170u);
    EXPECT_TRUE(after.empty());
    for (std::size_t i = 0; i < 3; ++i) expect_sample(frame[160 + i], static_cast<long long>(i) + 64, 11 + i);
    EXPECT_EQ(frame[163], std::complex<float>(0.0f, 0.0f));

    // The trailing window follows the symbol: the whole transition goes after it.
    modulator = make_modulator(2, 0.25, 0.1, LIB_OFDM_WINDOWING_TRAILING);
    modulator.set_half_subacarrier_offset_number(1);
    ASSERT_TRUE(modulator.deal_ofdm_modulation(dc_payload(2), frame, before, after));
    EXPECT_TRUE(before.empty());
    ASSERT_EQ(after.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        expect_sample(frame[i], static_cast<long long>(i) - 16, 1 + i);
        expect_sample(after[i], static_cast<long long>(i) + 64, 8 + i);
    }
}

}  // namespace
}  // namespace vek::common_lib
