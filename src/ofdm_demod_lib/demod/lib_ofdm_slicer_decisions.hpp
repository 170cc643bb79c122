#pragma once
// Per-cell hard decisions shared by the slicer files. Every decider works on the normalised
// coordinates (x, y) = (Re z / g, Im z / g) and returns the decided point in normalised units
// (unit mean power constellation); the caller scales it back by g.
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::slicer_detail {

using decide_fn_t = complex_t (*)(float x, float y);

complex_t decide_bpsk(float x, float y);
complex_t decide_bpsk_pi_div4(float x, float y);
complex_t decide_qpsk(float x, float y);
complex_t decide_8psk(float x, float y);
complex_t decide_8dpsk(float x, float y);
complex_t decide_16qam(float x, float y);
complex_t decide_32qam(float x, float y);
complex_t decide_64qam(float x, float y);
complex_t decide_128qam(float x, float y);
complex_t decide_256qam(float x, float y);
complex_t decide_512qam(float x, float y);
complex_t decide_1024qam(float x, float y);

// The decider of a modulation code; BPSK for NONE and for every code outside the known range.
decide_fn_t decider_for_level(int mod_level);

// Decides one received cell with level factor g: normalise, decide, scale back.
inline complex_t slice_cell(decide_fn_t decide, const complex_t& z, float g) {
    const complex_t p = decide(z.real() / g, z.imag() / g);
    return complex_t(p.real() * g, p.imag() * g);
}

// The common slicer frame: out = the decisions of the first n cells of in. n <= 0 leaves out
// empty; n beyond the input raises std::out_of_range once the existing cells are decided.
void slice_cells(const complex_vector_t& in, int n, float g, decide_fn_t decide, complex_vector_t& out);

}  // namespace vek::ofdm_demod_lib::slicer_detail
