// Length rules, segmentation rule, spectrum rotation, multi-thread path and the plan manager.
#include <gtest/gtest.h>

#include <thread>

#include "fft_reference.hpp"
#include "vek/common_lib/fft/lib_common_multi_thread.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/fft/lib_pocket_fft_plan_manager.hpp"
#include "vek/common_lib/report/report.hpp"

using vek::common_lib::LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX;
using vek::common_lib::lib_common_multi_thread_t;
using vek::common_lib::lib_fourier_transform_t;
using vek::common_lib::report_capture_t;
using vek::common_lib::pocket_fft_interface::lib_pocket_fft_plan_manager_t;
using namespace vek_test;

TEST(FftLengthRule, PadsToRequestedLengthButNeverTruncates)
{
    const cvec_t x = random_vector(100, 1u);

    cvec_t padded = x;
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(padded, 128));
    ASSERT_EQ(padded.size(), 128u);
    cvec_t zero_padded = x;
    zero_padded.resize(128);
    EXPECT_LE(relative_l2_error(padded, reference_dft(zero_padded, -1)), 1e-5);

    for (std::uint32_t request : {0u, 64u, 100u}) {
        cvec_t y = x;
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(y, request));
        ASSERT_EQ(y.size(), 100u) << "request " << request;
        EXPECT_LE(relative_l2_error(y, reference_dft(x, -1)), 1e-5);
    }
}

TEST(FftLengthRule, InverseScalesByPaddedLength)
{
    // A constant 1 over 4 bins padded to 8: x[0] = 4/8.
    cvec_t x(4, {1.0f, 0.0f});
    ASSERT_TRUE(lib_fourier_transform_t::deal_ifft(x, 8));
    ASSERT_EQ(x.size(), 8u);
    EXPECT_FLOAT_EQ(x[0].real(), 0.5f);
}

TEST(FftLengthRule, MultiThreadPathFollowsTheSameRules)
{
    const cvec_t x = random_vector(1000, 2u);
    cvec_t single = x;
    cvec_t multi = x;
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(single, 1024));
    ASSERT_TRUE(lib_fourier_transform_t::deal_multi_thread_fft(multi, 2, 1024));
    ASSERT_EQ(multi.size(), 1024u);
    EXPECT_LE(relative_l2_error(multi, single), 1e-6);

    ASSERT_TRUE(lib_fourier_transform_t::deal_multi_thread_ifft(multi, 2, 0));
    ASSERT_EQ(multi.size(), 1024u);
    cvec_t expected = x;
    expected.resize(1024);
    EXPECT_LE(relative_l2_error(multi, expected), 1e-5);
}

TEST(FftLengthRule, ZeroThreadsReportsAndLeavesDataUntouched)
{
    const cvec_t x = random_vector(32, 3u);
    for (bool inverse : {false, true}) {
        cvec_t y = x;
        report_capture_t capture;
        const bool ok = inverse ? lib_fourier_transform_t::deal_multi_thread_ifft(y, 0, 64)
                                : lib_fourier_transform_t::deal_multi_thread_fft(y, 0, 64);
        EXPECT_TRUE(ok);
        EXPECT_EQ(y, x);
        EXPECT_EQ(capture.text(), "lib_fourier_transform_t::deal_multi_thread_ifft Report : Illegal Thread Number!\n");
    }
}

TEST(FftSegmentation, SingleTransformUpToTheLimit)
{
    std::uint32_t m = 0;
    EXPECT_TRUE(lib_fourier_transform_t::_deal_data_segmentation(1u, m));
    EXPECT_EQ(m, 1u);
    EXPECT_TRUE(lib_fourier_transform_t::_deal_data_segmentation(LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX, m));
    EXPECT_EQ(m, 1u);
}

TEST(FftSegmentation, SmallestDivisorNotBelowTheSegmentCount)
{
    std::uint32_t m = 0;
    EXPECT_TRUE(lib_fourier_transform_t::_deal_data_segmentation(2u * LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX, m));
    EXPECT_EQ(m, 2u);
    EXPECT_TRUE(lib_fourier_transform_t::_deal_data_segmentation(3u * LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX, m));
    EXPECT_EQ(m, 3u);
    // 43,515,905 = 5 x 8,703,181: 2, 3 and 4 do not divide it.
    EXPECT_TRUE(lib_fourier_transform_t::_deal_data_segmentation(LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX + 1u, m));
    EXPECT_EQ(m, 5u);
}

TEST(FftSegmentation, RuleAgreesWithBruteForceSearch)
{
    // Independent statement of the rule: every segment fits in one transform and is at least
    // 2048 points, m divides L, and m is the smallest such count.
    for (std::uint32_t length = LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX + 1u;
         length < LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX + 400u; ++length) {
        std::uint32_t expected = 0;
        for (std::uint32_t m = 2; m <= length / 2048u && expected == 0; ++m) {
            if (length % m == 0u && length / m <= LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX) expected = m;
        }
        std::uint32_t m = 0;
        const bool ok = lib_fourier_transform_t::_deal_data_segmentation(length, m);
        EXPECT_EQ(ok, expected != 0u) << length;
        if (ok) {
            EXPECT_EQ(m, expected) << length;
        }
    }
}

