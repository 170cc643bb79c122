// The reference resource data: known values of the preamble and pilot cells on the cell grid.
#include "vek/ofdm_demod_lib/config/lib_ofdm_ref_resource_data_vct_manager.hpp"

#include <cstddef>
#include <string>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

namespace {

// An index map of another shape than the resource map simply marks nothing outside its extent.
bool is_marked(const bool_grid_t& index_map, std::size_t row, std::size_t column) {
    return row < index_map.size() && column < index_map[row].size() && index_map[row][column];
}

}  // namespace

lib_ofdm_ref_resource_data_vct_manager_t::lib_ofdm_ref_resource_data_vct_manager_t() { init_ref_resource_data(); }

void lib_ofdm_ref_resource_data_vct_manager_t::set_preamble_index_map(const bool_grid_t& preamble_index_map) {
    m_preamble_index_map = preamble_index_map;
    m_valid = false;
}

void lib_ofdm_ref_resource_data_vct_manager_t::set_pilot_index_map(const bool_grid_t& pilot_index_map) {
    m_pilot_index_map = pilot_index_map;
    m_valid = false;
}

void lib_ofdm_ref_resource_data_vct_manager_t::set_resource_map_manager(const int_grid_t& resource_map) {
    m_resource_map = resource_map;
    m_valid = false;
}

void lib_ofdm_ref_resource_data_vct_manager_t::set_preamble_ref_iq_vct(const complex_vector_t& preamble_ref_iq_vct) {
    m_preamble_ref_iq_vct = preamble_ref_iq_vct;
    m_valid = false;
}

void lib_ofdm_ref_resource_data_vct_manager_t::set_pilot_ref_iq_vct(const complex_vector_t& pilot_ref_iq_vct) {
    m_pilot_ref_iq_vct = pilot_ref_iq_vct;
    m_valid = false;
}

bool lib_ofdm_ref_resource_data_vct_manager_t::generate_ref_resource_data() {
    m_valid = false;
    m_ref_resource_data.clear();
    const std::size_t row_num = m_resource_map.size();
    const std::size_t width = row_num == 0 ? 0 : m_resource_map.front().size();
    m_ref_resource_data.assign(row_num, complex_vector_t(width, complex_t(0.0f, 0.0f)));

    // The reference files list their values in time order and, within a symbol, from the lowest to
    // the highest frequency: the same walk consumes them here.
    std::size_t pilot_pos = 0;
    std::size_t preamble_pos = 0;
    for (std::size_t r = 0; r < row_num; ++r) {
        for (std::size_t c = 0; c < width; ++c) {
            if (is_marked(m_pilot_index_map, r, c)) {
                if (pilot_pos >= m_pilot_ref_iq_vct.size()) {
                    VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN, "pilot_ref_iq_vct and m_pilot_index_map is not equal",
                                 "pilot_ref_iq_vct {} and m_pilot_index_map is not equal , generate_ref_resource_data fail",
                                 m_pilot_ref_iq_vct.size());
                    return false;
                }
                m_ref_resource_data[r][c] = m_pilot_ref_iq_vct[pilot_pos++];
            } else if (is_marked(m_preamble_index_map, r, c)) {
                if (preamble_pos >= m_preamble_ref_iq_vct.size()) {
                    common_lib::report_line("m_preamble_ref_iq_vct and m_preamble_index_map is not equal " +
                                            std::to_string(preamble_pos));
                    common_lib::report_line("m_preamble_ref_iq_vct size is " + std::to_string(m_preamble_ref_iq_vct.size()));
                    VEK_OFDM_LOG_WARN(
                        "m_preamble_ref_iq_vct {} and m_preamble_index_map is not equal , generate_ref_resource_data fail",
                        m_preamble_ref_iq_vct.size());
                    return false;
                }
                m_ref_resource_data[r][c] = m_preamble_ref_iq_vct[preamble_pos++];
            }
        }
    }
    m_valid = true;
    return true;
}

void lib_ofdm_ref_resource_data_vct_manager_t::init_ref_resource_data() {
    m_valid = false;
    m_preamble_index_map.assign(1, std::vector<bool>{false});
    m_pilot_index_map.assign(1, std::vector<bool>{false});
    m_resource_map.assign(1, std::vector<int>{0});
    m_ref_resource_data.assign(1, complex_vector_t{complex_t(0.0f, 0.0f)});
    m_preamble_ref_iq_vct.assign(1, complex_t(0.0f, 0.0f));
    m_pilot_ref_iq_vct.assign(1, complex_t(0.0f, 0.0f));
}

bool lib_ofdm_ref_resource_data_vct_manager_t::is_equal(const lib_ofdm_ref_resource_data_vct_manager_t& a,
                                                        const lib_ofdm_ref_resource_data_vct_manager_t& b) {
    // Complex float comparison: a NaN anywhere makes the builders unequal, as for every float member.
    return a.m_valid == b.m_valid && a.m_preamble_index_map == b.m_preamble_index_map &&
           a.m_pilot_index_map == b.m_pilot_index_map && a.m_resource_map == b.m_resource_map &&
           a.m_ref_resource_data == b.m_ref_resource_data && a.m_preamble_ref_iq_vct == b.m_preamble_ref_iq_vct &&
           a.m_pilot_ref_iq_vct == b.m_pilot_ref_iq_vct;
}

}  // namespace vek::ofdm_demod_lib
