#include "lib_wide_weighted_sum.hpp"

#include <cstring>

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"

namespace vek::common_lib {

#if VEK_HAS_WIDE_KERNELS

namespace {

using cpu::float8_t;

// Only AVX, not FMA: a product and its sum stay two roundings, as in the portable kernel.
VEK_TARGET_AVX std::size_t weighted_sum_avx(const float* const* sources, const float* weights,
                                                            std::size_t terms, float* y, std::size_t count)
{
    // Eight vectors of sums: the adds of one tap are independent of each other, enough of them to
    // hide the latency of each vector's chain of sums.
    constexpr std::size_t lanes = 8u;
    constexpr std::size_t vectors = 8u;
    constexpr std::size_t block = lanes * vectors;
    std::size_t f = 0;
    for (; f + block <= count; f += block) {
        float8_t acc[vectors] = {};
        for (std::size_t j = 0; j < terms; ++j) {
            const float* p = sources[j] + f;
            const float t = weights[j];
            const float8_t c = {t, t, t, t, t, t, t, t};
            for (std::size_t v = 0; v < vectors; ++v) acc[v] += c * cpu::load8(p + lanes * v);
        }
        for (std::size_t v = 0; v < vectors; ++v) std::memcpy(y + f + lanes * v, &acc[v], sizeof acc[v]);
    }
    return f;
}

}  // namespace

std::size_t wide_weighted_sum(const float* const* sources, const float* weights, std::size_t terms, float* y,
                              std::size_t count)
{
    return cpu::cpu_has_avx() ? weighted_sum_avx(sources, weights, terms, y, count) : 0u;
}

#else

std::size_t wide_weighted_sum(const float* const*, const float*, std::size_t, float*, std::size_t)
{
    return 0u;
}

#endif

}  // namespace vek::common_lib
