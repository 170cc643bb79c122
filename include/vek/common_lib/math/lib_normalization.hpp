#pragma once
// In-place scaling of vectors. Each divisor is computed first (sums and maxima in single
// precision, roots in double); a divisor below 1e-12 or an empty vector reports and leaves the
// vector unchanged (false).
#include <complex>
#include <vector>

namespace vek::common_lib {

class lib_normalization_t {
public:
    using cvec_t = std::vector<std::complex<float>>;
    using fvec_t = std::vector<float>;

    static bool rms_normalize(cvec_t& data);                // unit RMS
    static bool square_sum_normalize(cvec_t& data);         // unit energy
    static bool square_sum_normalize(fvec_t& data);         // unit energy
    static bool sum_normalize(fvec_t& data);                // unit sum (DC gain 1 for taps)
    static bool amplitude_sum_normalize(cvec_t& data);      // unit sum of amplitudes
    static bool amplitude_max_normalize(cvec_t& data);      // peak amplitude 1
    static bool iq_value_max_normalize(cvec_t& data);       // largest |I| or |Q| becomes 1
};

}  // namespace vek::common_lib
