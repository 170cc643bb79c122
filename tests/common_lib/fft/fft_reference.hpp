#pragma once
// Slow, exact references for the FFT tests: an O(N^2) DFT in double with an exact twiddle table.
#include <cmath>
#include <complex>
#include <cstddef>
#include <random>
#include <vector>
#include "random_signal.hpp"

namespace vek_test {

using cvec_t = std::vector<std::complex<float>>;
using dvec_t = std::vector<std::complex<double>>;

// X[k] = sum x[n] e^(sign j 2 pi k n / N), unscaled; twiddles indexed by (k n) mod N so that no
// phase is ever formed from a large product.
inline dvec_t reference_dft(const cvec_t& x, int sign)
{
    const std::size_t n = x.size();
    std::vector<double> cos_table(n);
    std::vector<double> sin_table(n);
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2.0 * pi * static_cast<double>(i) / static_cast<double>(n);
        cos_table[i] = std::cos(a);
        sin_table[i] = sign * std::sin(a);
    }
    dvec_t out(n);
    for (std::size_t k = 0; k < n; ++k) {
        double re = 0.0;
        double im = 0.0;
        std::size_t index = 0;
        for (std::size_t m = 0; m < n; ++m) {
            const double xr = x[m].real();
            const double xi = x[m].imag();
            re += xr * cos_table[index] - xi * sin_table[index];
            im += xr * sin_table[index] + xi * cos_table[index];
            index += k;
            if (index >= n) index -= n;
        }
        out[k] = {re, im};
    }
    return out;
}

// ||a - b|| / ||b|| in double.
inline double relative_l2_error(const cvec_t& a, const dvec_t& b)
{
    double err = 0.0;
    double ref = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        err += std::norm(std::complex<double>(a[i]) - b[i]);
        ref += std::norm(b[i]);
    }
    return ref == 0.0 ? std::sqrt(err) : std::sqrt(err / ref);
}

inline double relative_l2_error(const cvec_t& a, const cvec_t& b)
{
    return relative_l2_error(a, dvec_t(b.begin(), b.end()));
}

inline cvec_t random_vector(std::size_t n, unsigned seed) { return vek::test::uniform_complex(n, seed); }

}  // namespace vek_test
