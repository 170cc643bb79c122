// Window-method FIR designs and mask designs, checked on their frequency response computed by a
// plain DFT of the zero-padded taps.
#include "vek/common_lib/filter/lib_fir_filter_design.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "../fft/fft_reference.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_fir_filter_design_t;
using cvec = std::vector<std::complex<float>>;
using mask_t = std::vector<lib_fir_filter_design_t::mask_point_t>;

namespace {

// |H(f)| on a grid of 400 points over [-1, 1) (Nyquist-normalised, step 0.005):
// H(f) = sum h[n] e^(-j pi f n).
struct response_t {
    std::vector<double> magnitude;
    explicit response_t(const cvec& taps) {
        cvec padded = taps;
        padded.resize(400);
        for (const auto& z : vek_test::reference_dft(padded, -1)) magnitude.push_back(std::abs(z));
    }
    double at(double f) const {
        return magnitude[static_cast<std::size_t>(std::lround(f * 200.0) + 400) % 400];
    }
    double db(double f) const { return 20.0 * std::log10(at(f)); }
};

lib_fir_filter_design_t designer(vcl::lib_fir_filter_passband_type_t type, double lower, double upper,
                                 bool symmetric = true) {
    lib_fir_filter_design_t d;
    d.set_filter_passband_type(type);
    d.set_filter_length(101);
    d.set_window_type(vcl::LIB_WINDOW_BLACKMAN);
    d.set_spectrum_symmetry(symmetric);
    d.set_cutoff_freq(lower);
    d.set_band_lower_freq(lower);
    d.set_band_upper_freq(upper);
    return d;
}

bool is_real(const cvec& taps) {
    for (const auto& t : taps) {
        if (t.imag() != 0.0f) return false;
    }
    return true;
}

}  // namespace

