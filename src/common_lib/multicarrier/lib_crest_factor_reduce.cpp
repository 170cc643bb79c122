#include "vek/common_lib/multicarrier/lib_crest_factor_reduce.hpp"

#include <algorithm>
#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/math/lib_filter.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

bool lib_crest_factor_reduce_t::set_cfr_parameter(double sample_rate_hz,
                                                  const lib_crest_factor_reduce_setting_t& setting) {
    m_setting = setting;
    m_filter_ready = false;
    return m_setting.deal_filter_mask_normalize(sample_rate_hz);
}

double lib_crest_factor_reduce_t::calc_burst_peak_to_average_ratio(const cvec_t& signal) {
    // Idle gaps between bursts would lower the average and overstate the crest factor.
    cvec_t burst;
    lib_common_signal_process_t::get_burst_signal_data(signal, burst);
    if (burst.empty()) return 0.0;
    return lib_common_math_t::get_peak_to_rms_ratio(burst);
}

bool lib_crest_factor_reduce_t::deal_crest_factor_reduce(cvec_t& signal) {
    if (!m_setting.is_enable()) return true;
    if (!m_filter_ready) {
        m_filter_data.clear();
        if (!lib_fir_filter_design_t::generate_fir_filter_by_mask_data(m_setting.get_filter_mask_data_arr(),
                                                                       m_filter_data, LIB_WINDOW_BLACKMAN) ||
            m_filter_data.empty()) {
            report_line(
                "lib_crest_factor_reduce_t::deal_crest_factor_reduce Report : Filter Generation Failed!");
            return false;
        }
        m_filter_ready = true;
    }
    const double target_db = m_setting.get_target_peak_to_average_power_ratio();
    for (std::uint32_t iteration = 0; iteration < m_setting.get_max_iteration(); ++iteration) {
        if (target_db > calc_burst_peak_to_average_ratio(signal)) break;
        _deal_peak_cancellation(signal);
    }
    return true;
}

void lib_crest_factor_reduce_t::_deal_peak_cancellation(cvec_t& signal) const {
    if (signal.empty()) return;
    cvec_t burst;
    lib_common_signal_process_t::get_burst_signal_data(signal, burst);
    const double rms =
        burst.empty() ? 1.0 : static_cast<double>(lib_common_math_t::get_complex_array_rms(burst));
    const double limit =
        lib_common_math_t::db_value_to_amplitude_ratio(m_setting.get_target_peak_to_average_power_ratio()) *
        rms;
    const double cancel_fraction = m_setting.get_cancel_percent() / 100.0;

    // One pulse per block at most: peaks closer than a block share one cancellation pulse, which
    // keeps the pulses from piling up on a cluster of neighbouring samples.
    cvec_t pulses(signal.size(), std::complex<float>(0.0f, 0.0f));
    const std::size_t block_size = m_setting.get_signal_block_size();
    for (std::size_t block_start = 0; block_start < signal.size(); block_start += block_size) {
        const std::size_t block_end = std::min(signal.size(), block_start + block_size);
        std::size_t peak_index = block_start;
        float peak_amplitude = lib_common_math_t::get_complex_amplitude(signal[block_start]);
        for (std::size_t i = block_start + 1; i < block_end; ++i) {
            const float amplitude = lib_common_math_t::get_complex_amplitude(signal[i]);
            if (amplitude > peak_amplitude) {
                peak_amplitude = amplitude;
                peak_index = i;
            }
        }
        if (static_cast<double>(peak_amplitude) <= limit) continue;
        const double excess = (static_cast<double>(peak_amplitude) - limit) * cancel_fraction;
        const double phase_rad = lib_common_math_t::get_complex_phase(signal[peak_index]);
        pulses[peak_index] = std::complex<float>(static_cast<float>(excess * std::cos(phase_rad)),
                                                 static_cast<float>(excess * std::sin(phase_rad)));
    }

    // The filter's largest tap is 1 and sits at its centre, so the shaped pulse takes exactly the
    // excess off the peak; the cyclic delay type keeps it centred on the peak.
    lib_filter_t::deal_filter(m_filter_data, pulses, LIB_FILTER_DELAY_CYCLIC);
    for (std::size_t i = 0; i < signal.size(); ++i) signal[i] -= pulses[i];
}

}  // namespace vek::common_lib
