// Reference sequences of the presets.
#include "refgen_sequences.hpp"

#include <cmath>
#include <cstddef>

namespace vek::tools::refgen {

namespace {

constexpr double k_pi = 3.14159265358979323846;

// exp(-j pi num / den) with num reduced modulo 2 den first, so large quadratic phases such as
// u n (n+1) stay exact in integer arithmetic.
cvalue_t unit_phasor_neg_pi(std::int64_t num, std::int64_t den) {
    const std::int64_t reduced = ((num % (2 * den)) + 2 * den) % (2 * den);
    const double angle = -k_pi * static_cast<double>(reduced) / static_cast<double>(den);
    return {std::cos(angle), std::sin(angle)};
}

// m-sequence of length 31 from the recursion x(i+5) = sum of x(i+taps) mod 2, x(0..4) = 0,0,0,0,1.
std::vector<int> m_sequence_31(const std::vector<int>& taps) {
    std::vector<int> x(31, 0);
    x[4] = 1;
    for (int i = 0; i + 5 < 31; ++i) {
        int bit = 0;
        for (const int t : taps) bit ^= x[static_cast<std::size_t>(i + t)];
        x[static_cast<std::size_t>(i + 5)] = bit;
    }
    return x;
}

}  // namespace

cvector_t wlan_short_training_coefficients() {
    static const int pattern[53] = {0, 0, 1, 0, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, 0,
                                    0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0};
    // sqrt(13/6) restores unit mean power over the 12 occupied of 52 subcarriers.
    const double scale = std::sqrt(13.0 / 6.0);
    cvector_t s(53);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = scale * pattern[i] * cvalue_t(1.0, 1.0);
    return s;
}

cvector_t wlan_long_training_coefficients() {
    static const int pattern[53] = {1, 1, -1, -1, 1, 1, -1, 1, -1, 1, 1, 1, 1, 1, 1, -1, -1, 1, 1, -1, 1, -1, 1, 1, 1, 1, 0,
                                    1, -1, -1, 1, 1, -1, 1, -1, 1, -1, -1, -1, -1, -1, 1, 1, -1, -1, 1, -1, 1, -1, 1, 1, 1, 1};
    cvector_t l(53);
    for (std::size_t i = 0; i < l.size(); ++i) l[i] = cvalue_t(pattern[i], 0.0);
    return l;
}

int wlan_pilot_polarity(int n) {
    // The data scrambler x^7 + x^4 + 1 started in the all-ones state; its output bit 0 gives +1.
    static const std::vector<int> polarity = [] {
        std::vector<int> p(127);
        int state[7] = {1, 1, 1, 1, 1, 1, 1};  // state[i] = x^(i+1)
        for (int i = 0; i < 127; ++i) {
            const int bit = state[6] ^ state[3];
            for (int j = 6; j > 0; --j) state[j] = state[j - 1];
            state[0] = bit;
            p[static_cast<std::size_t>(i)] = bit == 0 ? 1 : -1;
        }
        return p;
    }();
    return polarity[static_cast<std::size_t>(((n % 127) + 127) % 127)];
}

std::vector<std::uint8_t> lte_gold_sequence(std::uint32_t c_init, int length) {
    constexpr int nc = 1600;
    const std::size_t total = static_cast<std::size_t>(nc + length + 31);
    std::vector<std::uint8_t> x1(total, 0);
    std::vector<std::uint8_t> x2(total, 0);
    x1[0] = 1;
    for (int i = 0; i < 31; ++i) x2[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((c_init >> i) & 1u);
    for (std::size_t n = 0; n + 31 < total; ++n) {
        x1[n + 31] = static_cast<std::uint8_t>(x1[n + 3] ^ x1[n]);
        x2[n + 31] = static_cast<std::uint8_t>(x2[n + 3] ^ x2[n + 2] ^ x2[n + 1] ^ x2[n]);
    }
    std::vector<std::uint8_t> c(static_cast<std::size_t>(length));
    for (std::size_t n = 0; n < c.size(); ++n) c[n] = static_cast<std::uint8_t>(x1[n + nc] ^ x2[n + nc]);
    return c;
}

cvector_t lte_pss(int n_id2) {
    static const int roots[3] = {25, 29, 34};
    const std::int64_t u = roots[n_id2 % 3];
    cvector_t d(62);
    for (std::int64_t n = 0; n < 62; ++n) {
        // The Zadoff-Chu element at the DC position (n = 31 of 63) is punctured.
        const std::int64_t m = n < 31 ? n : n + 1;
        d[static_cast<std::size_t>(n)] = unit_phasor_neg_pi(u * m * (m + 1), 63);
    }
    return d;
}

cvector_t lte_sss(int n_id1, int n_id2, int subframe) {
    const int q_prime = n_id1 / 30;
    const int q = (n_id1 + q_prime * (q_prime + 1) / 2) / 30;
    const int m_prime = n_id1 + q * (q + 1) / 2;
    const int m0 = m_prime % 31;
    const int m1 = (m0 + m_prime / 31 + 1) % 31;

    const std::vector<int> xs = m_sequence_31({0, 2});
    const std::vector<int> xc = m_sequence_31({0, 3});
    const std::vector<int> xz = m_sequence_31({0, 1, 2, 4});
    const auto bpsk = [](const std::vector<int>& x, int i) { return 1 - 2 * x[static_cast<std::size_t>(((i % 31) + 31) % 31)]; };

    cvector_t d(62);
    for (int n = 0; n < 31; ++n) {
        const int s0 = bpsk(xs, n + m0);
        const int s1 = bpsk(xs, n + m1);
        const int c0 = bpsk(xc, n + n_id2);
        const int c1 = bpsk(xc, n + n_id2 + 3);
        const int z_m0 = bpsk(xz, n + (m0 % 8));
        const int z_m1 = bpsk(xz, n + (m1 % 8));
        const bool first_half = subframe == 0;
        d[static_cast<std::size_t>(2 * n)] = first_half ? s0 * c0 : s1 * c0;
        d[static_cast<std::size_t>(2 * n + 1)] = first_half ? s1 * c1 * z_m0 : s0 * c1 * z_m1;
    }
    return d;
}

cvector_t lte_crs(int n_id_cell, int slot, int symbol) {
    constexpr int n_rb_max = 110;
    const std::uint32_t c_init = (1u << 10) * static_cast<std::uint32_t>(7 * (slot + 1) + symbol + 1) *
                                     static_cast<std::uint32_t>(2 * n_id_cell + 1) +
                                 static_cast<std::uint32_t>(2 * n_id_cell + 1);
    const std::vector<std::uint8_t> c = lte_gold_sequence(c_init, 4 * n_rb_max);
    const double a = 1.0 / std::sqrt(2.0);
    cvector_t r(2 * n_rb_max);
    for (std::size_t m = 0; m < r.size(); ++m) r[m] = cvalue_t(a * (1 - 2 * c[2 * m]), a * (1 - 2 * c[2 * m + 1]));
    return r;
}

cvector_t lte_pusch_dmrs(int n_id_cell, int slot, int subcarriers) {
    // Largest prime below the sequence length.
    int n_zc = subcarriers - 1;
    const auto is_prime = [](int v) {
        if (v < 2) return false;
        for (int f = 2; f * f <= v; ++f) {
            if (v % f == 0) return false;
        }
        return true;
    };
    while (!is_prime(n_zc)) --n_zc;
    const int u = 0;
    const double q_bar = static_cast<double>(n_zc) * (u + 1) / 31.0;
    const std::int64_t q = static_cast<std::int64_t>(std::floor(q_bar + 0.5));

    // Cyclic shift from the pseudo-random n_PRS(ns) of c_init = floor(N_ID / 30) 2^5 + f_ss.
    const std::uint32_t c_init = static_cast<std::uint32_t>((n_id_cell / 30) * 32 + n_id_cell % 30);
    const std::vector<std::uint8_t> c = lte_gold_sequence(c_init, 8 * 7 * 20 + 8);
    int n_prs = 0;
    for (int i = 0; i < 8; ++i) n_prs += c[static_cast<std::size_t>(8 * 7 * slot + i)] << i;
    const int n_cs = n_prs % 12;

    cvector_t r(static_cast<std::size_t>(subcarriers));
    for (int n = 0; n < subcarriers; ++n) {
        const std::int64_t m = n % n_zc;
        const cvalue_t base = unit_phasor_neg_pi(q * m * (m + 1), n_zc);
        // alpha n with alpha = 2 pi n_cs / 12, reduced by whole turns first.
        const double shift = 2.0 * k_pi * static_cast<double>((n_cs * n) % 12) / 12.0;
        r[static_cast<std::size_t>(n)] = cvalue_t(std::cos(shift), std::sin(shift)) * base;
    }
    return r;
}

}  // namespace vek::tools::refgen