TEST(FirFilterDesign, SettersClampAndKeepBandEdgesOrdered) {
    lib_fir_filter_design_t d;
    d.set_filter_order(64);
    EXPECT_EQ(d.get_filter_length(), 65u);
    d.set_filter_order(std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(d.get_filter_length(), 1048577u);
    d.set_cutoff_freq(-0.2);
    EXPECT_DOUBLE_EQ(d.get_cutoff_freq(), 0.0);
    d.set_band_lower_freq(0.9);  // pushes the upper edge up
    EXPECT_DOUBLE_EQ(d.get_band_upper_freq(), 0.9);
    d.set_band_upper_freq(-3.0);  // clamped, and pushes the lower edge down
    EXPECT_DOUBLE_EQ(d.get_band_lower_freq(), -1.0);
    d.set_kaiser_window_beta(-2.0);
    EXPECT_DOUBLE_EQ(d.get_kaiser_window_beta(), 0.0);
}

TEST(FirFilterDesign, ResponsesMeetPassStopAndEdges) {
    // 101-tap Blackman: |H| within 1 +- 0.01 in the pass band, below -70 dB in the stop band
    // (side lobes near -74 dB) once 0.1 of Nyquist from an edge, and 0.5 on each edge.
    // Negative edges or symmetry off make the design single-sided (complex taps).
    // The pass band is where an odd number of edges lies below f, turned round for the stops.
    struct case_t {
        lib_fir_filter_design_t design;
        std::vector<double> edges;
        bool real, stop;
    };
    const std::vector<case_t> cases{
        {designer(vcl::LIB_FIR_FILTER_LOWPASS, 0.3, 0.3), {-0.3, 0.3}, true, false},
        {designer(vcl::LIB_FIR_FILTER_HIGHPASS, 0.4, 0.4), {-0.4, 0.4}, true, true},
        {designer(vcl::LIB_FIR_FILTER_BANDPASS, 0.3, 0.7), {-0.7, -0.3, 0.3, 0.7}, true, false},
        {designer(vcl::LIB_FIR_FILTER_BANDSTOP, 0.3, 0.7), {-0.7, -0.3, 0.3, 0.7}, true, true},
        {designer(vcl::LIB_FIR_FILTER_BANDPASS, -0.7, -0.3), {-0.7, -0.3}, false, false},
        {designer(vcl::LIB_FIR_FILTER_BANDPASS, 0.2, 0.6, false), {0.2, 0.6}, false, false},
        {designer(vcl::LIB_FIR_FILTER_BANDSTOP, 0.2, 0.6, false), {0.2, 0.6}, false, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto d = cases[i].design;
        ASSERT_TRUE(d.generate_fir_filter());
        EXPECT_EQ(d.is_real_response_filter(), cases[i].real) << i;
        EXPECT_EQ(is_real(d.get_filter_data()), cases[i].real) << i;
        const response_t h(d.get_filter_data());
        for (double edge : cases[i].edges) EXPECT_NEAR(h.at(edge), 0.5, 0.02) << i << " edge " << edge;
        for (int k = -100; k < 100; ++k) {
            const double f = 0.01 * k;
            double distance = 2.0;
            for (double edge : cases[i].edges) distance = std::min(distance, std::abs(f - edge));
            if (distance < 0.1 - 1e-9) continue;
            const auto below =
                std::count_if(cases[i].edges.begin(), cases[i].edges.end(), [f](double e) { return e < f; });
            if ((below % 2 == 1) != cases[i].stop) {
                EXPECT_NEAR(h.at(f), 1.0, 0.01) << i << " pass at f = " << f;
            } else {
                EXPECT_LT(h.db(f), -70.0) << i << " stop at f = " << f;
            }
        }
    }
}

TEST(FirFilterDesign, KaiserBetaSetsTheStopBandLevel) {
    auto stop_peak_db = [](double beta) {
        auto d = designer(vcl::LIB_FIR_FILTER_LOWPASS, 0.25, 0.25);
        d.set_window_type(vcl::LIB_WINDOW_KAISER);
        d.set_kaiser_window_beta(beta);
        d.generate_fir_filter();
        const response_t h(d.get_filter_data());
        double peak = -400.0;
        for (double f = 0.36; f <= 1.0; f += 0.005) peak = std::max(peak, h.db(f));
        return peak;
    };
    // Kaiser's rule: beta 8 gives about -80 dB, beta 2 about -30 dB at its first side lobe
    // (past the wider of the two transition bands, beta 2 stays above -45 dB).
    EXPECT_LT(stop_peak_db(8.0), -75.0);
    EXPECT_GT(stop_peak_db(2.0), -45.0);
}

TEST(FirFilterDesign, DefaultDesignFailuresAndReuse) {
    // The default: a real, symmetric 32-tap unit-gain low-pass cut at half of Nyquist.
    lib_fir_filter_design_t d;
    ASSERT_TRUE(d.generate_fir_filter());
    EXPECT_TRUE(d.is_real_response_filter());
    const cvec taps = d.get_filter_data();
    ASSERT_EQ(taps.size(), 32u);
    EXPECT_TRUE(is_real(taps));
    for (std::size_t n = 0; n < taps.size(); ++n) EXPECT_FLOAT_EQ(taps[n].real(), taps[31 - n].real()) << n;
    const response_t h(taps);
    EXPECT_NEAR(h.at(0.0), 1.0, 1e-3);
    EXPECT_NEAR(h.at(0.5), 0.5, 0.05);
    EXPECT_LT(h.db(0.9), -60.0);

    d.set_filter_length(10);  // an earlier design stays in place until the next design
    EXPECT_EQ(d.get_filter_data().size(), 32u);
    {
        vcl::report_capture_t capture;
        d.set_filter_passband_type(static_cast<vcl::lib_fir_filter_passband_type_t>(4));
        EXPECT_FALSE(d.generate_fir_filter());
        EXPECT_FALSE(d.is_data_ready());
        EXPECT_TRUE(d.get_filter_data().empty());
        EXPECT_EQ(capture.text(),
                  "lib_fir_fitler_design_t::_generate_ideal_filter_data Report : Error FIR Filter Type!\n");
    }
    d.set_filter_passband_type(vcl::LIB_FIR_FILTER_LOWPASS);
    ASSERT_TRUE(d.generate_fir_filter());
    EXPECT_EQ(d.get_filter_data().size(), 10u);
    vcl::report_capture_t capture;  // quiet
    d.set_filter_length(0);
    EXPECT_FALSE(d.generate_fir_filter());
    EXPECT_FALSE(d.is_data_ready());

    lib_fir_filter_design_t zero;  // a zero cut-off blocks everything
    zero.set_cutoff_freq(0.0);
    ASSERT_TRUE(zero.generate_fir_filter());
    EXPECT_EQ(zero.get_filter_data(), cvec(32));
}

TEST(FirMaskDesign, LengthImpulseAndLowPassMask) {
    // Length 4 x points rounded up to a power of two (at least 64), plus one.
    mask_t twenty;
    for (int i = 0; i < 20; ++i) twenty.push_back({-1.0 + 2.0 * i / 19.0, 0.0f});
    cvec taps;
    ASSERT_TRUE(
        lib_fir_filter_design_t::generate_fir_filter_by_mask_data(twenty, taps, vcl::LIB_WINDOW_HANN));
    EXPECT_EQ(taps.size(), 129u);

    // A flat mask is a centred unit impulse.
    ASSERT_TRUE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data({{-1.0, -6.0f}, {1.0, -6.0f}}, taps,
                                                                          vcl::LIB_WINDOW_RECTANGLE));
    ASSERT_EQ(taps.size(), 65u);
    for (std::size_t n = 0; n < taps.size(); ++n)
        EXPECT_NEAR(std::abs(taps[n]), n == 32 ? 1.0 : 0.0, 1e-6) << n;

    // 0 dB inside |f| <= 0.3, -60 dB beyond |f| >= 0.5, given unsorted; the largest tap is 1. The
    // 65-point grid and the Hann window smear the mask by a few steps of 2/64; well inside each band
    // the response follows it.
    const mask_t mask{{0.5, -60.0f}, {-1.0, -60.0f}, {-0.3, 0.0f},
                      {1.0, -60.0f}, {0.3, 0.0f},    {-0.5, -60.0f}};
    ASSERT_TRUE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data(mask, taps, vcl::LIB_WINDOW_HANN));
    ASSERT_EQ(taps.size(), 65u);
    double peak = 0.0;
    for (const auto& t : taps) peak = std::max(peak, static_cast<double>(std::abs(t)));
    EXPECT_NEAR(peak, 1.0, 1e-6);
    const response_t h(taps);
    for (double f : {-0.2, -0.1, 0.1, 0.2}) EXPECT_NEAR(h.db(f) - h.db(0.0), 0.0, 1.0) << f;
    for (double f : {-0.9, -0.65, 0.65, 0.75}) EXPECT_LT(h.db(f) - h.db(0.0), -40.0) << f;

    vcl::report_capture_t capture;
    EXPECT_FALSE(lib_fir_filter_design_t::generate_fir_filter_by_mask_data({}, taps, vcl::LIB_WINDOW_HANN));
    EXPECT_TRUE(taps.empty());
    EXPECT_TRUE(capture.contains("Empty mask"));
}

TEST(FirMaskDesign, MaskSamplingInterpolatesLinearlyAndAveragesSteps) {
    std::vector<float> levels;
    // Nine samples at -1, -0.75, ..., 1.
    lib_fir_filter_design_t::_sample_mask_levels({{-0.5, -10.0f}, {0.5, 10.0f}}, 9, levels);
    EXPECT_EQ(levels, (std::vector<float>{-10.0f, -10.0f, -10.0f, -5.0f, 0.0f, 5.0f, 10.0f, 10.0f, 10.0f}));
    // A step at 0 (three points there): the mean of the first and the last level given there.
    lib_fir_filter_design_t::_sample_mask_levels(
        {{-1.0, 0.0f}, {0.0, -20.0f}, {0.0, -99.0f}, {0.0, -40.0f}, {1.0, -40.0f}}, 9, levels);
    EXPECT_NEAR(levels[4], -30.0f, 1e-5);
    EXPECT_NEAR(levels[2], -10.0f, 1e-5);  // -0.5: halfway from 0 dB at -1 to -20 dB at 0
}
