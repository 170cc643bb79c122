// Frame synchronisation: correlation measure, the peak rule, the threshold crossing, and the
// search finding synthetic frames at known delays in both modes.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>

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

constexpr auto k_time = LIB_OFDM_SYNCHRONIZATION_MODE_TIME_CORRELATION;
constexpr auto k_prefix = LIB_OFDM_SYNCHRONIZATION_MODE_CYCLIC_PREFIX;

// `symbols` symbols of FFT length 64 with a 16-sample prefix, white Gaussian bodies (the time
// samples of a fully loaded OFDM symbol), after `delay` and before 60 idle samples; noise of
// power noise_power everywhere. Returns the capture and the bodies.
std::pair<cvec_t, std::vector<cvec_t>> make_capture(int symbols, int delay, float noise_power,
                                                    std::uint32_t seed) {
    cvec_t x(static_cast<std::size_t>(delay));
    std::vector<cvec_t> bodies;
    for (int k = 0; k < symbols; ++k) {
        bodies.push_back(gaussian_noise(64, 1.0f, seed + static_cast<std::uint32_t>(k)));
        x.insert(x.end(), bodies.back().end() - 16, bodies.back().end());
        x.insert(x.end(), bodies.back().begin(), bodies.back().end());
    }
    x.resize(x.size() + 60);
    if (noise_power > 0.0f) {
        const cvec_t noise = gaussian_noise(x.size(), noise_power, seed + 1000);
        for (std::size_t i = 0; i < x.size(); ++i) x[i] += noise[i];
    }
    return {x, bodies};
}

vek::ofdm_demod_lib::lib_ofdm_config_manager_t sync_config(lib_ofdm_synchronization_mode_t mode,
                                                           int symbols) {
    auto cfg = vek::test::make_frame_config(64, 0.25f, symbols);
    cfg.set_synchronization_mode(mode);
    return cfg;
}

}  // namespace

TEST(DemodSignalCorr, NormalisedMagnitudeWithOneBasedStarts) {
    // x[1 ... 2] = [1, 0] against y = [2j, 3]: |-2j| / sqrt(1 * 13) (a start off by one either
    // way gives 3 / sqrt(13) or 0); the scaled copy x[1] against y[1]: 1; silence and windows
    // outside the vectors: 0.
    const cvec_t x{{0, 0}, {1, 0}, {0, 0}}, y{{0, 2}, {3, 0}};
    EXPECT_NEAR(common::deal_signal_corr(x, y, 2, 1, 2), 2.0f / std::sqrt(13.0f), 1e-6f);
    EXPECT_NEAR(common::deal_signal_corr(x, y, 2, 2, 1), 1.0f, 1e-6f);
    EXPECT_EQ(common::deal_signal_corr(x, y, 3, 1, 1), 0.0f);
    EXPECT_EQ(common::deal_signal_corr(x, y, 3, 1, 2), 0.0f);
    EXPECT_EQ(common::deal_signal_corr(x, y, 0, 1, 2), 0.0f);
}

TEST(DemodPeakSelection, EarlierNearlyEqualPeakOutsideTheNeighbourhoodWins) {
    float peak = -1.0f;
    std::int32_t index = -1;
    // Within 0.05 of the highest and three or more positions before it: the earlier one wins;
    // two positions away is the same peak; later or lower peaks do not win.
    const std::pair<std::vector<float>, std::int32_t> cases[] = {
        {{0.94f, 0.1f, 0.0f, 0.95f}, 0},
        {{0.1f, 0.94f, 0.0f, 0.95f}, 3},
        {{0.80f, 0.0f, 0.0f, 0.0f, 0.95f, 0.0f, 0.0f, 0.0f, 0.93f}, 4}};
    for (const auto& [corr, expected] : cases) {
        common::deal_max_corr_sel(corr, peak, index);
        EXPECT_EQ(index, expected);
        EXPECT_EQ(peak, corr[static_cast<std::size_t>(expected)]);
    }
}

TEST(DemodThresholdCrossing, StrictlyAboveInOrder) {
    std::vector<std::int32_t> out{9};
    EXPECT_EQ(common::find_greater_pnt({0.5f, 0.9f, 0.91f, 0.2f, 1.0f}, 0.9f, out), 5);
    EXPECT_EQ(out, (std::vector<std::int32_t>{2, 4}));
}

