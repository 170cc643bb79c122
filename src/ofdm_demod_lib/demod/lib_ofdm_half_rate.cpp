#include "lib_ofdm_half_rate.hpp"

#include <algorithm>
#include <limits>

#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/common_lib/math/lib_float4.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib::detail {

namespace {

// Outputs per block: the block's even and odd samples stay in the first-level cache while every
// tap reads them.
constexpr std::int64_t k_block_outputs = 512;

// even[t] = x[2 (first + t)] and odd[t] = x[2 (first + t) + 1] for t < count, where those samples
// exist (first >= 0); the entries of samples past the end are left as they are.
void split_even_odd(const complex_vector_t& x, std::int64_t first, std::int64_t count, complex_t* even,
                    complex_t* odd) {
    using namespace vek::common_lib::float4;
    const auto n = static_cast<std::int64_t>(x.size());
    const float* in = reinterpret_cast<const float*>(x.data() + 2 * first);
    float* e = reinterpret_cast<float*>(even);
    float* o = reinterpret_cast<float*>(odd);
    // Pairs of outputs whose four samples all exist, one vector of each half at a time.
    const std::int64_t paired = std::max<std::int64_t>(0, std::min(count, (n - 2 * first) / 2)) / 2 * 2;
    std::int64_t t = 0;
    for (; t < paired; t += 2) {
        const float4_t a = load(in + 4 * t);
        const float4_t b = load(in + 4 * t + 4);
        store(e + 2 * t, first_samples(a, b));
        store(o + 2 * t, second_samples(a, b));
    }
    for (; t < count; ++t) {
        const std::int64_t at = 2 * (first + t);
        if (at < n) even[t] = x[static_cast<std::size_t>(at)];
        if (at + 1 < n) odd[t] = x[static_cast<std::size_t>(at + 1)];
    }
}

}  // namespace

half_rate_samples_t::half_rate_samples_t(const complex_vector_t& x, const std::vector<float>& taps,
                                         complex_vector_t& out)
    : m_x(x), m_out(out) {
    if (x.empty()) {
        out.clear();
        lib_ofdm_demod_common_t::downsample(x, 2.0f, out);  // its warning about the empty input
        return;
    }
    if (taps.size() < 2) {
        // conv passes x through unchanged for fewer than two taps.
        out.clear();
        for (std::size_t i = 0; i < x.size(); i += 2) out.push_back(x[i]);
        m_count = static_cast<std::int64_t>(out.size());
        m_formed.assign(static_cast<std::size_t>((m_count + k_block_outputs - 1) / k_block_outputs), true);
        return;
    }
    // Output m of the centred convolution is sum_j x[m + K/2 - j] h[j].
    const auto len = static_cast<std::int64_t>(x.size());
    const auto centre = static_cast<std::int64_t>(taps.size() / 2);
    for (std::size_t j = 0; j < taps.size(); ++j) {
        if (taps[j] != 0.0f) m_live.emplace_back(centre - static_cast<std::int64_t>(j), taps[j]);
    }
    m_count = static_cast<std::int64_t>((x.size() + 1) / 2);
    const auto blocks = static_cast<std::size_t>((m_count + k_block_outputs - 1) / k_block_outputs);
    if (m_live.empty()) {
        out.assign(static_cast<std::size_t>(m_count), complex_t(0.0f, 0.0f));
        m_formed.assign(blocks, true);
        return;
    }
    // Every output is written when its block is formed: the storage is resized, not zero-filled.
    out.resize(static_cast<std::size_t>(m_count));
#if defined(__SANITIZE_ADDRESS__)
    // Under the address sanitiser the outputs not formed yet hold NaN: a reader that reaches one
    // spoils the results the tests check.
    std::fill(out.begin(), out.end(), complex_t(std::numeric_limits<float>::quiet_NaN(), 0.0f));
#endif
    m_formed.assign(blocks, false);
    // Output i reads sample 2i + shift: an even shift reads the even samples, an odd one the odd
    // samples, each at a fixed offset from i. With the samples split into their even and odd ones,
    // each live tap contributes a run of consecutive complex samples to the interior, and each
    // output adds its taps in the same order as the edge loop.
    const std::int64_t shift_low = m_live.back().first;  // taps ascend, shifts descend
    const std::int64_t shift_high = m_live.front().first;
    m_interior_begin = std::min(m_count, std::max<std::int64_t>(0, (1 - shift_low) / 2));
    m_interior_end =
        std::max(m_interior_begin,
                 std::min(m_count, (len - 1 - shift_high) >= 0 ? (len - 1 - shift_high) / 2 + 1 : 0));
    for (const auto& [shift, h] : m_live) {
        const bool is_even = shift % 2 == 0;
        m_offsets.push_back(is_even ? shift / 2 : (shift - 1) / 2);
        m_from_even.push_back(is_even);
        m_weights.push_back(h);
    }
    m_offset_low = *std::min_element(m_offsets.begin(), m_offsets.end());
    m_reach = *std::max_element(m_offsets.begin(), m_offsets.end()) - m_offset_low;
}

