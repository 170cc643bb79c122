#pragma once
// Single parity bit over a bit sequence held one bit per byte (0 or 1).
#include <cstdint>
#include <vector>

namespace vek::common_lib {

enum lib_odd_even_check_type_t : std::int32_t {
    LIB_ODD_EVEN_CHECK_TYPE_ODD = 0,   // the code word holds an odd number of ones
    LIB_ODD_EVEN_CHECK_TYPE_EVEN = 1,  // the code word holds an even number of ones
};

class lib_odd_even_check_t {
public:
    lib_odd_even_check_t();  // even parity

    void set_odd_even_check_type(lib_odd_even_check_type_t type);
    lib_odd_even_check_type_t get_odd_even_check_type() const { return m_check_type; }

    // The bit to append: XOR of all bits for even parity, its complement for odd parity. An empty
    // sequence or a byte other than 0 and 1 is reported and yields 0.
    std::uint8_t deal_parity_bit_calculation(const std::vector<std::uint8_t>& bits) const;

    // True when the sequence, parity bit included, satisfies the parity; false (with the report)
    // for an empty sequence or a byte other than 0 and 1.
    bool deal_odd_even_check(const std::vector<std::uint8_t>& bits) const;

private:
    // Parity bit through `bit`; false after reporting invalid input.
    bool _calc_parity_bit(const std::vector<std::uint8_t>& bits, std::uint8_t& bit) const;

    lib_odd_even_check_type_t m_check_type;
};

}  // namespace vek::common_lib
