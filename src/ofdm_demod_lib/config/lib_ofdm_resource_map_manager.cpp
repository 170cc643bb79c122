// The resource map: a lib_ofdm_resource_flag_t code per cell.
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_map_manager.hpp"

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

void paint_entry(const lib_ofdm_res_info_t& entry, int_grid_t& map) {
    lib_ofdm_demod_common_t::ofdm_resource_mapping_to_map(entry.type, entry.symbol_set, entry.subcarrier_set, map);
}

}  // namespace

lib_ofdm_resource_map_manager_t::lib_ofdm_resource_map_manager_t() { init_resource_map(); }

void lib_ofdm_resource_map_manager_t::init_resource_map() { _init_map_builder(); }

bool lib_ofdm_resource_map_manager_t::generate_resource_map() {
    return _generate_map(LIB_OFDM_RESOURCE_FLAG_NONE, &paint_entry, &lib_ofdm_demod_common_t::load_reasource_map_file);
}

bool lib_ofdm_resource_map_manager_t::is_equal(const lib_ofdm_resource_map_manager_t& a,
                                               const lib_ofdm_resource_map_manager_t& b) {
    return _is_equal_map_builder(a, b);
}

}  // namespace vek::ofdm_demod_lib
