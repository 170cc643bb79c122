#pragma once
// Builds the reference resource data: the known complex value of every preamble and pilot cell of
// the grid [symbol][FFT bin, centred], zero elsewhere. The values are taken from the preamble and
// pilot reference vectors in time order and, within a symbol, from the lowest to the highest bin.
#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_ref_resource_data_vct_manager_t {
public:
    lib_ofdm_ref_resource_data_vct_manager_t();

    // Each setter stores a copy and invalidates the data until the next generation.
    void set_preamble_index_map(const bool_grid_t& preamble_index_map);
    void set_pilot_index_map(const bool_grid_t& pilot_index_map);
    void set_resource_map_manager(const int_grid_t& resource_map);
    void set_preamble_ref_iq_vct(const complex_vector_t& preamble_ref_iq_vct);
    void set_pilot_ref_iq_vct(const complex_vector_t& pilot_ref_iq_vct);

    // False when a reference vector runs out before the cells it must fill (the cells filled so
    // far remain). Index maps of another shape than the resource map count as unmarked outside
    // their extent.
    bool generate_ref_resource_data();
    bool is_ref_resource_data_valid() const { return m_valid; }
    const cell_grid_t& get_ref_resource_data() const { return m_ref_resource_data; }

    const bool_grid_t& get_preamble_index_map() const { return m_preamble_index_map; }
    const bool_grid_t& get_pilot_index_map() const { return m_pilot_index_map; }
    const int_grid_t& get_resource_map() const { return m_resource_map; }
    const complex_vector_t& get_preamble_ref_iq_vct() const { return m_preamble_ref_iq_vct; }
    const complex_vector_t& get_pilot_ref_iq_vct() const { return m_pilot_ref_iq_vct; }

    // Invalid; every table a single zero (or false) cell.
    void init_ref_resource_data();

    static bool is_equal(const lib_ofdm_ref_resource_data_vct_manager_t& a,
                         const lib_ofdm_ref_resource_data_vct_manager_t& b);
    bool operator==(const lib_ofdm_ref_resource_data_vct_manager_t& other) const {
        return is_equal(*this, other);
    }
    bool operator!=(const lib_ofdm_ref_resource_data_vct_manager_t& other) const {
        return !is_equal(*this, other);
    }

private:
    bool m_valid = false;
    bool_grid_t m_preamble_index_map;
    bool_grid_t m_pilot_index_map;
    int_grid_t m_resource_map;
    cell_grid_t m_ref_resource_data;
    complex_vector_t m_preamble_ref_iq_vct;
    complex_vector_t m_pilot_ref_iq_vct;
};

}  // namespace vek::ofdm_demod_lib
