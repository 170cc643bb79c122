#pragma once
// OFDM frame assembly: every symbol from the symbol generator, optionally windowed with raised
// (Hann) edges that overlap and add between neighbouring symbols (the transmitter windowing of
// IEEE 802.11a 17.3.2.5), followed by idle samples.
#include <complex>
#include <cstdint>
#include <vector>

#include "vek/common_lib/math/lib_var.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_symbol_data_generator.hpp"

namespace vek::common_lib {

// Where the windowed transition lies relative to the symbol boundary.
enum lib_ofdm_windowing_method_type_t : std::uint32_t {
    LIB_OFDM_WINDOWING_CENTERED = 0,  // split around the boundary
    LIB_OFDM_WINDOWING_TRAILING = 1,  // after the boundary (any non-zero value)
};

class lib_ofdm_modulator_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    lib_ofdm_modulator_t();

    // Forwarded to the symbol generator; the last two return false for 0.
    bool set_fft_length(std::uint32_t fft_length);
    bool set_oversampling_ratio(std::uint32_t oversampling_ratio);
    bool set_symbol_number(std::uint32_t symbol_number);
    void set_cyclic_prefix_config(const lib_ofdm_cyclic_config_t& config);
    void set_cyclic_suffix_config(const lib_ofdm_cyclic_config_t& config);
    void set_half_subacarrier_offset_number(std::uint32_t half_subcarrier_offset_number);
    // Zeros after the last symbol, in samples at the FFT rate (R times as many are written).
    void set_frame_idle_length(std::uint32_t idle_length);
    // Transition length as a fraction of the symbol body, clamped into [0, 0.5].
    void set_window_beta(double window_beta);
    void set_windowing_method(lib_ofdm_windowing_method_type_t method);

    std::uint32_t get_frame_idle_length() const { return m_frame_idle_length; }
    double get_window_beta() const;
    lib_ofdm_windowing_method_type_t get_windowing_method() const { return m_windowing_method; }
    const lib_ofdm_symbol_data_generator_t& get_symbol_data_generator() const {
        return m_symbol_data_generator;
    }
    // Sum of the symbols' total lengths plus R times the idle length, in samples.
    std::size_t get_frame_length() const;
    // Samples in each windowed transition: floor(L * beta).
    std::uint32_t get_window_transition_length() const;

    // payload: one vector of subcarrier values per symbol, all of the same length 1 ... N.
    // frame receives the frame; before / after receive the parts of the windowed transitions
    // that fall before the frame's first or after its last sample. False (all outputs empty)
    // when the payload has the wrong shape.
    bool deal_ofdm_modulation(const std::vector<cvec_t>& payload, cvec_t& frame, cvec_t& before_frame,
                              cvec_t& after_frame);
    // A frame meant to be repeated: the transitions that stick out at one end are added into the
    // other end, so that back-to-back copies join as windowed symbols do.
    bool deal_single_frame_ofdm_modulation(const std::vector<cvec_t>& payload, cvec_t& frame);

private:
    // Rising and falling halves of a Hann window of 2H + 3 points, without its zero end points
    // and its peak.
    void _prepare_window_data();
    // Extends the symbol cyclically by the transition samples of the windowing method and tapers
    // its ends; offset receives the windowed symbol's start relative to the nominal start.
    bool _deal_windowed_symbol(std::uint32_t symbol_index, const cvec_t& subcarriers, cvec_t& symbol,
                               std::int64_t& offset) const;

    std::uint32_t m_frame_idle_length;
    lib_var_t<double> m_window_beta;
    lib_ofdm_windowing_method_type_t m_windowing_method;
    cvec_t m_rising_window;
    cvec_t m_falling_window;
    lib_ofdm_symbol_data_generator_t m_symbol_data_generator;
};

}  // namespace vek::common_lib