TEST(DemodFrameSync, FindsTheFrameAtKnownDelaysInBothModes) {
    // Delays even and odd, and sync symbols at the start or later in the frame (pilot symbols
    // of a frame without preamble); noiseless at an even delay the start is exact.
    struct case_t {
        int delay;
        float noise;
        std::vector<std::int32_t> sync;
    };
    for (auto mode : {k_time, k_prefix}) {
        for (const case_t& c :
             {case_t{0, 0.003f, {0, 1}}, case_t{37, 0.003f, {0, 1}}, case_t{501, 0.003f, {0, 1}},
              case_t{200, 0.01f, {2, 4}}, case_t{100, 0.0f, {0, 1}}}) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << " delay " << c.delay);
            const auto [samples, bodies] =
                make_capture(6, c.delay, c.noise, 100 + static_cast<std::uint32_t>(c.delay));
            demod_input_probe_t demod;
            vek::test::log_capture_t logs;
            report_capture_t quiet;
            ASSERT_TRUE(demod.set_ofdm_demod_info(sync_config(mode, 6)));
            ASSERT_TRUE(demod.set_sample_data(samples));
            demod.m_sync_ref.clear();
            for (std::int32_t s : c.sync)
                demod.m_sync_ref.insert(demod.m_sync_ref.end(), bodies[static_cast<std::size_t>(s)].begin(),
                                        bodies[static_cast<std::size_t>(s)].end());
            demod.m_sync_ref_len = static_cast<std::int32_t>(demod.m_sync_ref.size());
            demod.m_sync_sym_index = c.sync;
            const cvec_t before = demod.m_sample_data;
            ASSERT_TRUE(demod._deal_ofdm_frame_sync());
            const auto& result = demod.get_ofdm_demod_result();
            EXPECT_LE(std::abs(demod.m_ofdm_frame_dly - c.delay), c.noise == 0.0f && mode == k_time ? 0 : 2);
            EXPECT_EQ(demod.m_ofdm_frame_dly % 2, 0);
            EXPECT_EQ(result.m_frame_dly, demod.m_ofdm_frame_dly);
            // At half rate an odd delay leaves half a sample of misalignment, which costs correlation.
            EXPECT_GT(result.m_ofdm_sync_corr, c.delay % 2 == 0 ? 0.8f : 0.6f);
            EXPECT_LE(result.m_ofdm_sync_corr, 1.0f);
            EXPECT_EQ(demod.m_fine_search_len, 10);
            // The found start now sits at sample 5 of the frame order. The stage only records the
            // rotation: the channel power reads the frame where it lies (or performs the rotation
            // first where its span would wrap) and measures what the rotated samples give.
            const long n = static_cast<long>(before.size());
            cvec_t rotated = before;
            std::rotate(rotated.begin(), rotated.begin() + (demod.m_ofdm_frame_dly + n - 5) % n,
                        rotated.end());
            demod_input_probe_t settled = demod;
            settled._settle_frame_origin();
            EXPECT_EQ(settled.m_sample_data, rotated);
            demod._deal_ofdm_channel_power();
            settled._deal_ofdm_channel_power();
            EXPECT_EQ(demod.get_ofdm_demod_result().m_channel_power,
                      settled.get_ofdm_demod_result().m_channel_power);
        }
    }
}

TEST(DemodFrameSync, NoSynchronisationSymbolsReportAndStartAtZero) {
    for (auto mode : {k_time, k_prefix}) {
        demod_input_probe_t demod;
        vek::test::log_capture_t logs;
        ASSERT_TRUE(demod.set_ofdm_demod_info(sync_config(mode, 3)));
        report_capture_t lines;
        ASSERT_TRUE(demod.set_sample_data(make_capture(3, 40, 0.0f, 31).first));
        const cvec_t before = demod.m_sample_data;
        demod.m_sync_sym_index.clear();
        lines.clear();
        EXPECT_TRUE(demod._deal_ofdm_frame_sync());
        EXPECT_EQ(lines.text(),
                  fmt::format("Input data is too short, frame sync fail{}!!!!!!!!!!!!!!!!!!!!!!!!!!\n",
                              mode == k_time ? 1 : 2));
        EXPECT_EQ(demod.m_ofdm_frame_dly, 0);
        EXPECT_EQ(demod.get_ofdm_demod_result().m_ofdm_sync_corr, 0.0f);
        demod._settle_frame_origin();
        EXPECT_EQ(demod.m_sample_data[5], before[0]);
    }
}

