#include "vek/common_lib/coding/lib_prbs_code.hpp"

#include <algorithm>
#include <iterator>
#include <set>

#include "bit_field.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

using coding_detail::low_mask;

namespace {

// Register length of each standard type, in the enumeration's order.
constexpr std::uint32_t k_standard_lengths[] = {7, 9, 11, 15, 23, 31};

// Two- or four-tap primitive trinomials/pentanomials in delay form (1 + D^a + D^L); those of the
// standard lengths are the ITU-T O.150 generators (PRBS7: the customary 1 + D^6 + D^7).
std::vector<std::uint32_t> default_taps(std::uint32_t lfsr_length) {
    switch (lfsr_length) {
        case 3:
            return {3, 1};
        case 5:
            return {5, 2};
        case 7:
            return {7, 6};
        case 9:
            return {9, 5};
        case 11:
            return {11, 9};
        case 13:
            return {13, 12, 2, 1};
        case 15:
            return {15, 14};
        case 20:
            return {20, 3};
        case 23:
            return {23, 18};
        case 31:
            return {31, 28};
        default:
            return {};
    }
}

}  // namespace

lib_prbs_code_t::lib_prbs_code_t()
    : m_type(LIB_PRBS_CODE_TYPE_PRBS7),
      m_seed(127),
      m_output_position(LIB_PRBS_SEQUENCE_OUTPUT_POSITION_REGISTER_MSB),
      m_complement_enable(false),
      m_custom_polynomial_enable(false) {
    init();
}

void lib_prbs_code_t::init() {
    m_type = LIB_PRBS_CODE_TYPE_PRBS7;
    m_seed = 0;
    m_output_position = LIB_PRBS_SEQUENCE_OUTPUT_POSITION_REGISTER_MSB;
    m_complement_enable = false;
    m_custom_polynomial_enable = false;
    const std::uint32_t length = _get_lfsr_length();
    m_seed = low_mask(length);
    _update_primitive_polynomial(length);
}

std::uint32_t lib_prbs_code_t::_get_lfsr_length() {
    if (_uses_custom_taps()) return *std::max_element(m_taps.begin(), m_taps.end());
    const auto index = static_cast<std::int64_t>(m_type);
    if (index < 0 || index >= static_cast<std::int64_t>(std::size(k_standard_lengths))) {
        report_line("lib_prbs_code_t::_get_lfsr_length Report: Error PRBS Type!");
        return 7;
    }
    return k_standard_lengths[index];
}

void lib_prbs_code_t::_update_primitive_polynomial(std::uint32_t lfsr_length) {
    m_taps = default_taps(lfsr_length);
    if (m_taps.empty()) {
        report_line(
            "lib_prbs_code_t::_update_primitive_polynomial Report : No Available Primitive Polynomial For "
            "Input "
            "LFSR Length!");
    }
}

void lib_prbs_code_t::set_prbs_type(lib_prbs_code_type_t type) {
    m_type = type;
    set_prbs_seed_to_default();
}

void lib_prbs_code_t::set_prbs_seed(std::uint64_t seed) {
    const std::uint64_t mask = low_mask(_get_lfsr_length());
    m_seed = (seed & mask) == 0 ? mask : seed;
}

void lib_prbs_code_t::set_prbs_seed_to_default() { m_seed = low_mask(_get_lfsr_length()); }

void lib_prbs_code_t::set_sequence_output_position(lib_prbs_sequence_output_position_type_t position) {
    m_output_position = position;
}

void lib_prbs_code_t::set_complement_enable(bool enable) { m_complement_enable = enable; }

void lib_prbs_code_t::set_custom_primitive_polynomial_enable(bool enable) {
    m_custom_polynomial_enable = enable;
}

bool lib_prbs_code_t::check_primitive_polynomial(const std::vector<std::uint32_t>& taps) {
    if (taps.empty()) return false;
    const std::set<std::uint32_t> distinct(taps.begin(), taps.end());
    if (distinct.size() != taps.size()) return false;
    return *distinct.rbegin() <= LIB_PRBS_LFSR_BIT_NUM_MAX;
}

bool lib_prbs_code_t::set_prbs_primitive_polynomial(const std::vector<std::uint32_t>& taps) {
    if (!m_custom_polynomial_enable || !check_primitive_polynomial(taps)) return false;
    // Taps are 1-based: a tap 0 would read below the register.
    if (std::find(taps.begin(), taps.end(), 0u) != taps.end()) return false;
    m_taps = taps;
    m_seed = low_mask(*std::max_element(taps.begin(), taps.end()));
    return true;
}

std::uint32_t lib_prbs_code_t::_prepare_lfsr() {
    const std::uint32_t length = _get_lfsr_length();
    if (!_uses_custom_taps()) _update_primitive_polynomial(length);
    if (length == 0 || length > LIB_PRBS_LFSR_BIT_NUM_MAX) {
        report_line("lib_prbs_code_t::generate_prbs_code Report: lfsr_length <= LIB_PRBS_LFSR_BIT_NUM_MAX");
        return 0;
    }
    const std::uint64_t mask = low_mask(length);
    if ((m_seed & mask) == 0) m_seed = mask;
    return length;
}

std::uint64_t lib_prbs_code_t::_run_lfsr(std::uint32_t length, std::size_t count,
                                         std::vector<std::uint8_t>& out) const {
    out.assign(count, 0);
    if (length == 0) return 0;
    const std::uint64_t mask = low_mask(length);
    const bool output_msb = m_output_position == LIB_PRBS_SEQUENCE_OUTPUT_POSITION_REGISTER_MSB;
    const std::uint8_t invert = m_complement_enable ? 1u : 0u;
    std::uint64_t reg = m_seed;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t feedback = 0;
        for (std::uint32_t tap : m_taps) feedback ^= reg >> (tap - 1);
        feedback &= 1u;
        const std::uint64_t bit = output_msb ? ((reg >> (length - 1)) & 1u) : feedback;
        out[i] = static_cast<std::uint8_t>(bit ^ invert);
        // Fibonacci shift: the oldest bit leaves at the top, the feedback enters at bit 0.
        reg = ((reg << 1) & mask) + feedback;
    }
    return reg;
}

std::uint64_t lib_prbs_code_t::generate_prbs_code(std::size_t count, std::vector<std::uint8_t>& out) {
    return _run_lfsr(_prepare_lfsr(), count, out);
}

std::uint64_t lib_prbs_code_t::generate_prbs_code(std::vector<std::uint8_t>& out) {
    const std::uint32_t length = _prepare_lfsr();
    // A maximal-length register repeats after 2^L - 1 steps.
    return _run_lfsr(length, static_cast<std::size_t>(length == 0 ? 0 : low_mask(length)), out);
}

}  // namespace vek::common_lib
