#pragma once
// Builds the resource map: one lib_ofdm_resource_flag_t code per cell [symbol][FFT bin, centred],
// either painted from the resource entries or read from the data directory's map file (widened
// back to N columns when the file omits the guard bands).
#include "vek/ofdm_demod_lib/config/lib_ofdm_map_builder_base.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_resource_map_manager_t : public lib_ofdm_map_builder_base_t {
public:
    lib_ofdm_resource_map_manager_t();

    // Restores the defaults: invalid, FFT 64, 64 symbols, guards 6 / 5, one default entry, map {{0}}.
    // The load address is kept.
    void init_resource_map();
    // Entries: every cell starts empty (4), then the entries are painted in vector order; file:
    // the map file of the stored standard. False (and an invalid, cleared map) when the file cannot
    // be read or cannot fill S rows of the expected width.
    bool generate_resource_map();
    bool is_resource_map_valid() const { return m_valid; }
    const int_grid_t& get_resource_map() const { return m_map; }

    static bool is_equal(const lib_ofdm_resource_map_manager_t& a, const lib_ofdm_resource_map_manager_t& b);
    bool operator==(const lib_ofdm_resource_map_manager_t& other) const { return is_equal(*this, other); }
    bool operator!=(const lib_ofdm_resource_map_manager_t& other) const { return !is_equal(*this, other); }
};

}  // namespace vek::ofdm_demod_lib
