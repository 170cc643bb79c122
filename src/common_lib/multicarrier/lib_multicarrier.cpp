#include "vek/common_lib/multicarrier/lib_multicarrier.hpp"

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "lib_random_phase.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

bool lib_multicarrier_setting_t::set_multicarrier_freq_offset(const std::vector<double>& freq_offset_hz_arr) {
    if (freq_offset_hz_arr.empty()) return false;
    m_freq_offset_hz_arr = freq_offset_hz_arr;
    if (m_freq_offset_hz_arr.size() > LIB_MULTICARRIER_NUMBER_MAX)
        m_freq_offset_hz_arr.resize(LIB_MULTICARRIER_NUMBER_MAX);
    _fit_power_offset();
    return true;
}

bool lib_multicarrier_setting_t::set_multicarrier_power_offset(
    const std::vector<double>& power_offset_db_arr) {
    if (power_offset_db_arr.empty()) return false;
    m_power_offset_db_arr = power_offset_db_arr;
    for (double& p : m_power_offset_db_arr) {
        if (p > 0.0) p = 0.0;
    }
    _fit_power_offset();
    return true;
}

void lib_multicarrier_setting_t::_fit_power_offset() {
    const double last_db = m_power_offset_db_arr.empty() ? 0.0 : m_power_offset_db_arr.back();
    m_power_offset_db_arr.resize(m_freq_offset_hz_arr.size(), last_db);
}

bool lib_multicarrier_setting_t::operator==(const lib_multicarrier_setting_t& other) const {
    return m_enable == other.m_enable && m_init_phase_random_enable == other.m_init_phase_random_enable &&
           m_freq_offset_hz_arr == other.m_freq_offset_hz_arr &&
           m_power_offset_db_arr == other.m_power_offset_db_arr;
}

bool lib_multicarrier_t::deal_multicarrier(double sample_rate_hz, const cvec_t& input, cvec_t& output) const {
    if (!m_setting.is_multicarrier_enable()) {
        output = input;
        return true;
    }
    const auto& freq_offset_hz_arr = m_setting.get_multicarrier_freq_offset();
    const auto& power_offset_db_arr = m_setting.get_multicarrier_power_offset();
    const double nyquist_hz = sample_rate_hz / 2.0;
    if (!(nyquist_hz > 0.0) || freq_offset_hz_arr.empty() ||
        power_offset_db_arr.size() != freq_offset_hz_arr.size()) {
        output = input;
        return false;
    }

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    output.assign(input.size(), std::complex<float>(0.0f, 0.0f));
    cvec_t carrier;
    for (std::size_t i = 0; i < freq_offset_hz_arr.size(); ++i) {
        if (std::fabs(freq_offset_hz_arr[i]) > nyquist_hz) {
            report_line("lib_multicarrier_t::deal_multicarrier Report : Carrier Freq Offset Out of Range!");
            output = input;
            return false;
        }
        const double phase_rad = m_setting.is_init_phase_random_enable() ? draw_random_phase() : 0.0;
        carrier = input;
        lib_common_signal_process_t::deal_mixer(carrier, freq_offset_hz_arr[i] / sample_rate_hz, phase_rad);
        const auto gain =
            static_cast<float>(lib_common_math_t::db_value_to_amplitude_ratio(power_offset_db_arr[i]));
        for (std::size_t n = 0; n < carrier.size(); ++n) output[n] += carrier[n] * gain;
    }
    return true;
}

}  // namespace vek::common_lib
