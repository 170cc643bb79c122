// The cell arithmetic of the equaliser, tracking and symbol transform against std::complex<float>,
// the inline complex division and the straightforward transform: bit for bit, on seeded inputs
// that include overflow, underflow, zeros, infinities and NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_cell_arith.hpp"
#include "../../../src/ofdm_demod_lib/demod/lib_ofdm_rotator_ramp.hpp"
#include "random_signal.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace {

using namespace vek::ofdm_demod_lib;
using common = lib_ofdm_demod_common_t;

// Parts with exponents from 2^-80 to 2^80 (products and quotients leave the float range), and
// every 16th part a zero, an infinity or a NaN.
complex_vector_t wide_cells(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-80, 80), pick(0, 63);
    const float specials[4] = {0.0f, -INFINITY, INFINITY, NAN};
    complex_vector_t v(n);
    for (auto& z : v) {
        float parts[2];
        for (float& p : parts) {
            const int k = pick(gen);
            p = k < 4 ? specials[k] : std::ldexp(mantissa(gen), exponent(gen));
        }
        z = {parts[0], parts[1]};
    }
    return v;
}

bool same_bits(complex_t a, complex_t b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CellArithmetic, ProductsAreTheLibraryProductsInAndOutOfPlace) {
    // Lengths around the four-cell blocks; every block with a NaN product takes the recovery.
    for (const std::size_t length : {1u, 3u, 4u, 5u, 4003u}) {
        const complex_vector_t a = wide_cells(length, 3), b = wide_cells(length, 4);
        complex_vector_t product(length), scaled(length), in_place(a), plain(length);
        const complex_t factor = b[length / 2];
        detail::multiply_cells(a.data(), b.data(), product.data(), length);
        detail::multiply_cells(in_place.data(), b.data(), in_place.data(), length);
        detail::scale_cells(a.data(), factor, scaled.data(), length);
        detail::multiply_cells_plain(a.data(), b.data(), plain.data(), length);
        for (std::size_t k = 0; k < length; ++k) {
            const complex_t x = a[k], y = b[k];
            ASSERT_TRUE(same_bits(product[k], x * y)) << x << " * " << y;
            ASSERT_TRUE(same_bits(in_place[k], x * y)) << k;
            ASSERT_TRUE(same_bits(scaled[k], x * factor)) << x << " * " << factor;
            const complex_t formula(x.real() * y.real() - x.imag() * y.imag(),
                                    x.real() * y.imag() + x.imag() * y.real());
            ASSERT_TRUE(same_bits(plain[k], formula)) << k;
        }
    }
}

TEST(CellArithmetic, QuotientsAreTheInlineDivisionInAndOutOfPlace) {
    // Lengths around the four-cell blocks; quotients leave the float range, and blocks with a
    // zero, infinite or NaN operand take the library's recovery.
    for (const std::size_t length : {1u, 3u, 4u, 7u, 4003u}) {
        const complex_vector_t a = wide_cells(length, 5), b = wide_cells(length, 6);
        complex_vector_t quotient(length), in_place(b);
        detail::divide_cells(a.data(), b.data(), quotient.data(), length);
        detail::divide_cells(a.data(), in_place.data(), in_place.data(), length);
        for (std::size_t k = 0; k < length; ++k) {
            const complex_t expected = vek::common_lib::lib_common_math_t::divide_complex(a[k], b[k]);
            ASSERT_TRUE(same_bits(quotient[k], expected)) << a[k] << " / " << b[k];
            ASSERT_TRUE(same_bits(in_place[k], expected)) << k;
        }
    }
}

TEST(RotatorRamp, EqualsTheRotatorOfEachPhase) {
    // Tracking's tables: a residual frequency (step -2 pi f, divisor fs) and a timing slope (step
    // -slope, divisor 1) against the per-cell rotator, float(step k / divisor) then cos and sin;
    // lengths around the vector blocks, steps of both signs, a large one (phases past pi) and small
    // ones (phases whose sine rounds to the phase and cosine to 1).
    const struct {
        double step, divisor;
    } ramps[] = {{-2.0 * 3.14159265358979323846 * 1234.5, 7.68e6},
                 {2.0 * 3.14159265358979323846 * 97.0, 20e6},
                 {-0.0123, 1.0},
                 {0.7, 1.0},
                 // Phases below 2^-12 throughout, and a ramp that crosses 2^-12 at k = 3.
                 {-2.0 * 3.14159265358979323846 * 0.07, 7.68e6},
                 {0x1p-12 / 3.0 + 1e-9, 1.0},
                 {-0x1p-12 / 3.0, 1.0}};
    std::vector<float> phase;
    for (const auto& ramp : ramps) {
        for (const std::size_t n : {1u, 7u, 64u, 512u}) {
            complex_vector_t table(n);
            detail::rotator_ramp(ramp.step, ramp.divisor, n, phase, table.data());
            for (std::size_t k = 0; k < n; ++k) {
                const auto p = static_cast<float>(ramp.step * static_cast<double>(k) / ramp.divisor);
                ASSERT_TRUE(same_bits(table[k], complex_t(std::cos(p), std::sin(p))))
                    << ramp.step << " " << k;
            }
        }
    }
}

