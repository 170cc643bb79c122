#pragma once
// Mixer, fractional delay, burst extraction and padding helpers.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

// Length of the windowed-sinc fractional delay filter.
inline constexpr std::uint32_t LIB_FRACTIONAL_DELAY_FILTER_LENGTH = 63u;

class lib_common_signal_process_t {
public:
    using cvec_t = std::vector<std::complex<float>>;
    using fvec_t = std::vector<float>;

    // x[n] <- x[n] e^(j (phase_rad + 2 pi freq n)), freq in cycles per sample (positive shifts
    // the spectrum up). Stateless: a caller mixing consecutive blocks passes the phase reached at
    // each block's first sample.
    static void deal_mixer(cvec_t& data, double freq_cycles_per_sample, double phase_rad);
    // The step angle deal_mixer turns by at a frequency: 2 pi freq rounded to single precision.
    static double mixer_step_rad(double freq_cycles_per_sample);
    // x[n] <- x[n] e^(j (phase_rad + step_rad n)), the step taken as given (deal_mixer with the step
    // already formed). Mixing at several frequencies in turn equals one rotation by the sum of their
    // steps, to within rounding: several corrections can be applied in one pass.
    static void deal_rotation(cvec_t& data, double step_rad, double phase_rad);
    // The same rotation of count samples from in into out (out may be in).
    static void deal_rotation(const std::complex<float>* in, std::size_t count, std::complex<float>* out,
                              double step_rad, double phase_rad);

    // data <- data(n - delay_samples), |delay_samples| < 1, by a 63-tap windowed sinc with cyclic
    // edge extension. False (data untouched) when |delay| >= 1.
    static bool deal_fractional_delay(double delay_samples, cvec_t& data);
    // Blackman-windowed sinc centred on (length-1)/2 + delay; odd length, |delay| < length/2.
    // False (taps untouched) otherwise.
    static bool _design_delay_filter(double delay_samples, std::uint32_t length, cvec_t& taps);

    // output = data without its runs of three or more zero samples.
    static void get_burst_signal_data(const cvec_t& data, cvec_t& output);
    static void get_burst_signal_data(const fvec_t& data, fvec_t& output);
    // True when data[start .. start+count-1] are all zero; false when the range runs past the end.
    static bool _check_consecutive_zero_data(const cvec_t& data, std::size_t start, std::size_t count);
    static bool _check_consecutive_zero_data(const fvec_t& data, std::size_t start, std::size_t count);

    // Appends zeros up to length; never truncates.
    template <typename T>
    static void pad_zero_to_array_end(std::vector<T>& data, std::size_t length)
    {
        if (data.size() < length) data.resize(length, T{});
    }

    // Appends whole copies of data until its size is at least length; returns the new size.
    // An empty vector reports and becomes `length` zeros.
    template <typename T>
    static std::size_t pad_array_crc(std::vector<T>& data, std::size_t length)
    {
        if (data.empty()) {
            report_line("lib_common_signal_process_t::pad_array_crc Report: Empty Data Array!");
            data.assign(length, T{});
            return length;
        }
        const std::size_t period = data.size();
        if (period >= length) return period;
        const std::size_t copies = (length + period - 1) / period;
        data.reserve(copies * period);
        for (std::size_t c = 1; c < copies; ++c) {
            for (std::size_t i = 0; i < period; ++i) data.push_back(data[i]);
        }
        return data.size();
    }
};

}  // namespace vek::common_lib