TEST(FftSegmentation, PrimeAboveTheLimitCannotBeSegmented)
{
    auto is_prime = [](std::uint32_t v) {
        for (std::uint32_t d = 2; d * d <= v; ++d) {
            if (v % d == 0u) return false;
        }
        return true;
    };
    std::uint32_t prime = LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX + 1u;
    while (!is_prime(prime)) ++prime;
    std::uint32_t m = 7;
    EXPECT_FALSE(lib_fourier_transform_t::_deal_data_segmentation(prime, m));
    EXPECT_EQ(m, 1u);
}

TEST(FftSegmentation, SegmentedTransformIsTheLongSpectrumDecimated)
{
    // Averaging the m segment spectra of an L-point block equals the L-point spectrum at every
    // m-th bin divided by m (forward); the inverse, scaled 1/S per segment, equals the L-point
    // inverse at every m-th sample. Data shorter than L exercises a short and a skipped segment.
    const std::uint32_t length = 1200;
    const std::uint32_t m = 4;
    for (std::size_t size : {1200u, 1000u, 500u}) {
        const cvec_t x = random_vector(size, static_cast<unsigned>(size));
        cvec_t padded = x;
        padded.resize(length);
        for (bool inverse : {false, true}) {
            cvec_t y = x;
            ASSERT_TRUE(lib_fourier_transform_t::_deal_segmented_transform(y, length, m, inverse));
            ASSERT_EQ(y.size(), length / m);
            const dvec_t full = reference_dft(padded, inverse ? +1 : -1);
            dvec_t expected(length / m);
            for (std::size_t j = 0; j < expected.size(); ++j) {
                expected[j] = full[j * m] / static_cast<double>(inverse ? length : m);
            }
            EXPECT_LE(relative_l2_error(y, expected), 1e-5) << size << (inverse ? " inverse" : " forward");
        }
    }
    cvec_t y = random_vector(10, 1u);
    EXPECT_FALSE(lib_fourier_transform_t::_deal_segmented_transform(y, 10, 3, false));
}

TEST(FftShift, MovesZeroFrequencyToTheCentre)
{
    auto shifted = [](std::vector<float> values) {
        cvec_t v;
        for (float f : values) v.emplace_back(f, 0.0f);
        lib_fourier_transform_t::fft_shift(v);
        std::vector<float> out;
        for (const auto& z : v) out.push_back(z.real());
        return out;
    };
    EXPECT_EQ(shifted({0, 1, 2, 3, 4}), (std::vector<float>{3, 4, 0, 1, 2}));
    EXPECT_EQ(shifted({0, 1, 2, 3}), (std::vector<float>{2, 3, 0, 1}));
    EXPECT_EQ(shifted({0}), (std::vector<float>{0}));
    EXPECT_TRUE(shifted({}).empty());
}

TEST(FftPlanManager, RejectsLengthShorterThanData)
{
    const cvec_t x = random_vector(10, 4u);
    cvec_t y = x;
    report_capture_t capture;
    EXPECT_FALSE(lib_pocket_fft_plan_manager_t::deal_transform(8, y, false, 1));
    EXPECT_EQ(y, x);
    EXPECT_EQ(capture.text(), "lib_fft_plan_manager_t::deal_transform Report : Input data length NOT match!\n");
}

TEST(FftPlanManager, ZeroLengthTransformsNothing)
{
    cvec_t empty;
    report_capture_t capture;
    EXPECT_FALSE(lib_fourier_transform_t::deal_fft(empty));
    EXPECT_TRUE(empty.empty());
    EXPECT_FALSE(capture.text().empty());
}

TEST(FftPlanManager, ReusesOnePlanPerLengthDirectionAndThreads)
{
    cvec_t x = random_vector(777, 5u);
    ASSERT_TRUE(lib_pocket_fft_plan_manager_t::deal_transform(777, x, false, 1));
    const std::size_t plans = lib_pocket_fft_plan_manager_t::get_cached_plan_number();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(lib_pocket_fft_plan_manager_t::deal_transform(777, x, false, 1));
    EXPECT_EQ(lib_pocket_fft_plan_manager_t::get_cached_plan_number(), plans);
    ASSERT_TRUE(lib_pocket_fft_plan_manager_t::deal_transform(777, x, true, 1));
    EXPECT_EQ(lib_pocket_fft_plan_manager_t::get_cached_plan_number(), plans + 1u);
}

TEST(FftPlanManager, ConcurrentCallersGetCorrectResults)
{
    // Several threads plan and execute new lengths at once; each must see its own DFT.
    std::vector<double> errors(6, 1.0);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < errors.size(); ++t) {
        workers.emplace_back([t, &errors] {
            const std::size_t n = 300u + 37u * t;
            const cvec_t x = random_vector(n, static_cast<unsigned>(t));
            double worst = 0.0;
            for (int round = 0; round < 20; ++round) {
                cvec_t y = x;
                lib_fourier_transform_t::deal_fft(y);
                lib_fourier_transform_t::deal_ifft(y);
                worst = std::max(worst, relative_l2_error(y, x));
            }
            errors[t] = worst;
        });
    }
    for (auto& w : workers) w.join();
    for (double e : errors) EXPECT_LE(e, 1e-5);
}

TEST(FftThreads, DefaultWorkerCountRule)
{
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(0), 6u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(1), 1u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(2), 1u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(3), 1u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(8), 6u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(18), 16u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(19), 16u);
    EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(128), 16u);
    EXPECT_EQ(lib_common_multi_thread_t::get_default_thread_number(),
              lib_common_multi_thread_t::get_thread_number_for_hardware(std::thread::hardware_concurrency()));
}
