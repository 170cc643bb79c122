// The phase estimate of lib_phase_estimate.cpp on four double lanes (one 256-bit register): the
// same operations in the same order per lane, so each lane's estimate equals the scalar one bit for
// bit and keeps its error bound; the centre is chosen by blends instead of a table look-up, and the
// rounding check is the scalar one per lane.
#include <cstring>
#include <limits>

#include "lib_phase_estimate.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

#if VEK_HAS_WIDE_KERNELS
#include <immintrin.h>
#endif

namespace vek::common_lib::detail {

#if VEK_HAS_WIDE_KERNELS

namespace {

constexpr double k_pi = LIB_COMMON_MATH_PI;

// mask ? when_set : when_clear per lane, for masks from comparisons (all ones or all zeros). Bit
// operations rather than _mm256_blendv_pd, which GCC lowers to per-lane scalar code when it may use
// AVX but not AVX2.
VEK_TARGET_AVX inline __m256d select(__m256d mask, __m256d when_set, __m256d when_clear)
{
    return _mm256_or_pd(_mm256_and_pd(mask, when_set), _mm256_andnot_pd(mask, when_clear));
}

// first - s * second, two roundings.
VEK_TARGET_AVX inline __m256d term_pair(__m256d s, double first, double second)
{
    return _mm256_sub_pd(_mm256_set1_pd(first), _mm256_mul_pd(s, _mm256_set1_pd(second)));
}

// The phases of z[0 ... 3] into phase[0 ... 3]; a lane on an axis, with a non-finite part, or
// whose estimate lies too near a rounding midpoint is formed by the scalar function. AVX only (no
// fused multiply-add): every product and sum is rounded on its own as in the scalar form.
VEK_TARGET_AVX void phases4(const std::complex<float>* z, float* phase, const double* centres)
{
    const auto* f = reinterpret_cast<const float*>(z);
    const __m128 lo = _mm_loadu_ps(f);
    const __m128 hi = _mm_loadu_ps(f + 4);
    const __m256d x = _mm256_cvtps_pd(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256d y = _mm256_cvtps_pd(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d ax = _mm256_andnot_pd(sign, x);
    const __m256d ay = _mm256_andnot_pd(sign, y);
    // The lanes the estimate serves: |x| at or above the zero tolerance, both parts finite (NaN
    // fails the ordered comparisons).
    const __m256d infinity = _mm256_set1_pd(std::numeric_limits<double>::infinity());
    const __m256d usable = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(ax, _mm256_set1_pd(LIB_COMMON_MATH_ZERO_TOLERANCE), _CMP_GE_OQ),
                      _mm256_cmp_pd(ax, infinity, _CMP_LT_OQ)),
        _mm256_cmp_pd(ay, infinity, _CMP_LT_OQ));

    const __m256d steep = _mm256_cmp_pd(ay, ax, _CMP_GT_OQ);
    const __m256d a = select(steep, ax, ay);
    const __m256d b = select(steep, ay, ax);
    // The centre: each threshold passed moves it one step up. The thresholds ascend, so the lanes
    // past the j-th are among those past the (j-1)-th and the last selection that applies wins, as
    // the scalar chain of comparisons picks.
    const __m256d a8 = _mm256_mul_pd(_mm256_set1_pd(8.0), a);
    const __m256d past1 = _mm256_cmp_pd(a8, b, _CMP_NLT_UQ);
    const __m256d past2 = _mm256_cmp_pd(a8, _mm256_mul_pd(_mm256_set1_pd(3.0), b), _CMP_NLT_UQ);
    const __m256d past3 = _mm256_cmp_pd(a8, _mm256_mul_pd(_mm256_set1_pd(5.0), b), _CMP_NLT_UQ);
    const __m256d past4 = _mm256_cmp_pd(a8, _mm256_mul_pd(_mm256_set1_pd(7.0), b), _CMP_NLT_UQ);
    __m256d c = select(past1, _mm256_set1_pd(0.25), _mm256_setzero_pd());
    c = select(past2, _mm256_set1_pd(0.5), c);
    c = select(past3, _mm256_set1_pd(0.75), c);
    c = select(past4, _mm256_set1_pd(1.0), c);
    // The centres' angles broadcast from the table (an array of registers would need an aligned
    // stack frame in every call).
    __m256d node = select(past1, _mm256_broadcast_sd(centres + 1), _mm256_broadcast_sd(centres));
    node = select(past2, _mm256_broadcast_sd(centres + 2), node);
    node = select(past3, _mm256_broadcast_sd(centres + 3), node);
    node = select(past4, _mm256_broadcast_sd(centres + 4), node);

    // u = (a - c b) / (b + c a), then atan u by the scalar form's series, term for term.
    const __m256d u =
        _mm256_div_pd(_mm256_sub_pd(a, _mm256_mul_pd(c, b)), _mm256_add_pd(b, _mm256_mul_pd(c, a)));
    const __m256d s = _mm256_mul_pd(u, u);
    const __m256d s2 = _mm256_mul_pd(s, s);
    const __m256d s4 = _mm256_mul_pd(s2, s2);
    const __m256d p01 = term_pair(s, 1.0 / 3.0, 1.0 / 5.0);
    const __m256d p23 = term_pair(s, 1.0 / 7.0, 1.0 / 9.0);
    const __m256d p45 = term_pair(s, 1.0 / 11.0, 1.0 / 13.0);
    const __m256d p67 = term_pair(s, 1.0 / 15.0, 1.0 / 17.0);
    const __m256d p = _mm256_add_pd(_mm256_add_pd(p01, _mm256_mul_pd(s2, p23)),
                                    _mm256_mul_pd(s4, _mm256_add_pd(p45, _mm256_mul_pd(s2, p67))));
    __m256d theta = _mm256_add_pd(node, _mm256_sub_pd(u, _mm256_mul_pd(_mm256_mul_pd(u, s), p)));
    theta = select(steep, _mm256_sub_pd(_mm256_set1_pd(k_pi / 2.0), theta), theta);
    theta = select(_mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ),
                   _mm256_sub_pd(_mm256_set1_pd(k_pi), theta), theta);
    // copysign(theta, y)
    const __m256d estimate = _mm256_or_pd(_mm256_andnot_pd(sign, theta), _mm256_and_pd(sign, y));

