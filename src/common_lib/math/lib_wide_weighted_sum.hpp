#pragma once
// The weighted-sum kernel of the direct filters on 256-bit registers, chosen at run time where the
// processor has them. Each output adds its terms in the same order, each product and sum rounded
// to single precision (no fused multiply-add), so the outputs equal the 128-bit kernel's bit for
// bit.
#include <cstddef>

namespace vek::common_lib {

// y[f] = sum_t weights[t] sources[t][f] for the leading multiple of 64 outputs f < count, on
// processors with AVX; returns how many outputs it formed (0 elsewhere, leaving all of them to
// the caller).
std::size_t wide_weighted_sum(const float* const* sources, const float* weights, std::size_t terms, float* y,
                              std::size_t count);

}  // namespace vek::common_lib
