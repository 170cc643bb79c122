#include "vek/common_lib/coding/lib_gray_code.hpp"

namespace vek::common_lib {

std::uint32_t lib_gray_code_t::decimal_to_gray_code(std::uint32_t value) { return value ^ (value >> 1); }

std::uint32_t lib_gray_code_t::gray_code_to_decimal(std::uint32_t gray) {
    // Prefix XOR from the top in log2(32) doubling steps.
    std::uint32_t value = gray;
    value ^= value >> 16;
    value ^= value >> 8;
    value ^= value >> 4;
    value ^= value >> 2;
    value ^= value >> 1;
    return value;
}

}  // namespace vek::common_lib
