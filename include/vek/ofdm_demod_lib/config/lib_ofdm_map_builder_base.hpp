#pragma once
// What the resource-map and modulation-map builders have in common: the frame geometry they are
// given, the resource entries (subcarriers already turned into FFT-bin columns), the map itself and
// the generation from entries or from a file. The two builders differ only in the code of an empty
// cell, how one entry is painted and which file is read.
#include <string>
#include <vector>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib {

class lib_ofdm_map_builder_base_t {
public:
    // Every setter stores its value and invalidates the map until the next generation.
    void set_load_address(const std::string& load_address);
    void set_use_ui_map(bool use_ui_map);
    void set_include_gurad_sub_carr(bool include_gurad_sub_carr);
    void set_guard_low_subcarr(int guard_low_subcarr);
    void set_guard_up_subcarr(int guard_up_subcarr);
    void set_standard(lib_ofdm_standard_type_t standard);
    void set_fft_length(int fft_length);
    void set_analy_symbol_num(int analy_symbol_num);
    // Stores a copy whose subcarrier numbers v become grid columns v + N/2, N being the FFT length
    // stored now: set the FFT length first.
    void set_resource_mapping_vct(const std::vector<lib_ofdm_res_info_t>& resource_mapping_vct);

    const std::string& get_load_address() const { return m_load_address; }
    bool get_use_ui_map() const { return m_use_ui_map; }
    bool get_include_gurad_sub_carr() const { return m_include_gurad_sub_carr; }
    int get_guard_low_subcarr() const { return m_guard_low_subcarr; }
    int get_guard_up_subcarr() const { return m_guard_up_subcarr; }
    lib_ofdm_standard_type_t get_standard() const { return m_standard; }
    int get_fft_length() const { return m_fft_length; }
    int get_analy_symbol_num() const { return m_analy_symbol_num; }
    // The stored entries, subcarriers as grid columns.
    const std::vector<lib_ofdm_res_info_t>& get_resource_mapping_vct() const {
        return m_resource_mapping_vct;
    }

protected:
    // Reads a map file for (standard, row width) below a directory; false when it cannot be read.
    using file_reader_t = bool (*)(lib_ofdm_standard_type_t, int, int_grid_t&, const std::string&);
    // Paints one stored entry (columns already) into the map.
    using entry_painter_t = void (*)(const lib_ofdm_res_info_t&, int_grid_t&);

    lib_ofdm_map_builder_base_t() = default;

    void _init_map_builder();
    bool _generate_map(int empty_code, entry_painter_t paint, file_reader_t read_file);
    static bool _is_equal_map_builder(const lib_ofdm_map_builder_base_t& a,
                                      const lib_ofdm_map_builder_base_t& b);

    bool m_valid = false;
    std::string m_load_address;
    bool m_use_ui_map = true;
    bool m_include_gurad_sub_carr = true;
    int m_guard_low_subcarr = 6;
    int m_guard_up_subcarr = 5;
    lib_ofdm_standard_type_t m_standard = LIB_OFDM_STANDARD_TYPE_WIFI;
    std::vector<lib_ofdm_res_info_t> m_resource_mapping_vct{lib_ofdm_res_info_t{}};
    int m_fft_length = 64;
    int m_analy_symbol_num = 64;
    int_grid_t m_map{std::vector<int>{0}};
};

}  // namespace vek::ofdm_demod_lib
