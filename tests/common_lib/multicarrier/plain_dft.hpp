#pragma once
// Slow, exact references for the multicarrier tests: a DFT evaluated term by term in long double
// at any (also fractional) bin, independent of the library's FFT.
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace vek::test {

// X(bin) = sum_n x[n] e^(-j 2 pi bin n / length), bin in units of 1/length cycles per sample.
inline std::complex<double> plain_dft_bin(const std::vector<std::complex<float>>& x, std::size_t first,
                                          std::size_t length, long double bin) {
    const long double two_pi = 6.283185307179586476925286766559L;
    std::complex<long double> sum(0.0L, 0.0L);
    for (std::size_t n = 0; n < length; ++n) {
        const long double angle =
            -two_pi * bin * static_cast<long double>(n) / static_cast<long double>(length);
        const std::complex<long double> sample(x[first + n].real(), x[first + n].imag());
        sum += sample * std::complex<long double>(std::cos(angle), std::sin(angle));
    }
    return {static_cast<double>(sum.real()), static_cast<double>(sum.imag())};
}

}  // namespace vek::test
