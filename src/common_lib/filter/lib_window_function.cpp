#include "vek/common_lib/filter/lib_window_function.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_normalization.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Below this argument the library's I0 is used directly; above it e^x approaches the double range
// (e^709 is the largest), so the Hankel asymptotic series in 1/x takes over. At x = 500 its
// seventh term is below 1e-17 of the first, i.e. the series is exact to double precision.
constexpr double kI0AsymptoticFrom = 500.0;

// Coefficients of e^-x * I0(x) * sqrt(x) = sum c_k / x^k for large x:
// c_0 = 1 / sqrt(2 pi), c_k = c_(k-1) * (2k - 1)^2 / (8k).
const std::vector<double>& asymptotic_i0_coefficients() {
    static const std::vector<double> coefs = [] {
        std::vector<double> c(8);
        c[0] = 1.0 / std::sqrt(2.0 * kPi);
        for (std::size_t k = 1; k < c.size(); ++k) {
            const double odd = 2.0 * static_cast<double>(k) - 1.0;
            c[k] = c[k - 1] * odd * odd / (8.0 * static_cast<double>(k));
        }
        return c;
    }();
    return coefs;
}

// Cosine-sum coefficients a_0, a_1, ... with alternating signs, so each window peaks at 1 in its
// centre (t = 0.5) and nearly vanishes at the ends (t = 0 and 1).
const std::vector<double>& blackman_coefs() {
    static const std::vector<double> c{0.42, -0.5, 0.08};
    return c;
}
const std::vector<double>& blackman_harris_coefs() {
    static const std::vector<double> c{0.35875, -0.48829, 0.14128, -0.01168};
    return c;
}
const std::vector<double>& flat_top_coefs() {
    static const std::vector<double> c{0.21557895, -0.41663158, 0.277263158, -0.083578947,
                                       0.006947368};
    return c;
}
const std::vector<double>& gaussian_top_coefs() {
    static const std::vector<double> c{0.3232153789, -0.47149214396, 0.17553412995, -0.0284969901,
                                       0.00126135709};
    return c;
}

// Fills a symmetric window from a shape evaluated on the first half: computing one half and
// mirroring it makes the last sample bit-identical to the first.
template <typename Shape>
void fill_symmetric(std::vector<std::complex<float>>& window, std::uint32_t length, Shape shape) {
    window.assign(length, std::complex<float>(0.0f, 0.0f));
    if (length == 0) {
        return;
    }
    if (length == 1) {
        // A single sample is its own centre; every shape is 1 there.
        window[0] = std::complex<float>(1.0f, 0.0f);
        return;
    }
    const std::uint32_t half = (length - 1) / 2;
    for (std::uint32_t n = 0; n <= half; ++n) {
        const float w = shape(n);
        window[n] = std::complex<float>(w, 0.0f);
        window[length - 1 - n] = std::complex<float>(w, 0.0f);
    }
}

}  // namespace

double lib_window_function_t::_calc_polynomial(const std::vector<double>& coefficients, double x) {
    if (coefficients.empty()) {
        report_line("lib_window_function_t::_calc_polynomial Report: Empty coefficents array!");
        return 0.0;
    }
    double sum = coefficients.back();
    for (std::size_t k = coefficients.size() - 1; k-- > 0;) {
        sum = sum * x + coefficients[k];
    }
    return sum;
}

double lib_window_function_t::calc_bessel_i0(double x) {
    const double ax = std::fabs(x);
    if (ax < kI0AsymptoticFrom) {
        return std::cyl_bessel_i(0.0, ax);
    }
    // e^x overflows near x = 709 although I0 itself may still be representable; squaring
    // e^(x/2) after the division keeps the intermediate in range as long as possible.
    const double half_exp = std::exp(ax / 2.0);
    return half_exp * (_calc_polynomial(asymptotic_i0_coefficients(), 1.0 / ax) / std::sqrt(ax)) *
           half_exp;
}

double lib_window_function_t::_calc_scaled_bessel_i0(double x) {
    const double ax = std::fabs(x);
    if (ax < kI0AsymptoticFrom) {
        return std::cyl_bessel_i(0.0, ax) * std::exp(-ax);
    }
    return _calc_polynomial(asymptotic_i0_coefficients(), 1.0 / ax) / std::sqrt(ax);
}

void lib_window_function_t::_normalize_if(complex_vector_t& window, bool normalize) {
    if (normalize && !window.empty()) {
        lib_normalization_t::amplitude_sum_normalize(window);
    }
}

void lib_window_function_t::generate_rectangle_window(complex_vector_t& window, std::uint32_t length,
                                                      bool normalize) {
    window.assign(length, std::complex<float>(1.0f, 0.0f));
    _normalize_if(window, normalize);
}

void lib_window_function_t::generate_hamming_window(complex_vector_t& window, std::uint32_t length,
                                                    bool normalize) {
    const double span = static_cast<double>(length) - 1.0;
    fill_symmetric(window, length, [span](std::uint32_t n) {
        const double t = static_cast<double>(n) / span;
        return static_cast<float>(0.54 - 0.46 * std::cos(2.0 * kPi * t));
    });
    _normalize_if(window, normalize);
}

void lib_window_function_t::generate_hann_window(complex_vector_t& window, std::uint32_t length,
                                                 bool normalize) {
    const double span = static_cast<double>(length) - 1.0;
    fill_symmetric(window, length, [span](std::uint32_t n) {
        const double t = static_cast<double>(n) / span;
        return static_cast<float>(0.5 * (1.0 - std::cos(2.0 * kPi * t)));
    });
    _normalize_if(window, normalize);
}

