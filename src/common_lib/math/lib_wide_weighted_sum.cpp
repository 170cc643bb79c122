#include "lib_wide_weighted_sum.hpp"

#include <cstring>

namespace vek::common_lib {

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))

namespace {

using float8_t = float __attribute__((vector_size(32)));

// Only AVX, not FMA: a product and its sum stay two roundings, as in the portable kernel.
__attribute__((target("avx"))) std::size_t weighted_sum_avx(const float* const* sources, const float* weights,
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
            for (std::size_t v = 0; v < vectors; ++v) {
                float8_t samples;
                std::memcpy(&samples, p + lanes * v, sizeof samples);
                acc[v] += c * samples;
            }
        }
        for (std::size_t v = 0; v < vectors; ++v) std::memcpy(y + f + lanes * v, &acc[v], sizeof acc[v]);
    }
    return f;
}

bool has_avx()
{
    static const bool available = __builtin_cpu_supports("avx") != 0;
    return available;
}

}  // namespace

std::size_t wide_weighted_sum(const float* const* sources, const float* weights, std::size_t terms, float* y,
                              std::size_t count)
{
    return has_avx() ? weighted_sum_avx(sources, weights, terms, y, count) : 0u;
}

#else

std::size_t wide_weighted_sum(const float* const*, const float*, std::size_t, float*, std::size_t)
{
    return 0u;
}

#endif

}  // namespace vek::common_lib
