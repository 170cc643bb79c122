// Symbol demodulation: cut every symbol's FFT window out of the aligned frame, transform it and
// remove the phase ramp that the FFT advance puts on the bins.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "lib_ofdm_cell_arith.hpp"
#include "lib_ofdm_symbol_position.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common_lib::lib_fourier_transform_t;

namespace {

const complex_t* advance_rotations(int fft_len, int fft_advance) {
    constexpr double k_two_pi = 6.283185307179586;
    // Every symbol of a run uses the same length and advance: the rotations are computed once
    // per (length, advance) and thread.
    struct rotation_table_t {
        int fft_len = 0;
        int fft_advance = 0;
        complex_vector_t rotation;
    };
    thread_local rotation_table_t table;
    if (table.fft_len != fft_len || table.fft_advance != fft_advance) {
        table.rotation.resize(static_cast<std::size_t>(fft_len));
        for (std::size_t k = 0; k < table.rotation.size(); ++k) {
            const auto phase_rad =
                static_cast<float>(static_cast<double>(k) * k_two_pi * fft_advance / fft_len);
            table.rotation[k] = std::complex<float>(std::cos(phase_rad), std::sin(phase_rad));
        }
        table.fft_len = fft_len;
        table.fft_advance = fft_advance;
    }
    return table.rotation.data();
}

// out[f] = in[f] times the sign of the sample f / 2 belongs to: + for even samples, - for odd
// ones, counted from an odd sample when odd_first. The products with +-1 are exact; the loop
// vectorises (four samples per 256-bit register where the processor has AVX).
VEK_CLONE_FOR_AVX void copy_alternating(const float* __restrict in, float* __restrict out, std::size_t floats,
                                        bool odd_first) {
    constexpr std::size_t lanes = 8;
    constexpr float even[lanes] = {1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, -1.0f, -1.0f};
    constexpr float odd[lanes] = {-1.0f, -1.0f, 1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f};
    const float* sign = odd_first ? odd : even;
    std::size_t f = 0;
    for (; f + lanes <= floats; f += lanes)
        for (std::size_t l = 0; l < lanes; ++l) out[f + l] = in[f + l] * sign[l];
    for (; f < floats; ++f) out[f] = in[f] * sign[f % lanes];
}

// y[m] = x[(m + advance) mod n], negated where m is odd (n even, advance < n): a move of the
// values in two runs of consecutive source samples.
void rotate_and_alternate(const complex_t* x, std::size_t n, std::size_t advance, complex_vector_t& y) {
    y.resize(n);
    const float* in = reinterpret_cast<const float*>(x);
    float* out = reinterpret_cast<float*>(y.data());
    const std::size_t first_run = n - advance;
    copy_alternating(in + 2 * advance, out, 2 * first_run, false);
    copy_alternating(in, out + 2 * first_run, 2 * advance, first_run % 2 != 0);
}

}  // namespace

bool lib_ofdm_demod_t::_deal_ofdm_demod() {
    const int N = m_config_manager.get_ofdm_len();
    const int A = m_config_manager.get_fft_advance();
    const int S = m_config_manager.get_analy_symbol_num();
    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();

    const auto rows = static_cast<std::size_t>(S > 0 ? S : 0);
    m_symbol_freq_data.resize(rows);
    m_symbol_time_data.resize(rows);
    if (S < 1) return true;
    if (N <= 0 || intervals.size() < rows) {
        VEK_OFDM_LOG_ERROR("", "symbol layout mismatch: body {} samples, {} intervals for {} symbols", N,
                           intervals.size(), S);
        return false;
    }

    // A window that leaves the samples (an advance longer than the first interval, or a capture
    // cut short) is padded with zeros where it has no samples: the symbols that lie inside stay
    // measurable, and the warning names the symbol whose cells are degraded.
    const auto total = static_cast<std::int64_t>(m_sample_data.size());
    // Body starts advance symbol by symbol (one body and the next interval each), rather than
    // being summed from the frame start for every symbol.
    std::int64_t body = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        body += (i > 0 ? N : 0) + intervals[i];
        const std::int64_t start = body - A;
        complex_vector_t& window = m_symbol_time_data[i];
        // The frequency corrections the samples still owe, taken at the window's own samples.
        if (!detail::copy_rotated_span(m_sample_data, m_pending_rotation_rad, start, N, window)) {
            window.assign(static_cast<std::size_t>(N), {0.0f, 0.0f});
            for (std::int64_t n = 0; n < N; ++n) {
                const std::int64_t src = start + n;
                if (src >= 0 && src < total)
                    window[static_cast<std::size_t>(n)] = m_sample_data[static_cast<std::size_t>(src)];
            }
            VEK_OFDM_LOG_WARN("symbol {} window [{}, {}) leaves the {} samples; zero padded", i, start,
                              start + N, total);
            detail::rotate_window(window, m_pending_rotation_rad, start);
        }
        lib_ofdm_demod_common_t::deal_ofdm_demod(window, N, m_symbol_freq_data[i], A);
    }
    return true;
}

