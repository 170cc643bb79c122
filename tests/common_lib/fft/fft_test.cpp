// The FFT service against an O(N^2) DFT in double, by round trip and Parseval; its length and
// segmentation rules, the centred spectrum, concurrent callers of the plan cache and the worker-count rule.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "fft_reference.hpp"
#include "lib_fft_wisdom.hpp"
#include "random_signal.hpp"
#include "vek/common_lib/fft/lib_common_multi_thread.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/fft/lib_pocket_fft_plan_manager.hpp"
#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/report/report.hpp"

using namespace vek::common_lib;
using vek::test::uniform_complex;
using namespace vek_test;
using vek::common_lib::pocket_fft_interface::lib_pocket_fft_plan_manager_t;

namespace {

// Single-precision FFTs of uniform data stay near 1e-7 relative error; 1e-5 leaves room for the
// log2(N) growth of rounding without hiding a wrong twiddle or index (those give errors near 1).
constexpr double MAX_RELATIVE_ERROR = 1e-5;

cvec_t tone(std::size_t n, double bin, float amplitude)
{
    cvec_t x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = std::polar(amplitude, static_cast<float>(2.0 * 3.14159265358979323846 * bin *
                                                        static_cast<double>(i) / static_cast<double>(n)));
    return x;
}

}  // namespace

TEST(FftAccuracy, ForwardAndInverseMatchDft)
{
    // Every length up to 1024, then primes (Bluestein/Rader paths), mixed radices and 10^4.
    std::vector<std::size_t> lengths{1031, 2310, 4096, 4999, 7919, 9973, 10000};
    for (std::size_t n = 1; n <= 1024; ++n) lengths.push_back(n);
    // The transform into a separate output reads its input without changing it.
    for (std::size_t n : lengths) {
        const cvec_t x = uniform_complex(n, static_cast<unsigned>(n));
        cvec_t forward = x, inverse = x, input = x, separate;
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(forward));
        ASSERT_TRUE(lib_fourier_transform_t::deal_ifft(inverse));
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(input, separate));
        ASSERT_EQ(forward.size(), n);
        const auto expected = reference_dft(x, -1);
        EXPECT_LE(relative_l2_error(forward, expected), MAX_RELATIVE_ERROR) << "forward, N = " << n;
        EXPECT_LE(relative_l2_error(separate, expected), MAX_RELATIVE_ERROR) << "separate output, N = " << n;
        EXPECT_EQ(input, x) << n;
        for (auto& z : inverse) z *= static_cast<float>(n);
        EXPECT_LE(relative_l2_error(inverse, reference_dft(x, +1)), MAX_RELATIVE_ERROR)
            << "inverse, N = " << n;
    }
}

TEST(FftAccuracy, LongLengthsRoundTripAndKeepParseval)
{
    for (std::size_t n : {65536u, 524287u, 1000000u}) {
        const cvec_t x = uniform_complex(n, 7u);
        cvec_t y = x;
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(y));
        // Parseval with an unscaled forward transform: sum |X|^2 = N sum |x|^2.
        double time_energy = 0.0;
        double freq_energy = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            time_energy += std::norm(std::complex<double>(x[i]));
            freq_energy += std::norm(std::complex<double>(y[i]));
        }
        EXPECT_NEAR(freq_energy / (static_cast<double>(n) * time_energy), 1.0, 1e-5) << "N = " << n;
        ASSERT_TRUE(lib_fourier_transform_t::deal_ifft(y));
        EXPECT_LE(relative_l2_error(y, x), MAX_RELATIVE_ERROR) << "N = " << n;
    }
}

// The presets' search spans (WLAN 5,120 points, LTE 76,800) run the algorithms recorded in the
// compiled-in wisdom where FFTW takes it: spot bins against direct sums, in both the in-place and
// the separate-output forms (different plans).
TEST(FftWisdom, PresetSearchSpansMatchDirectSums)
{
    for (std::size_t n : {5120u, 76800u}) {
        const cvec_t x = uniform_complex(n, 11u);
        cvec_t in_place = x, separate;
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(in_place));
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(x, separate));
        const dvec_t twiddle = exact_twiddles(n, -1);
        // Each bin's error against the spectrum's RMS, sqrt(N sum |x|^2 / N).
        double energy = 0.0;
        for (const auto& v : x) energy += std::norm(std::complex<double>(v));
        const double rms = std::sqrt(energy);
        for (std::size_t k : {std::size_t{0}, std::size_t{1}, n / 3, n / 2, n / 2 + 1, n - 7, n - 1, 997 % n}) {
            const std::complex<double> expected = reference_bin(x, twiddle, k);
            EXPECT_LE(std::abs(std::complex<double>(in_place[k]) - expected), 1e-5 * rms) << n << " bin " << k;
            EXPECT_LE(std::abs(std::complex<double>(separate[k]) - expected), 1e-5 * rms) << n << " bin " << k;
        }
    }
}