    const __m256d slack = _mm256_mul_pd(_mm256_andnot_pd(sign, estimate), _mm256_set1_pd(0x1p-40));
    const __m128 low = _mm256_cvtpd_ps(_mm256_sub_pd(estimate, slack));
    const __m128 high = _mm256_cvtpd_ps(_mm256_add_pd(estimate, slack));
    const int settled = _mm_movemask_ps(_mm_cmpeq_ps(low, high)) & _mm256_movemask_pd(usable);
    _mm_storeu_ps(phase, low);
    if (settled == 0xF) return;
    for (int i = 0; i < 4; ++i) {
        if ((settled & (1 << i)) == 0) phase[i] = lib_common_math_t::get_complex_phase(z[i]);
    }
}

VEK_TARGET_AVX std::size_t phases_avx(const std::complex<float>* z, float* phase, std::size_t n)
{
    const double* centres = atan2_estimate_centres();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) phases4(z + i, phase + i, centres);
    if (i == n) return n;
    // The last one to three samples, padded with ones (whose phases are dropped).
    std::complex<float> tail[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float tail_phase[4];
    std::memcpy(tail, z + i, (n - i) * sizeof tail[0]);
    phases4(tail, tail_phase, centres);
    std::memcpy(phase + i, tail_phase, (n - i) * sizeof tail_phase[0]);
    return n;
}

}  // namespace

std::size_t complex_phases_wide(const std::complex<float>* z, float* phase, std::size_t n)
{
    return cpu::cpu_has_avx() ? phases_avx(z, phase, n) : 0u;
}

#else

std::size_t complex_phases_wide(const std::complex<float>*, float*, std::size_t) { return 0u; }

#endif

}  // namespace vek::common_lib::detail
