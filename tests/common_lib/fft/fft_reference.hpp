#pragma once
// Slow, exact reference for the transform and filter tests: an O(N^2) DFT in double with an
// exact twiddle table.
#include <cmath>
#include <complex>
#include <vector>

namespace vek_test {

using cvec_t = std::vector<std::complex<float>>;
using dvec_t = std::vector<std::complex<double>>;

// e^(sign j 2 pi i / N) for i = 0 ... N-1.
inline dvec_t exact_twiddles(std::size_t n, int sign)
{
    dvec_t twiddle(n);
    for (std::size_t i = 0; i < n; ++i) {
        twiddle[i] = std::polar(
            1.0, sign * 2.0 * 3.14159265358979323846 * static_cast<double>(i) / static_cast<double>(n));
    }
    return twiddle;
}

// X[k] = sum x[n] e^(sign j 2 pi k n / N), unscaled; twiddles indexed by (k n) mod N so that no
// phase is ever formed from a large product.
inline std::complex<double> reference_bin(const cvec_t& x, const dvec_t& twiddle, std::size_t k)
{
    const std::size_t n = x.size();
    std::complex<double> sum;
    for (std::size_t m = 0, index = 0; m < n; ++m) {
        sum += std::complex<double>(x[m]) * twiddle[index];
        index += k;
        if (index >= n) index -= n;
    }
    return sum;
}

inline dvec_t reference_dft(const cvec_t& x, int sign)
{
    const dvec_t twiddle = exact_twiddles(x.size(), sign);
    dvec_t out(x.size());
    for (std::size_t k = 0; k < x.size(); ++k) out[k] = reference_bin(x, twiddle, k);
    return out;
}

// ||a - b|| / ||b|| in double; infinite when the lengths differ.
inline double relative_l2_error(const cvec_t& a, const dvec_t& b)
{
    if (a.size() != b.size()) return HUGE_VAL;
    double err = 0.0;
    double ref = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        err += std::norm(std::complex<double>(a[i]) - b[i]);
        ref += std::norm(b[i]);
    }
    return ref == 0.0 ? std::sqrt(err) : std::sqrt(err / ref);
}

inline double relative_l2_error(const cvec_t& a, const cvec_t& b) {
    return relative_l2_error(a, dvec_t(b.begin(), b.end()));
}

}  // namespace vek_test
