#pragma once
// Seeded random complex vectors shared by tests and benchmarks: the same seed gives the same
// vector on every machine.
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

namespace vek::test {

// Real and imaginary parts uniform in [-1, 1).
inline std::vector<std::complex<float>> uniform_complex(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<std::complex<float>> v(n);
    for (auto& z : v) z = {dist(gen), dist(gen)};
    return v;
}

// Real and imaginary parts standard normal (complex Gaussian of power 2).
inline std::vector<std::complex<float>> gaussian_complex(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<float> g;
    std::vector<std::complex<float>> v(n);
    for (auto& z : v) z = {g(gen), g(gen)};
    return v;
}

}  // namespace vek::test
