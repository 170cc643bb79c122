#pragma once
// Linear-phase FIR design by the window method. All frequencies are fractions of the Nyquist
// frequency (1.0 = half the sample rate); negative band edges describe single-sided (complex)
// filters.
#include <complex>
#include <cstdint>
#include <utility>
#include <vector>

#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/math/lib_var.hpp"

namespace vek::common_lib {

enum lib_fir_filter_passband_type_t : std::uint32_t {
    LIB_FIR_FILTER_LOWPASS = 0,
    LIB_FIR_FILTER_HIGHPASS = 1,
    LIB_FIR_FILTER_BANDPASS = 2,
    LIB_FIR_FILTER_BANDSTOP = 3,
};

class lib_fir_filter_design_t {
public:
    using complex_vector_t = std::vector<std::complex<float>>;
    // (frequency, Nyquist-normalised in -1 ... 1; level in dB)
    using mask_point_t = std::pair<double, float>;

    // Longest design: enough for a 2 * 10 * 50,000 + 1 tap resampling filter.
    static constexpr std::uint32_t FILTER_LENGTH_MAX = 1048577;

    lib_fir_filter_design_t();

    void set_filter_passband_type(lib_fir_filter_passband_type_t type) { m_passband_type = type; }
    lib_fir_filter_passband_type_t get_passband_filter_type() const { return m_passband_type; }

    // Number of taps, clamped into 0 ... FILTER_LENGTH_MAX.
    void set_filter_length(std::uint32_t length);
    std::uint32_t get_filter_length() const { return m_filter_length.get_value(); }
    // Order n = length - 1.
    void set_filter_order(std::uint32_t order);

    // With symmetry on, band filters whose edges are both non-negative are built as real
    // (two-sided) filters; otherwise band designs are complex and pass only the given side.
    void set_spectrum_symmetry(bool symmetric) { m_spectrum_symmetry = symmetric; }
    bool get_spectrum_symmetry() const { return m_spectrum_symmetry; }

    void set_cutoff_freq(double freq);  // clamped into 0 ... 1
    double get_cutoff_freq() const { return m_cutoff_freq.get_value(); }
    // Band edges, each clamped into -1 ... 1; moving one edge past the other drags the other along.
    void set_band_lower_freq(double freq);
    double get_band_lower_freq() const { return m_band_lower_freq.get_value(); }
    void set_band_upper_freq(double freq);
    double get_band_upper_freq() const { return m_band_upper_freq.get_value(); }

    void set_window_type(lib_window_type_t type) { m_window_type = type; }
    lib_window_type_t get_window_type() const { return m_window_type; }
    void set_kaiser_window_beta(double beta) { m_kaiser_beta = beta > 0.0 ? beta : 0.0; }
    double get_kaiser_window_beta() const { return m_kaiser_beta; }

    // Designs the taps from the current settings; false (no taps, not ready) for an unknown
    // pass-band type, an unknown window type or a zero length.
    bool generate_fir_filter();
    bool is_data_ready() const { return m_data_ready; }
    bool is_real_response_filter() const { return m_real_response_filter; }
    // Taps of the last design (imaginary parts zero for real designs); valid until the next design.
    const complex_vector_t& get_filter_data() const { return m_filter_data; }

    // Designs an odd-length filter whose magnitude follows a dB mask, by sampling the mask,
    // inverse-transforming it and windowing the centred impulse response; the largest tap is 1.
    static bool generate_fir_filter_by_mask_data(const std::vector<mask_point_t>& mask,
                                                 complex_vector_t& taps, lib_window_type_t window_type);

    // Ideal (unwindowed) responses of `length` taps, also used by the design above.
    static void _generate_lowpass_ideal(double cutoff, std::uint32_t length, complex_vector_t& taps);
    static void _generate_highpass_ideal(double edge, std::uint32_t length, complex_vector_t& taps);
    static void _generate_real_bandpass_ideal(double lower, double upper, std::uint32_t length,
                                              complex_vector_t& taps);
    static void _generate_complex_bandpass_ideal(double lower, double upper, std::uint32_t length,
                                                 complex_vector_t& taps);

    // The mask's level in dB at `count` frequencies spread evenly over -1 ... 1 (both ends
    // included): linear between points, the end levels beyond them, the mean of the levels on
    // either side of a step (several points at one frequency).
    static void _sample_mask_levels(const std::vector<mask_point_t>& mask, std::uint32_t count,
                                    std::vector<float>& levels_db);

private:
    bool _generate_ideal_filter_data();

    lib_fir_filter_passband_type_t m_passband_type = LIB_FIR_FILTER_LOWPASS;
    lib_var_t<std::uint32_t> m_filter_length;
    bool m_spectrum_symmetry = true;
    lib_var_t<double> m_cutoff_freq;
    lib_var_t<double> m_band_lower_freq;
    lib_var_t<double> m_band_upper_freq;
    lib_window_type_t m_window_type = LIB_WINDOW_BLACKMAN;
    double m_kaiser_beta = 6.0;
    complex_vector_t m_ideal_filter_data;
    complex_vector_t m_window_data;
    bool m_data_ready = false;
    bool m_real_response_filter = true;
    complex_vector_t m_filter_data;
};

}  // namespace vek::common_lib
