#include "vek/common_lib/filter/lib_window_function.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "vek/common_lib/report/report.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_window_function_t;
using cvec = std::vector<std::complex<float>>;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Single-precision storage plus single-precision accumulation of up to five cosine terms.
constexpr double kWindowTolerance = 1e-6;

// I0 by its power series sum (x^2/4)^k / (k!)^2 in long double: all terms positive, so no
// cancellation; converges for any x given enough terms.
long double reference_i0(long double x) {
    const long double y = x * x / 4.0L;
    long double term = 1.0L;
    long double sum = 1.0L;
    for (int k = 1; k < 5000; ++k) {
        term *= y / (static_cast<long double>(k) * static_cast<long double>(k));
        sum += term;
        if (term < sum * 1e-21L) {
            break;
        }
    }
    return sum;
}

double cosine_sum(const std::vector<double>& a, double t) {
    double s = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        s += a[k] * std::cos(2.0 * kPi * static_cast<double>(k) * t);
    }
    return s;
}

struct closed_form_case_t {
    vcl::lib_window_type_t type;
    std::function<double(double n, double length)> value;
};

std::vector<closed_form_case_t> closed_forms() {
    const auto t_of = [](double n, double l) { return n / (l - 1.0); };
    return {
        {vcl::LIB_WINDOW_RECTANGLE, [](double, double) { return 1.0; }},
        {vcl::LIB_WINDOW_HAMMING,
         [=](double n, double l) { return 0.54 - 0.46 * std::cos(2.0 * kPi * t_of(n, l)); }},
        {vcl::LIB_WINDOW_HANN,
         [=](double n, double l) { return 0.5 * (1.0 - std::cos(2.0 * kPi * t_of(n, l))); }},
        {vcl::LIB_WINDOW_GAUSS,
         [](double n, double l) {
             const double c = (l - 1.0) / 2.0;
             const double r = 2.5 * (n - c) / c;
             return std::exp(-0.5 * r * r);
         }},
        {vcl::LIB_WINDOW_KAISER,
         [](double n, double l) {
             const double c = (l - 1.0) / 2.0;
             const double r = (n - c) / c;
             return static_cast<double>(reference_i0(6.0L * std::sqrt(1.0L - r * r)) /
                                        reference_i0(6.0L));
         }},
        {vcl::LIB_WINDOW_BLACKMAN,
         [=](double n, double l) { return cosine_sum({0.42, -0.5, 0.08}, t_of(n, l)); }},
        {vcl::LIB_WINDOW_BLACKMAN_HARRIS,
         [=](double n, double l) {
             return cosine_sum({0.35875, -0.48829, 0.14128, -0.01168}, t_of(n, l));
         }},
        {vcl::LIB_WINDOW_FLAT_TOP,
         [=](double n, double l) {
             return cosine_sum({0.21557895, -0.41663158, 0.277263158, -0.083578947, 0.006947368},
                               t_of(n, l));
         }},
        {vcl::LIB_WINDOW_GAUSSIAN_TOP,
         [=](double n, double l) {
             return cosine_sum(
                 {0.3232153789, -0.47149214396, 0.17553412995, -0.0284969901, 0.00126135709},
                 t_of(n, l));
         }},
    };
}

}  // namespace

TEST(WindowFunction, EveryShapeMatchesItsClosedFormAndIsSymmetric) {
    for (const auto& form : closed_forms()) {
        for (std::uint32_t length : {2u, 3u, 5u, 16u, 17u, 64u, 1001u}) {
            cvec w{{7.0f, 7.0f}};
            lib_window_function_t::generate_win_data_arr(w, form.type, length, false);
            ASSERT_EQ(w.size(), length) << "type " << form.type;
            for (std::uint32_t n = 0; n < length; ++n) {
                const double expected = form.value(n, length);
                EXPECT_NEAR(w[n].real(), expected, kWindowTolerance)
                    << "type " << form.type << " length " << length << " n " << n;
                EXPECT_EQ(w[n].imag(), 0.0f);
                EXPECT_EQ(w[n], w[length - 1 - n]);
            }
        }
    }
}