void lib_window_function_t::_generate_cosine_sum_window(complex_vector_t& window,
                                                        const std::vector<double>& coefs,
                                                        std::uint32_t length, bool normalize) {
    const double span = static_cast<double>(length) - 1.0;
    fill_symmetric(window, length, [span, &coefs](std::uint32_t n) {
        const double t = static_cast<double>(n) / span;
        // Each term is formed in double and the sum kept in single precision.
        float sum = 0.0f;
        for (std::size_t k = 0; k < coefs.size(); ++k) {
            sum += static_cast<float>(coefs[k] * std::cos(2.0 * kPi * static_cast<double>(k) * t));
        }
        return sum;
    });
    _normalize_if(window, normalize);
}

void lib_window_function_t::generate_blackman_window(complex_vector_t& window, std::uint32_t length,
                                                     bool normalize) {
    _generate_cosine_sum_window(window, blackman_coefs(), length, normalize);
}

void lib_window_function_t::generate_blackman_harris_window(complex_vector_t& window,
                                                            std::uint32_t length, bool normalize) {
    _generate_cosine_sum_window(window, blackman_harris_coefs(), length, normalize);
}

void lib_window_function_t::generate_flat_top_window(complex_vector_t& window, std::uint32_t length,
                                                     bool normalize) {
    _generate_cosine_sum_window(window, flat_top_coefs(), length, normalize);
}

void lib_window_function_t::generate_gaussian_top_window(complex_vector_t& window,
                                                         std::uint32_t length, bool normalize) {
    _generate_cosine_sum_window(window, gaussian_top_coefs(), length, normalize);
}

void lib_window_function_t::generate_gauss_window(complex_vector_t& window, std::uint32_t length,
                                                  bool normalize, double width_factor) {
    if (width_factor < 0.0 || std::fabs(width_factor) < 1e-12) {
        report_line("lib_window_function_t::generate_gauss_window Report: Width_factor should be positive!");
        window.assign(length, std::complex<float>(0.0f, 0.0f));
        return;
    }
    const double centre = (static_cast<double>(length) - 1.0) / 2.0;
    fill_symmetric(window, length, [centre, width_factor](std::uint32_t n) {
        const double r = width_factor * (static_cast<double>(n) - centre) / centre;
        return static_cast<float>(std::exp(-0.5 * r * r));
    });
    _normalize_if(window, normalize);
}

void lib_window_function_t::generate_kaiser_window(complex_vector_t& window, std::uint32_t length,
                                                   bool normalize, double beta) {
    if (beta < 0.0) {
        report_line("lib_window_function_t::generate_kaiser_window Report: Beta should be NOT Negative!");
        return;
    }
    const double centre = (static_cast<double>(length) - 1.0) / 2.0;
    const double scaled_i0_beta = _calc_scaled_bessel_i0(beta);
    fill_symmetric(window, length, [centre, beta, scaled_i0_beta](std::uint32_t n) {
        const double r = (static_cast<double>(n) - centre) / centre;
        const double arg = beta * std::sqrt(std::fmax(0.0, 1.0 - r * r));
        // I0(arg) / I0(beta) as a ratio of exponentially scaled values: no overflow for any beta.
        return static_cast<float>(_calc_scaled_bessel_i0(arg) / scaled_i0_beta *
                                  std::exp(arg - beta));
    });
    _normalize_if(window, normalize);
}

void lib_window_function_t::_generate_win_data_arr(complex_vector_t& window, lib_window_type_t type,
                                                   std::uint32_t length, bool normalize) {
    switch (type) {
        case LIB_WINDOW_RECTANGLE: generate_rectangle_window(window, length, normalize); break;
        case LIB_WINDOW_HAMMING: generate_hamming_window(window, length, normalize); break;
        case LIB_WINDOW_HANN: generate_hann_window(window, length, normalize); break;
        case LIB_WINDOW_GAUSS:
            generate_gauss_window(window, length, normalize, GAUSS_DEFAULT_WIDTH_FACTOR);
            break;
        case LIB_WINDOW_KAISER:
            generate_kaiser_window(window, length, normalize, KAISER_DEFAULT_BETA);
            break;
        case LIB_WINDOW_BLACKMAN: generate_blackman_window(window, length, normalize); break;
        case LIB_WINDOW_BLACKMAN_HARRIS: generate_blackman_harris_window(window, length, normalize); break;
        case LIB_WINDOW_FLAT_TOP: generate_flat_top_window(window, length, normalize); break;
        case LIB_WINDOW_GAUSSIAN_TOP: generate_gaussian_top_window(window, length, normalize); break;
        default:
            report_line("lib_window_function_t::_generate_win_data_arr Report : Error Window Function Type!");
            break;
    }
}

void lib_window_function_t::generate_win_data_arr(complex_vector_t& window, lib_window_type_t type,
                                                  std::uint32_t length, bool normalize) {
    _generate_win_data_arr(window, type, length, normalize);
}

void lib_window_function_t::apply_window_functon(complex_vector_t& data, lib_window_type_t type) {
    if (data.size() < 2) {
        report_line("lib_window_function_t::apply_window_functon Report: Input Data Array is Too Short!");
        return;
    }
    complex_vector_t window;
    _generate_win_data_arr(window, type, static_cast<std::uint32_t>(data.size()), true);
    if (window.size() != data.size()) {
        return;  // unknown type: already reported, data left as it was
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] *= window[i].real();
    }
}

}  // namespace vek::common_lib
