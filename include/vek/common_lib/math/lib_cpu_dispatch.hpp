#pragma once
// Run-time choice of wider vector code on x86 with GCC. VEK_CLONE_FOR_AVX / VEK_CLONE_FOR_AVX2 in
// front of a function with plain loops builds a 256-bit copy of it next to the baseline one, picked
// when the library loads; VEK_HAS_WIDE_KERNELS guards hand-written 256-bit kernels (target("avx")
// functions on float8_t), which run where cpu_has_avx() is true. The libraries never fuse a product
// and a sum (-ffp-contract=off), so every copy gives the baseline's bits. Elsewhere the macros are
// empty and only the baseline code exists.

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__clang__)
#define VEK_HAS_WIDE_KERNELS 1
#define VEK_CLONE_FOR_AVX __attribute__((target_clones("avx", "default")))
#define VEK_CLONE_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#define VEK_TARGET_AVX __attribute__((target("avx")))
#else
#define VEK_HAS_WIDE_KERNELS 0
#define VEK_CLONE_FOR_AVX
#define VEK_CLONE_FOR_AVX2
#define VEK_TARGET_AVX
#endif

namespace vek::common_lib::cpu {

#if VEK_HAS_WIDE_KERNELS
// Eight single-precision lanes (one 256-bit register); only for VEK_TARGET_AVX functions.
using float8_t = float __attribute__((vector_size(32)));

inline bool cpu_has_avx()
{
    static const bool available = __builtin_cpu_supports("avx") != 0;
    return available;
}

// Eight floats from p (any alignment).
VEK_TARGET_AVX inline float8_t load8(const float* p)
{
    float8_t v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

// Real and imaginary parts of the eight interleaved complex samples in a and b.
VEK_TARGET_AVX inline float8_t real_parts8(float8_t a, float8_t b)
{
    return __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
}
VEK_TARGET_AVX inline float8_t imag_parts8(float8_t a, float8_t b)
{
    return __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
}
#else
inline bool cpu_has_avx() { return false; }
#endif

}  // namespace vek::common_lib::cpu