TEST(ResourceIndexWords, PositionsMatchTheBitWalk) {
    std::mt19937 gen(5);
    std::bernoulli_distribution flag(0.2);
    for (const std::size_t size : {0u, 1u, 63u, 64u, 65u, 200u, 512u}) {
        // Shrunk from a longer all-true row: the bits past the size in the last word are stale.
        std::vector<bool> flags(size + 70, true);
        flags.resize(size);
        for (std::size_t j = 0; j < size; ++j) flags[j] = flag(gen) || j + 1 == size;
        std::vector<int> expected, positions{-1};
        for (std::size_t j = 0; j < size; ++j)
            if (flags[j]) expected.push_back(static_cast<int>(j));
        common::find_nonzero_index(flags, positions);
        EXPECT_EQ(positions, expected) << size;
    }
}

// Cells of a window by a direct DFT in double precision, the advance's ramp exact, in centred order.
complex_vector_t exact_cells(const complex_vector_t& window, int n, int advance) {
    complex_vector_t cells(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        const int k = (j + (n + 1) / 2) % n;
        std::complex<double> sum = 0.0;
        for (int m = 0; m < n; ++m)
            sum += std::complex<double>(window[static_cast<std::size_t>(m)]) *
                   std::polar(1.0, -2.0 * 3.14159265358979323846 * k * m / n);
        if (advance != -1) sum *= std::polar(1.0, 2.0 * 3.14159265358979323846 * k * advance / n);
        cells[static_cast<std::size_t>(j)] = complex_t(sum);
    }
    return cells;
}

TEST(SymbolTransform, CellsAreTheCompensatedShiftedSpectrum) {
    struct case_t {
        std::size_t window;
        int fft_len, advance;
    };
    // Even windows that fill the transform (corrected before it: rotated and sign-alternated
    // input), with advances of both signs, past the length and none; then odd lengths, a window
    // longer than the transform (bins past fft_len are shifted unrotated) and no transform length
    // (transform, compensation and shift in turn).
    for (const case_t c : {case_t{64, 64, 8}, case_t{16, 16, -1}, case_t{512, 512, 36}, case_t{64, 64, -5},
                           case_t{64, 64, 70}, case_t{15, 15, 3}, case_t{20, 16, 5}, case_t{16, 0, 4}}) {
        const complex_vector_t window =
            vek::test::gaussian_complex(c.window, static_cast<std::uint32_t>(c.window));
        complex_vector_t out(3);
        common::deal_ofdm_demod(window, c.fft_len, out, c.advance);
        if (c.fft_len > 0 && c.fft_len % 2 == 0 && c.window == static_cast<std::size_t>(c.fft_len)) {
            // The transform's rounding alone: well inside what the single-precision rotators of
            // the compensation would add on the high bins.
            const complex_vector_t expected = exact_cells(window, c.fft_len, c.advance);
            ASSERT_EQ(out.size(), expected.size());
            for (std::size_t k = 0; k < out.size(); ++k)
                ASSERT_LT(std::abs(out[k] - expected[k]), 2e-6f * std::sqrt(static_cast<float>(c.fft_len)))
                    << c.window << " " << c.advance << " " << k;
            continue;
        }
        // The transform into a separate output, as the one pass takes it (FFTW may round the
        // in-place form differently: another plan).
        complex_vector_t spectrum, expected;
        vek::common_lib::lib_fourier_transform_t::deal_fft(
            window, spectrum, static_cast<std::uint32_t>(c.fft_len > 0 ? c.fft_len : 0));
        expected = spectrum;
        if (c.advance != -1) common::deal_fft_advance_compensation(spectrum, c.fft_len, c.advance, expected);
        vek::common_lib::lib_fourier_transform_t::fft_shift(expected);
        ASSERT_EQ(out.size(), expected.size()) << c.window;
        for (std::size_t k = 0; k < out.size(); ++k)
            ASSERT_TRUE(same_bits(out[k], expected[k])) << c.window << " " << k;
    }
}

}  // namespace
