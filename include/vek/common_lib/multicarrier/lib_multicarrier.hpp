#pragma once
// Multicarrier test signal: copies of one baseband signal shifted to several carrier offsets,
// each with its own power offset, summed.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

// Most carriers one signal may carry.
inline constexpr std::size_t LIB_MULTICARRIER_NUMBER_MAX = 32;

class lib_multicarrier_setting_t {
public:
    void set_multicarrier_enable(bool enable) { m_enable = enable; }
    bool is_multicarrier_enable() const { return m_enable; }
    void set_init_phase_random_enable(bool enable) { m_init_phase_random_enable = enable; }
    bool is_init_phase_random_enable() const { return m_init_phase_random_enable; }

    // Carrier offsets in Hz; false for an empty list. Keeps the first 32 and fits the power
    // offsets to the new count.
    bool set_multicarrier_freq_offset(const std::vector<double>& freq_offset_hz_arr);
    // Power offsets in dB, each at most 0 dB (a carrier is never louder than the input); false
    // for an empty list. Fitted to the carrier count.
    bool set_multicarrier_power_offset(const std::vector<double>& power_offset_db_arr);
    const std::vector<double>& get_multicarrier_freq_offset() const { return m_freq_offset_hz_arr; }
    const std::vector<double>& get_multicarrier_power_offset() const { return m_power_offset_db_arr; }
    std::size_t get_multicarrier_number() const { return m_freq_offset_hz_arr.size(); }

    bool operator==(const lib_multicarrier_setting_t& other) const;
    bool operator!=(const lib_multicarrier_setting_t& other) const { return !(*this == other); }

private:
    // Extends with copies of the last power offset (0 dB when there is none) or cuts to the
    // carrier count.
    void _fit_power_offset();

    bool m_enable = false;
    bool m_init_phase_random_enable = false;
    std::vector<double> m_freq_offset_hz_arr{0.0};
    std::vector<double> m_power_offset_db_arr{0.0};
};

class lib_multicarrier_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    void set_multicarrier_parameter(const lib_multicarrier_setting_t& setting) { m_setting = setting; }
    const lib_multicarrier_setting_t& get_multicarrier_parameter() const { return m_setting; }

    // output = sum over carriers of input shifted by f_i and scaled by 10^(p_i / 20); the input
    // itself when disabled. A carrier beyond +-sample_rate/2 reports and returns false with
    // output = input; so does an unusable setting (no carriers, mismatched offsets, rate <= 0).
    bool deal_multicarrier(double sample_rate_hz, const cvec_t& input, cvec_t& output) const;

private:
    lib_multicarrier_setting_t m_setting;
};

}  // namespace vek::common_lib
