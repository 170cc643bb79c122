// The cell products and quotients on 256-bit registers, where the processor has them.
#include <cstddef>
#include <cstring>

#include "lib_ofdm_cell_arith.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

#if VEK_HAS_WIDE_KERNELS
#include <immintrin.h>
#endif

namespace vek::ofdm_demod_lib::detail::cell_arith_detail {

#if VEK_HAS_WIDE_KERNELS
namespace {

// Four cells per register, kept interleaved: with a = (ar, ai) and b = (br, bi), the products
// a * br and swap(a) * bi give (ar br, ai br) and (ai bi, ar bi); subtracting in the real lane and
// adding in the imaginary one forms ar br - ai bi and ai br + ar bi, the same products and the same
// single roundings as the four-lane loop (a sum's two terms commute exactly).
VEK_TARGET_AVX inline __m256 products4(__m256 x, __m256 y) {
    const __m256 real_products = _mm256_mul_ps(x, _mm256_moveldup_ps(y));
    const __m256 swapped_products = _mm256_mul_ps(_mm256_permute_ps(x, 0xB1), _mm256_movehdup_ps(y));
    return _mm256_addsub_ps(real_products, swapped_products);
}

// Cells k ... k + 3 formed by operator* (its recovery of infinite and NaN inputs), all four read
// before any is written, as out may be a or b. Out of line: the loops stay free of its frame.
__attribute__((noinline)) void recover_products4(const complex_t* a, const complex_t* b, std::size_t b_step,
                                                 complex_t* out, std::size_t k) {
    complex_t formed[4];
    for (std::size_t i = 0; i < 4; ++i) formed[i] = a[k + i] * b[(k + i) * b_step];
    for (std::size_t i = 0; i < 4; ++i) out[k + i] = formed[i];
}

// The cells k ... k + 3 of a times theirs of b (b_step 1) or times b[0] (b_step 0) into out; cells
// with a NaN part (an infinite or NaN input) are formed by operator* instead.
VEK_TARGET_AVX inline void store_products4(const complex_t* a, const complex_t* b, std::size_t b_step,
                                           complex_t* out, std::size_t k, __m256 cells, bool recover_nan) {
    if (recover_nan && _mm256_movemask_ps(_mm256_cmp_ps(cells, cells, _CMP_UNORD_Q)) != 0) {
        recover_products4(a, b, b_step, out, k);
        return;
    }
    _mm256_storeu_ps(reinterpret_cast<float*>(out + k), cells);
}

// One loop per kind of second factor, so that neither the choice nor the broadcast factor is
// re-read in the loop (the factor goes to a register straight from b: assembled on the stack it
// would be read back before its parts' stores had drained, a stall in every call).
VEK_TARGET_AVX std::size_t multiply_avx(const complex_t* a, const complex_t* b, std::size_t b_step,
                                        complex_t* out, std::size_t n, bool recover_nan) {
    const auto* af = reinterpret_cast<const float*>(a);
    const auto* bf = reinterpret_cast<const float*>(b);
    std::size_t k = 0;
    if (b_step == 0) {
        double both_parts;  // b[0]'s two floats, broadcast as one 64-bit lane
        std::memcpy(&both_parts, b, sizeof both_parts);
        const __m256 factor = _mm256_castpd_ps(_mm256_set1_pd(both_parts));
        for (; k + 4 <= n; k += 4)
            store_products4(a, b, 0, out, k, products4(_mm256_loadu_ps(af + 2 * k), factor), recover_nan);
        return k;
    }
    for (; k + 4 <= n; k += 4) {
        const __m256 cells = products4(_mm256_loadu_ps(af + 2 * k), _mm256_loadu_ps(bf + 2 * k));
        store_products4(a, b, 1, out, k, cells, recover_nan);
    }
    return k;
}

}  // namespace
#endif

// The quotients take the lanes only where lib_common_math_t::divide_complex is itself the
// double-precision formula.
#if VEK_HAS_WIDE_KERNELS && VEK_INLINE_COMPLEX_DIVISION
#define VEK_WIDE_QUOTIENTS 1
namespace {

// Re and im parts of the four interleaved complex floats at p, widened to double.
VEK_TARGET_AVX inline void load_parts(const complex_t* p, __m256d& re, __m256d& im) {
    const auto* f = reinterpret_cast<const float*>(p);
    const __m128 lo = _mm_loadu_ps(f);
    const __m128 hi = _mm_loadu_ps(f + 4);
    re = _mm256_cvtps_pd(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    im = _mm256_cvtps_pd(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
}

// Quotients k ... k + 3 by the scalar form, all four read before any is written (out may be a or
// b). Out of line: the loop stays free of its frame.
__attribute__((noinline)) void recover_quotients4(const complex_t* a, const complex_t* b, complex_t* out,
                                                  std::size_t k) {
    complex_t quotients[4];
    for (std::size_t i = 0; i < 4; ++i)
        quotients[i] = common_lib::lib_common_math_t::divide_complex(a[k + i], b[k + i]);
    for (std::size_t i = 0; i < 4; ++i) out[k + i] = quotients[i];
}

// Four quotients per pass, each part ((ac + bd) / (cc + dd) and (bc - ad) / (cc + dd)) formed with
// the scalar form's double operations in its order and rounded to single once; a quotient whose
// parts are both NaN is left to the scalar form (the library's recovery of infinities).
VEK_TARGET_AVX std::size_t divide_avx(const complex_t* a, const complex_t* b, complex_t* out, std::size_t n) {
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        __m256d ar, ai, br, bi;
        load_parts(a + k, ar, ai);
        load_parts(b + k, br, bi);
        const __m256d denominator = _mm256_add_pd(_mm256_mul_pd(br, br), _mm256_mul_pd(bi, bi));
        const __m128 re = _mm256_cvtpd_ps(
            _mm256_div_pd(_mm256_add_pd(_mm256_mul_pd(ar, br), _mm256_mul_pd(ai, bi)), denominator));
        const __m128 im = _mm256_cvtpd_ps(
            _mm256_div_pd(_mm256_sub_pd(_mm256_mul_pd(ai, br), _mm256_mul_pd(ar, bi)), denominator));
        if (_mm_movemask_ps(_mm_and_ps(_mm_cmpunord_ps(re, re), _mm_cmpunord_ps(im, im))) != 0) {
            recover_quotients4(a, b, out, k);
            continue;
        }
        auto* of = reinterpret_cast<float*>(out + k);
        _mm_storeu_ps(of, _mm_unpacklo_ps(re, im));
        _mm_storeu_ps(of + 4, _mm_unpackhi_ps(re, im));
    }
    return k;
}

}  // namespace
#endif

std::size_t divide_wide(const complex_t* a, const complex_t* b, complex_t* out, std::size_t n) {
#if defined(VEK_WIDE_QUOTIENTS)
    if (common_lib::cpu::cpu_has_avx()) return divide_avx(a, b, out, n);
#endif
    static_cast<void>(a);
    static_cast<void>(b);
    static_cast<void>(out);
    static_cast<void>(n);
    return 0;
}

std::size_t multiply_wide(const complex_t* a, const complex_t* b, std::size_t b_step, complex_t* out,
                          std::size_t n, bool recover_nan) {
#if VEK_HAS_WIDE_KERNELS
    if (k_lanes_match_scalar && common_lib::cpu::cpu_has_avx()) return multiply_avx(a, b, b_step, out, n, recover_nan);
#endif
    static_cast<void>(a);
    static_cast<void>(b);
    static_cast<void>(b_step);
    static_cast<void>(out);
    static_cast<void>(n);
    static_cast<void>(recover_nan);
    return 0;
}

}  // namespace vek::ofdm_demod_lib::detail::cell_arith_detail
