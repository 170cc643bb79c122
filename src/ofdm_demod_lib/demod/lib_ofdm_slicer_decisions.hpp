#pragma once
// Per-cell hard decisions shared by the slicer files. Every decider works on the normalised
// coordinates (x, y) = (Re z / g, Im z / g) and returns the decided point in normalised units
// (unit mean power constellation); the caller scales it back by g.
#include <cstddef>

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

// Decides cells [0, count) of in into out with one decider and level factor g: normalise, decide,
// scale back. Instantiated in the file that defines the decider, so that the decision can inline
// into the loop.
template <decide_fn_t Decide>
void slice_run(const complex_t* in, std::size_t count, float g, complex_t* out) {
    // The two parts are stored one by one: packing them into a complex first makes GCC bounce
    // them through the stack, and the packed reload stalls on store forwarding for every cell.
    float* parts = reinterpret_cast<float*>(out);
    for (std::size_t k = 0; k < count; ++k) {
        const complex_t p = Decide(in[k].real() / g, in[k].imag() / g);
        parts[2 * k] = p.real() * g;
        parts[2 * k + 1] = p.imag() * g;
    }
}
using slice_run_fn_t = void (*)(const complex_t* in, std::size_t count, float g, complex_t* out);

// The run slicer of a modulation code, deciding as decider_for_level's decider does; the QAM
// codes come from qam_run_slicer (nullptr for a code that is not a square or cross QAM).
slice_run_fn_t run_slicer_for_level(int mod_level);
slice_run_fn_t qam_run_slicer(int mod_level);

// The common slicer frame: out = the decisions of the first n cells of in. n <= 0 leaves out
// empty; n beyond the input raises std::out_of_range once the existing cells are decided.
void slice_cells(const complex_vector_t& in, int n, float g, slice_run_fn_t run, complex_vector_t& out);

}  // namespace vek::ofdm_demod_lib::slicer_detail
