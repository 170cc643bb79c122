#include "vek/ofdm_demod_lib/config/cfg_ofdm.hpp"

#include <cmath>
#include <limits>

namespace vek::ofdm_demod_lib {

namespace {

// A guard interval must cover a whole number of samples: N * fraction is formed in single
// precision (as the layout computes it) and must sit within 1e-12 of its truncation. A zero
// fraction is refused too, since a symbol without cyclic prefix is not a frame a user sets up here.
bool is_whole_sample_guard(float fraction, int fft_length) {
    if (fraction == 0.0f) return false;
    const float samples = static_cast<float>(fft_length) * fraction;
    const double remainder = static_cast<double>(samples) - static_cast<double>(std::trunc(samples));
    return !(std::fabs(remainder) > 1e-12);
}

// 1-based to 0-based without overflowing at the bottom of int (the manager refuses it anyway).
int to_zero_based(int index_1based) {
    return index_1based > std::numeric_limits<int>::min() ? index_1based - 1 : index_1based;
}

}  // namespace

cfg_ofdm_t::cfg_ofdm_t() { m_config_manager.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI); }

void cfg_ofdm_t::reset() { m_config_manager.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI); }

bool cfg_ofdm_t::is_equal(const cfg_ofdm_t& a, const cfg_ofdm_t& b) {
    return lib_ofdm_config_manager_t::is_equal(a.m_config_manager, b.m_config_manager);
}

bool cfg_ofdm_t::set_guard_interval_per_symbol(const std::vector<float>& fractions) {
    const int fft_length = m_config_manager.get_fft_length();
    for (const float fraction : fractions) {
        if (!is_whole_sample_guard(fraction, fft_length)) return false;
    }
    return m_config_manager.set_guard_interval_per_symbol(fractions);
}

bool cfg_ofdm_t::set_guard_interval_repeat_index(int repeat_index_1based) {
    return m_config_manager.set_guard_interval_repeat_index(to_zero_based(repeat_index_1based));
}

bool cfg_ofdm_t::set_time_gaps_repeat_index(int repeat_index_1based) {
    return m_config_manager.set_time_gaps_repeat_index(to_zero_based(repeat_index_1based));
}

}  // namespace vek::ofdm_demod_lib
