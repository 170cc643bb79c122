#include "vek/common_lib/multicarrier/lib_ofdm_symbol_data_generator.hpp"

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {
constexpr std::uint32_t DEFAULT_FFT_LENGTH = 64;
constexpr std::uint32_t DEFAULT_SYMBOL_NUMBER = 64;
}  // namespace

lib_ofdm_symbol_data_generator_t::lib_ofdm_symbol_data_generator_t()
    : m_fft_length(DEFAULT_FFT_LENGTH),
      m_symbol_number(DEFAULT_SYMBOL_NUMBER),
      m_oversampling_ratio(1),
      m_half_subcarrier_offset_number(0),
      m_cyclic_prefix_config(0.0),
      m_cyclic_suffix_config(0.0) {}

bool lib_ofdm_symbol_data_generator_t::set_fft_length(std::uint32_t fft_length) {
    if (!lib_common_math_t::is_power_of_2(fft_length)) {
        report_line(
            "lib_ofdm_symbol_data_generator_t::set_fft_length Report : FFT Points must be power of 2!");
        return false;
    }
    m_fft_length = fft_length;
    return true;
}

bool lib_ofdm_symbol_data_generator_t::set_symbol_number(std::uint32_t symbol_number) {
    if (symbol_number == 0) return false;
    m_symbol_number = symbol_number;
    m_cyclic_prefix_config.deal_symbol_number_limit(symbol_number);
    m_cyclic_suffix_config.deal_symbol_number_limit(symbol_number);
    return true;
}

bool lib_ofdm_symbol_data_generator_t::set_oversampling_ratio(std::uint32_t oversampling_ratio) {
    if (oversampling_ratio == 0) return false;
    m_oversampling_ratio = oversampling_ratio;
    return true;
}

void lib_ofdm_symbol_data_generator_t::set_half_subacarrier_offset_number(
    std::uint32_t half_subcarrier_offset_number) {
    m_half_subcarrier_offset_number = half_subcarrier_offset_number;
}

void lib_ofdm_symbol_data_generator_t::set_cyclic_prefix_config(const lib_ofdm_cyclic_config_t& config) {
    m_cyclic_prefix_config = config;
    m_cyclic_prefix_config.deal_symbol_number_limit(m_symbol_number);
}

void lib_ofdm_symbol_data_generator_t::set_cyclic_suffix_config(const lib_ofdm_cyclic_config_t& config) {
    m_cyclic_suffix_config = config;
    m_cyclic_suffix_config.deal_symbol_number_limit(m_symbol_number);
}

std::uint32_t lib_ofdm_symbol_data_generator_t::get_symbol_cyclic_prefix_length(
    std::uint32_t symbol_index) const {
    return m_cyclic_prefix_config.get_cyclic_length(symbol_index, get_symbol_data_length());
}

std::uint32_t lib_ofdm_symbol_data_generator_t::get_symbol_cyclic_suffix_length(
    std::uint32_t symbol_index) const {
    return m_cyclic_suffix_config.get_cyclic_length(symbol_index, get_symbol_data_length());
}

std::uint32_t lib_ofdm_symbol_data_generator_t::get_symbol_total_length(std::uint32_t symbol_index) const {
    return lib_ofdm_cyclic_config_t::get_symbol_data_total_length(
        symbol_index, get_symbol_data_length(), m_cyclic_prefix_config, m_cyclic_suffix_config);
}

bool lib_ofdm_symbol_data_generator_t::deal_ofdm_modulation(std::uint32_t symbol_index,
                                                            const cvec_t& subcarriers, cvec_t& out) const {
    return deal_extended_ofdm_modulation(symbol_index, subcarriers, 0, 0, out);
}

bool lib_ofdm_symbol_data_generator_t::deal_extended_ofdm_modulation(std::uint32_t symbol_index,
                                                                     const cvec_t& subcarriers,
                                                                     std::uint32_t extra_before,
                                                                     std::uint32_t extra_after,
                                                                     cvec_t& out) const {
    out.clear();
    if (subcarriers.empty() || subcarriers.size() > m_fft_length) return false;

    cvec_t body;
    _deal_symbol_body(subcarriers, body);

    const std::uint32_t prefix_length = get_symbol_cyclic_prefix_length(symbol_index) + extra_before;
    const std::uint32_t suffix_length = get_symbol_cyclic_suffix_length(symbol_index) + extra_after;
    if (!_deal_cyclic_extension(body, prefix_length, suffix_length, out)) return false;

    if (m_half_subcarrier_offset_number > 0) {
        // Half a subcarrier spacing is 0.5 / L cycles per sample; starting the rotator
        // prefix_length samples early puts its zero phase on the first body sample.
        const double freq = 0.5 * static_cast<double>(m_half_subcarrier_offset_number) /
                            static_cast<double>(get_symbol_data_length());
        const double phase_rad = -2.0 * LIB_COMMON_MATH_PI * freq * static_cast<double>(prefix_length);
        lib_common_signal_process_t::deal_mixer(out, freq, phase_rad);
    }
    return true;
}

void lib_ofdm_symbol_data_generator_t::_deal_symbol_body(const cvec_t& subcarriers, cvec_t& body) const {
    const std::size_t body_length = get_symbol_data_length();
    const std::size_t used = subcarriers.size();
    // ceil((L - K) / 2) zeros below the band puts subcarrier floor(K / 2) on bin L / 2, which the
    // shift below moves to the zero frequency.
    const std::size_t lower_zeros = (body_length - used + 1) / 2;
    body.assign(body_length, std::complex<float>(0.0f, 0.0f));
    for (std::size_t k = 0; k < used; ++k) body[lower_zeros + k] = subcarriers[k];

    lib_fourier_transform_t::fft_shift(body);
    lib_fourier_transform_t::deal_ifft(body, static_cast<std::uint32_t>(body_length));
    // The inverse transform scales by 1/L; multiplying by R keeps the amplitude that of an
    // N-point transform whatever the oversampling.
    const float oversampling_gain = static_cast<float>(m_oversampling_ratio);
    for (auto& sample : body) sample *= oversampling_gain;
}

bool lib_ofdm_symbol_data_generator_t::_deal_cyclic_extension(const cvec_t& body, std::uint32_t prefix_length,
                                                              std::uint32_t suffix_length,
                                                              cvec_t& extended) const {
    extended.clear();
    const std::size_t body_length = get_symbol_data_length();
    if (body.size() != body_length || body_length == 0) {
        report_line(
            "lib_ofdm_symbol_data_generator_t::_deal_cyclic_extension Report : Symbol Sample Data Length "
            "Error!");
        return false;
    }
    extended.reserve(prefix_length + body_length + suffix_length);
    // Prefix sample i is body sample (L - prefix_length + i) modulo L.
    const std::size_t prefix_start = (body_length - prefix_length % body_length) % body_length;
    for (std::size_t i = 0; i < prefix_length; ++i)
        extended.push_back(body[(prefix_start + i) % body_length]);
    extended.insert(extended.end(), body.begin(), body.end());
    for (std::size_t i = 0; i < suffix_length; ++i) extended.push_back(body[i % body_length]);
    return true;
}

}  // namespace vek::common_lib
