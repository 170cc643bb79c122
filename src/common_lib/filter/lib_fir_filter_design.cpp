#include "vek/common_lib/filter/lib_fir_filter_design.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_common_signal_process.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kZeroTolerance = 1e-12;

// Index of the tap about which the high-pass and band designs modulate their prototype.
double modulation_centre(std::uint32_t length) {
    return std::floor((static_cast<double>(length) - 1.0) / 2.0);
}

}  // namespace

lib_fir_filter_design_t::lib_fir_filter_design_t()
    : m_filter_length(0u, FILTER_LENGTH_MAX, 32u),
      m_cutoff_freq(0.0, 1.0, 0.5),
      m_band_lower_freq(-1.0, 1.0, 0.25),
      m_band_upper_freq(-1.0, 1.0, 0.75) {}

void lib_fir_filter_design_t::set_filter_length(std::uint32_t length) {
    m_filter_length.set_value(length);
}

void lib_fir_filter_design_t::set_filter_order(std::uint32_t order) {
    // order + 1 without wrapping at the top of the range; the clamp handles the rest.
    m_filter_length.set_value(order >= FILTER_LENGTH_MAX ? FILTER_LENGTH_MAX : order + 1u);
}

void lib_fir_filter_design_t::set_cutoff_freq(double freq) { m_cutoff_freq.set_value(freq); }

void lib_fir_filter_design_t::set_band_lower_freq(double freq) {
    m_band_lower_freq.set_value(freq);
    if (m_band_lower_freq.get_value() > m_band_upper_freq.get_value()) {
        m_band_upper_freq.set_value(m_band_lower_freq.get_value());
    }
}

void lib_fir_filter_design_t::set_band_upper_freq(double freq) {
    m_band_upper_freq.set_value(freq);
    if (m_band_upper_freq.get_value() < m_band_lower_freq.get_value()) {
        m_band_lower_freq.set_value(m_band_upper_freq.get_value());
    }
}

void lib_fir_filter_design_t::_generate_lowpass_ideal(double cutoff, std::uint32_t length,
                                                      complex_vector_t& taps) {
    taps.assign(length, std::complex<float>(0.0f, 0.0f));
    if (std::fabs(cutoff) < kZeroTolerance) {
        return;
    }
    // Sampled sinc centred between taps for even lengths: t is then a half-integer, and the
    // response stays linear-phase about (length - 1) / 2.
    const double centre = (static_cast<double>(length) - 1.0) / 2.0;
    for (std::uint32_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) - centre;
        const double h = std::fabs(t) < kZeroTolerance ? cutoff
                                                         : std::sin(kPi * cutoff * t) / (kPi * t);
        taps[n] = std::complex<float>(static_cast<float>(h), 0.0f);
    }
}

void lib_fir_filter_design_t::_generate_highpass_ideal(double edge, std::uint32_t length,
                                                       complex_vector_t& taps) {
    // A high-pass is the real band-pass from the edge up to Nyquist.
    _generate_real_bandpass_ideal(edge, 1.0, length, taps);
}

void lib_fir_filter_design_t::_generate_real_bandpass_ideal(double lower, double upper,
                                                            std::uint32_t length,
                                                            complex_vector_t& taps) {
    // A low-pass of half the pass width, moved by a real cosine to the band's centre; the cosine's
    // two images make the band and its mirror.
    const double half_width = (upper - lower) / 2.0;
    _generate_lowpass_ideal(half_width, length, taps);
    const double centre_freq = lower + half_width;
    const double k = modulation_centre(length);
    for (std::uint32_t n = 0; n < length; ++n) {
        const double carrier = 2.0 * std::cos(kPi * centre_freq * (static_cast<double>(n) - k));
        taps[n] = std::complex<float>(static_cast<float>(carrier * taps[n].real()), 0.0f);
    }
}

