#include "vek/common_lib/multicarrier/lib_ofdm_modulator.hpp"

#include <algorithm>
#include <cmath>

#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {
constexpr double WINDOW_BETA_MIN = 0.0;
constexpr double WINDOW_BETA_MAX = 0.5;
}  // namespace

lib_ofdm_modulator_t::lib_ofdm_modulator_t()
    : m_frame_idle_length(0),
      m_window_beta(WINDOW_BETA_MIN, WINDOW_BETA_MAX, WINDOW_BETA_MIN),
      m_windowing_method(LIB_OFDM_WINDOWING_CENTERED) {}

bool lib_ofdm_modulator_t::set_fft_length(std::uint32_t fft_length) {
    return m_symbol_data_generator.set_fft_length(fft_length);
}

bool lib_ofdm_modulator_t::set_oversampling_ratio(std::uint32_t oversampling_ratio) {
    return m_symbol_data_generator.set_oversampling_ratio(oversampling_ratio);
}

bool lib_ofdm_modulator_t::set_symbol_number(std::uint32_t symbol_number) {
    return m_symbol_data_generator.set_symbol_number(symbol_number);
}

void lib_ofdm_modulator_t::set_cyclic_prefix_config(const lib_ofdm_cyclic_config_t& config) {
    m_symbol_data_generator.set_cyclic_prefix_config(config);
}

void lib_ofdm_modulator_t::set_cyclic_suffix_config(const lib_ofdm_cyclic_config_t& config) {
    m_symbol_data_generator.set_cyclic_suffix_config(config);
}

void lib_ofdm_modulator_t::set_half_subacarrier_offset_number(std::uint32_t half_subcarrier_offset_number) {
    m_symbol_data_generator.set_half_subacarrier_offset_number(half_subcarrier_offset_number);
}

void lib_ofdm_modulator_t::set_frame_idle_length(std::uint32_t idle_length) {
    m_frame_idle_length = idle_length;
}

void lib_ofdm_modulator_t::set_window_beta(double window_beta) { m_window_beta.set_value(window_beta); }

void lib_ofdm_modulator_t::set_windowing_method(lib_ofdm_windowing_method_type_t method) {
    m_windowing_method = method;
}

double lib_ofdm_modulator_t::get_window_beta() const { return m_window_beta.get_value(); }

std::size_t lib_ofdm_modulator_t::get_frame_length() const {
    const auto& generator = m_symbol_data_generator;
    std::size_t length = 0;
    for (std::uint32_t s = 0; s < generator.get_symbol_number(); ++s)
        length += generator.get_symbol_total_length(s);
    return length + static_cast<std::size_t>(generator.get_oversampling_ratio()) * m_frame_idle_length;
}

std::uint32_t lib_ofdm_modulator_t::get_window_transition_length() const {
    return static_cast<std::uint32_t>(std::floor(
        static_cast<double>(m_symbol_data_generator.get_symbol_data_length()) * get_window_beta()));
}

void lib_ofdm_modulator_t::_prepare_window_data() {
    m_rising_window.clear();
    m_falling_window.clear();
    const std::uint32_t transition = get_window_transition_length();
    if (transition == 0) return;
    cvec_t hann;
    lib_window_function_t::generate_hann_window(hann, 2 * transition + 3, false);
    // w[0] and w[2H + 2] are zero and w[H + 1] is the peak: leaving them out keeps every
    // transition sample strictly between 0 and 1, so overlapping halves sum to 1.
    m_rising_window.assign(hann.begin() + 1, hann.begin() + 1 + transition);
    m_falling_window.assign(hann.begin() + transition + 2, hann.begin() + 2 * transition + 2);
}

bool lib_ofdm_modulator_t::_deal_windowed_symbol(std::uint32_t symbol_index, const cvec_t& subcarriers,
                                                 cvec_t& symbol, std::int64_t& offset) const {
    const std::uint32_t transition = static_cast<std::uint32_t>(m_rising_window.size());
    std::uint32_t extra_before = 0;
    if (m_windowing_method == LIB_OFDM_WINDOWING_CENTERED) extra_before = (transition + 1) / 2;
    const std::uint32_t extra_after = transition - extra_before;
    offset = -static_cast<std::int64_t>(extra_before);

    if (!m_symbol_data_generator.deal_extended_ofdm_modulation(symbol_index, subcarriers, extra_before,
                                                               extra_after, symbol)) {
        return false;
    }
    if (transition == 0 || symbol.size() < transition) return true;
    const std::size_t falling_start = symbol.size() - transition;
    for (std::size_t i = 0; i < transition; ++i) {
        symbol[i] *= m_rising_window[i];
        symbol[falling_start + i] *= m_falling_window[i];
    }
    return true;
}