TEST(WindowFunction, PublishedValuesOfShortWindows) {
    cvec w;
    lib_window_function_t::generate_hann_window(w, 5, false);
    const std::vector<float> hann{0.0f, 0.5f, 1.0f, 0.5f, 0.0f};
    for (std::size_t n = 0; n < hann.size(); ++n) EXPECT_NEAR(w[n].real(), hann[n], 1e-7);

    lib_window_function_t::generate_hamming_window(w, 3, false);
    EXPECT_NEAR(w[0].real(), 0.08, 1e-7);
    EXPECT_NEAR(w[1].real(), 1.0, 1e-7);
    EXPECT_NEAR(w[2].real(), 0.08, 1e-7);

    lib_window_function_t::generate_blackman_window(w, 31, false);
    EXPECT_NEAR(w[15].real(), 1.0, 1e-7);
    EXPECT_NEAR(w[0].real(), 0.0, 1e-7);
    EXPECT_NEAR(w[30].real(), 0.0, 1e-7);

    // Centre 1 and the published end values of the higher-order cosine sums.
    struct end_value_t { vcl::lib_window_type_t type; double end; };
    for (const auto& c : {end_value_t{vcl::LIB_WINDOW_BLACKMAN_HARRIS, 6.0e-5},
                          end_value_t{vcl::LIB_WINDOW_FLAT_TOP, -4.21e-4},
                          end_value_t{vcl::LIB_WINDOW_GAUSSIAN_TOP, 2.2e-5}}) {
        lib_window_function_t::generate_win_data_arr(w, c.type, 101, false);
        EXPECT_NEAR(w[50].real(), 1.0, 1e-7) << c.type;
        EXPECT_NEAR(w[0].real(), c.end, 1e-5) << c.type;
        EXPECT_NEAR(w[100].real(), c.end, 1e-5) << c.type;
    }
}

TEST(WindowFunction, KaiserLimitsAndIndependentBessel) {
    cvec w;
    lib_window_function_t::generate_kaiser_window(w, 9, false, 0.0);
    for (const auto& s : w) EXPECT_EQ(s, std::complex<float>(1.0f, 0.0f));

    lib_window_function_t::generate_kaiser_window(w, 2, false, 6.0);
    const double edge = static_cast<double>(1.0L / reference_i0(6.0L));
    EXPECT_NEAR(w[0].real(), edge, 1e-9);
    EXPECT_NEAR(w[1].real(), edge, 1e-9);

    // Betas far beyond where e^beta overflows still give a finite window peaking at 1.
    lib_window_function_t::generate_kaiser_window(w, 33, false, 800.0);
    for (const auto& s : w) {
        EXPECT_TRUE(std::isfinite(s.real()));
        EXPECT_GE(s.real(), 0.0f);
        EXPECT_LE(s.real(), 1.0f);
    }
    EXPECT_EQ(w[16].real(), 1.0f);
    const double r = 1.0 / 16.0;  // sample 15, one step from the centre
    const long double expected =
        std::exp(static_cast<long double>(800.0 * std::sqrt(1.0 - r * r) - 800.0));  // leading order
    EXPECT_NEAR(w[15].real() / static_cast<double>(expected), 1.0, 2e-3);
}

TEST(WindowFunction, BesselI0AgreesWithLongDoubleSeries) {
    // Covers the library range, the asymptotic range from 500 and the region where e^x overflows.
    for (double x : {0.0, 1e-3, 0.5, 1.0, 3.0, 6.0, 7.75, 10.0, 25.0, 80.0, 200.0, 499.9, 500.0,
                     501.0, 650.0, 700.0, 712.0}) {
        const double reference = static_cast<double>(reference_i0(x));
        EXPECT_NEAR(lib_window_function_t::calc_bessel_i0(x) / reference, 1.0, 1e-13) << x;
        EXPECT_EQ(lib_window_function_t::calc_bessel_i0(-x), lib_window_function_t::calc_bessel_i0(x));
    }
}

