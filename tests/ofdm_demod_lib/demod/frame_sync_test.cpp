// Frame synchronisation: correlation measures, the peak rule, the threshold crossing, and the
// search finding synthetic frames at known delays in both modes.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "demod_input_probe.hpp"
#include "log_capture.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;
using vek::common_lib::report_capture_t;
using vek::test::cvec_t;
using vek::test::demod_input_probe_t;
using vek::test::gaussian_noise;

namespace {

constexpr const char* k_fail1_line = "Input data is too short, frame sync fail1!!!!!!!!!!!!!!!!!!!!!!!!!!\n";
constexpr const char* k_fail2_line = "Input data is too short, frame sync fail2!!!!!!!!!!!!!!!!!!!!!!!!!!\n";

// A frame of `symbols` symbols, FFT length n, cyclic prefix cp, no gaps; bodies are white
// Gaussian (the time samples of a fully loaded OFDM symbol), placed after `delay` idle samples
// and followed by `tail` idle samples; noise of power noise_power everywhere.
struct capture_t {
    cvec_t samples;
    std::vector<cvec_t> bodies;
};

capture_t make_capture(int n, int cp, int symbols, int delay, int tail, float noise_power,
                       std::uint32_t seed) {
    capture_t c;
    c.samples.assign(static_cast<std::size_t>(delay), {0.0f, 0.0f});
    for (int k = 0; k < symbols; ++k) {
        cvec_t body = gaussian_noise(static_cast<std::size_t>(n), 1.0f, seed + static_cast<std::uint32_t>(k));
        c.samples.insert(c.samples.end(), body.end() - cp, body.end());
        c.samples.insert(c.samples.end(), body.begin(), body.end());
        c.bodies.push_back(std::move(body));
    }
    c.samples.resize(c.samples.size() + static_cast<std::size_t>(tail), {0.0f, 0.0f});
    if (noise_power > 0.0f) {
        const cvec_t noise = gaussian_noise(c.samples.size(), noise_power, seed + 1000);
        for (std::size_t i = 0; i < noise.size(); ++i) c.samples[i] += noise[i];
    }
    return c;
}

cvec_t concat_bodies(const capture_t& c, const std::vector<std::int32_t>& sync) {
    cvec_t ref;
    for (std::int32_t s : sync)
        ref.insert(ref.end(), c.bodies[static_cast<std::size_t>(s)].begin(),
                   c.bodies[static_cast<std::size_t>(s)].end());
    return ref;
}

// Configures a probe for the capture and runs the stage; returns the samples before rotation.
cvec_t run_sync(demod_input_probe_t& demod, const capture_t& c, int n, float cp_fraction, int symbols,
                lib_ofdm_synchronization_mode_t mode, const std::vector<std::int32_t>& sync) {
    auto cfg = vek::test::make_frame_config(n, cp_fraction, symbols);
    cfg.set_synchronization_mode(mode);
    EXPECT_TRUE(demod.set_ofdm_demod_info(cfg));
    report_capture_t quiet;
    EXPECT_TRUE(demod.set_sample_data(c.samples));
    demod.m_sync_ref = concat_bodies(c, sync);
    demod.m_sync_ref_len = static_cast<std::int32_t>(demod.m_sync_ref.size());
    demod.m_sync_sym_index = sync;
    const cvec_t before = demod.m_sample_data;
    EXPECT_TRUE(demod._deal_ofdm_frame_sync());
    return before;
}

}  // namespace

TEST(DemodSignalCorr, NormalisedMagnitudeWithOneBasedStarts) {
    const cvec_t y = gaussian_noise(8, 1.0f, 5);
    cvec_t x(3, {0.0f, 0.0f});
    for (const auto& v : y) x.push_back(v * std::complex<float>(0.0f, -2.5f));  // scaled and rotated copy
    EXPECT_NEAR(common::deal_signal_corr(x, y, 4, 1, 8), 1.0f, 1e-5f);
    EXPECT_NEAR(common::deal_signal_corr(x, y, 6, 3, 6), 1.0f, 1e-5f);
    // Orthogonal halves: [1, 1] against [1, -1].
    EXPECT_NEAR(common::deal_signal_corr({{1, 0}, {1, 0}}, {{1, 0}, {-1, 0}}, 1, 1, 2), 0.0f, 1e-7f);
    // [1, 0] against [1, 1]: 1 / sqrt(1 * 2).
    EXPECT_NEAR(common::deal_signal_corr({{1, 0}, {0, 0}}, {{1, 0}, {1, 0}}, 1, 1, 2), 1.0f / std::sqrt(2.0f),
                1e-6f);
    // Silence and windows outside the vectors give 0.
    EXPECT_EQ(common::deal_signal_corr(x, y, 1, 1, 3), 0.0f);
    EXPECT_EQ(common::deal_signal_corr(x, y, 5, 1, 8), 0.0f);
    EXPECT_EQ(common::deal_signal_corr(x, y, 0, 1, 2), 0.0f);
    EXPECT_EQ(common::deal_signal_corr(x, y, 1, 1, 0), 0.0f);
}

