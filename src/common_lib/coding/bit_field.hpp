#pragma once
// Conversions between register values and bit vectors (one bit per byte, most significant bit
// first), shared by the CRC calculator. Internal to the coding family.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vek::common_lib::coding_detail {

// All ones in the low `width` bits; width 64 must not shift by the full word (undefined).
inline std::uint64_t low_mask(std::uint32_t width) {
    return width >= 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << width) - 1);
}

inline bool all_binary(const std::vector<std::uint8_t>& bits) {
    for (std::uint8_t b : bits) {
        if (b > 1) return false;
    }
    return true;
}

// Value of `count` bits starting at `start`, first bit most significant; bits past the end read
// as 0. The caller guarantees count <= 64 and binary entries.
inline std::uint64_t value_from_bits(const std::vector<std::uint8_t>& bits, std::size_t start,
                                     std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t k = start + i;
        value = (value << 1) | (k < bits.size() ? (bits[k] & 1u) : 0u);
    }
    return value;
}

// The low `count` bits of value (count <= 64), most significant first.
inline std::vector<std::uint8_t> bits_from_value(std::uint64_t value, std::size_t count) {
    std::vector<std::uint8_t> bits(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        bits[count - 1 - i] = static_cast<std::uint8_t>((value >> i) & 1u);
    }
    return bits;
}

// Mirrors the low `width` bits (bit 0 <-> bit width-1); higher bits are dropped.
inline std::uint64_t reverse_low_bits(std::uint64_t value, std::uint32_t width) {
    std::uint64_t out = 0;
    for (std::uint32_t i = 0; i < width; ++i) {
        out = (out << 1) | ((value >> i) & 1u);
    }
    return out;
}

}  // namespace vek::common_lib::coding_detail
