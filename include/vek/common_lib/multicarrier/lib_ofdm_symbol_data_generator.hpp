#pragma once
// One OFDM symbol from its subcarrier values: centred spectrum, oversampled inverse FFT, cyclic
// prefix and suffix, and an optional offset of half a subcarrier spacing (as in 3GPP TS 36.211
// 5.6 for the uplink, where the subcarriers sit at (k + 1/2) times the spacing).
#include <complex>
#include <cstdint>
#include <vector>

#include "vek/common_lib/multicarrier/lib_ofdm_cyclic_config.hpp"

namespace vek::common_lib {

class lib_ofdm_symbol_data_generator_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    lib_ofdm_symbol_data_generator_t();

    // N: a power of two; otherwise reports and returns false with N unchanged.
    bool set_fft_length(std::uint32_t fft_length);
    // n > 0; also limits both cyclic configurations to n symbols. False for 0.
    bool set_symbol_number(std::uint32_t symbol_number);
    // R > 0 (the body holds N * R samples). False for 0.
    bool set_oversampling_ratio(std::uint32_t oversampling_ratio);
    // h: the whole symbol is shifted by h/2 subcarrier spacings.
    void set_half_subacarrier_offset_number(std::uint32_t half_subcarrier_offset_number);
    void set_cyclic_prefix_config(const lib_ofdm_cyclic_config_t& config);
    void set_cyclic_suffix_config(const lib_ofdm_cyclic_config_t& config);

    std::uint32_t get_fft_length() const { return m_fft_length; }
    std::uint32_t get_symbol_number() const { return m_symbol_number; }
    std::uint32_t get_oversampling_ratio() const { return m_oversampling_ratio; }
    std::uint32_t get_half_subacarrier_offset_number() const { return m_half_subcarrier_offset_number; }
    const lib_ofdm_cyclic_config_t& get_cyclic_prefix_config() const { return m_cyclic_prefix_config; }
    const lib_ofdm_cyclic_config_t& get_cyclic_suffix_config() const { return m_cyclic_suffix_config; }

    // Body length L = N * R, in samples.
    std::uint32_t get_symbol_data_length() const { return m_fft_length * m_oversampling_ratio; }
    std::uint32_t get_symbol_cyclic_prefix_length(std::uint32_t symbol_index) const;
    std::uint32_t get_symbol_cyclic_suffix_length(std::uint32_t symbol_index) const;
    // prefix + body + suffix, in samples.
    std::uint32_t get_symbol_total_length(std::uint32_t symbol_index) const;

    // Symbol s of subcarrier values (ascending frequency, K <= N values centred on the zero
    // frequency) into out = [prefix | body | suffix]. The body is scaled by R so that its
    // amplitude does not depend on the oversampling ratio. False (out empty) when K is 0 or
    // above N.
    bool deal_ofdm_modulation(std::uint32_t symbol_index, const cvec_t& subcarriers, cvec_t& out) const;

    // As deal_ofdm_modulation, with extra_before / extra_after more samples of cyclic extension
    // in front of the prefix and behind the suffix (the transitions of a windowed symbol). The
    // half-subcarrier offset keeps phase 0 at the first body sample and runs continuously through
    // the extension.
    bool deal_extended_ofdm_modulation(std::uint32_t symbol_index, const cvec_t& subcarriers,
                                       std::uint32_t extra_before, std::uint32_t extra_after,
                                       cvec_t& out) const;

private:
    // Centres K subcarriers in an L-point spectrum and transforms it into the symbol body.
    void _deal_symbol_body(const cvec_t& subcarriers, cvec_t& body) const;
    // [last prefix_length body samples | body | first suffix_length body samples], taken
    // cyclically so extensions longer than the body wrap. False (extended empty) when the body
    // is not L samples long.
    bool _deal_cyclic_extension(const cvec_t& body, std::uint32_t prefix_length, std::uint32_t suffix_length,
                                cvec_t& extended) const;

    std::uint32_t m_fft_length;
    std::uint32_t m_symbol_number;
    std::uint32_t m_oversampling_ratio;
    std::uint32_t m_half_subcarrier_offset_number;
    lib_ofdm_cyclic_config_t m_cyclic_prefix_config;
    lib_ofdm_cyclic_config_t m_cyclic_suffix_config;
};

}  // namespace vek::common_lib
