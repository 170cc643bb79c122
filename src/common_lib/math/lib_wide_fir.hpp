#pragma once
// The interleaved real FIR's kernel on 256-bit registers, chosen at run time where the processor
// has them. Each output adds its taps in the same order, each product and sum rounded to single
// precision (no fused multiply-add), so the outputs equal the 128-bit kernel's bit for bit.
#include <cstddef>

namespace vek::common_lib {

// y[f] = sum_j taps[j] x[f - 2j] for the leading multiple of 64 outputs f < count, on processors
// with AVX; returns how many outputs it formed (0 elsewhere, leaving all of them to the caller).
std::size_t wide_interleaved_real_fir(const float* taps, std::size_t tap_number, const float* x, float* y,
                                      std::size_t count);

}  // namespace vek::common_lib