// FFTW takes the compiled-in wisdom whenever it was recorded by a planner like this process's (the
// same FFTW build offering the same SIMD codelets: the signature heading any exported wisdom); a
// damaged record would be refused there. On another kind of machine the estimates stand.
TEST(FftWisdom, TakenWhereRecordedForThisPlanner)
{
    const std::string shipped = vek::common_lib::pocket_fft_interface::detail::shipped_fft_wisdom();
    const auto signature = [](const std::string& wisdom) { return wisdom.substr(0, wisdom.find('\n')); };
    ASSERT_FALSE(shipped.empty());
    const std::string here = lib_pocket_fft_plan_manager_t::export_wisdom();
    if (signature(shipped) != signature(here))
        GTEST_SKIP() << "wisdom recorded for " << signature(shipped) << ", this planner is " << signature(here);
    EXPECT_TRUE(lib_pocket_fft_plan_manager_t::shipped_wisdom_accepted());
}

TEST(FftLengthRule, PadsToRequestedLengthNeverTruncatesScalesByPaddedLengthAndRefuses)
{
    const cvec_t x = uniform_complex(100, 1u);
    cvec_t padded = x, zero_padded = x;
    zero_padded.resize(128);
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(padded, 128));
    ASSERT_EQ(padded.size(), 128u);
    EXPECT_LE(relative_l2_error(padded, reference_dft(zero_padded, -1)), 1e-5);
    cvec_t separate;  // into a separate output: padded the same way
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(x, separate, 128));
    EXPECT_EQ(separate, padded);
    for (std::uint32_t request : {0u, 64u}) {
        cvec_t y = x;
        ASSERT_TRUE(lib_fourier_transform_t::deal_fft(y, request));
        ASSERT_EQ(y.size(), 100u) << "request " << request;
        EXPECT_LE(relative_l2_error(y, reference_dft(x, -1)), 1e-5);
    }
    // A constant 1 over 4 bins padded to 8: x[0] = 4/8.
    cvec_t ones(4, {1.0f, 0.0f});
    ASSERT_TRUE(lib_fourier_transform_t::deal_ifft(ones, 8));
    ASSERT_EQ(ones.size(), 8u);
    EXPECT_FLOAT_EQ(ones[0].real(), 0.5f);

    // The multi-thread path follows the same rules.
    cvec_t multi = x;
    ASSERT_TRUE(lib_fourier_transform_t::deal_multi_thread_fft(multi, 2, 128));
    EXPECT_LE(relative_l2_error(multi, padded), 1e-6);
    ASSERT_TRUE(lib_fourier_transform_t::deal_multi_thread_ifft(multi, 2, 0));
    ASSERT_EQ(multi.size(), 128u);
    EXPECT_LE(relative_l2_error(multi, zero_padded), 1e-5);

    // Refusals leave the data untouched: no threads, a plan shorter than the data, no data.
    cvec_t y = x;
    report_capture_t capture;
    EXPECT_TRUE(lib_fourier_transform_t::deal_multi_thread_fft(y, 0, 128));
    EXPECT_EQ(capture.text(),
              "lib_fourier_transform_t::deal_multi_thread_ifft Report : Illegal Thread Number!\n");
    EXPECT_FALSE(lib_pocket_fft_plan_manager_t::deal_transform(64, y, false, 1));
    EXPECT_TRUE(
        capture.contains("lib_fft_plan_manager_t::deal_transform Report : Input data length NOT match!\n"));
    EXPECT_EQ(y, x);
    cvec_t empty;
    EXPECT_FALSE(lib_fourier_transform_t::deal_fft(empty));
}

TEST(FftSegmentation, RuleAgreesWithBruteForceSearch)
{
    std::uint32_t m = 0;
    EXPECT_TRUE(lib_fourier_transform_t::_deal_data_segmentation(LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX, m));
    EXPECT_EQ(m, 1u);
    // Independent statement of the rule: every segment fits in one transform and is at least
    // 2048 points, m divides L, and m is the smallest such count; m = 1 when none exists (primes).
    int unsegmentable = 0;
    for (std::uint32_t length = LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX + 1u;
         length < LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX + 400u; ++length) {
        std::uint32_t expected = 0;
        for (std::uint32_t k = 2; k <= length / 2048u && expected == 0; ++k) {
            if (length % k == 0u && length / k <= LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX) expected = k;
        }
        m = 7;
        EXPECT_EQ(lib_fourier_transform_t::_deal_data_segmentation(length, m), expected != 0u) << length;
        EXPECT_EQ(m, expected == 0u ? 1u : expected) << length;
        unsegmentable += expected == 0u;
    }
    EXPECT_GT(unsegmentable, 0);
}

