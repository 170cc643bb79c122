#pragma once
// Eight neighbouring windows correlated against one reference at once: the frame search scores
// its candidate starts in such groups (the candidates come in short runs around each symbol
// start, and a group covers a run with the starts between its members).
#include <cstddef>

#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

constexpr std::size_t k_window_group = 8;

// Windows c < 8 of a (7 + len interleaved samples) against b (len samples, parts held apart):
// energy[c] = sum |a[c + k]|^2 and cross[c] = sum a[c + k] conj(b[k]) over k < len, each window
// adding in sample order with every product rounded on its own (the bits of the one-window loop).
// On one 256-bit register where the processor has it (and wide is left true), else on two
// 128-bit ones: the same bits either way.
void sum_window_group_against(const complex_t* a, const float* b_re, const float* b_im, std::size_t len,
                              float* energy, float* cross_re, float* cross_im,
                              bool wide = common_lib::cpu::cpu_has_avx());

}  // namespace vek::ofdm_demod_lib::detail
