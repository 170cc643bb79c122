#pragma once
// Ideal constellation points of the modulation levels a frame can use, each set normalised to unit
// mean power (square and cross QAM on the odd-integer grid divided by the square root of the
// grid's mean energy). The order of the points is fixed, so a seeded index sequence always
// selects the same symbols.
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_constellation_t {
public:
    // The points of one level. LIB_OFDM_MOD_LEVEL_NONE and codes outside the enumeration give the
    // BPSK pair, the constellation the receiver's decision falls back to for them.
    static void get_ideal_points(int mod_level, complex_vector_t& points);
};

}  // namespace vek::ofdm_demod_lib