TEST(DemodPeakSelection, EarlierNearlyEqualPeakWins) {
    float peak = -1.0f;
    std::int32_t index = -1;
    common::deal_max_corr_sel({0.50f, 0.20f, 0.10f, 0.30f, 0.52f}, peak, index);
    EXPECT_EQ(index, 0);
    EXPECT_FLOAT_EQ(peak, 0.50f);
    // Both positions lie in the highest peak's neighbourhood: the highest stands.
    common::deal_max_corr_sel({0.90f, 0.95f}, peak, index);
    EXPECT_EQ(index, 1);
    EXPECT_FLOAT_EQ(peak, 0.95f);
    // Two positions away is still the same peak; three away is a distinct one.
    common::deal_max_corr_sel({0.1f, 0.94f, 0.0f, 0.95f}, peak, index);
    EXPECT_EQ(index, 3);
    common::deal_max_corr_sel({0.94f, 0.1f, 0.0f, 0.95f}, peak, index);
    EXPECT_EQ(index, 0);
    // A later nearly equal peak, or an earlier one 0.05 or more below, does not win.
    common::deal_max_corr_sel({0.2f, 0.0f, 0.0f, 0.0f, 0.95f, 0.0f, 0.0f, 0.0f, 0.93f}, peak, index);
    EXPECT_EQ(index, 4);
    common::deal_max_corr_sel({0.80f, 0.0f, 0.0f, 0.0f, 0.95f}, peak, index);
    EXPECT_EQ(index, 4);
    // Ties: the first maximum.
    common::deal_max_corr_sel({0.3f, 0.7f, 0.7f}, peak, index);
    EXPECT_EQ(index, 1);
    common::deal_max_corr_sel({}, peak, index);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(peak, 0.0f);
}

TEST(DemodThresholdCrossing, StrictlyAboveInOrder) {
    std::vector<std::int32_t> out{9};
    EXPECT_EQ(common::find_greater_pnt({0.5f, 0.9f, 0.91f, 0.2f, 1.0f}, 0.9f, out), 5);
    EXPECT_EQ(out, (std::vector<std::int32_t>{2, 4}));
    EXPECT_EQ(common::find_greater_pnt({}, 0.0f, out), 0);
    EXPECT_TRUE(out.empty());
}

TEST(DemodCpCorrelation, PrefixAndItsCopyGiveOne) {
    // Body of 16 with a 4-sample prefix starting at index 3.
    const cvec_t body = gaussian_noise(16, 1.0f, 8);
    cvec_t d(3, {0.0f, 0.0f});
    d.insert(d.end(), body.end() - 4, body.end());
    d.insert(d.end(), body.begin(), body.end());
    d.resize(d.size() + 3, {0.0f, 0.0f});
    std::vector<float> metric;
    float m = -1.0f;
    // Starts 0 ... 6 fit (p + 16 + 4 <= 26); 7 and 8 run past the data and stay 0.
    common::cp_corr_search(d, 4, 16, 9, metric, m);
    ASSERT_EQ(metric.size(), 9u);
    EXPECT_NEAR(metric[3], 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(m, metric[3]);
    for (std::size_t p : {0u, 1u, 2u, 4u, 5u, 6u}) EXPECT_LT(metric[p], metric[3]) << p;
    EXPECT_EQ(metric[7], 0.0f);
    EXPECT_EQ(metric[8], 0.0f);
}

TEST(DemodFrameSync, FindsTheFrameAtKnownDelaysInBothModes) {
    const int n = 64;
    const int cp = 16;
    const int symbols = 6;
    for (auto mode :
         {LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION, LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX}) {
        for (int delay : {0, 1, 2, 37, 100, 255, 501}) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << " delay " << delay);
            const capture_t c =
                make_capture(n, cp, symbols, delay, 60, 0.003f, 100 + static_cast<std::uint32_t>(delay));
            demod_input_probe_t demod;
            vek::test::log_capture_t logs;
            const cvec_t before = run_sync(demod, c, n, 0.25f, symbols, mode, {0, 1});
            EXPECT_LE(std::abs(demod.m_ofdm_frame_dly - delay), 2);
            EXPECT_EQ(demod.m_ofdm_frame_dly % 2, 0);
            const auto& result = demod.get_ofdm_demod_result();
            EXPECT_EQ(result.m_frame_dly, demod.m_ofdm_frame_dly);
            // At half rate an odd delay leaves half a sample of misalignment, which costs correlation.
            EXPECT_GT(result.m_ofdm_sync_corr, delay % 2 == 0 ? 0.8f : 0.6f);
            EXPECT_LE(result.m_ofdm_sync_corr, 1.0f);
            EXPECT_EQ(demod.m_fine_search_len, 10);
            EXPECT_TRUE(logs.has_message(fmt::format("ofdm_frame_dly is {}, ofdm_sync_corr is {}",
                                                     demod.m_ofdm_frame_dly, result.m_ofdm_sync_corr)));
            // The found start now sits at sample 5.
            ASSERT_EQ(demod.m_sample_data.size(), before.size());
            const std::size_t size = before.size();
            for (std::size_t i = 0; i < size; ++i) {
                const std::size_t from =
                    (i + size - 5 + static_cast<std::size_t>(demod.m_ofdm_frame_dly)) % size;
                ASSERT_EQ(demod.m_sample_data[i], before[from]) << i;
            }
        }
    }
}

