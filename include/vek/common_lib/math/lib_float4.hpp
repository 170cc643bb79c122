#pragma once
// Four single-precision lanes through the GCC/Clang vector extension (the target's baseline SIMD),
// for the hot kernels that keep their sums in registers: unaligned loads and stores, a broadcast,
// and the lane shuffles that split interleaved complex samples. Lane arithmetic is plain IEEE
// single precision, so a kernel that adds in the same order as its scalar form gives the same bits.
#include <complex>
#include <cstring>

namespace vek::common_lib::float4 {

using float4_t = float __attribute__((vector_size(16)));

inline float4_t load(const float* p)
{
    float4_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Two complex samples, interleaved (re, im, re, im).
inline float4_t load(const std::complex<float>* p) { return load(reinterpret_cast<const float*>(p)); }

inline void store(float* p, float4_t v) { std::memcpy(p, &v, sizeof v); }

inline float4_t splat(float x) { return float4_t{x, x, x, x}; }

// The first complex sample of each of two interleaved pairs: (a.re0, a.im0, b.re0, b.im0).
inline float4_t first_samples(float4_t a, float4_t b) { return __builtin_shufflevector(a, b, 0, 1, 4, 5); }
// The second complex sample of each: (a.re1, a.im1, b.re1, b.im1).
inline float4_t second_samples(float4_t a, float4_t b) { return __builtin_shufflevector(a, b, 2, 3, 6, 7); }

// Real and imaginary parts of the four interleaved samples in a and b.
inline float4_t real_parts(float4_t a, float4_t b) { return __builtin_shufflevector(a, b, 0, 2, 4, 6); }
inline float4_t imag_parts(float4_t a, float4_t b) { return __builtin_shufflevector(a, b, 1, 3, 5, 7); }

}  // namespace vek::common_lib::float4
