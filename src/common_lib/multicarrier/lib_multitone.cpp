#include "vek/common_lib/multicarrier/lib_multitone.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iterator>

#include "lib_random_phase.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/math/lib_normalization.hpp"

namespace vek::common_lib {

namespace {
constexpr std::uint32_t TONE_NUM_MAX = 10000;
constexpr double SAMPLE_RATE_MIN_HZ = 1.0e3;
constexpr double SAMPLE_RATE_MAX_HZ = 1.0e10;
// Highest tone at sample rate / 1.2 (custom) or a two-sided span at sample rate / 2.4: the
// tones stay clear of the band edge where a DAC's reconstruction filter rolls off.
constexpr double CUSTOM_TONE_RATE_FACTOR = 1.2;
constexpr double SPAN_RATE_FACTOR = 2.4;
// Bin spacing: at most 30 kHz and at most a tenth of the tone gap, so that rounding a tone to
// its bin moves it by little compared with its neighbours.
constexpr double BIN_SPACING_MAX_HZ = 30000.0;
constexpr double GAP_TO_BIN_RATIO = 10.0;
constexpr std::uint32_t FFT_LENGTH_CANDIDATES[] = {8192, 16384, 32768, 65536};
}  // namespace

void lib_multitone_t::_apply_limits() {
    if (m_tone_num < 1) m_tone_num = 1;
    if (m_tone_num > TONE_NUM_MAX) m_tone_num = TONE_NUM_MAX;
    m_sample_rate_hz = std::clamp(m_sample_rate_hz, SAMPLE_RATE_MIN_HZ, SAMPLE_RATE_MAX_HZ);
    if (m_start_freq_hz < 0.0) m_start_freq_hz = 0.0;
    if (m_stop_freq_hz <= 0.0) m_stop_freq_hz = 0.0;
    if (SPAN_RATE_FACTOR * m_stop_freq_hz > m_sample_rate_hz)
        m_stop_freq_hz = m_sample_rate_hz / CUSTOM_TONE_RATE_FACTOR;
}

void lib_multitone_t::set_multitone_sample_rate(double sample_rate_hz) {
    m_sample_rate_hz = sample_rate_hz;
    _apply_limits();
}

void lib_multitone_t::set_multitone_start_freq(double start_freq_hz) {
    m_start_freq_hz = start_freq_hz;
    if (m_start_freq_hz > m_stop_freq_hz) m_stop_freq_hz = m_start_freq_hz;
    _apply_limits();
}

void lib_multitone_t::set_multitone_stop_freq(double stop_freq_hz) {
    m_stop_freq_hz = stop_freq_hz;
    if (m_stop_freq_hz < m_start_freq_hz) m_start_freq_hz = m_stop_freq_hz;
    _apply_limits();
}

void lib_multitone_t::set_multitone_tone_num(std::uint32_t tone_num) {
    m_tone_num = tone_num;
    _apply_limits();
}

bool lib_multitone_t::check_tone_freq_arr(const std::vector<double>& tone_freq_hz_arr) const {
    if (tone_freq_hz_arr.empty() || tone_freq_hz_arr.size() > TONE_NUM_MAX) return false;
    for (double f : tone_freq_hz_arr) {
        if (!(f > 0.0)) return false;
    }
    const double largest = *std::max_element(tone_freq_hz_arr.begin(), tone_freq_hz_arr.end());
    return CUSTOM_TONE_RATE_FACTOR * largest <= m_sample_rate_hz;
}

bool lib_multitone_t::set_multitone_tone_freq_arr(const std::vector<double>& tone_freq_hz_arr) {
    if (!m_custom_enable || !check_tone_freq_arr(tone_freq_hz_arr)) return false;
    m_custom_tone_freq_hz_arr = tone_freq_hz_arr;
    return true;
}

bool lib_multitone_t::set_multitone_config(const lib_multitone_config_t& config) {
    m_sample_rate_hz = config.sample_rate_hz;
    _apply_limits();
    m_start_freq_hz = config.start_freq_hz;
    _apply_limits();
    m_stop_freq_hz = config.stop_freq_hz;
    if (m_start_freq_hz > m_stop_freq_hz) m_start_freq_hz = m_stop_freq_hz;
    _apply_limits();
    m_tone_num = config.tone_num;
    _apply_limits();
    m_single_side_enable = config.single_side_enable;
    m_custom_enable = config.custom_enable;
    if (!m_custom_enable) return true;
    if (!check_tone_freq_arr(config.custom_tone_freq_hz_arr)) return false;
    m_custom_tone_freq_hz_arr = config.custom_tone_freq_hz_arr;
    return true;
}

void lib_multitone_t::calc_tone_freq_arr(std::vector<double>& tone_freq_hz_arr) const {
    if (m_custom_enable) {
        tone_freq_hz_arr = m_custom_tone_freq_hz_arr;
        return;
    }
    tone_freq_hz_arr.clear();
    if (m_tone_num < 2) {
        tone_freq_hz_arr.push_back((m_start_freq_hz + m_stop_freq_hz) / 2.0);
        return;
    }
    const double spacing_hz = (m_stop_freq_hz - m_start_freq_hz) / static_cast<double>(m_tone_num - 1);
    for (std::uint32_t i = 0; i < m_tone_num; ++i)
        tone_freq_hz_arr.push_back(m_start_freq_hz + i * spacing_hz);
}

double lib_multitone_t::_calc_tone_gap() const {
    if (m_custom_enable && m_custom_tone_freq_hz_arr.size() >= 2) {
        const auto [lowest, highest] =
            std::minmax_element(m_custom_tone_freq_hz_arr.begin(), m_custom_tone_freq_hz_arr.end());
        return (*highest - *lowest) / (2.0 * static_cast<double>(m_custom_tone_freq_hz_arr.size()));
    }
    return (m_stop_freq_hz - m_start_freq_hz) / (2.0 * static_cast<double>(m_tone_num));
}

std::uint32_t lib_multitone_t::calc_fft_length() const {
    const double spacing_limit_hz = std::min(BIN_SPACING_MAX_HZ, _calc_tone_gap() / GAP_TO_BIN_RATIO);
    for (std::uint32_t length : FFT_LENGTH_CANDIDATES) {
        if (m_sample_rate_hz / static_cast<double>(length) <= spacing_limit_hz) return length;
    }
    return FFT_LENGTH_CANDIDATES[std::size(FFT_LENGTH_CANDIDATES) - 1];
}

void lib_multitone_t::update_data() {
    std::vector<double> tone_freq_hz_arr;
    calc_tone_freq_arr(tone_freq_hz_arr);
    const std::uint32_t length = calc_fft_length();
    m_data_arr.assign(length, std::complex<float>(0.0f, 0.0f));

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const double bin_spacing_hz = m_sample_rate_hz / static_cast<double>(length);
    for (double f : tone_freq_hz_arr) {
        const double bin = std::round(f / bin_spacing_hz);
        // Only a sample rate lowered after the tones were set can put a tone off the grid.
        if (bin < 0.0 || bin >= static_cast<double>(length)) continue;
        const auto k = static_cast<std::size_t>(bin);
        const double phase_rad = draw_random_phase();
        const std::complex<float> cell(static_cast<float>(std::cos(phase_rad)),
                                       static_cast<float>(std::sin(phase_rad)));
        m_data_arr[k] = cell;
        // The mirror goes to bin L - 1 - k (not L - k): the mirrored tone sits one bin below -f.
        if (!m_single_side_enable) m_data_arr[length - 1 - k] = cell;
    }
    lib_fourier_transform_t::deal_ifft(m_data_arr, length);
    lib_normalization_t::iq_value_max_normalize(m_data_arr);
}

}  // namespace vek::common_lib
