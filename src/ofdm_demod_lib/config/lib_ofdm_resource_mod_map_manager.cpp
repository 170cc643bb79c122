// The modulation map: a lib_ofdm_mod_level_t per cell, written by data entries only.
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_mod_map_manager.hpp"

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

void paint_entry(const lib_ofdm_res_info_t& entry, int_grid_t& mod_map) {
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_mod_map(entry.type, entry.symbol_set, entry.subcarrier_set,
                                                              entry.modulation, mod_map);
}

}  // namespace

lib_ofdm_resource_mod_map_manager_t::lib_ofdm_resource_mod_map_manager_t() { init_resource_mod_map(); }

void lib_ofdm_resource_mod_map_manager_t::init_resource_mod_map() { _init_map_builder(); }

bool lib_ofdm_resource_mod_map_manager_t::generate_resource_mod_map() {
    return _generate_map(LIB_OFDM_MOD_LEVEL_NONE, &paint_entry, &lib_ofdm_demod_common_t::load_resource_mod_file);
}

bool lib_ofdm_resource_mod_map_manager_t::is_equal(const lib_ofdm_resource_mod_map_manager_t& a,
                                                   const lib_ofdm_resource_mod_map_manager_t& b) {
    return _is_equal_map_builder(a, b);
}

}  // namespace vek::ofdm_demod_lib