void half_rate_samples_t::form(std::int64_t first, std::int64_t end) {
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, m_count);
    if (first >= end) return;
    for (std::int64_t block = first / k_block_outputs; block * k_block_outputs < end; ++block)
        if (!m_formed[static_cast<std::size_t>(block)]) form_block(block);
}

void half_rate_samples_t::form_block(std::int64_t block) {
    m_formed[static_cast<std::size_t>(block)] = true;
    const std::int64_t begin = block * k_block_outputs;
    const std::int64_t end = std::min(begin + k_block_outputs, m_count);
    // The interior outputs of the block through the direct filters' weighted sum, over the
    // block's even and odd samples. (The first half-sample read is never before the capture's
    // start: the interior starts where the lowest shift meets sample 0.)
    const std::int64_t inner_begin = std::max(begin, m_interior_begin);
    const std::int64_t inner_end = std::min(end, m_interior_end);
    if (inner_begin < inner_end) {
        thread_local complex_vector_t even;
        thread_local complex_vector_t odd;
        const std::int64_t halves = inner_end - inner_begin + m_reach;
        if (even.size() < static_cast<std::size_t>(halves)) even.resize(static_cast<std::size_t>(halves));
        if (odd.size() < static_cast<std::size_t>(halves)) odd.resize(static_cast<std::size_t>(halves));
        const std::int64_t first = inner_begin + m_offset_low;  // half-sample index of entry 0
        split_even_odd(m_x, first, halves, even.data(), odd.data());
        thread_local std::vector<const float*> sources;
        sources.resize(m_live.size());
        for (std::size_t j = 0; j < m_live.size(); ++j) {
            const complex_t* half = m_from_even[j] ? even.data() : odd.data();
            sources[j] = reinterpret_cast<const float*>(half + (inner_begin + m_offsets[j] - first));
        }
        vek::common_lib::lib_convolution_t::deal_weighted_sum(
            sources.data(), m_weights.data(), sources.size(),
            reinterpret_cast<float*>(m_out.data() + inner_begin),
            2 * static_cast<std::size_t>(inner_end - inner_begin));
    }
    // The block's edge outputs (whose taps reach past the samples) one by one.
    const auto len = static_cast<std::int64_t>(m_x.size());
    for (std::int64_t i = begin; i < end; ++i) {
        if (i == inner_begin && inner_begin < inner_end) i = inner_end;
        if (i >= end) break;
        const std::int64_t m = 2 * i;
        float re = 0.0f;
        float im = 0.0f;
        for (const auto& [shift, h] : m_live) {
            const std::int64_t at = m + shift;
            if (at < 0 || at >= len) continue;
            re += h * m_x[static_cast<std::size_t>(at)].real();
            im += h * m_x[static_cast<std::size_t>(at)].imag();
        }
        m_out[static_cast<std::size_t>(i)] = {re, im};
    }
}

void filter_to_half_rate(const complex_vector_t& x, const std::vector<float>& taps, complex_vector_t& out) {
    half_rate_samples_t samples(x, taps, out);
    samples.form(0, samples.size());
}

}  // namespace vek::ofdm_demod_lib::detail
