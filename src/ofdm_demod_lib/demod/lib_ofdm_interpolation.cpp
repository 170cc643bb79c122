// The 4x interpolator of the fine timing and its single-branch evaluation.
#include "lib_ofdm_interpolation.hpp"

#include <algorithm>
#include <cstddef>

#include "vek/common_lib/math/lib_convolution.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib::detail {

namespace {

constexpr int k_taps = 96;
constexpr int k_centre = 48;
constexpr int k_branch_taps = k_taps / k_interp_factor;  // 24

// Right half h[48 + k], k = 0 ... 47, of the 96-tap windowed-sinc interpolator for a factor of 4.
constexpr float k_interp_right_half[48] = {
    1.0f, 0.8988837f,       0.632576108f,     0.295831352f,
    0.0f, -0.173018485f,    -0.200342f,       -0.118916504f,
    0.0f, 0.0878360122f,    0.108403817f,     0.0673410892f,
    0.0f, -0.0526648909f,   -0.066138342f,    -0.0415921994f,
    0.0f, 0.0329540186f,    0.041471187f,     0.0260729548f,
    0.0f, -0.0205257311f,   -0.0256826393f,   -0.0160299204f,
    0.0f, 0.0123854959f,    0.0153221432f,    0.00944284722f,
    0.0f, -0.00708453171f,  -0.0086180279f,   -0.00521458499f,
    0.0f, 0.0037521536f,    0.00445710821f,   0.00262769405f,
    0.0f, -0.00178070448f,  -0.00204280554f,  -0.00115837285f,
    0.0f, 0.000714756898f,  0.000774075394f,  0.000410249282f,
    0.0f, -0.000211174629f, -0.000201076691f, -0.0000894209297f,
};

}  // namespace

const std::vector<float>& interp_taps() {
    static const std::vector<float> taps = [] {
        std::vector<float> h(k_taps, 0.0f);
        for (int k = 0; k < 48; ++k) h[static_cast<std::size_t>(k_centre + k)] = k_interp_right_half[k];
        for (int k = 1; k <= 47; ++k)
            h[static_cast<std::size_t>(k_centre - k)] = h[static_cast<std::size_t>(k_centre + k)];
        return h;
    }();
    return taps;
}

complex_vector_t interpolate_x4(const complex_vector_t& x) {
    // Three of every four inserted samples are zeros, so output 4n + r meets only the taps of
    // polyphase branch r: the four branches are each a 24-tap FIR over x (the quarter-sample
    // shifts by r = 0 ... 3), interleaved. A quarter of the products of the zero-stuffed
    // convolution, summed directly rather than through a transform.
    const std::size_t length = x.size();
    complex_vector_t out(k_interp_factor * length);
    complex_vector_t branch;
    for (int r = 0; r < k_interp_factor; ++r) {
        shift_quarter_samples(x, r, branch);
        for (std::size_t n = 0; n < length; ++n)
            out[k_interp_factor * n + static_cast<std::size_t>(r)] = branch[n];
    }
    return out;
}

void shift_quarter_samples(const complex_vector_t& x, std::int64_t k, complex_vector_t& out) {
    shift_quarter_samples(x, k, x.size(), out);
}

void shift_quarter_samples(const complex_vector_t& x, std::int64_t k, std::size_t count, complex_vector_t& out) {
    shift_quarter_samples(x.data(), x.size(), k, count, out);
}

void shift_quarter_samples(const complex_t* xs, std::size_t length, std::int64_t k, std::size_t count,
                           complex_vector_t& out) {
    const auto L = static_cast<std::int64_t>(length);
    const auto outputs = static_cast<std::int64_t>(std::min(count, length));
    // Every output is written below (the FIR's run, then the rest one by one): the storage is
    // resized, not zero-filled first.
    out.resize(static_cast<std::size_t>(outputs));
    if (L == 0) return;
    const std::int64_t high_len = k_interp_factor * L;
    // X[q] = sum_j up[q + 48 - j] h[j] with up[4i] = x[i]: only taps j = r + 4t (r = q mod 4)
    // meet a non-zero sample, x[q / 4 + 12 - t], t = 0 ... 23. k is fixed, so r is the same for
    // every output and the work is one 24-tap FIR; samples outside x are zero.
    const std::int64_t k_mod = (k > high_len || k < -high_len) ? 0 : (k + high_len) % high_len;
    const int r = static_cast<int>(k_mod % k_interp_factor);
    if (r == 0) {
        // Branch 0 is the unit impulse (every fourth tap from the centre is zero): the samples
        // themselves, moved by whole samples and wrapped as the shift is. A copy also keeps a
        // non-finite sample from spreading to its neighbours through the zero taps.
        const std::int64_t whole = k_mod / k_interp_factor;
        const std::int64_t first_run = std::min(outputs, L - whole);
        std::copy(xs + whole, xs + whole + first_run, out.begin());
        std::copy(xs, xs + (outputs - first_run), out.begin() + first_run);
        return;
    }
    const std::vector<float>& h = interp_taps();
    float g[k_branch_taps];
    for (int t = 0; t < k_branch_taps; ++t) g[t] = h[static_cast<std::size_t>(r + k_interp_factor * t)];
    const std::int64_t half = k_centre / k_interp_factor;  // 12
    // Outputs whose 24 taps all lie inside x and whose position has not wrapped: there
    // top = n + lead, and the sum is a plain FIR, run tap by tap over contiguous floats so that
    // it vectorises (each output still adds its taps in the order t = 0 ... 23).
    const std::int64_t lead = k_mod / k_interp_factor + half;
    const std::int64_t wrap = (high_len - k_mod + k_interp_factor - 1) / k_interp_factor;  // first wrapped n
    const std::int64_t fir_begin = std::max<std::int64_t>(0, (k_branch_taps - 1) - lead);
    const std::int64_t fir_end = std::max(fir_begin, std::min({wrap, L - lead, outputs}));
    // The toolkit's register-blocked kernel: o[f] = sum_t g[t] x[f + 2 (lead - t)] in floats.
    if (fir_begin < fir_end) {
        float* o = reinterpret_cast<float*>(out.data());
        const float* in = reinterpret_cast<const float*>(xs + lead);
        vek::common_lib::lib_convolution_t::deal_interleaved_real_fir(
            g, k_branch_taps, in + 2 * fir_begin, o + 2 * fir_begin, static_cast<std::size_t>(2 * (fir_end - fir_begin)));
    }
    for (std::int64_t n = 0; n < outputs; ++n) {
        if (n == fir_begin) n = fir_end;
        if (n >= outputs) break;
        std::int64_t q = k_interp_factor * n + k_mod;
        if (q >= high_len) q -= high_len;
        const std::int64_t top = q / k_interp_factor + half;  // x index of tap t = 0
        float re = 0.0f;
        float im = 0.0f;
        for (int t = 0; t < k_branch_taps; ++t) {
            const std::int64_t i = top - t;
            if (i < 0 || i >= L) continue;
            re += g[t] * xs[i].real();
            im += g[t] * xs[i].imag();
        }
        out[static_cast<std::size_t>(n)] = {re, im};
    }
}

}  // namespace vek::ofdm_demod_lib::detail
