#pragma once
// Slow, exact frequency response of a tap vector, for checking designs independently of the
// FFT service.
#include <cmath>
#include <complex>
#include <vector>

namespace vek_test {

// |H(f)| with f Nyquist-normalised (1.0 = half the sample rate): H(f) = sum h[n] e^(-j pi f n),
// evaluated in double.
inline double dtft_magnitude(const std::vector<std::complex<float>>& taps, double freq) {
    constexpr double kPi = 3.14159265358979323846;
    std::complex<double> sum(0.0, 0.0);
    for (std::size_t n = 0; n < taps.size(); ++n) {
        const double phase = -kPi * freq * static_cast<double>(n);
        sum += std::complex<double>(taps[n]) * std::complex<double>(std::cos(phase), std::sin(phase));
    }
    return std::abs(sum);
}

inline double to_db(double magnitude) { return 20.0 * std::log10(magnitude); }

}  // namespace vek_test
