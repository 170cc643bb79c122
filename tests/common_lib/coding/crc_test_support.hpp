#pragma once
// Small helpers for the CRC tests: bit vectors from text and integers, and polynomial exponents
// from the catalogue's hexadecimal notation (leading term implied).
#include <cstdint>
#include <string>
#include <vector>

#include "vek/common_lib/coding/lib_crc_calculator.hpp"

namespace crc_test {

using bits_t = std::vector<std::uint8_t>;

inline bits_t bits_of(const std::string& zeros_and_ones) {
    bits_t bits;
    for (char c : zeros_and_ones) {
        if (c == '0' || c == '1') bits.push_back(static_cast<std::uint8_t>(c - '0'));
    }
    return bits;
}

// Each byte of the text as 8 bits; lsb_first models a reflected-input CRC.
inline bits_t bits_of_bytes(const std::string& text, bool lsb_first) {
    bits_t bits;
    for (unsigned char byte : text) {
        for (int i = 0; i < 8; ++i) {
            const int shift = lsb_first ? i : 7 - i;
            bits.push_back(static_cast<std::uint8_t>((byte >> shift) & 1u));
        }
    }
    return bits;
}

inline bits_t bits_msb_first(std::uint64_t value, unsigned width) {
    bits_t bits;
    for (unsigned i = width; i-- > 0;) bits.push_back(static_cast<std::uint8_t>((value >> i) & 1u));
    return bits;
}

inline std::uint64_t value_msb_first(const bits_t& bits) {
    std::uint64_t v = 0;
    for (std::uint8_t b : bits) v = (v << 1) | b;
    return v;
}

// Catalogue polynomial 0x1021 of width 16 -> {16, 12, 5, 0}.
inline std::vector<std::uint32_t> exponents_of(std::uint64_t poly, unsigned width) {
    std::vector<std::uint32_t> exps{width};
    for (unsigned e = width; e-- > 0;) {
        if ((poly >> e) & 1u) exps.push_back(e);
    }
    return exps;
}

struct crc_model_t {
    const char* name;
    unsigned width;
    std::uint64_t poly;
    std::uint64_t init;
    bool refin;
    bool refout;
    std::uint64_t xorout;
    std::uint64_t check;  // CRC of the ASCII text "123456789"
};

// Configures a calculator for a catalogue model with the direct algorithm (the catalogue's
// register model: init is the register before the first message bit).
inline vek::common_lib::lib_crc_calculator_t calculator_for(const crc_model_t& m) {
    vek::common_lib::lib_crc_calculator_t calc;
    calc.set_crc_generator_polynomial(exponents_of(m.poly, m.width));
    calc.set_initial_condition(bits_msb_first(m.init, m.width));
    calc.set_xor_sequence(bits_msb_first(m.xorout, m.width));
    calc.set_checksum_reverse_enable(m.refout);
    calc.set_calculate_method(vek::common_lib::LIB_CRC_METHOD_DIRECT);
    return calc;
}

}  // namespace crc_test
