#pragma once
// Sample positions inside a frame that starts at sample 0, shared by the timing, frequency-error
// and demodulation stages. Every routine checks its indices so that a configuration that does not
// fit the capture is refused instead of read outside a vector.
#include <complex>
#include <cstdint>
#include <vector>

#include "vek/common_lib/math/lib_common_signal_process.hpp"

namespace vek::ofdm_demod_lib::detail {

// First body sample of symbol k: k bodies of body_len samples plus the intervals (cyclic prefix
// and gap) of symbols 0 ... k inclusive. False when k lies outside the interval vector.
inline bool body_start(const std::vector<int>& intervals, int body_len, int k, std::int64_t& start) {
    if (k < 0 || static_cast<std::size_t>(k) >= intervals.size()) return false;
    std::int64_t pos = static_cast<std::int64_t>(k) * body_len;
    for (int i = 0; i <= k; ++i) pos += intervals[static_cast<std::size_t>(i)];
    start = pos;
    return true;
}

// True when [start, start + count) lies wholly inside a vector of `size` elements.
inline bool span_inside(std::int64_t start, std::int64_t count, std::size_t size) {
    return start >= 0 && count >= 0 && start + count <= static_cast<std::int64_t>(size);
}

// Copies `count` samples from `start` on; false (out untouched) when the span leaves the vector.
inline bool copy_span(const std::vector<std::complex<float>>& src, std::int64_t start, std::int64_t count,
                      std::vector<std::complex<float>>& out) {
    if (!span_inside(start, count, src.size())) return false;
    out.assign(src.begin() + start, src.begin() + start + count);
    return true;
}

// Samples copied out of a longer vector, from its sample `start` on, given the rotation by step_rad
// per sample that the whole vector would get (phase 0 at its sample 0): phase step_rad * start at
// the window's first sample.
inline void rotate_window(std::vector<std::complex<float>>& window, double step_rad, std::int64_t start) {
    if (step_rad == 0.0) return;
    common_lib::lib_common_signal_process_t::deal_rotation(window, step_rad,
                                                           step_rad * static_cast<double>(start));
}

// copy_span, then rotate_window: the rotation reads the samples where they are.
inline bool copy_rotated_span(const std::vector<std::complex<float>>& src, double step_rad,
                              std::int64_t start, std::int64_t count, std::vector<std::complex<float>>& out) {
    if (step_rad == 0.0) return copy_span(src, start, count, out);
    if (!span_inside(start, count, src.size())) return false;
    out.resize(static_cast<std::size_t>(count));
    common_lib::lib_common_signal_process_t::deal_rotation(src.data() + start, out.size(), out.data(),
                                                           step_rad, step_rad * static_cast<double>(start));
    return true;
}

}  // namespace vek::ofdm_demod_lib::detail
