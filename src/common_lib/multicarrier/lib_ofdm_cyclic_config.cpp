#include "vek/common_lib/multicarrier/lib_ofdm_cyclic_config.hpp"

#include <algorithm>
#include <cmath>
#include <set>

namespace vek::common_lib {

namespace {
// Cyclic length factors are fractions of the symbol body.
constexpr double CYCLIC_FACTOR_MIN = 0.0;
constexpr double CYCLIC_FACTOR_MAX = 1.0;

void drop_indices_at_or_above(std::vector<std::uint32_t>& indices, std::uint32_t symbol_number) {
    indices.erase(std::remove_if(indices.begin(), indices.end(),
                                 [symbol_number](std::uint32_t s) { return s >= symbol_number; }),
                  indices.end());
}
}  // namespace

// ---------------------------------------------------------------------------------------------
lib_ofdm_cyclic_special_case_t::lib_ofdm_cyclic_special_case_t(double factor)
    : m_cyclic_length_factor(CYCLIC_FACTOR_MIN, CYCLIC_FACTOR_MAX, CYCLIC_FACTOR_MIN) {
    m_cyclic_length_factor.set_value(factor);
}

void lib_ofdm_cyclic_special_case_t::set_symbol_index_list(std::uint32_t symbol_number,
                                                           const std::vector<std::uint32_t>& indices) {
    m_symbol_index_list = indices;
    drop_indices_at_or_above(m_symbol_index_list, symbol_number);
}

bool lib_ofdm_cyclic_special_case_t::check_symbol_index_contain(std::uint32_t symbol_index) const {
    return std::find(m_symbol_index_list.begin(), m_symbol_index_list.end(), symbol_index) !=
           m_symbol_index_list.end();
}

void lib_ofdm_cyclic_special_case_t::set_cyclic_length_factor(double factor) {
    m_cyclic_length_factor.set_value(factor);
}

double lib_ofdm_cyclic_special_case_t::get_cyclic_length_factor() const {
    return m_cyclic_length_factor.get_value();
}

void lib_ofdm_cyclic_special_case_t::deal_symbol_number_limit(std::uint32_t symbol_number) {
    drop_indices_at_or_above(m_symbol_index_list, symbol_number);
}

bool lib_ofdm_cyclic_special_case_t::operator==(const lib_ofdm_cyclic_special_case_t& other) const {
    return m_symbol_index_list == other.m_symbol_index_list &&
           get_cyclic_length_factor() == other.get_cyclic_length_factor();
}

// ---------------------------------------------------------------------------------------------
lib_ofdm_cyclic_config_t::lib_ofdm_cyclic_config_t(double default_factor)
    : m_default_cyclic_length_factor(CYCLIC_FACTOR_MIN, CYCLIC_FACTOR_MAX, CYCLIC_FACTOR_MIN) {
    m_default_cyclic_length_factor.set_value(default_factor);
}

void lib_ofdm_cyclic_config_t::set_default_cyclic_length_factor(double factor) {
    m_default_cyclic_length_factor.set_value(factor);
}

double lib_ofdm_cyclic_config_t::get_default_cyclic_length_factor() const {
    return m_default_cyclic_length_factor.get_value();
}

void lib_ofdm_cyclic_config_t::set_all_symbol_cyclic_prefix_length(double factor) {
    set_default_cyclic_length_factor(factor);
    m_specified_config_arr.clear();
}

void lib_ofdm_cyclic_config_t::set_specified_config_arr(
    std::uint32_t symbol_number, const std::vector<lib_ofdm_cyclic_special_case_t>& cases) {
    m_specified_config_arr = cases;
    deal_symbol_number_limit(symbol_number);
}

double lib_ofdm_cyclic_config_t::get_cyclic_length_factor(std::uint32_t symbol_index) const {
    for (const auto& special_case : m_specified_config_arr) {
        if (special_case.check_symbol_index_contain(symbol_index))
            return special_case.get_cyclic_length_factor();
    }
    return get_default_cyclic_length_factor();
}

std::uint32_t lib_ofdm_cyclic_config_t::get_cyclic_length(std::uint32_t symbol_index,
                                                          std::uint32_t body_length) const {
    // The factor lies in [0, 1], so the product never exceeds the body length.
    return static_cast<std::uint32_t>(std::floor(get_cyclic_length_factor(symbol_index) * body_length));
}

void lib_ofdm_cyclic_config_t::get_cyclic_length_map(
    std::uint32_t symbol_number, std::uint32_t body_length,
    std::map<std::uint32_t, std::uint32_t>& length_map) const {
    length_map.clear();
    for (std::uint32_t s = 0; s < symbol_number; ++s) length_map[s] = get_cyclic_length(s, body_length);
}

bool lib_ofdm_cyclic_config_t::check_valid(std::uint32_t symbol_number) const {
    std::set<std::uint32_t> seen;
    for (const auto& special_case : m_specified_config_arr) {
        // An index repeated inside one case is harmless; one claimed by two cases is ambiguous.
        const auto& list = special_case.get_symbol_index_list();
        const std::set<std::uint32_t> own(list.begin(), list.end());
        for (std::uint32_t s : own) {
            if (s >= symbol_number) return false;
            if (!seen.insert(s).second) return false;
        }
    }
    return true;
}

void lib_ofdm_cyclic_config_t::deal_symbol_number_limit(std::uint32_t symbol_number) {
    for (auto& special_case : m_specified_config_arr) special_case.deal_symbol_number_limit(symbol_number);
}

std::uint32_t lib_ofdm_cyclic_config_t::get_symbol_data_total_length(
    std::uint32_t symbol_index, std::uint32_t body_length, const lib_ofdm_cyclic_config_t& prefix_config,
    const lib_ofdm_cyclic_config_t& suffix_config) {
    return prefix_config.get_cyclic_length(symbol_index, body_length) + body_length +
           suffix_config.get_cyclic_length(symbol_index, body_length);
}

std::uint64_t lib_ofdm_cyclic_config_t::get_symbol_data_start_index(
    std::uint32_t symbol_index, std::uint32_t body_length, const lib_ofdm_cyclic_config_t& prefix_config,
    const lib_ofdm_cyclic_config_t& suffix_config) {
    std::uint64_t start = 0;
    for (std::uint32_t k = 0; k < symbol_index; ++k) {
        start += get_symbol_data_total_length(k, body_length, prefix_config, suffix_config);
    }
    return start;
}

bool lib_ofdm_cyclic_config_t::operator==(const lib_ofdm_cyclic_config_t& other) const {
    return get_default_cyclic_length_factor() == other.get_default_cyclic_length_factor() &&
           m_specified_config_arr == other.m_specified_config_arr;
}

}  // namespace vek::common_lib
