#pragma once
// Binary-reflected Gray code of 32-bit values: consecutive integers map to words differing in one
// bit, which keeps a one-step error in a mapped symbol index to a single bit error.
#include <cstdint>

namespace vek::common_lib {

class lib_gray_code_t {
public:
    // v XOR (v >> 1).
    static std::uint32_t decimal_to_gray_code(std::uint32_t value);
    // Exact inverse over all 32 bits: each result bit is the XOR of the Gray word's bits at and
    // above it.
    static std::uint32_t gray_code_to_decimal(std::uint32_t gray);
};

}  // namespace vek::common_lib