TEST(DemodFrameSync, SynchronisesOnLaterSymbolsToo) {
    // Sync on symbols 2 and 4 (pilot symbols of a frame without preamble), longer FFT.
    const int n = 128;
    const int cp = 32;
    const int symbols = 5;
    for (auto mode :
         {LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION, LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX}) {
        const capture_t c = make_capture(n, cp, symbols, 200, 40, 0.01f, 77);
        demod_input_probe_t demod;
        vek::test::log_capture_t logs;
        run_sync(demod, c, n, 0.25f, symbols, mode, {2, 4});
        EXPECT_LE(std::abs(demod.m_ofdm_frame_dly - 200), 2) << mode;
        EXPECT_GT(demod.get_ofdm_demod_result().m_ofdm_sync_corr, 0.8f);
    }
}

TEST(DemodFrameSync, NoiselessFrameAtAnEvenDelayIsExact) {
    const capture_t c = make_capture(64, 16, 4, 100, 30, 0.0f, 9);
    demod_input_probe_t demod;
    vek::test::log_capture_t logs;
    run_sync(demod, c, 64, 0.25f, 4, LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION, {0, 1});
    EXPECT_EQ(demod.m_ofdm_frame_dly, 100);
    EXPECT_GT(demod.get_ofdm_demod_result().m_ofdm_sync_corr, 0.95f);
}

TEST(DemodFrameSync, DataAsLongAsTheSearchScoresOnlyStartZero) {
    const capture_t c = make_capture(64, 16, 2, 0, 0, 0.0f, 21);
    ASSERT_EQ(c.samples.size(), 160u);
    demod_input_probe_t demod;
    vek::test::log_capture_t logs;
    const cvec_t before =
        run_sync(demod, c, 64, 0.25f, 2, LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION, {0});
    EXPECT_EQ(demod.m_ofdm_frame_dly, 0);
    // Rotated right by 5: the last five samples move to the front.
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(demod.m_sample_data[i], before[155 + i]);
    EXPECT_EQ(demod.m_sample_data[5], before[0]);
}

TEST(DemodFrameSync, NoSynchronisationSymbolsReportAndStartAtZero) {
    const capture_t c = make_capture(64, 16, 3, 40, 20, 0.0f, 31);
    for (auto mode :
         {LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION, LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX}) {
        demod_input_probe_t demod;
        vek::test::log_capture_t logs;
        auto cfg = vek::test::make_frame_config(64, 0.25f, 3);
        cfg.set_synchronization_mode(mode);
        ASSERT_TRUE(demod.set_ofdm_demod_info(cfg));
        report_capture_t lines;
        ASSERT_TRUE(demod.set_sample_data(c.samples));
        const cvec_t before = demod.m_sample_data;
        demod.m_sync_sym_index.clear();
        lines.clear();
        EXPECT_TRUE(demod._deal_ofdm_frame_sync());
        const bool time_mode = mode == LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION;
        EXPECT_EQ(lines.text(), time_mode ? k_fail1_line : k_fail2_line);
        EXPECT_TRUE(
            logs.has_message(time_mode ? "Input data is too short, frame sync fail, synchronization_mode is "
                                         "LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION"
                                       : "Input data is too short, frame sync fail, synchronization_mode is "
                                         "LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX"));
        EXPECT_EQ(demod.m_ofdm_frame_dly, 0);
        EXPECT_EQ(demod.get_ofdm_demod_result().m_ofdm_sync_corr, 0.0f);
        EXPECT_EQ(demod.m_sample_data[5], before[0]);
    }
}

