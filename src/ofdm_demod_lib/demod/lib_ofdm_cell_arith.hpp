#pragma once
// Complex cell products of the equaliser, the tracking and the symbol transform, rounded exactly
// as std::complex<float> rounds it, but without the out-of-line calls and the per-element checks
// that keep the compiler from using the vector unit.
//
// Products: the compiler forms (ac - bd, ad + bc) and only when that gives NaN in both parts calls
// the library's recovery of infinities. The loops below form the same four products, difference
// and sum four lanes at a time and hand any cell that came out NaN to operator* again, so every
// cell gets the bits operator* would give it. Quotients (divide_cells) get the bits of
// lib_common_math_t::divide_complex.
#include <cmath>
#include <cstddef>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

namespace cell_arith_detail {
// With fused multiply-add available the compiler may contract the scalar form, and the lanes would
// no longer match it: there the plain operator is used.
#if defined(__FMA__) || defined(__FP_FAST_FMAF)
constexpr bool k_lanes_match_scalar = false;
#else
constexpr bool k_lanes_match_scalar = true;
#endif

// True when a lane of a or b is NaN.
inline bool any_nan(common_lib::float4::float4_t a, common_lib::float4::float4_t b) {
#if defined(__SSE__)
    return _mm_movemask_ps(_mm_cmpunord_ps(static_cast<__m128>(a), static_cast<__m128>(b))) != 0;
#else
    const auto bad = (a != a) | (b != b);  // NaN is the only value unequal to itself
    return (bad[0] | bad[1] | bad[2] | bad[3]) != 0;
#endif
}

// The leading cells of multiply below on 256-bit registers, where the processor has them (the same
// bits); returns how many it formed, 0 elsewhere.
std::size_t multiply_wide(const complex_t* a, const complex_t* b, std::size_t b_step, complex_t* out,
                          std::size_t n, bool recover_nan);

// out[k] = a[k] * b[k * b_step] for k < n; b_step is 1 (cell by cell) or 0 (one factor). With
// recover_nan false a NaN product stays as the formula gives it (no operator* fallback).
template <bool recover_nan>
void multiply(const complex_t* a, const complex_t* b, std::size_t b_step, complex_t* out, std::size_t n) {
    namespace f4 = common_lib::float4;
    std::size_t k = 0;
    if constexpr (k_lanes_match_scalar) {
        k = multiply_wide(a, b, b_step, out, n, recover_nan);
        const f4::float4_t one_re = f4::splat(b[0].real());
        const f4::float4_t one_im = f4::splat(b[0].imag());
        for (; k + 4 <= n; k += 4) {
            const f4::float4_t a0 = f4::load(a + k);
            const f4::float4_t a1 = f4::load(a + k + 2);
            const f4::float4_t ar = f4::real_parts(a0, a1);
            const f4::float4_t ai = f4::imag_parts(a0, a1);
            f4::float4_t br = one_re;
            f4::float4_t bi = one_im;
            if (b_step != 0) {
                const f4::float4_t b0 = f4::load(b + k);
                const f4::float4_t b1 = f4::load(b + k + 2);
                br = f4::real_parts(b0, b1);
                bi = f4::imag_parts(b0, b1);
            }
            const f4::float4_t re = ar * br - ai * bi;
            const f4::float4_t im = ar * bi + ai * br;
            // Cells with a NaN part (rare: an infinite or NaN input) are formed by operator*,
            // before the store, as out may be a or b.
            if (recover_nan && any_nan(re, im)) {
                complex_t cells[4];
                for (std::size_t i = 0; i < 4; ++i) cells[i] = a[k + i] * b[(k + i) * b_step];
                for (std::size_t i = 0; i < 4; ++i) out[k + i] = cells[i];
                continue;
            }
            f4::store(reinterpret_cast<float*>(out + k), __builtin_shufflevector(re, im, 0, 4, 1, 5));
            f4::store(reinterpret_cast<float*>(out + k + 2), __builtin_shufflevector(re, im, 2, 6, 3, 7));
        }
    }
    for (; k < n; ++k) {
        const complex_t x = a[k];
        const complex_t y = b[k * b_step];
        out[k] = recover_nan ? x * y
                             : complex_t(x.real() * y.real() - x.imag() * y.imag(),
                                         x.real() * y.imag() + x.imag() * y.real());
    }
}

// The leading quotients of divide_cells below on 256-bit registers, where the processor has them and
// lib_common_math_t::divide_complex is the double-precision formula (the same bits); returns how
// many it formed, 0 elsewhere.
std::size_t divide_wide(const complex_t* a, const complex_t* b, complex_t* out, std::size_t n);
}  // namespace cell_arith_detail

// out[k] = lib_common_math_t::divide_complex(a[k], b[k]), k < n (out may be a or b).
inline void divide_cells(const complex_t* a, const complex_t* b, complex_t* out, std::size_t n) {
    std::size_t k = cell_arith_detail::divide_wide(a, b, out, n);
    for (; k < n; ++k) out[k] = common_lib::lib_common_math_t::divide_complex(a[k], b[k]);
}

// out[k] = a[k] * b[k], k < n (out may be a or b).
inline void multiply_cells(const complex_t* a, const complex_t* b, complex_t* out, std::size_t n) {
    if (n != 0) cell_arith_detail::multiply<true>(a, b, 1, out, n);
}

// out[k] = (a.re b.re - a.im b.im, a.re b.im + a.im b.re) for k < n, NaN left as formed.
inline void multiply_cells_plain(const complex_t* a, const complex_t* b, complex_t* out, std::size_t n) {
    if (n != 0) cell_arith_detail::multiply<false>(a, b, 1, out, n);
}

// out[k] = a[k] * factor, k < n (out may be a).
inline void scale_cells(const complex_t* a, complex_t factor, complex_t* out, std::size_t n) {
    if (n != 0) cell_arith_detail::multiply<true>(a, &factor, 0, out, n);
}

}  // namespace vek::ofdm_demod_lib::detail
