// Input conditioning: instrument-rate conversion, decimation, rational rate change to the system
// sample rate, the length check, and the receive filter applied at the start of every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/resample/lib_resampler.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using common = lib_ofdm_demod_common_t;
using vek::common_lib::lib_resampler_t;
using vek::common_lib::report_line;

namespace {

// A rate in Hz as a resampling factor: nearest integer, halves away from zero; negative or NaN
// rates become 0, which the resampler refuses with its own report.
std::uint32_t rate_to_factor(float rate_hz) {
    const double rate = static_cast<double>(rate_hz);
    if (!(rate > 0.0)) return 0;
    if (rate >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(std::llround(rate));
}

std::string as_double_text(float value) {
    std::ostringstream text;
    text << static_cast<double>(value);
    return text.str();
}

// Windowed-sinc length for a transition band given as a fraction of the Nyquist frequency: the
// main lobe of the Hann, Hamming or rectangular window is about 4/length wide. A zero, negative
// or NaN band gives length 0, which the designer refuses (no filter rather than the longest one).
std::int32_t windowed_sinc_auto_length(float transition_bandwidth) {
    const double length = 4.0 / static_cast<double>(transition_bandwidth);
    if (!(length > 0.0) || !std::isfinite(length)) return 0;
    if (length >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(std::llround(length));
}

}  // namespace

bool lib_ofdm_demod_t::set_sample_data(const complex_vector_t& samples) {
    if (m_is_running) {
        report_line("ofdm demod still running");
        return false;
    }
    if (!m_is_config_ready) {
        report_line("ofdm config is not ready");
        return false;
    }
    const std::int32_t ofdm_len = m_config_manager.get_ofdm_len();
    const unsigned int decimation = m_config_manager.get_downsampling_ratio();
    const float sample_rate_hz = m_config_manager.get_sample_rate();
    const std::int32_t symbol_num = m_config_manager.get_analy_symbol_num();
    const float system_rate_hz = m_config_manager.get_system_sample_rate();
    const float dvx_rate_hz = m_config_manager.get_dvx_sample_rate();

    report_line("set_sample_data sample_input_data size is " + std::to_string(samples.size()));

    // After an instrument-rate conversion the samples already run at the system rate, so the
    // rational rate change below starts from the system rate (no change) rather than from the
    // configured data rate: scaling once more by fsys / fs would leave them at fsys^2 / fs.
    float input_rate_hz = sample_rate_hz;
    complex_vector_t converted;
    const complex_vector_t* work_ptr = &samples;
    if (dvx_rate_hz != 0.0f) {
        lib_resampler_t::deal_polyphase_resampling(samples, converted, rate_to_factor(system_rate_hz),
                                                   rate_to_factor(dvx_rate_hz), 0);
        work_ptr = &converted;
        report_line("ofdm dvx resample from " + as_double_text(dvx_rate_hz) + " hz to " +
                    as_double_text(system_rate_hz) + " hz");
        input_rate_hz = system_rate_hz;
    }
    const complex_vector_t& work = *work_ptr;
    report_line("after ofdm dvx resample size is " + std::to_string(work.size()));

    // Rational factors L/M of the rate change; beyond the resampler's largest factor the
    // zero-stuffed sequence and its filter would not fit in memory.
    const float divisor = common::get_greatest_common_divisor(system_rate_hz, input_rate_hz);
    const float up_factor = divisor > 0.0f ? system_rate_hz / divisor : 0.0f;
    const float down_factor = divisor > 0.0f ? input_rate_hz / divisor : 0.0f;
    const auto factor_max = static_cast<float>(lib_resampler_t::RESAMPLE_COEFFICIENT_MAX);
    // The zero-stuffed sequence is filtered as a whole: one longer than the longest transform the
    // toolkit takes (a few hundred MB, held in three copies) is refused like an unsupported rate.
    const std::size_t decimated_len =
        (work.size() + std::max(decimation, 1u) - 1u) / std::max(decimation, 1u);
    const bool stuffed_too_long = static_cast<double>(decimated_len) * static_cast<double>(up_factor) >
                                  static_cast<double>(common_lib::LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX);
    if (divisor <= 0.0f || up_factor > factor_max || down_factor > factor_max || stuffed_too_long) {
        VEK_OFDM_LOG_ERROR("ofdm sample rate is not supported",
                           "ofdm sample rate conversion from {} hz to {} hz is not supported", input_rate_hz,
                           system_rate_hz);
        return false;
    }

    // The receive filter's spare buffer (free until that stage) takes the decimated samples: its
    // storage, kept from run to run, is overwritten rather than allocated and zero-filled anew.
    complex_vector_t& decimated = m_filter_input;
    lib_resampler_t::deal_resampling(work, decimated, 1, decimation, 0);

    std::vector<float> taps;
    common::design_multirate_fir_two_input(up_factor, down_factor, taps);
    if (up_factor == 1.0f && down_factor == 1.0f && taps.size() < 2 && !decimated.empty()) {
        // Already at the system rate: up-sampling, a one-tap filter and down-sampling by one
        // would each copy the samples unchanged.
        m_sample_data.swap(decimated);
    } else {
        complex_vector_t upsampled;
        common::upsample(decimated, up_factor, upsampled);
        common::conv(upsampled, taps, m_sample_data, true);
        upsampled = m_sample_data;
        common::downsample(upsampled, down_factor, m_sample_data);
    }

    const std::vector<int>& intervals = m_config_manager.get_interval_per_sym_vct();
    std::int64_t search_len = static_cast<std::int64_t>(ofdm_len) * symbol_num;
    for (std::int32_t k = 0; k < symbol_num; ++k) search_len += intervals.at(static_cast<std::size_t>(k));
    m_sample_data_len = static_cast<std::int32_t>(m_sample_data.size());
    m_search_len = static_cast<std::int32_t>(search_len);
    m_pending_rotation_rad = 0.0;  // a new capture owes no correction yet
    m_frame_origin = 0;

    if (m_sample_data_len >= m_search_len) {
        m_is_data_ready = true;
        return true;
    }
    std::string interval_line;
    for (std::size_t k = 0; k < intervals.size(); ++k) {
        interval_line += std::to_string(k + 1) + " is " + std::to_string(intervals[k]) + " , ";
    }
    report_line(interval_line);
    report_line("ofdm_len is " + std::to_string(ofdm_len) + ", and ofdm_symbol_num is " +
                std::to_string(symbol_num));
    report_line("m_sample_data_len is " + std::to_string(m_sample_data_len) + ", and m_search_len is " +
                std::to_string(m_search_len));
    report_line("The input data length is less than the number of set OFDM symbols");
    return false;
}

void lib_ofdm_demod_t::_init_load_file_filter() {
    const lib_ofdm_filter_info_t& filter = m_config_manager.get_filter();
    if (filter.selection != LIB_OFDM_FILTER_SELECTION_ARB && filter.selection != LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC)
        return;
    // conv passes the samples through unchanged for fewer than two taps (the default arbitrary
    // filter is the single tap 1): they stay where they are rather than being copied.
    if (filter.selection == LIB_OFDM_FILTER_SELECTION_ARB && filter.arb_coefficients.size() < 2) return;
    // The samples move to the filter's input (no copy); the filter writes them back into the
    // storage the input had.
    complex_vector_t& input = m_filter_input;
    input.swap(m_sample_data);
    if (filter.selection == LIB_OFDM_FILTER_SELECTION_ARB) {
        common::conv(input, filter.arb_coefficients, m_sample_data, true);
    } else if (filter.selection == LIB_OFDM_FILTER_SELECTION_WINDOWED_SINC) {
        // Without automatic length the stored length is the user's choice; a length the designer
        // refuses (below 1) leaves the samples unfiltered after its warning.
        const std::int32_t length = filter.ws_auto_length
                                        ? windowed_sinc_auto_length(filter.ws_transition_bandwidth)
                                        : filter.ws_length;
        const float cutoff = filter.ws_pass_bandwidth + filter.ws_transition_bandwidth;
        std::vector<float> taps;
        common::window_sinc_filter_hanning(length, cutoff, filter.ws_window, taps);
        common::conv(input, taps, m_sample_data, true);
    }
}

}  // namespace vek::ofdm_demod_lib
