#pragma once
// The coarse frame search's half-rate samples (demod/lib_ofdm_half_rate.cpp): the capture
// low-pass filtered and decimated by two, formed only where the search reads them.
#include <cstdint>
#include <utility>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

// The even samples of the centred linear convolution of x with taps (zeros beyond both ends):
// conv(x, taps, same) followed by downsample by 2, to within float rounding, computed directly for
// the kept samples only and skipping zero taps (a half-band filter has every other one).
//
// out takes its final size at once; a stretch of outputs is formed the first time a reader asks
// for it, block by block, each output by the same operations whatever was formed before. The
// search reads the prefix correlation near the start and a few windows around the synchronisation
// symbols, a fraction of the capture; outputs never asked for are left as out held them.
class half_rate_samples_t {
public:
    half_rate_samples_t(const complex_vector_t& x, const std::vector<float>& taps, complex_vector_t& out);

    std::int64_t size() const { return m_count; }
    // Outputs [first, end), clamped to [0, size()), formed.
    void form(std::int64_t first, std::int64_t end);

private:
    void form_block(std::int64_t block);

    const complex_vector_t& m_x;
    complex_vector_t& m_out;
    std::int64_t m_count = 0;
    // (K/2 - j, h[j]) of the non-zero taps, in tap order; and for each, the half of the samples
    // it reads (even or odd) and its offset there from the output index.
    std::vector<std::pair<std::int64_t, float>> m_live;
    std::vector<bool> m_from_even;
    std::vector<std::int64_t> m_offsets;
    std::vector<float> m_weights;
    std::int64_t m_offset_low = 0;  // the smallest offset, and the span of the offsets
    std::int64_t m_reach = 0;
    std::int64_t m_interior_begin = 0;  // outputs whose live taps all meet a sample
    std::int64_t m_interior_end = 0;
    std::vector<bool> m_formed;  // per block
};

// All of half_rate_samples_t's outputs.
void filter_to_half_rate(const complex_vector_t& x, const std::vector<float>& taps, complex_vector_t& out);

}  // namespace vek::ofdm_demod_lib::detail
