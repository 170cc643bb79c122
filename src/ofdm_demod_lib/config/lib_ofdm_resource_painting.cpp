// Painting one resource entry into the resource map or the modulation map.
#include <cstddef>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

// Calls visit(cell) for every cell symbol_set[k] x column_set[k] that lies inside the map. Entries
// whose two sets disagree on the group count describe no cell at all.
template <typename Visit>
void for_each_entry_cell(const std::vector<std::vector<int>>& symbol_set, const std::vector<std::vector<int>>& column_set,
                         int_grid_t& map, Visit visit) {
    if (symbol_set.empty() || symbol_set.size() != column_set.size()) return;
    for (std::size_t k = 0; k < symbol_set.size(); ++k) {
        for (const int s : symbol_set[k]) {
            if (s < 0 || static_cast<std::size_t>(s) >= map.size()) continue;
            std::vector<int>& row = map[static_cast<std::size_t>(s)];
            for (const int c : column_set[k]) {
                if (c < 0 || static_cast<std::size_t>(c) >= row.size()) continue;
                visit(row[static_cast<std::size_t>(c)]);
            }
        }
    }
}

}  // namespace

void lib_ofdm_demod_common_t::ofdm_resource_mapping_to_map(lib_ofdm_resource_flag_t type,
                                                           const std::vector<std::vector<int>>& symbol_set,
                                                           const std::vector<std::vector<int>>& column_set,
                                                           int_grid_t& map) {
    // Known cells outrank unknown ones: a pilot inside a data allocation stays a pilot whatever the
    // entry order, and a preamble symbol owns all of its cells.
    switch (type) {
        case LIB_OFDM_RESOURCE_FLAG_PILOT:
            for_each_entry_cell(symbol_set, column_set, map, [](int& cell) {
                if (cell == LIB_OFDM_RESOURCE_FLAG_DATA || cell == LIB_OFDM_RESOURCE_FLAG_NONE) cell = LIB_OFDM_RESOURCE_FLAG_PILOT;
            });
            break;
        case LIB_OFDM_RESOURCE_FLAG_PREAMBLE:
            for_each_entry_cell(symbol_set, column_set, map, [](int& cell) { cell = LIB_OFDM_RESOURCE_FLAG_PREAMBLE; });
            break;
        case LIB_OFDM_RESOURCE_FLAG_DATA:
            for_each_entry_cell(symbol_set, column_set, map, [](int& cell) {
                if (cell == LIB_OFDM_RESOURCE_FLAG_NONE) cell = LIB_OFDM_RESOURCE_FLAG_DATA;
            });
            break;
        default:
            break;
    }
}

void lib_ofdm_demod_common_t::ofdm_resource_mapping_to_mod_map(lib_ofdm_resource_flag_t type,
                                                               const std::vector<std::vector<int>>& symbol_set,
                                                               const std::vector<std::vector<int>>& column_set,
                                                               lib_ofdm_mod_level_t level, int_grid_t& mod_map) {
    if (type != LIB_OFDM_RESOURCE_FLAG_DATA) return;
    for_each_entry_cell(symbol_set, column_set, mod_map, [level](int& cell) { cell = static_cast<int>(level); });
}

}  // namespace vek::ofdm_demod_lib