bool lib_ofdm_modulator_t::deal_ofdm_modulation(const std::vector<cvec_t>& payload, cvec_t& frame,
                                                cvec_t& before_frame, cvec_t& after_frame) {
    frame.clear();
    before_frame.clear();
    after_frame.clear();

    const auto& generator = m_symbol_data_generator;
    bool shape_ok = payload.size() == generator.get_symbol_number() && !payload.empty();
    if (shape_ok) {
        const std::size_t used = payload.front().size();
        shape_ok = used > 0 && used <= generator.get_fft_length();
        for (const auto& row : payload) shape_ok = shape_ok && row.size() == used;
    }
    if (!shape_ok) {
        report_line("lib_ofdm_modulator_t::deal_ofdm_modulation Report : Payload Mapping Size Error!");
        return false;
    }

    _prepare_window_data();
    const std::int64_t frame_length = static_cast<std::int64_t>(get_frame_length());
    frame.assign(static_cast<std::size_t>(frame_length), std::complex<float>(0.0f, 0.0f));

    cvec_t symbol;
    std::int64_t nominal_start = 0;
    for (std::uint32_t s = 0; s < generator.get_symbol_number(); ++s) {
        std::int64_t offset = 0;
        if (!_deal_windowed_symbol(s, payload[s], symbol, offset)) {
            frame.clear();
            before_frame.clear();
            after_frame.clear();
            return false;
        }
        const std::int64_t start = nominal_start + offset;
        // The part before the frame is right-aligned in before_frame, which grows at its front.
        if (start < 0 && static_cast<std::size_t>(-start) > before_frame.size()) {
            before_frame.insert(before_frame.begin(), static_cast<std::size_t>(-start) - before_frame.size(),
                                std::complex<float>(0.0f, 0.0f));
        }
        const std::int64_t symbol_end = start + static_cast<std::int64_t>(symbol.size());
        if (symbol_end > frame_length &&
            static_cast<std::size_t>(symbol_end - frame_length) > after_frame.size()) {
            after_frame.resize(static_cast<std::size_t>(symbol_end - frame_length),
                               std::complex<float>(0.0f, 0.0f));
        }
        const std::int64_t before_length = static_cast<std::int64_t>(before_frame.size());
        for (std::size_t i = 0; i < symbol.size(); ++i) {
            const std::int64_t position = start + static_cast<std::int64_t>(i);
            if (position < 0) {
                before_frame[static_cast<std::size_t>(before_length + position)] += symbol[i];
            } else if (position >= frame_length) {
                after_frame[static_cast<std::size_t>(position - frame_length)] += symbol[i];
            } else {
                frame[static_cast<std::size_t>(position)] += symbol[i];
            }
        }
        nominal_start += generator.get_symbol_total_length(s);
    }
    return true;
}

bool lib_ofdm_modulator_t::deal_single_frame_ofdm_modulation(const std::vector<cvec_t>& payload,
                                                             cvec_t& frame) {
    cvec_t before_frame;
    cvec_t after_frame;
    if (!deal_ofdm_modulation(payload, frame, before_frame, after_frame)) return false;
    // A transition longer than the frame cannot occur with beta <= 0.5; the bounds below only
    // keep the wrap inside the vector.
    const std::size_t wrap_before = std::min(before_frame.size(), frame.size());
    const std::size_t frame_tail = frame.size() - wrap_before;
    for (std::size_t i = 0; i < wrap_before; ++i) {
        frame[frame_tail + i] += before_frame[before_frame.size() - wrap_before + i];
    }
    const std::size_t wrap_after = std::min(after_frame.size(), frame.size());
    for (std::size_t i = 0; i < wrap_after; ++i) frame[i] += after_frame[i];
    return true;
}

}  // namespace vek::common_lib
