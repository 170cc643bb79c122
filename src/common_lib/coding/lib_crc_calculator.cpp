#include "vek/common_lib/coding/lib_crc_calculator.hpp"

#include <algorithm>
#include <set>

#include "bit_field.hpp"
#include "coding_report.hpp"

namespace vek::common_lib {

using coding_detail::all_binary;
using coding_detail::bits_from_value;
using coding_detail::k_crc_source;
using coding_detail::low_mask;
using coding_detail::report_caution;
using coding_detail::report_error;
using coding_detail::reverse_low_bits;
using coding_detail::value_from_bits;

lib_crc_calculator_t::lib_crc_calculator_t()
    : m_initial_condition(3, 0),
      m_calculate_method(LIB_CRC_METHOD_NON_DIRECT),
      m_checksum_reverse_enable(false),
      m_xor_sequence(3, 0),
      m_generator_polynomial(0x3),
      m_crc_length(3) {}

bool lib_crc_calculator_t::set_crc_generator_polynomial_type(lib_crc_polynomial_type_t type) {
    switch (type) {
        case LIB_CRC_POLYNOMIAL_TYPE_CUSTOM:
            return false;
        case LIB_CRC_POLYNOMIAL_TYPE_CRC3:
            return set_crc_generator_polynomial({3, 1});
    }
    report_error("Unknown CRC Type!", __LINE__, k_crc_source);
    return false;
}

bool lib_crc_calculator_t::check_crc_generator_polynomial(const std::vector<std::uint32_t>& exponents) {
    if (exponents.empty()) return false;
    const std::set<std::uint32_t> distinct(exponents.begin(), exponents.end());
    if (distinct.size() != exponents.size()) return false;
    return *distinct.rbegin() <= LIB_CRC_CHECK_CODE_LENGTH_MAX;
}

bool lib_crc_calculator_t::set_crc_generator_polynomial(const std::vector<std::uint32_t>& exponents) {
    if (!check_crc_generator_polynomial(exponents)) return false;
    const std::uint32_t degree = *std::max_element(exponents.begin(), exponents.end());
    // A lone constant term has no check bits at all.
    if (degree == 0) return false;

    // The leading term is implicit in the register length; the constant term is always present
    // because a polynomial without it would not detect every single-bit error.
    std::uint64_t value = 1;
    for (std::uint32_t e : exponents) {
        if (e != degree && e != 0) value |= std::uint64_t{1} << e;
    }
    m_generator_polynomial = value;
    m_crc_length = degree;
    m_initial_condition.resize(degree, 0);
    m_xor_sequence.resize(degree, 0);
    return true;
}

void lib_crc_calculator_t::set_initial_condition(const std::vector<std::uint8_t>& bits) {
    m_initial_condition = bits;
    if (m_initial_condition.size() != m_crc_length) {
        report_caution("Initial condition length not match, it will be adjusted!", __LINE__, k_crc_source);
        m_initial_condition.resize(m_crc_length, 0);
    }
}

void lib_crc_calculator_t::set_initial_condition_to_default() { m_initial_condition.assign(m_crc_length, 0); }

void lib_crc_calculator_t::set_xor_sequence(const std::vector<std::uint8_t>& bits) {
    m_xor_sequence = bits;
    if (m_xor_sequence.size() != m_crc_length) {
        report_caution("Xor sequence length not match, it will be adjusted!", __LINE__, k_crc_source);
        m_xor_sequence.resize(m_crc_length, 0);
    }
}

void lib_crc_calculator_t::set_xor_sequence_to_default() { m_xor_sequence.assign(m_crc_length, 0); }

void lib_crc_calculator_t::set_checksum_reverse_enable(bool enable) { m_checksum_reverse_enable = enable; }

void lib_crc_calculator_t::set_calculate_method(lib_crc_method_t method) { m_calculate_method = method; }

bool lib_crc_calculator_t::_is_configuration_valid() const {
    return m_crc_length >= 1 && m_crc_length <= LIB_CRC_CHECK_CODE_LENGTH_MAX &&
           m_initial_condition.size() == m_crc_length && m_xor_sequence.size() == m_crc_length &&
           m_generator_polynomial != 0;
}

bool lib_crc_calculator_t::_check_data(const std::vector<std::uint8_t>& bits) const {
    if (!all_binary(bits) || !all_binary(m_initial_condition) || !all_binary(m_xor_sequence)) {
        report_error("Bit Data Error!", __LINE__, k_crc_source);
        return false;
    }
    return true;
}

bool lib_crc_calculator_t::_calc_raw_register(const std::vector<std::uint8_t>& bits,
                                              std::uint64_t& value) const {
    const std::uint32_t length = m_crc_length;
    const std::uint64_t mask = low_mask(length);
    const std::uint64_t poly = m_generator_polynomial;
    std::uint64_t reg = value_from_bits(m_initial_condition, 0, length);
    value = 0;

    switch (m_calculate_method) {
        case LIB_CRC_METHOD_DIRECT:
            // The message bit meets the register's top bit before the shift: no augmentation.
            for (std::uint8_t b : bits) {
                const std::uint64_t feedback = (b ^ (reg >> (length - 1))) & 1u;
                reg = (reg << 1) & mask;
                if (feedback != 0) reg ^= poly;
            }
            break;
        case LIB_CRC_METHOD_NON_DIRECT: {
            // Long division of the message followed by `length` zero bits.
            const std::size_t steps = bits.size() + length;
            for (std::size_t i = 0; i < steps; ++i) {
                const std::uint64_t in = i < bits.size() ? bits[i] : 0u;
                const std::uint64_t top = (reg >> (length - 1)) & 1u;
                reg = ((reg << 1) | in) & mask;
                if (top != 0) reg ^= poly;
            }
            break;
        }
        default:
            report_error("Unknown CRC Algorithm!", __LINE__, k_crc_source);
            return false;
    }
    value = reg & mask;
    return true;
}

bool lib_crc_calculator_t::deal_crc_calculation(const std::vector<std::uint8_t>& bits,
                                                std::vector<std::uint8_t>& checksum) const {
    checksum.clear();
    if (!_is_configuration_valid()) {
        report_error("Invalid CRC configure!", __LINE__, k_crc_source);
        return false;
    }
    if (bits.size() < m_crc_length) {
        report_error("Origin bit sequence is too short to calculate CRC codes!", __LINE__, k_crc_source);
        return false;
    }
    if (!_check_data(bits)) return false;

    std::uint64_t code = 0;
    const bool known_method = _calc_raw_register(bits, code);
    if (m_checksum_reverse_enable) code = reverse_low_bits(code, m_crc_length);
    code ^= value_from_bits(m_xor_sequence, 0, m_crc_length);
    checksum = bits_from_value(code, m_crc_length);
    return known_method;
}

bool lib_crc_calculator_t::deal_crc_check(const std::vector<std::uint8_t>& bits) const {
    if (bits.size() <= m_crc_length) {
        report_error("Input sequence length not enough!", __LINE__, k_crc_source);
        return false;
    }
    if (!_is_configuration_valid()) {
        report_error("Invalid CRC configure!", __LINE__, k_crc_source);
        return false;
    }
    if (!_check_data(bits)) return false;

    // Undo the final XOR and the reversal so that the message followed by the raw register value
    // divides evenly: both algorithms then leave a zero register.
    const std::size_t message_length = bits.size() - m_crc_length;
    std::uint64_t received = value_from_bits(bits, message_length, m_crc_length);
    received ^= value_from_bits(m_xor_sequence, 0, m_crc_length);
    if (m_checksum_reverse_enable) received = reverse_low_bits(received, m_crc_length);

    std::vector<std::uint8_t> code_word(bits.begin(),
                                        bits.begin() + static_cast<std::ptrdiff_t>(message_length));
    const std::vector<std::uint8_t> raw_bits = bits_from_value(received, m_crc_length);
    code_word.insert(code_word.end(), raw_bits.begin(), raw_bits.end());

    std::uint64_t remainder = 0;
    if (!_calc_raw_register(code_word, remainder)) return false;
    return remainder == 0;
}

}  // namespace vek::common_lib
