#include "vek/common_lib/coding/lib_odd_even_check.hpp"

#include "coding_report.hpp"

namespace vek::common_lib {

using coding_detail::k_parity_source;
using coding_detail::report_error;

namespace {
// Location numbers printed with the parity reports; fixed so that logs stay comparable across
// builds of the toolkit.
constexpr int k_empty_input_line = 45;
constexpr int k_bad_bit_line = 52;
}  // namespace

lib_odd_even_check_t::lib_odd_even_check_t() : m_check_type(LIB_ODD_EVEN_CHECK_TYPE_EVEN) {}

void lib_odd_even_check_t::set_odd_even_check_type(lib_odd_even_check_type_t type) { m_check_type = type; }

bool lib_odd_even_check_t::_calc_parity_bit(const std::vector<std::uint8_t>& bits, std::uint8_t& bit) const {
    bit = 0;
    if (bits.empty()) {
        report_error("Origin bit sequence is empty!", k_empty_input_line, k_parity_source);
        return false;
    }
    std::uint8_t sum = 0;
    for (std::uint8_t b : bits) {
        if (b > 1) {
            report_error("Bit Data Error!", k_bad_bit_line, k_parity_source);
            return false;
        }
        sum ^= b;
    }
    bit = m_check_type == LIB_ODD_EVEN_CHECK_TYPE_EVEN ? sum : static_cast<std::uint8_t>(sum ^ 1u);
    return true;
}

std::uint8_t lib_odd_even_check_t::deal_parity_bit_calculation(const std::vector<std::uint8_t>& bits) const {
    std::uint8_t bit = 0;
    _calc_parity_bit(bits, bit);
    return bit;
}

bool lib_odd_even_check_t::deal_odd_even_check(const std::vector<std::uint8_t>& bits) const {
    std::uint8_t bit = 0;
    return _calc_parity_bit(bits, bit) && bit == 0;
}

}  // namespace vek::common_lib
