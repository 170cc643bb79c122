// The readers of the presets' reference data: pilot and preamble vectors (interleaved I,Q
// numbers) and the resource and modulation maps (rows of integers), on arbitrary file contents.
// First byte: which reader and which standard's file; second byte: the map row width.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

const char* const k_files[3][4] = {
    {"wlan54Mbps/Pilot", "wlan54Mbps/Preamble", "wlan54Mbps/remap", "wlan54Mbps/remod"},
    {"lteDL/ltePilot", "lteDL/ltePreamble", "lteDL/lteReMap", "lteDL/lteReMod"},
    {"lteUL/Pilot", "lteUL/Preamble", "lteUL/remap", "lteUL/remod"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    vek::fuzz::byte_reader_t in{data, size};
    const std::uint8_t selector = in.take_byte();
    const int row_width = static_cast<int>(static_cast<std::int8_t>(in.take_byte()));
    const int standard_index = (selector >> 2) % 3;
    const int reader = selector & 3;
    const auto standard = static_cast<lib_ofdm_standard_type_t>(standard_index);
    vek::fuzz::write_scratch_file(k_files[standard_index][reader], in.data, in.size);
    const std::string& dir = vek::fuzz::scratch_dir();

    complex_vector_t vct;
    int_grid_t grid;
    switch (reader) {
        case 0:
            lib_ofdm_demod_common_t::load_pilot_ref_iq_vct(standard, vct, dir);
            break;
        case 1:
            lib_ofdm_demod_common_t::load_preamble_ref_iq_vct(standard, vct, dir);
            break;
        case 2:
            lib_ofdm_demod_common_t::load_reasource_map_file(standard, row_width, grid, dir);
            break;
        default:
            lib_ofdm_demod_common_t::load_resource_mod_file(standard, row_width, grid, dir);
            break;
    }
    // Every row but the closing one has the asked width.
    if (row_width > 0) {
        for (std::size_t r = 0; r + 1 < grid.size(); ++r) {
            if (grid[r].size() != static_cast<std::size_t>(row_width)) __builtin_trap();
        }
    }
    return 0;
}
