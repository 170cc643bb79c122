// Window shapes against their closed forms, the Bessel function against a long-double series,
// normalisation, application and the refusals.
#include "vek/common_lib/filter/lib_window_function.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "vek/common_lib/report/report.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_window_function_t;
using cvec = std::vector<std::complex<float>>;

namespace {

constexpr double kPi = 3.14159265358979323846;

// I0 by its power series sum (x^2/4)^k / (k!)^2 in long double: all terms positive, so no
// cancellation; converges for any x given enough terms.
long double reference_i0(long double x) {
    const long double y = x * x / 4.0L;
    long double term = 1.0L;
    long double sum = 1.0L;
    for (int k = 1; k < 5000 && term >= sum * 1e-21L; ++k) {
        term *= y / (static_cast<long double>(k) * static_cast<long double>(k));
        sum += term;
    }
    return sum;
}

// w[n] for n in [0, L), indexed by window type: the cosine sums in t = n / (L - 1), Gauss (width 2.5) and
// Kaiser (beta 6) in r = (n - c) / c with c = (L - 1) / 2.
double closed_form(vcl::lib_window_type_t type, double n, double length) {
    const std::vector<std::vector<double>> cosine_sums{
        {1.0}, {0.54, -0.46}, {0.5, -0.5}, {}, {}, {0.42, -0.5, 0.08}, {0.35875, -0.48829, 0.14128, -0.01168},
        {0.21557895, -0.41663158, 0.277263158, -0.083578947, 0.006947368},
        {0.3232153789, -0.47149214396, 0.17553412995, -0.0284969901, 0.00126135709}};
    const double c = (length - 1.0) / 2.0;
    const double r = (n - c) / c;
    if (type == vcl::LIB_WINDOW_GAUSS) return std::exp(-0.5 * 6.25 * r * r);
    if (type == vcl::LIB_WINDOW_KAISER)
        return static_cast<double>(reference_i0(6.0L * std::sqrt(1.0L - r * r)) / reference_i0(6.0L));
    double s = 0.0;
    const auto& a = cosine_sums[type];
    for (std::size_t k = 0; k < a.size(); ++k)
        s += a[k] * std::cos(2.0 * kPi * static_cast<double>(k) * n / (length - 1.0));
    return s;
}

}  // namespace

TEST(WindowFunction, EveryShapeMatchesItsClosedFormIsSymmetricAndNormalisesToUnitSum) {
    for (std::uint32_t type = 0; type <= 8; ++type) {
        const auto t = static_cast<vcl::lib_window_type_t>(type);
        for (std::uint32_t length : {2u, 5u, 16u, 17u, 1001u}) {
            cvec w{{7.0f, 7.0f}};
            lib_window_function_t::generate_win_data_arr(w, t, length, false);
            ASSERT_EQ(w.size(), length) << type;
            for (std::uint32_t n = 0; n < length; ++n) {
                // Single-precision storage plus single-precision accumulation of up to five terms.
                EXPECT_NEAR(w[n].real(), closed_form(t, n, length), 1e-6)
                    << type << " length " << length << " n " << n;
                EXPECT_EQ(w[n].imag(), 0.0f);
                EXPECT_EQ(w[n], w[length - 1 - n]);
            }
        }
        cvec w;
        lib_window_function_t::generate_win_data_arr(w, t, 63, true);
        double sum = 0.0;
        for (const auto& s : w) sum += std::abs(s);
        EXPECT_NEAR(sum, 1.0, 1e-5) << type;
    }
}

TEST(WindowFunction, KaiserLimitsAndBesselAgainstLongDoubleSeries) {
    cvec w;
    lib_window_function_t::generate_kaiser_window(w, 9, false, 0.0);
    EXPECT_EQ(w, cvec(9, {1.0f, 0.0f}));

    // Betas far beyond where e^beta overflows still give a finite window peaking at 1.
    lib_window_function_t::generate_kaiser_window(w, 33, false, 800.0);
    for (const auto& s : w) EXPECT_TRUE(s.real() >= 0.0f && s.real() <= 1.0f);
    EXPECT_EQ(w[16].real(), 1.0f);
    const double r = 1.0 / 16.0;  // sample 15, one step from the centre; leading order of the ratio
    EXPECT_NEAR(w[15].real() / std::exp(800.0 * std::sqrt(1.0 - r * r) - 800.0), 1.0, 2e-3);

    // The library range, the asymptotic range from 500 and the region where e^x overflows.
    for (double x : {0.0, 1e-3, 1.0, 7.75, 25.0, 200.0, 499.9, 500.0, 650.0, 712.0}) {
        EXPECT_NEAR(lib_window_function_t::calc_bessel_i0(x) / static_cast<double>(reference_i0(x)), 1.0,
                    1e-13)
            << x;
        EXPECT_EQ(lib_window_function_t::calc_bessel_i0(-x), lib_window_function_t::calc_bessel_i0(x));
    }
    EXPECT_DOUBLE_EQ(lib_window_function_t::_calc_polynomial({1.0, 2.0, 3.0}, 2.0),
                     17.0);  // ascending Horner
}

TEST(WindowFunction, ApplyMultipliesByTheUnitSumWindow) {
    cvec data(8, {2.0f, -1.0f});
    lib_window_function_t::apply_window_functon(data, vcl::LIB_WINDOW_HANN);
    for (std::size_t n = 0; n < data.size(); ++n)
        EXPECT_NEAR(std::abs(data[n] - std::complex<float>(2.0f, -1.0f) *
                                           static_cast<float>(closed_form(vcl::LIB_WINDOW_HANN, n, 8) / 3.5)),
                    0.0, 1e-6)
            << n;  // Hann of 8 sums to 3.5
}

TEST(WindowFunction, BadParametersAndDegenerateLengths) {
    const cvec before{{1.0f, 2.0f}, {3.0f, 4.0f}};
    vcl::report_capture_t capture;
    cvec w = before;
    lib_window_function_t::generate_win_data_arr(w, static_cast<vcl::lib_window_type_t>(9), 16, false);
    EXPECT_EQ(w, before);
    EXPECT_EQ(capture.text(),
              "lib_window_function_t::_generate_win_data_arr Report : Error Window Function Type!\n");
    lib_window_function_t::generate_kaiser_window(w, 16, false, -0.5);
    EXPECT_EQ(w, before);
    EXPECT_TRUE(capture.contains("generate_kaiser_window Report: Beta should be NOT Negative!\n"));
    for (double width : {0.0, 1e-13}) {
        lib_window_function_t::generate_gauss_window(w, 5, true, width);
        EXPECT_EQ(w, cvec(5, {0.0f, 0.0f})) << width;
    }
    EXPECT_TRUE(capture.contains("generate_gauss_window Report: Width_factor should be positive!\n"));
    EXPECT_EQ(lib_window_function_t::_calc_polynomial({}, 2.0), 0.0);
    cvec one{{3.0f, 4.0f}};
    lib_window_function_t::apply_window_functon(one, vcl::LIB_WINDOW_HANN);
    EXPECT_EQ(one, cvec({{3.0f, 4.0f}}));
    EXPECT_TRUE(capture.contains("apply_window_functon Report: Input Data Array is Too Short!\n"));

    lib_window_function_t::generate_blackman_window(w, 0, true);
    EXPECT_TRUE(w.empty());
    lib_window_function_t::generate_kaiser_window(w, 1, false, 6.0);
    EXPECT_EQ(w, cvec({{1.0f, 0.0f}}));
}
