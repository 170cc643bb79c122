#pragma once
// The sums behind every sliding correlation of the demodulator (frame search scores, the
// cyclic-prefix metric, fine timing), and their normalisation: for a run of windows that start at consecutive
// samples, each window's energy and its cross sum with a second window, every window adding its products in
// sample order, products and sums rounded one by one (the bits of the one-window loop). The windows
// are the inner loop, over real and imaginary parts held apart, so neighbouring windows' sums sit
// side by side on vector lanes and every sample is a plain load.
#include <cstddef>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

// Real and imaginary parts of the n samples from p.
void split_parts(const complex_t* p, std::size_t n, std::vector<float>& re, std::vector<float>& im);

// Window c (c < count) is a[c ... c + len - 1] against the fixed reference b[0 ... len - 1]:
// energy[c] = sum |a|^2 and cross[c] = sum a conj(b). a holds count - 1 + len samples.
void sum_windows_against(const float* a_re, const float* a_im, const float* b_re, const float* b_im,
                         std::size_t len, std::size_t count, float* energy, float* cross_re, float* cross_im);

// energy[c] = sum |a[c ... c + len - 1]|^2, c < count. a holds count - 1 + len samples. (The energy
// of the window lag samples later is energy[c + lag]: the same samples summed in the same order.)
void sum_window_energies(const float* a_re, const float* a_im, std::size_t len, std::size_t count,
                         float* energy);

// Window c is a[c ... c + len - 1] against the window lag samples later, a[c + lag ...]:
// cross[c] = sum a[c + k] conj(a[c + lag + k]). a holds count - 1 + lag + len samples.
void sum_windows_lagged(const float* a_re, const float* a_im, std::size_t lag, std::size_t len,
                        std::size_t count, float* cross_re, float* cross_im);

// |cross| / sqrt(energy_a energy_b) of one pair of windows, in double precision, |cross| as
// get_complex_magnitude forms it; 0 where the root is below 1e-12 (no defined correlation).
float normalised_correlation(float energy_a, float energy_b, float cross_re, float cross_im);

// metric[i] = normalised_correlation of the sums i, for i < n, to the bit: the same operations
// per entry in a loop on vector lanes, entries with a non-finite cross sum redone one by one.
void normalise_correlations(const float* energy_a, const float* energy_b, const float* cross_re,
                            const float* cross_im, std::size_t n, float* metric);

}  // namespace vek::ofdm_demod_lib::detail
