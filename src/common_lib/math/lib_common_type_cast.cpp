#include "vek/common_lib/math/lib_common_type_cast.hpp"

#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

std::uint32_t lib_common_type_cast_t::get_constellation_point(std::uint32_t constellation_type)
{
    switch (constellation_type) {
    case 0: case 1: case 2: case 7: case 26: case 27:
        return 2u;
    case 3: case 4: case 8: case 9: case 15: case 28:
        return 4u;
    case 5: case 10: case 11: case 16: case 29:
        return 8u;
    case 6: case 12: case 13: case 17: case 30:
        return 16u;
    case 14: case 18:
        return 32u;
    default:
        break;
    }
    if (constellation_type >= 19u && constellation_type <= 25u) return 64u << (constellation_type - 19u);
    report_line("lib_common_type_cast_t::get_constellation_point Report: Error Constellation Type!");
    return 0u;
}

std::uint32_t lib_common_type_cast_t::get_bits_per_symbol(std::uint32_t constellation_type,
                                                          std::uint32_t custom_points)
{
    const std::uint32_t points =
        constellation_type == LIB_CONSTELLATION_TYPE_CUSTOM ? custom_points : get_constellation_point(constellation_type);
    std::uint32_t bits = 0;  // floor(log2(points)); 0 for 0 or 1 point
    while ((points >> (bits + 1u)) != 0u) ++bits;
    return bits;
}

std::uint32_t lib_common_type_cast_t::get_modulator_type(std::uint32_t constellation_type)
{
    if (constellation_type <= 25u) return 0u;
    if (constellation_type <= 30u) return 1u;
    return 2u;
}

bool lib_common_type_cast_t::is_prbs_code_type(std::uint32_t data_type)
{
    return data_type < 6u;
}

void lib_common_type_cast_t::float_array_to_complex_array(const std::vector<float>& real_data,
                                                          std::vector<std::complex<float>>& output)
{
    output.resize(real_data.size());
    for (std::size_t i = 0; i < real_data.size(); ++i) output[i] = std::complex<float>(real_data[i], 0.0f);
}

}  // namespace vek::common_lib
