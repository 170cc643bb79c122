// Windowed, centred spectrum: bin placement, window scaling, normalisation, both length paths.
#include <gtest/gtest.h>

#include <cmath>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/filter/lib_window_function.hpp"

using namespace vek::common_lib;
using cvec_t = std::vector<std::complex<float>>;

namespace {

cvec_t tone(std::size_t n, double bin, float amplitude)
{
    cvec_t x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * bin * static_cast<double>(i) / static_cast<double>(n);
        x[i] = {amplitude * static_cast<float>(std::cos(a)), amplitude * static_cast<float>(std::sin(a))};
    }
    return x;
}

std::size_t peak_index(const cvec_t& x)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        if (std::abs(x[i]) > std::abs(x[best])) best = i;
    }
    return best;
}

}  // namespace

TEST(FreqSpectrum, ToneAppearsAtCentredBinWithItsAmplitude)
{
    // Unit-sum rectangle window: a bin-centred tone of amplitude A reads A in its bin, which the
    // shift moves from k to k + floor(n/2) (negative bins wrap to the lower half).
    for (double bin : {10.0, -7.0}) {
        const std::size_t n = 256;
        cvec_t spectrum;
        lib_fourier_transform_t::calc_freq_spectrum(tone(n, bin, 2.0f), spectrum, false, LIB_WINDOW_RECTANGLE);
        ASSERT_EQ(spectrum.size(), n);
        const auto expected = static_cast<std::size_t>(static_cast<long>(n / 2) + static_cast<long>(bin));
        EXPECT_EQ(peak_index(spectrum), expected);
        EXPECT_NEAR(std::abs(spectrum[expected]), 2.0f, 1e-5f);
    }
}

TEST(FreqSpectrum, NormalisedPeakIsOneOnBothLengthPaths)
{
    // 1000 points take the single-thread path, 70000 the worker pool.
    for (std::size_t n : {1000u, 70000u}) {
        cvec_t spectrum;
        lib_fourier_transform_t::calc_freq_spectrum(tone(n, 25.0, 0.3f), spectrum, true, LIB_WINDOW_HANN);
        ASSERT_EQ(spectrum.size(), n);
        EXPECT_EQ(peak_index(spectrum), n / 2 + 25u) << n;
        EXPECT_NEAR(std::abs(spectrum[n / 2 + 25u]), 1.0f, 1e-6f) << n;
        // Hann leakage falls off fast: ten bins from the tone it is far below 1e-2 of the peak
        // (a missing window would leave the rectangle's leakage, or a wrong shift the peak elsewhere).
        EXPECT_LT(std::abs(spectrum[n / 2 + 35u]), 1e-2f) << n;
    }
}
