#pragma once
// Builds the modulation map: one lib_ofdm_mod_level_t per cell [symbol][FFT bin, centred]; only
// data entries write it, every other cell holds LIB_OFDM_MOD_LEVEL_NONE (0).
#include "vek/ofdm_demod_lib/config/lib_ofdm_map_builder_base.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_resource_mod_map_manager_t : public lib_ofdm_map_builder_base_t {
public:
    lib_ofdm_resource_mod_map_manager_t();

    void init_resource_mod_map();
    bool generate_resource_mod_map();
    bool is_resource_mod_map_valid() const { return m_valid; }
    const int_grid_t& get_resource_mod_map() const { return m_map; }

    static bool is_equal(const lib_ofdm_resource_mod_map_manager_t& a,
                         const lib_ofdm_resource_mod_map_manager_t& b);
    bool operator==(const lib_ofdm_resource_mod_map_manager_t& other) const { return is_equal(*this, other); }
    bool operator!=(const lib_ofdm_resource_mod_map_manager_t& other) const {
        return !is_equal(*this, other);
    }
};

}  // namespace vek::ofdm_demod_lib