TEST(DemodFrameSync, SearchReadsOnlyTheHalfRateSamplesItForms) {
    // The half-rate samples are formed only where the search reads them, in storage kept per
    // thread. After a search over a capture of NaN (which leaves NaN wherever it formed samples),
    // a search must find, to the bit, what it finds on a fresh thread: a read of samples it did
    // not form would carry the NaN. The second synchronisation symbol moves through the frame, so
    // that its windows end on either side of every boundary of the stretches formed together; at
    // the longer delay the prefix correlation's last copy ends just past such a boundary.
    constexpr int symbols = 40;
    const std::vector<std::int32_t> intervals(symbols, 16);
    for (const int frame_delay : {301, 890}) {
        const auto [samples, bodies] = make_capture(symbols, frame_delay, 0.003f, 11);
        const cvec_t poison(samples.size(), {std::numeric_limits<float>::quiet_NaN(), 0.0f});
        for (std::int32_t second = 1; second < symbols; ++second) {
            const std::vector<std::int32_t> sync = {0, second};
            cvec_t reference = bodies[0];
            reference.insert(reference.end(), bodies[static_cast<std::size_t>(second)].begin(),
                             bodies[static_cast<std::size_t>(second)].end());
            const auto search = [&](const cvec_t& data, lib_ofdm_synchronization_mode_t mode, float& peak,
                                    std::int32_t& delay) {
                common::deal_coarse_search(data, reference, mode, 64, intervals,
                                           static_cast<std::int32_t>(data.size()), {16}, symbols * 80, sync,
                                           peak, delay);
            };
            for (auto mode : {k_time, k_prefix}) {
                float fresh_peak = 0.0f, peak = 0.0f, unused_peak = 0.0f;
                std::int32_t fresh_delay = -1, delay = -1, unused_delay = -1;
                std::thread([&] { search(samples, mode, fresh_peak, fresh_delay); }).join();
                search(poison, k_time, unused_peak, unused_delay);
                search(samples, mode, peak, delay);
                ASSERT_EQ(delay, fresh_delay) << mode << " " << second;
                ASSERT_EQ(std::memcmp(&peak, &fresh_peak, sizeof peak), 0) << mode << " " << second;
                ASSERT_NEAR(fresh_delay, frame_delay, 2) << mode << " " << second;
            }
        }
    }
}

TEST(DemodFrameSync, ShortAndInconsistentInputsStayInsideTheVectors) {
    // Whatever the sizes, the search returns an even start inside the data and a peak in 0 ... 1
    // (run under the address sanitiser to catch reads outside a vector).
    vek::test::log_capture_t logs;
    report_capture_t lines;
    using list_t = std::vector<std::int32_t>;
    for (std::size_t size : {0u, 5u, 40u})
        for (std::size_t ref_size : {0u, 3u, 64u})
            for (std::int32_t n : {0, 16})
                for (const list_t& intervals : {list_t{}, list_t{3, 5, 1}})
                    for (const list_t& sync : {list_t{}, list_t{5}, list_t{-1, 0}})
                        for (auto mode : {k_time, k_prefix}) {
                            float peak = 0.0f;
                            std::int32_t delay = -1;
                            common::deal_coarse_search(gaussian_noise(size, 1.0f, 7),
                                                       gaussian_noise(ref_size, 1.0f, 99), mode, n, intervals,
                                                       static_cast<std::int32_t>(size) + 50, {1, 4}, 10, sync,
                                                       peak, delay);
                            ASSERT_TRUE(delay >= 0 && delay % 2 == 0 &&
                                        static_cast<std::size_t>(delay) <= size)
                                << delay;
                            ASSERT_TRUE(peak >= 0.0f && peak <= 1.0001f) << peak;
                        }
    // The stage rotates buffers shorter than its lead-in as well.
    demod_input_probe_t demod;
    demod.m_sample_data = {{1, 0}, {2, 0}, {3, 0}};
    demod.m_sample_data_len = 3;
    demod.m_search_len = 160;
    EXPECT_TRUE(demod._deal_ofdm_frame_sync());
    demod._settle_frame_origin();
    EXPECT_EQ(demod.m_sample_data, (cvec_t{{2, 0}, {3, 0}, {1, 0}}));  // right by 5 = right by 2
}