TEST(WindowFunction, PolynomialIsAscendingHorner) {
    EXPECT_DOUBLE_EQ(lib_window_function_t::_calc_polynomial({1.0, 2.0, 3.0}, 2.0), 17.0);
    vcl::report_capture_t capture;
    EXPECT_EQ(lib_window_function_t::_calc_polynomial({}, 2.0), 0.0);
    EXPECT_EQ(capture.text(), "lib_window_function_t::_calc_polynomial Report: Empty coefficents array!\n");
}

TEST(WindowFunction, NormalisedWindowsSumToOne) {
    cvec w;
    lib_window_function_t::generate_rectangle_window(w, 4, true);
    ASSERT_EQ(w.size(), 4u);
    for (const auto& s : w) EXPECT_FLOAT_EQ(s.real(), 0.25f);

    for (std::uint32_t type = 0; type <= 8; ++type) {
        lib_window_function_t::generate_win_data_arr(w, static_cast<vcl::lib_window_type_t>(type), 63, true);
        double sum = 0.0;
        for (const auto& s : w) sum += std::abs(s);
        EXPECT_NEAR(sum, 1.0, 1e-5) << type;
    }
}

TEST(WindowFunction, ApplyMultipliesByTheUnitSumWindow) {
    cvec data(8, {2.0f, -1.0f});
    lib_window_function_t::apply_window_functon(data, vcl::LIB_WINDOW_HANN);
    cvec w;
    lib_window_function_t::generate_hann_window(w, 8, true);
    for (std::size_t n = 0; n < data.size(); ++n) {
        EXPECT_NEAR(data[n].real(), 2.0 * w[n].real(), 1e-7);
        EXPECT_NEAR(data[n].imag(), -1.0 * w[n].real(), 1e-7);
    }

    vcl::report_capture_t capture;
    cvec one{{3.0f, 4.0f}};
    lib_window_function_t::apply_window_functon(one, vcl::LIB_WINDOW_HANN);
    EXPECT_EQ(one, cvec({{3.0f, 4.0f}}));
    EXPECT_EQ(capture.text(),
              "lib_window_function_t::apply_window_functon Report: Input Data Array is Too Short!\n");
}

TEST(WindowFunction, BadParametersAreReported) {
    const cvec before{{1.0f, 2.0f}, {3.0f, 4.0f}};
    {
        vcl::report_capture_t capture;
        cvec w = before;
        lib_window_function_t::generate_win_data_arr(w, static_cast<vcl::lib_window_type_t>(9), 16, false);
        EXPECT_EQ(w, before);
        EXPECT_EQ(capture.text(),
                  "lib_window_function_t::_generate_win_data_arr Report : Error Window Function Type!\n");
        // Applying an unknown type leaves the data as it was.
        cvec data = before;
        lib_window_function_t::apply_window_functon(data, static_cast<vcl::lib_window_type_t>(12));
        EXPECT_EQ(data, before);
    }
    {
        vcl::report_capture_t capture;
        cvec w = before;
        lib_window_function_t::generate_kaiser_window(w, 16, false, -0.5);
        EXPECT_EQ(w, before);
        EXPECT_EQ(capture.text(),
                  "lib_window_function_t::generate_kaiser_window Report: Beta should be NOT Negative!\n");
    }
    for (double width : {0.0, 1e-13, -2.0}) {
        vcl::report_capture_t capture;
        cvec w = before;
        lib_window_function_t::generate_gauss_window(w, 5, true, width);
        EXPECT_EQ(w, cvec(5, {0.0f, 0.0f}));
        EXPECT_EQ(capture.text(),
                  "lib_window_function_t::generate_gauss_window Report: Width_factor should be positive!\n");
    }
}

TEST(WindowFunction, DegenerateLengths) {
    cvec w{{5.0f, 0.0f}};
    lib_window_function_t::generate_blackman_window(w, 0, true);
    EXPECT_TRUE(w.empty());
    lib_window_function_t::generate_kaiser_window(w, 1, false, 6.0);
    EXPECT_EQ(w, cvec({{1.0f, 0.0f}}));
}
