#pragma once
// Filtering with a tap vector and a choice of group-delay compensation.
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

enum lib_filter_delay_type_t : std::uint32_t {
    LIB_FILTER_DELAY_NONE = 0,    // plain filter output, lagging by (m - 1) / 2 samples
    LIB_FILTER_DELAY_CYCLIC = 1,  // centred; edges extended cyclically (periodic signals)
    LIB_FILTER_DELAY_ZERO = 2,    // centred; edges extended with zeros (bursts)
};

class lib_filter_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // data <- data filtered by taps, same length as data. For the centred types output sample i
    // is centred on input sample i when the tap count is odd. False (data untouched) for empty
    // taps or data or an unknown delay type.
    static bool deal_filter(const cvec_t& taps, cvec_t& data, lib_filter_delay_type_t delay_type);

    // Extends data at both ends by pad_length samples as the delay type asks (cyclic: the data's
    // own tail in front and head behind; zero: zeros; none: unchanged).
    static bool _prepare_input_data(std::uint32_t pad_length, cvec_t& data, lib_filter_delay_type_t delay_type);
};

}  // namespace vek::common_lib