TEST(FftSegmentation, SegmentedTransformIsTheLongSpectrumDecimated)
{
    // Averaging the m segment spectra of an L-point block equals the L-point spectrum at every
    // m-th bin divided by m (forward); the inverse, scaled 1/S per segment, equals the L-point
    // inverse at every m-th sample. Data shorter than L exercises a short and a skipped segment.
    const std::uint32_t length = 1200;
    const std::uint32_t m = 4;
    for (std::size_t size : {1200u, 500u}) {
        const cvec_t x = uniform_complex(size, static_cast<unsigned>(size));
        cvec_t padded = x;
        padded.resize(length);
        for (bool inverse : {false, true}) {
            cvec_t y = x;
            ASSERT_TRUE(lib_fourier_transform_t::_deal_segmented_transform(y, length, m, inverse));
            ASSERT_EQ(y.size(), length / m);
            const dvec_t full = reference_dft(padded, inverse ? +1 : -1);
            dvec_t expected(length / m);
            for (std::size_t j = 0; j < expected.size(); ++j)
                expected[j] = full[j * m] / static_cast<double>(inverse ? length : m);
            EXPECT_LE(relative_l2_error(y, expected), 1e-5) << size << (inverse ? " inverse" : " forward");
        }
    }
    cvec_t y = uniform_complex(10, 1u);
    EXPECT_FALSE(lib_fourier_transform_t::_deal_segmented_transform(y, 10, 3, false));
}

TEST(FftSpectrum, ShiftAndCentredToneWithItsAmplitude)
{
    cvec_t odd{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};  // even lengths are covered by the spectra below
    lib_fourier_transform_t::fft_shift(odd);
    EXPECT_EQ(odd, (cvec_t{{3, 0}, {4, 0}, {0, 0}, {1, 0}, {2, 0}}));
    // Unit-sum rectangle window: a bin-centred tone of amplitude A reads A in bin k + n/2, and
    // e^(+j 2 pi k n / N) is a positive frequency.
    for (double bin : {10.0, -7.0}) {
        cvec_t spectrum;
        lib_fourier_transform_t::calc_freq_spectrum(tone(256, bin, 2.0f), spectrum, false,
                                                    LIB_WINDOW_RECTANGLE);
        EXPECT_NEAR(std::abs(spectrum[static_cast<std::size_t>(128 + bin)]), 2.0f, 1e-5f) << bin;
        EXPECT_NEAR(std::abs(spectrum[static_cast<std::size_t>(128 - bin)]), 0.0f, 1e-4f) << bin;
    }
    // Normalised, on the single-thread (1000) and worker-pool (70000) paths: peak 1 in its bin,
    // and Hann leakage ten bins away far below 1e-2 (the rectangle's would not be).
    for (std::size_t n : {1000u, 70000u}) {
        cvec_t spectrum;
        lib_fourier_transform_t::calc_freq_spectrum(tone(n, 25.0, 0.3f), spectrum, true, LIB_WINDOW_HANN);
        ASSERT_EQ(spectrum.size(), n);
        EXPECT_NEAR(std::abs(spectrum[n / 2 + 25u]), 1.0f, 1e-6f) << n;
        EXPECT_LT(std::abs(spectrum[n / 2 + 35u]), 1e-2f) << n;
    }
}

TEST(FftPlanManager, ServesConcurrentCallers)
{
    // Several threads plan and execute new lengths at once; each must get its own data back.
    std::vector<double> errors(6, 0.0);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < errors.size(); ++t) {
        workers.emplace_back([t, &errors] {
            const cvec_t in = uniform_complex(300u + 37u * t, static_cast<unsigned>(t));
            for (int round = 0; round < 20; ++round) {
                cvec_t y = in;
                errors[t] += lib_fourier_transform_t::deal_fft(y) && lib_fourier_transform_t::deal_ifft(y)
                                 ? relative_l2_error(y, in)
                                 : 1.0;
            }
        });
    }
    for (auto& w : workers) w.join();
    for (double e : errors) EXPECT_LE(e, 20 * 1e-5);
}

TEST(FftThreads, DefaultWorkerCountRule)
{
    const std::pair<std::uint32_t, std::uint32_t> rule[] = {{0, 6}, {2, 1},   {3, 1},
                                                            {8, 6}, {18, 16}, {19, 16}};
    for (const auto& [hardware, workers] : rule)
        EXPECT_EQ(lib_common_multi_thread_t::get_thread_number_for_hardware(hardware), workers) << hardware;
    EXPECT_EQ(lib_common_multi_thread_t::get_default_thread_number(),
              lib_common_multi_thread_t::get_thread_number_for_hardware(std::thread::hardware_concurrency()));
}
