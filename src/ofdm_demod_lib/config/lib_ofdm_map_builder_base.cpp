// Generation of a cell map from resource entries or from a map file, shared by the resource-map and
// modulation-map builders.
#include "vek/ofdm_demod_lib/config/lib_ofdm_map_builder_base.hpp"

#include <algorithm>
#include <cstddef>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

void lib_ofdm_map_builder_base_t::set_load_address(const std::string& load_address) {
    m_load_address = load_address;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_use_ui_map(bool use_ui_map) {
    m_use_ui_map = use_ui_map;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_include_gurad_sub_carr(bool include_gurad_sub_carr) {
    m_include_gurad_sub_carr = include_gurad_sub_carr;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_guard_low_subcarr(int guard_low_subcarr) {
    m_guard_low_subcarr = guard_low_subcarr;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_guard_up_subcarr(int guard_up_subcarr) {
    m_guard_up_subcarr = guard_up_subcarr;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_standard(lib_ofdm_standard_type_t standard) {
    m_standard = standard;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_fft_length(int fft_length) {
    m_fft_length = fft_length;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_analy_symbol_num(int analy_symbol_num) {
    m_analy_symbol_num = analy_symbol_num;
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::set_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& resource_mapping_vct) {
    // Centred subcarrier numbers become grid columns once, here, so painting is pure indexing.
    const int half_fft = m_fft_length / 2;
    m_resource_mapping_vct = resource_mapping_vct;
    for (lib_ofdm_res_info_t& entry : m_resource_mapping_vct) {
        for (std::vector<int>& group : entry.subcarrier_set) {
            for (int& subcarrier : group) subcarrier += half_fft;
        }
    }
    m_valid = false;
}

void lib_ofdm_map_builder_base_t::_init_map_builder() {
    m_valid = false;
    m_use_ui_map = true;
    m_include_gurad_sub_carr = true;
    m_guard_low_subcarr = 6;
    m_guard_up_subcarr = 5;
    m_standard = LIB_OFDM_STANDARD_TYPE_WIFI;
    m_resource_mapping_vct.assign(1, lib_ofdm_res_info_t{});
    m_fft_length = 64;
    m_analy_symbol_num = 64;
    m_map.assign(1, std::vector<int>{0});
}

bool lib_ofdm_map_builder_base_t::_generate_map(int empty_code, entry_painter_t paint, file_reader_t read_file) {
    m_map.clear();
    m_valid = false;
    const int symbol_num = std::max(m_analy_symbol_num, 0);
    const int fft_length = std::max(m_fft_length, 0);

    if (m_use_ui_map) {
        m_map.assign(static_cast<std::size_t>(symbol_num), std::vector<int>(static_cast<std::size_t>(fft_length), empty_code));
        for (const lib_ofdm_res_info_t& entry : m_resource_mapping_vct) paint(entry, m_map);
        m_valid = true;
        return true;
    }

    // A file without guard bands holds only the used band, W = N - L - U bins per symbol.
    const int row_width = m_include_gurad_sub_carr ? fft_length : fft_length - m_guard_low_subcarr - m_guard_up_subcarr;
    int_grid_t file_map;
    if (!read_file(m_standard, row_width, file_map, m_load_address)) return false;

    // The file must supply every analysed symbol in full; anything less would leave cells that no
    // row of the file describes. Surplus rows (and the reader's closing partial row) are dropped.
    std::size_t full_rows = 0;
    while (full_rows < file_map.size() && row_width >= 0 &&
           file_map[full_rows].size() >= static_cast<std::size_t>(row_width)) {
        ++full_rows;
    }
    if (row_width < 0 || full_rows < static_cast<std::size_t>(symbol_num)) {
        VEK_OFDM_LOG_ERROR("", "map file of standard {} below {} has {} full rows of {} values, {} are needed",
                           static_cast<int>(m_standard), m_load_address, full_rows, row_width, symbol_num);
        return false;
    }

    const int low = m_include_gurad_sub_carr ? 0 : m_guard_low_subcarr;
    const int full_width = m_include_gurad_sub_carr ? fft_length : row_width + m_guard_low_subcarr + m_guard_up_subcarr;
    m_map.assign(static_cast<std::size_t>(symbol_num), std::vector<int>(static_cast<std::size_t>(std::max(full_width, 0)), empty_code));
    for (std::size_t r = 0; r < m_map.size(); ++r) {
        for (int c = 0; c < row_width; ++c) {
            const int column = c + low;
            if (column < 0 || column >= full_width) continue;
            m_map[r][static_cast<std::size_t>(column)] = file_map[r][static_cast<std::size_t>(c)];
        }
    }
    m_valid = true;
    return true;
}

bool lib_ofdm_map_builder_base_t::_is_equal_map_builder(const lib_ofdm_map_builder_base_t& a,
                                                       const lib_ofdm_map_builder_base_t& b) {
    return a.m_valid == b.m_valid && a.m_load_address == b.m_load_address && a.m_use_ui_map == b.m_use_ui_map &&
           a.m_include_gurad_sub_carr == b.m_include_gurad_sub_carr && a.m_guard_low_subcarr == b.m_guard_low_subcarr &&
           a.m_guard_up_subcarr == b.m_guard_up_subcarr && a.m_standard == b.m_standard &&
           lib_ofdm_demod_common_t::is_equal_resource_mapping_vct(a.m_resource_mapping_vct, b.m_resource_mapping_vct) &&
           a.m_fft_length == b.m_fft_length && a.m_analy_symbol_num == b.m_analy_symbol_num && a.m_map == b.m_map;
}

}  // namespace vek::ofdm_demod_lib
