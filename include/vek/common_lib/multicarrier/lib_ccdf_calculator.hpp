#pragma once
// Complementary cumulative distribution of instantaneous power: ccdf[i] is the fraction of
// samples whose power exceeds the mean power by at least i * step dB.
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

class lib_ccdf_calculator_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // Points of the default curve: 0 ... 20 dB in 0.01 dB steps.
    static std::uint32_t get_default_ccdf_data_length() { return 2001; }
    static double get_default_ccdf_max_db() { return 20.0; }

    // ccdf receives point_number values over 0 ... max_db (step max_db / (point_number - 1)).
    // False (ccdf empty) for max_db <= 0 or no points; false (ccdf all zero) for an empty
    // signal; an all-zero signal reports and counts every sample at 0 dB.
    static bool calculate_ccdf_data(const cvec_t& signal, std::uint32_t point_number, double max_db,
                                    std::vector<double>& ccdf);
    static bool calculate_default_ccdf_data(const cvec_t& signal, std::vector<double>& ccdf);

    // Power levels (dB above the mean) exceeded by 10 %, 1 %, 0.1 %, 0.01 %, 0.001 % and
    // 0.0001 % of the samples, each at most the peak-to-average ratio (max_db where the curve
    // does not reach that probability), then the peak-to-average ratio rounded up to 0.01 dB.
    static void get_ccdf_marker_data(double max_db, const std::vector<double>& ccdf, const cvec_t& signal,
                                     std::vector<double>& markers);
    static void get_default_ccdf_marker_data(const std::vector<double>& ccdf, const cvec_t& signal,
                                             std::vector<double>& markers);

    // exp(-10^(x/10)) at x = i * max_db / (point_number - 1): the CCDF of complex Gaussian noise,
    // whose power relative to its mean is exponentially distributed.
    static void get_gauss_ccdf_data(std::uint32_t point_number, double max_db, std::vector<double>& curve);
    // 20 points over 0 ... 0.01 dB.
    static void get_gauss_default_ccdf_data(std::vector<double>& curve);

private:
    // hist[0]: below the mean; hist[i], 1 <= i <= sections: within section i - 1; hist[sections
    // + 1]: at or above max_db.
    static void _deal_amplitude_histogram_analysis(const cvec_t& signal, std::uint32_t sections,
                                                   double max_db, std::vector<std::uint64_t>& hist);
};

}  // namespace vek::common_lib
