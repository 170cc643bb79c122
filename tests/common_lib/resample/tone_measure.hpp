#pragma once
// Independent measurements of a complex tone, for checking that resampling keeps frequency and
// amplitude.
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace vek_test {

using cvec = std::vector<std::complex<float>>;

inline cvec make_tone(std::size_t length, double amplitude, double cycles_per_sample, double phase_rad = 0.0) {
    constexpr double kPi = 3.14159265358979323846;
    cvec x(length);
    for (std::size_t n = 0; n < length; ++n) {
        const double phase = 2.0 * kPi * cycles_per_sample * static_cast<double>(n) + phase_rad;
        x[n] = std::complex<float>(static_cast<float>(amplitude * std::cos(phase)),
                                   static_cast<float>(amplitude * std::sin(phase)));
    }
    return x;
}

// Frequency in cycles per sample from the mean phase step over [from, to).
inline double measure_frequency(const cvec& x, std::size_t from, std::size_t to) {
    constexpr double kPi = 3.14159265358979323846;
    std::complex<double> acc(0.0, 0.0);
    for (std::size_t n = from + 1; n < to; ++n) {
        acc += std::complex<double>(x[n]) * std::conj(std::complex<double>(x[n - 1]));
    }
    return std::arg(acc) / (2.0 * kPi);
}

// RMS amplitude over [from, to).
inline double measure_amplitude(const cvec& x, std::size_t from, std::size_t to) {
    double energy = 0.0;
    for (std::size_t n = from; n < to; ++n) energy += std::norm(std::complex<double>(x[n]));
    return std::sqrt(energy / static_cast<double>(to - from));
}

// Largest |x[n] - y[n]| over [from, to).
inline double max_difference(const cvec& x, const cvec& y, std::size_t from, std::size_t to) {
    double worst = 0.0;
    for (std::size_t n = from; n < to; ++n) {
        worst = std::max(worst, static_cast<double>(std::abs(x[n] - y[n])));
    }
    return worst;
}

}  // namespace vek_test