void lib_ofdm_demod_common_t::deal_ofdm_demod(const complex_vector_t& window, int fft_len,
                                              complex_vector_t& out, int fft_advance) {
    // An even-length window that fills the transform takes both corrections before the transform,
    // where they are exact: the advance's phase ramp e^(j 2 pi k A / N) on bin k is the transform
    // of the window rotated left by A samples, and the centring shift by N/2 bins is the transform
    // of the window with its odd samples negated. The bins are the transform's own, without the
    // rounding of the rotators (whose phases are rounded to single precision) and their products,
    // and without a pass over the row.
    if (fft_len > 0 && fft_len % 2 == 0 && window.size() == static_cast<std::size_t>(fft_len)) {
        thread_local complex_vector_t turned;
        const std::size_t advance =
            fft_advance == -1 ? 0u : static_cast<std::size_t>(((fft_advance % fft_len) + fft_len) % fft_len);
        rotate_and_alternate(window.data(), window.size(), advance, turned);
        lib_fourier_transform_t::deal_fft(turned, out, static_cast<std::uint32_t>(fft_len));
        return;
    }
    // Otherwise the transform, then the compensation and the shift. The transform's output keeps
    // its storage from symbol to symbol (an allocation per symbol would cost more than the
    // transform).
    thread_local complex_vector_t work;
    lib_fourier_transform_t::deal_fft(window, work, static_cast<std::uint32_t>(fft_len > 0 ? fft_len : 0));
    // The advance compensation followed by the centring shift, in one pass that writes every
    // compensated bin straight to its shifted place: the same products, without the copy of the
    // spectrum and the rotation of the row.
    const std::size_t size = work.size();
    const std::size_t half = (size + 1u) / 2u;  // the shift rotates left by ceil(size / 2)
    out.resize(size);
    complex_t* high = out.data() + (size - half);  // bins [0, half) land here
    complex_t* low = out.data();                   // bins [half, size) land at bin - half
    const complex_t* in = work.data();
    if (fft_advance == -1 || fft_len <= 0) {
        std::copy(in, in + half, high);
        std::copy(in + half, in + size, low);
        return;
    }
    const complex_t* rotation = advance_rotations(fft_len, fft_advance);
    // Bins past fft_len (none when the window fits the transform) are shifted unrotated. The
    // products skip operator*'s NaN recovery, as the compensation always has.
    const std::size_t bins = std::min(static_cast<std::size_t>(fft_len), size);
    const std::size_t first_end = std::min(bins, half);
    detail::multiply_cells_plain(in, rotation, high, first_end);
    std::copy(in + first_end, in + half, high + first_end);
    const std::size_t second_begin = std::max(bins, half);
    detail::multiply_cells_plain(in + half, rotation + half, low, second_begin - half);
    std::copy(in + second_begin, in + size, low + (second_begin - half));
}

void lib_ofdm_demod_common_t::deal_fft_advance_compensation(const complex_vector_t& spectrum, int fft_len,
                                                            int fft_advance, complex_vector_t& out) {
    // Bins the rotation does not reach keep their input values rather than whatever out held.
    out = spectrum;
    if (fft_len <= 0) return;
    // Bins beyond the spectrum (a caller's fft_len longer than its vector) have nothing to rotate.
    const std::size_t bins = std::min(static_cast<std::size_t>(fft_len), spectrum.size());
    // The product written out (rounded as the library's, without its NaN check).
    const complex_t* rotation = advance_rotations(fft_len, fft_advance);
    const complex_t* in = spectrum.data();
    complex_t* result = out.data();
    for (std::size_t k = 0; k < bins; ++k) {
        const complex_t a = in[k];
        const complex_t b = rotation[k];
        result[k] = complex_t(a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real());
    }
}

}  // namespace vek::ofdm_demod_lib
