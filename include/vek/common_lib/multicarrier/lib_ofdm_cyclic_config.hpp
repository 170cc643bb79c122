#pragma once
// Cyclic extension (prefix or suffix) of the symbols of an OFDM frame. Each symbol's extension is
// a fraction of its body length: a default fraction, overridden for listed symbols by special
// cases (for example the longer first prefix of every LTE slot, 3GPP TS 36.211 Table 6.12-1).
#include <cstdint>
#include <map>
#include <vector>

#include "vek/common_lib/math/lib_var.hpp"

namespace vek::common_lib {

// One rule: the listed symbols take their own cyclic length factor.
class lib_ofdm_cyclic_special_case_t {
public:
    // factor: cyclic length as a fraction of the symbol body, clamped into [0, 1].
    explicit lib_ofdm_cyclic_special_case_t(double factor = 0.0);

    // Stores the indices, dropping those at or above symbol_number.
    void set_symbol_index_list(std::uint32_t symbol_number, const std::vector<std::uint32_t>& indices);
    const std::vector<std::uint32_t>& get_symbol_index_list() const { return m_symbol_index_list; }
    bool is_symbol_index_list_empty() const { return m_symbol_index_list.empty(); }
    bool check_symbol_index_contain(std::uint32_t symbol_index) const;

    void set_cyclic_length_factor(double factor);
    double get_cyclic_length_factor() const;

    // Drops the indices at or above symbol_number.
    void deal_symbol_number_limit(std::uint32_t symbol_number);

    bool operator==(const lib_ofdm_cyclic_special_case_t& other) const;
    bool operator!=(const lib_ofdm_cyclic_special_case_t& other) const { return !(*this == other); }

private:
    std::vector<std::uint32_t> m_symbol_index_list;
    lib_var_t<double> m_cyclic_length_factor;
};

// The cyclic extension of every symbol of one kind (prefix or suffix).
class lib_ofdm_cyclic_config_t {
public:
    explicit lib_ofdm_cyclic_config_t(double default_factor = 0.0);

    void set_default_cyclic_length_factor(double factor);
    double get_default_cyclic_length_factor() const;

    // Sets the default factor and removes every special case.
    void set_all_symbol_cyclic_prefix_length(double factor);

    // Stores the special cases, each limited to indices below symbol_number.
    void set_specified_config_arr(std::uint32_t symbol_number,
                                  const std::vector<lib_ofdm_cyclic_special_case_t>& cases);
    const std::vector<lib_ofdm_cyclic_special_case_t>& get_specified_config_arr() const {
        return m_specified_config_arr;
    }

    // Factor of symbol s: the first special case listing s, otherwise the default.
    double get_cyclic_length_factor(std::uint32_t symbol_index) const;
    // floor(factor(s) * body_length) samples.
    std::uint32_t get_cyclic_length(std::uint32_t symbol_index, std::uint32_t body_length) const;
    // map[s] = cyclic length of symbol s for every s below symbol_number.
    void get_cyclic_length_map(std::uint32_t symbol_number, std::uint32_t body_length,
                               std::map<std::uint32_t, std::uint32_t>& length_map) const;

    // True when every listed index is below symbol_number and no index is listed by two cases.
    bool check_valid(std::uint32_t symbol_number) const;
    // Drops the listed indices at or above symbol_number from every case.
    void deal_symbol_number_limit(std::uint32_t symbol_number);

    // prefix(s) + body_length + suffix(s), in samples.
    static std::uint32_t get_symbol_data_total_length(std::uint32_t symbol_index, std::uint32_t body_length,
                                                      const lib_ofdm_cyclic_config_t& prefix_config,
                                                      const lib_ofdm_cyclic_config_t& suffix_config);
    // Sum of the total lengths of the symbols before symbol_index, in samples.
    static std::uint64_t get_symbol_data_start_index(std::uint32_t symbol_index, std::uint32_t body_length,
                                                     const lib_ofdm_cyclic_config_t& prefix_config,
                                                     const lib_ofdm_cyclic_config_t& suffix_config);

    bool operator==(const lib_ofdm_cyclic_config_t& other) const;
    bool operator!=(const lib_ofdm_cyclic_config_t& other) const { return !(*this == other); }

private:
    lib_var_t<double> m_default_cyclic_length_factor;
    std::vector<lib_ofdm_cyclic_special_case_t> m_specified_config_arr;
};

}  // namespace vek::common_lib
