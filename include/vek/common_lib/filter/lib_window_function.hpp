#pragma once
// Symmetric tapering windows for spectrum analysis and FIR design. Every window is returned as a
// complex vector whose imaginary parts are zero, so it multiplies sample vectors directly.
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

enum lib_window_type_t : std::uint32_t {
    LIB_WINDOW_RECTANGLE = 0,
    LIB_WINDOW_HAMMING = 1,
    LIB_WINDOW_HANN = 2,
    LIB_WINDOW_GAUSS = 3,  // width factor 2.5 when chosen through the type
    LIB_WINDOW_KAISER = 4,  // beta 6.0 when chosen through the type
    LIB_WINDOW_BLACKMAN = 5,
    LIB_WINDOW_BLACKMAN_HARRIS = 6,
    LIB_WINDOW_FLAT_TOP = 7,
    LIB_WINDOW_GAUSSIAN_TOP = 8,
};

class lib_window_function_t {
public:
    using complex_vector_t = std::vector<std::complex<float>>;

    static constexpr double GAUSS_DEFAULT_WIDTH_FACTOR = 2.5;
    static constexpr double KAISER_DEFAULT_BETA = 6.0;

    // Each generator replaces `window` by `length` samples. With `normalize` the samples are
    // scaled to unit sum of amplitudes, so a windowed tone of amplitude A peaks at about A in its
    // spectrum bin. Every shape except the rectangle needs length >= 2; a length of 1 gives the
    // one-sample window [1] and a length of 0 an empty vector.
    static void generate_rectangle_window(complex_vector_t& window, std::uint32_t length, bool normalize);
    static void generate_hamming_window(complex_vector_t& window, std::uint32_t length, bool normalize);
    static void generate_hann_window(complex_vector_t& window, std::uint32_t length, bool normalize);
    static void generate_blackman_window(complex_vector_t& window, std::uint32_t length, bool normalize);
    static void generate_blackman_harris_window(complex_vector_t& window, std::uint32_t length,
                                                bool normalize);
    static void generate_flat_top_window(complex_vector_t& window, std::uint32_t length, bool normalize);
    static void generate_gaussian_top_window(complex_vector_t& window, std::uint32_t length,
                                             bool normalize);
    // exp(-0.5 * (width_factor * (n - c) / c)^2), c = (length - 1) / 2; width_factor > 0.
    static void generate_gauss_window(complex_vector_t& window, std::uint32_t length, bool normalize,
                                      double width_factor);
    // I0(beta * sqrt(1 - ((n - c) / c)^2)) / I0(beta); beta >= 0.
    static void generate_kaiser_window(complex_vector_t& window, std::uint32_t length, bool normalize,
                                       double beta);

    // Dispatch by type, Gauss and Kaiser with their default parameters.
    static void generate_win_data_arr(complex_vector_t& window, lib_window_type_t type,
                                      std::uint32_t length, bool normalize);

    // Multiplies `data` by the unit-sum window of its own length.
    static void apply_window_functon(complex_vector_t& data, lib_window_type_t type);

    // Modified Bessel function of the first kind, order 0, in double precision (any real x).
    static double calc_bessel_i0(double x);

    // Horner evaluation of sum coefficients[k] * x^k (coefficients in ascending power).
    static double _calc_polynomial(const std::vector<double>& coefficients, double x);

private:
    static void _generate_win_data_arr(complex_vector_t& window, lib_window_type_t type,
                                       std::uint32_t length, bool normalize);
    static void _generate_cosine_sum_window(complex_vector_t& window, const std::vector<double>& coefs,
                                            std::uint32_t length, bool normalize);
    static void _normalize_if(complex_vector_t& window, bool normalize);
    // e^-|x| * I0(x): finite for every x, so window ratios hold for any beta.
    static double _calc_scaled_bessel_i0(double x);
};

}  // namespace vek::common_lib
