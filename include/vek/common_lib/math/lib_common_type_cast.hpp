#pragma once
// Look-ups over the modulation toolkit's constellation type values (0..31).
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

inline constexpr std::uint32_t LIB_CONSTELLATION_TYPE_CUSTOM = 31u;

class lib_common_type_cast_t {
public:
    // Number of constellation points; an unknown type reports and yields 0.
    static std::uint32_t get_constellation_point(std::uint32_t constellation_type);
    // floor(log2(points)); for the custom type log2 of custom_points (which must be positive).
    static std::uint32_t get_bits_per_symbol(std::uint32_t constellation_type, std::uint32_t custom_points);
    // 0 for the linear types 0..25, 1 for 26..30, 2 for custom (31 and above).
    static std::uint32_t get_modulator_type(std::uint32_t constellation_type);
    // True for the PRBS data types (values below 6).
    static bool is_prbs_code_type(std::uint32_t data_type);
    static void float_array_to_complex_array(const std::vector<float>& real_data,
                                             std::vector<std::complex<float>>& output);
};

}  // namespace vek::common_lib