void lib_fir_filter_design_t::_generate_complex_bandpass_ideal(double lower, double upper,
                                                               std::uint32_t length,
                                                               complex_vector_t& taps) {
    const double half_width = (upper - lower) / 2.0;
    _generate_lowpass_ideal(half_width, length, taps);
    // Band centre in cycles per sample (Nyquist-normalised frequency / 2); the start phase puts
    // the rotator's zero phase on tap K so the prototype's symmetry centre keeps its phase.
    const double centre_cycles = (lower + half_width) / 2.0;
    const double k = modulation_centre(length);
    lib_common_signal_process_t::deal_mixer(taps, centre_cycles, -2.0 * kPi * centre_cycles * k);
}

bool lib_fir_filter_design_t::_generate_ideal_filter_data() {
    const std::uint32_t length = m_filter_length.get_value();
    const double lower = m_band_lower_freq.get_value();
    const double upper = m_band_upper_freq.get_value();
    switch (m_passband_type) {
        case LIB_FIR_FILTER_LOWPASS:
            _generate_lowpass_ideal(m_cutoff_freq.get_value(), length, m_ideal_filter_data);
            return true;
        case LIB_FIR_FILTER_HIGHPASS:
            _generate_highpass_ideal(m_cutoff_freq.get_value(), length, m_ideal_filter_data);
            return true;
        case LIB_FIR_FILTER_BANDPASS:
            if (m_real_response_filter) {
                _generate_real_bandpass_ideal(lower, upper, length, m_ideal_filter_data);
            } else {
                _generate_complex_bandpass_ideal(lower, upper, length, m_ideal_filter_data);
            }
            return true;
        case LIB_FIR_FILTER_BANDSTOP: {
            complex_vector_t upper_part;
            if (m_real_response_filter) {
                _generate_lowpass_ideal(lower, length, m_ideal_filter_data);
                _generate_highpass_ideal(upper, length, upper_part);
            } else {
                _generate_complex_bandpass_ideal(-1.0, lower, length, m_ideal_filter_data);
                _generate_complex_bandpass_ideal(upper, 1.0, length, upper_part);
            }
            for (std::uint32_t n = 0; n < length; ++n) {
                m_ideal_filter_data[n] += upper_part[n];
            }
            return true;
        }
        default:
            report_line("lib_fir_fitler_design_t::_generate_ideal_filter_data Report : Error FIR Filter Type!");
            return false;
    }
}

bool lib_fir_filter_design_t::generate_fir_filter() {
    m_ideal_filter_data.clear();
    m_window_data.clear();
    m_filter_data.clear();
    m_data_ready = false;

    const std::uint32_t length = m_filter_length.get_value();
    if (length == 0) {
        report_line("lib_fir_filter_design_t::generate_fir_filter Report: Filter length must be positive!");
        return false;
    }

    const bool low_or_high =
        m_passband_type == LIB_FIR_FILTER_LOWPASS || m_passband_type == LIB_FIR_FILTER_HIGHPASS;
    m_real_response_filter =
        low_or_high || (m_spectrum_symmetry && m_band_lower_freq.get_value() > -kZeroTolerance &&
                        m_band_upper_freq.get_value() > -kZeroTolerance);

    if (!_generate_ideal_filter_data()) {
        m_ideal_filter_data.clear();
        return false;
    }

    if (m_window_type == LIB_WINDOW_KAISER) {
        lib_window_function_t::generate_kaiser_window(m_window_data, length, false, m_kaiser_beta);
    } else {
        lib_window_function_t::generate_win_data_arr(m_window_data, m_window_type, length, false);
    }
    if (m_window_data.size() != length) {
        return false;  // unknown window type, already reported
    }

    // No gain normalisation: the windowed ideal response keeps its own pass-band gain.
    m_filter_data.resize(length);
    for (std::uint32_t n = 0; n < length; ++n) {
        m_filter_data[n] = m_ideal_filter_data[n] * m_window_data[n].real();
    }
    m_data_ready = true;
    return true;
}

}  // namespace vek::common_lib
