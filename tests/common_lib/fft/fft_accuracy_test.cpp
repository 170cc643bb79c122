// Accuracy of the FFT service against an O(N^2) DFT in double, and by round trip and Parseval.
#include <gtest/gtest.h>

#include "fft_reference.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"

using vek::common_lib::lib_fourier_transform_t;
using namespace vek_test;

namespace {

// Single-precision FFTs of uniform data stay near 1e-7 relative error; 1e-5 leaves room for the
// log2(N) growth of rounding without hiding a wrong twiddle or index (those give errors near 1).
constexpr double MAX_RELATIVE_ERROR = 1e-5;

void check_length(std::size_t n)
{
    const cvec_t x = random_vector(n, static_cast<unsigned>(n));

    cvec_t forward = x;
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(forward));
    ASSERT_EQ(forward.size(), n);
    EXPECT_LE(relative_l2_error(forward, reference_dft(x, -1)), MAX_RELATIVE_ERROR) << "forward, N = " << n;

    cvec_t inverse = x;
    ASSERT_TRUE(lib_fourier_transform_t::deal_ifft(inverse));
    dvec_t expected = reference_dft(x, +1);
    for (auto& v : expected) v /= static_cast<double>(n);
    EXPECT_LE(relative_l2_error(inverse, expected), MAX_RELATIVE_ERROR) << "inverse, N = " << n;
}

}  // namespace

TEST(FftAccuracy, EveryLengthUpTo1024MatchesDft)
{
    for (std::size_t n = 1; n <= 1024; ++n) check_length(n);
}

TEST(FftAccuracy, PrimeAndCompositeLengthsUpTo10000MatchDft)
{
    // Primes (Bluestein/Rader paths), a power of two, mixed radices and 10^4 itself.
    for (std::size_t n : {1031u, 2310u, 4096u, 4999u, 7919u, 9973u, 10000u}) check_length(n);
}

TEST(FftAccuracy, LongLengthsRoundTripAndKeepParseval)
{
    for (std::size_t n : {65536u, 100003u, 524287u, 1000000u}) {
        const cvec_t x = random_vector(n, 7u);
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

TEST(FftAccuracy, ImpulseAndConstantAreTransformPairs)
{
    cvec_t impulse(16, {0.0f, 0.0f});
    impulse[0] = {1.0f, 0.0f};
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(impulse));
    for (const auto& v : impulse) {
        EXPECT_FLOAT_EQ(v.real(), 1.0f);
        EXPECT_FLOAT_EQ(v.imag(), 0.0f);
    }

    cvec_t ones(12, {1.0f, 0.0f});
    ASSERT_TRUE(lib_fourier_transform_t::deal_ifft(ones));
    EXPECT_NEAR(ones[0].real(), 1.0f, 1e-6f);
    for (std::size_t i = 1; i < ones.size(); ++i) EXPECT_NEAR(std::abs(ones[i]), 0.0f, 1e-6f);
}

TEST(FftAccuracy, ToneLandsInItsBinWithPositiveFrequencyConvention)
{
    // e^(+j 2 pi 5 n / 64) must appear in bin 5 with amplitude N (unscaled forward).
    const std::size_t n = 64;
    cvec_t tone(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * 5.0 * static_cast<double>(i) / static_cast<double>(n);
        tone[i] = {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))};
    }
    ASSERT_TRUE(lib_fourier_transform_t::deal_fft(tone));
    EXPECT_NEAR(tone[5].real(), 64.0f, 1e-4f);
    EXPECT_NEAR(tone[59].real(), 0.0f, 1e-4f);
}
