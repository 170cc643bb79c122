#pragma once
// Cyclic redundancy check over bit sequences held one bit per byte (0 or 1, first bit first).
//
// The register model is the usual one of the CRC catalogues (width, polynomial, preset, reflected
// output, final XOR) with two shift-register algorithms:
//  - direct: the message bit is XORed into the register's top bit before the polynomial is
//    applied, so the preset is the register content before the first message bit (the catalogue's
//    "init");
//  - non-direct: the message is shifted through the register and followed by L zero bits (long
//    division of the augmented message), so the preset acts as L leading bits of the dividend.
// With a zero preset both give the same code. Reflected input is not a register option: a caller
// that wants it feeds each byte least significant bit first.
#include <cstdint>
#include <vector>

namespace vek::common_lib {

enum lib_crc_method_t : std::int32_t {
    LIB_CRC_METHOD_DIRECT = 0,
    LIB_CRC_METHOD_NON_DIRECT = 1,
};

enum lib_crc_polynomial_type_t : std::int32_t {
    LIB_CRC_POLYNOMIAL_TYPE_CUSTOM = 0,  // no preset polynomial
    LIB_CRC_POLYNOMIAL_TYPE_CRC3 = 1,    // x^3 + x + 1
};

// Largest supported CRC length (polynomial degree) in bits.
inline constexpr std::uint32_t LIB_CRC_CHECK_CODE_LENGTH_MAX = 64;

class lib_crc_calculator_t {
public:
    // CRC-3 (x^3 + x + 1), zero preset, zero final XOR, non-direct algorithm, no reversal.
    lib_crc_calculator_t();

    // Type 1 applies x^3 + x + 1 and returns true; type 0 (custom) returns false; any other type
    // reports "Unknown CRC Type!". Nothing changes when false is returned.
    bool set_crc_generator_polynomial_type(lib_crc_polynomial_type_t type);

    // Exponents of the polynomial's terms, e.g. {16, 12, 5, 0} for x^16 + x^12 + x^5 + 1; the
    // largest is the CRC length and the constant term is implied. Resizes the preset and the final
    // XOR to the new length (new entries 0, surplus dropped). False, nothing changed, when the list
    // fails check_crc_generator_polynomial or its degree is 0.
    bool set_crc_generator_polynomial(const std::vector<std::uint32_t>& exponents);

    // Non-empty, free of repeats, largest exponent at most LIB_CRC_CHECK_CODE_LENGTH_MAX.
    static bool check_crc_generator_polynomial(const std::vector<std::uint32_t>& exponents);

    // Register preset, most significant bit first. A length other than the CRC length writes a
    // caution and the stored bits are resized (padded with 0 at the end or truncated).
    void set_initial_condition(const std::vector<std::uint8_t>& bits);
    void set_initial_condition_to_default();  // all zeros

    // Final XOR value, most significant bit first; resized like the preset.
    void set_xor_sequence(const std::vector<std::uint8_t>& bits);
    void set_xor_sequence_to_default();  // all zeros

    // Reverses the checksum's bit order before the final XOR (the catalogue's "reflected output").
    void set_checksum_reverse_enable(bool enable);
    void set_calculate_method(lib_crc_method_t method);

    // checksum = the CRC length's bits of the code, most significant first. False (checksum
    // cleared) on an invalid configuration, fewer input bits than the CRC length, an input byte
    // above 1 or an unknown algorithm, each with its report.
    bool deal_crc_calculation(const std::vector<std::uint8_t>& bits,
                              std::vector<std::uint8_t>& checksum) const;

    // True when the sequence's last CRC-length bits are the correct checksum of the bits before.
    // False, with a report, for a sequence not longer than the CRC length or invalid data.
    bool deal_crc_check(const std::vector<std::uint8_t>& bits) const;

    std::uint32_t get_crc_length() const { return m_crc_length; }
    // The polynomial without its leading term (0x1021 for x^16 + x^12 + x^5 + 1).
    std::uint64_t get_crc_generator_polynomial() const { return m_generator_polynomial; }
    const std::vector<std::uint8_t>& get_initial_condition() const { return m_initial_condition; }
    const std::vector<std::uint8_t>& get_xor_sequence() const { return m_xor_sequence; }
    bool get_checksum_reverse_enable() const { return m_checksum_reverse_enable; }
    lib_crc_method_t get_calculate_method() const { return m_calculate_method; }

private:
    bool _is_configuration_valid() const;
    // Register value after running `bits` through the chosen algorithm; false (value 0) for an
    // unknown algorithm.
    bool _calc_raw_register(const std::vector<std::uint8_t>& bits, std::uint64_t& value) const;
    // Shared front checks of calculation and check; false after reporting.
    bool _check_data(const std::vector<std::uint8_t>& bits) const;

    std::vector<std::uint8_t> m_initial_condition;
    lib_crc_method_t m_calculate_method;
    bool m_checksum_reverse_enable;
    std::vector<std::uint8_t> m_xor_sequence;
    std::uint64_t m_generator_polynomial;
    std::uint32_t m_crc_length;
};

}  // namespace vek::common_lib
