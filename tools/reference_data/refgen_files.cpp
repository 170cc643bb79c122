// Writing the reference data files of the three presets.
#include "refgen_files.hpp"

#include <fmt/format.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <vector>

#include "refgen_values.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_protocol_preset.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_map_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_resource_mod_map_manager.hpp"

namespace vek::tools::refgen {

namespace {

namespace odl = vek::ofdm_demod_lib;

struct preset_files_t {
    odl::lib_ofdm_standard_type_t standard;
    const char* directory;
    const char* pilot;
    const char* preamble;
    const char* resource_map;
    const char* mod_map;
};

const preset_files_t k_presets[] = {
    {odl::LIB_OFDM_STANDARD_TYPE_WIFI, "wlan54Mbps", "Pilot", "Preamble", "remap", "remod"},
    {odl::LIB_OFDM_STANDARD_TYPE_LTE_DL, "lteDL", "ltePilot", "ltePreamble", "lteReMap", "lteReMod"},
    {odl::LIB_OFDM_STANDARD_TYPE_LTE_UL, "lteUL", "Pilot", "Preamble", "remap", "remod"},
};

// Nine significant digits round-trip a single-precision value. Residues of exact zeros (cos(pi/2)
// in double precision is 6e-17) and negative zeros are written as a plain 0.
std::string format_value(double v) {
    if (std::fabs(v) < 1e-12) v = 0.0;
    return fmt::format("{:.9g}", v);
}

bool write_text(const std::filesystem::path& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        error = fmt::format("cannot write {}: check that the directory exists and is writable", path.string());
        return false;
    }
    return true;
}

std::string vector_text(const cvector_t& values) {
    std::string text;
    for (const cvalue_t& v : values) text += format_value(v.real()) + "," + format_value(v.imag()) + "\n";
    return text;
}

// One line per symbol, the cells of the line separated by commas.
std::string map_text(const odl::int_grid_t& map, std::size_t first_column, std::size_t width) {
    std::string text;
    for (const std::vector<int>& row : map) {
        for (std::size_t c = 0; c < width; ++c) {
            if (c != 0) text += ",";
            text += std::to_string(row.at(first_column + c));
        }
        text += "\n";
    }
    return text;
}

// Paints the preset's resource entries exactly as the configuration manager hands them to the
// map builders (subcarrier numbers are already inside the used band, so cleaning keeps them).
template <typename Builder>
void configure_builder(Builder& builder, const odl::lib_ofdm_protocol_preset_t& preset, odl::lib_ofdm_standard_type_t standard) {
    builder.set_use_ui_map(true);
    builder.set_include_gurad_sub_carr(preset.include_gurad_sub_carr);
    builder.set_guard_low_subcarr(preset.guard_low_subcarr);
    builder.set_guard_up_subcarr(preset.guard_up_subcarr);
    builder.set_standard(standard);
    builder.set_fft_length(preset.fft_length);
    builder.set_analy_symbol_num(preset.analy_symbol_num);
    builder.set_resource_mapping_vct(preset.resource_mapping_vct);
}

bool write_preset(const std::filesystem::path& root, const preset_files_t& files, std::string& error) {
    const std::filesystem::path dir = root / files.directory;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = fmt::format("cannot create directory {}: {}", dir.string(), ec.message());
        return false;
    }

    preset_reference_t ref;
    switch (files.standard) {
        case odl::LIB_OFDM_STANDARD_TYPE_LTE_DL: ref = lte_dl_reference(); break;
        case odl::LIB_OFDM_STANDARD_TYPE_LTE_UL: ref = lte_ul_reference(); break;
        default: ref = wlan_reference(); break;
    }
    // The uplink has no preamble cells; its preamble file exists but is empty, so reading it
    // replaces whatever vector the manager held before.
    if (!write_text(dir / files.pilot, vector_text(ref.pilot), error)) return false;
    if (!write_text(dir / files.preamble, vector_text(ref.preamble), error)) return false;

    const odl::lib_ofdm_protocol_preset_t preset = odl::generate_protocol_preset(files.standard);
    odl::lib_ofdm_resource_map_manager_t map_builder;
    configure_builder(map_builder, preset, files.standard);
    odl::lib_ofdm_resource_mod_map_manager_t mod_builder;
    configure_builder(mod_builder, preset, files.standard);
    if (!map_builder.generate_resource_map() || !mod_builder.generate_resource_mod_map()) {
        error = fmt::format("cannot paint the resource maps of {}", files.directory);
        return false;
    }

    // Files of a preset without guard bands hold only the used band, W = N - L - U columns.
    const std::size_t n = static_cast<std::size_t>(preset.fft_length);
    const std::size_t first = preset.include_gurad_sub_carr ? 0 : static_cast<std::size_t>(preset.guard_low_subcarr);
    const std::size_t width =
        preset.include_gurad_sub_carr ? n : n - static_cast<std::size_t>(preset.guard_low_subcarr + preset.guard_up_subcarr);
    if (!write_text(dir / files.resource_map, map_text(map_builder.get_resource_map(), first, width), error)) return false;
    return write_text(dir / files.mod_map, map_text(mod_builder.get_resource_mod_map(), first, width), error);
}

}  // namespace

bool generate_reference_data(const std::string& out_dir, std::string& error) {
    for (const preset_files_t& files : k_presets) {
        if (!write_preset(out_dir, files, error)) return false;
    }
    return true;
}

}  // namespace vek::tools::refgen
