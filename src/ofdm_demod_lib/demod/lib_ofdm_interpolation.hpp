#pragma once
// The 4x windowed-sinc interpolator of the fine timing, and the quarter-sample shift of a whole
// capture built on it (demod/lib_ofdm_interpolation.cpp).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

constexpr int k_interp_factor = 4;

// The 96 taps: every fourth tap from the centre (48) is 0 and the centre is 1, so the original
// samples pass unchanged; each of the four polyphase branches sums to 1.
const std::vector<float>& interp_taps();

// x at four times its rate, aligned with the input: zero insertion, then the interpolator
// (centred linear convolution, zeros beyond both ends), evaluated branch by branch.
complex_vector_t interpolate_x4(const complex_vector_t& x);

// out[n] = X[(4n + k) mod 4L], n = 0 ... L - 1, where X = interpolate_x4(x) and L = x.size():
// the capture advanced by k quarter samples (cyclically at the high rate) and brought back to its
// own rate. Only the one polyphase branch k mod 4 is evaluated, 24 taps per output sample, so the
// cost is that of a short FIR over x instead of a 4L-point interpolation. A shift of more than
// 4L either way is not a rotation the capture allows: x comes back unshifted (as X[4n]).
// With `count` below L only the first count outputs are formed (out has count samples, each the
// same as in the full shift).
void shift_quarter_samples(const complex_vector_t& x, std::int64_t k, complex_vector_t& out);
void shift_quarter_samples(const complex_vector_t& x, std::int64_t k, std::size_t count, complex_vector_t& out);
// The same for the L samples at x, of which only those the first count outputs use are read:
// below min(count, L) + lead, lead = (k mod 4L) / 4 + 12; an output n past the wrap (from
// L - (k mod 4L) / 4 on) reads below n + lead - L.
void shift_quarter_samples(const complex_t* x, std::size_t length, std::int64_t k, std::size_t count,
                           complex_vector_t& out);

}  // namespace vek::ofdm_demod_lib::detail