TEST(DemodFrameSync, SilentCaptureInPrefixModeHasNoCandidate) {
    demod_input_probe_t demod;
    vek::test::log_capture_t logs;
    ASSERT_TRUE(demod.set_ofdm_demod_info(vek::test::make_frame_config(64, 0.25f, 2)));
    report_capture_t lines;
    ASSERT_TRUE(demod.set_sample_data(cvec_t(400)));
    demod.m_sync_ref = gaussian_noise(64, 1.0f, 4);
    demod.m_sync_sym_index = {0};
    lines.clear();
    demod._deal_ofdm_frame_sync();
    EXPECT_EQ(lines.text(), k_fail2_line);
    EXPECT_EQ(demod.m_ofdm_frame_dly, 0);
    EXPECT_EQ(demod.get_ofdm_demod_result().m_ofdm_sync_corr, 0.0f);
}

TEST(DemodFrameSync, UnknownModeStartsAtZeroSilently) {
    float peak = 0.0f;
    std::int32_t delay = 7;
    report_capture_t lines;
    const cvec_t data = gaussian_noise(300, 1.0f, 6);
    common::deal_coarse_search(data, cvec_t(data.begin(), data.begin() + 64),
                               static_cast<lib_ofdm_synchronization_mode_t>(7), 64, {16, 16}, 300, {16}, 160,
                               {0}, peak, delay);
    EXPECT_EQ(delay, 0);
    EXPECT_EQ(peak, 0.0f);
    EXPECT_TRUE(lines.text().empty());
}

TEST(DemodFrameSync, ShortAndInconsistentInputsStayInsideTheVectors) {
    // Whatever the sizes, the search returns an even start inside the data and a peak in 0 ... 1
    // (run under the address sanitiser to catch reads outside a vector).
    vek::test::log_capture_t logs;
    report_capture_t lines;
    const std::vector<std::vector<std::int32_t>> interval_sets{{}, {2}, {3, 5, 1}};
    const std::vector<std::vector<std::int32_t>> sync_sets{{}, {0}, {5}, {-1, 0}, {0, 2}};
    for (std::size_t size : {0u, 1u, 2u, 5u, 17u, 40u}) {
        const cvec_t data = gaussian_noise(size, 1.0f, static_cast<std::uint32_t>(size));
        for (std::size_t ref_size : {0u, 3u, 64u}) {
            const cvec_t ref = gaussian_noise(ref_size, 1.0f, 99);
            for (std::int32_t n : {0, 1, 4, 16}) {
                for (const auto& intervals : interval_sets) {
                    for (const auto& sync : sync_sets) {
                        for (std::int32_t data_len :
                             {static_cast<std::int32_t>(size), static_cast<std::int32_t>(size) + 50}) {
                            for (std::int32_t search : {0, 10}) {
                                for (auto mode : {LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION,
                                                  LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX}) {
                                    float peak = 0.0f;
                                    std::int32_t delay = -1;
                                    common::deal_coarse_search(data, ref, mode, n, intervals, data_len,
                                                               {1, 4}, search, sync, peak, delay);
                                    ASSERT_GE(delay, 0);
                                    ASSERT_EQ(delay % 2, 0);
                                    ASSERT_LE(static_cast<std::size_t>(delay), size);
                                    ASSERT_GE(peak, 0.0f);
                                    ASSERT_LE(peak, 1.0001f);
                                }
                            }
                        }
                    }
                }
            }
        }
    }
    // The stage rotates buffers shorter than its lead-in as well.
    demod_input_probe_t demod;
    demod.m_sample_data = {{1, 0}, {2, 0}, {3, 0}};
    demod.m_sample_data_len = 3;
    demod.m_search_len = 160;
    EXPECT_TRUE(demod._deal_ofdm_frame_sync());
    EXPECT_EQ(demod.m_sample_data, (cvec_t{{2, 0}, {3, 0}, {1, 0}}));  // right by 5 = right by 2
}
