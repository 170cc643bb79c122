#include "vek/common_lib/filter/lib_fir_filter_design.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "dtft_reference.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vcl = vek::common_lib;
using vcl::lib_fir_filter_design_t;
using vek_test::dtft_magnitude;
using vek_test::to_db;

namespace {

// 101-tap Blackman designs: pass-band ripple and stop-band level of the window, and the
// half-amplitude point of a window-method design sits on the band edge.
constexpr std::uint32_t kTaps = 101;
constexpr double kPassRipple = 0.01;         // |H| within 1 +- 0.01 in the pass band
constexpr double kStopLevelDb = -70.0;       // Blackman side lobes are about -74 dB
constexpr double kEdgeAmplitude = 0.5;       // |H| at the edge of an ideal response, windowed
constexpr double kEdgeTolerance = 0.02;
constexpr double kTransition = 0.1;          // 101-tap Blackman transition (Nyquist-normalised)

struct band_t {
    double from;
    double to;
};

void expect_pass(const std::vector<std::complex<float>>& taps, band_t band, const char* what) {
    for (double f = band.from; f <= band.to + 1e-9; f += 0.01) {
        EXPECT_NEAR(dtft_magnitude(taps, f), 1.0, kPassRipple) << what << " pass at f = " << f;
    }
}

void expect_stop(const std::vector<std::complex<float>>& taps, band_t band, const char* what) {
    for (double f = band.from; f <= band.to + 1e-9; f += 0.01) {
        EXPECT_LT(to_db(dtft_magnitude(taps, f)), kStopLevelDb) << what << " stop at f = " << f;
    }
}

void expect_edge(const std::vector<std::complex<float>>& taps, double f, const char* what) {
    EXPECT_NEAR(dtft_magnitude(taps, f), kEdgeAmplitude, kEdgeTolerance) << what << " edge " << f;
}

lib_fir_filter_design_t designer(vcl::lib_fir_filter_passband_type_t type) {
    lib_fir_filter_design_t d;
    d.set_filter_passband_type(type);
    d.set_filter_length(kTaps);
    d.set_window_type(vcl::LIB_WINDOW_BLACKMAN);
    return d;
}

bool is_real(const std::vector<std::complex<float>>& taps) {
    for (const auto& t : taps) {
        if (t.imag() != 0.0f) return false;
    }
    return true;
}

}  // namespace

TEST(FirFilterDesign, DefaultsAndDefaultDesign) {
    lib_fir_filter_design_t d;
    EXPECT_EQ(d.get_passband_filter_type(), vcl::LIB_FIR_FILTER_LOWPASS);
    EXPECT_EQ(d.get_filter_length(), 32u);
    EXPECT_TRUE(d.get_spectrum_symmetry());
    EXPECT_DOUBLE_EQ(d.get_cutoff_freq(), 0.5);
    EXPECT_DOUBLE_EQ(d.get_band_lower_freq(), 0.25);
    EXPECT_DOUBLE_EQ(d.get_band_upper_freq(), 0.75);
    EXPECT_EQ(d.get_window_type(), vcl::LIB_WINDOW_BLACKMAN);
    EXPECT_DOUBLE_EQ(d.get_kaiser_window_beta(), 6.0);
    EXPECT_FALSE(d.is_data_ready());

    ASSERT_TRUE(d.generate_fir_filter());
    EXPECT_TRUE(d.is_data_ready());
    EXPECT_TRUE(d.is_real_response_filter());
    const auto& taps = d.get_filter_data();
    ASSERT_EQ(taps.size(), 32u);
    EXPECT_TRUE(is_real(taps));
    double sum = 0.0;
    for (std::size_t n = 0; n < taps.size(); ++n) {
        EXPECT_FLOAT_EQ(taps[n].real(), taps[31 - n].real()) << n;  // symmetric about 15.5
        sum += taps[n].real();
    }
    EXPECT_NEAR(sum, 1.0, 1e-3);
}

TEST(FirFilterDesign, SettersClampAndKeepBandEdgesOrdered) {
    lib_fir_filter_design_t d;
    d.set_filter_order(64);
    EXPECT_EQ(d.get_filter_length(), 65u);
    d.set_filter_length(2000000);
    EXPECT_EQ(d.get_filter_length(), 1048577u);
    d.set_filter_order(std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(d.get_filter_length(), 1048577u);

    d.set_cutoff_freq(1.5);
    EXPECT_DOUBLE_EQ(d.get_cutoff_freq(), 1.0);
    d.set_cutoff_freq(-0.2);
    EXPECT_DOUBLE_EQ(d.get_cutoff_freq(), 0.0);

    d.set_band_lower_freq(0.9);
    EXPECT_DOUBLE_EQ(d.get_band_lower_freq(), 0.9);
    EXPECT_DOUBLE_EQ(d.get_band_upper_freq(), 0.9);
    d.set_band_upper_freq(-3.0);
    EXPECT_DOUBLE_EQ(d.get_band_upper_freq(), -1.0);
    EXPECT_DOUBLE_EQ(d.get_band_lower_freq(), -1.0);
    d.set_band_upper_freq(0.5);
    EXPECT_DOUBLE_EQ(d.get_band_lower_freq(), -1.0);

    d.set_kaiser_window_beta(-2.0);
    EXPECT_DOUBLE_EQ(d.get_kaiser_window_beta(), 0.0);
    d.set_kaiser_window_beta(8.5);
    EXPECT_DOUBLE_EQ(d.get_kaiser_window_beta(), 8.5);
}

TEST(FirFilterDesign, RealResponsesMeetTheirEdges) {
    auto lp = designer(vcl::LIB_FIR_FILTER_LOWPASS);
    lp.set_cutoff_freq(0.3);
    ASSERT_TRUE(lp.generate_fir_filter());
    EXPECT_TRUE(is_real(lp.get_filter_data()));
    expect_pass(lp.get_filter_data(), {0.0, 0.3 - kTransition}, "low-pass");
    expect_edge(lp.get_filter_data(), 0.3, "low-pass");
    expect_stop(lp.get_filter_data(), {0.3 + kTransition, 1.0}, "low-pass");

    auto hp = designer(vcl::LIB_FIR_FILTER_HIGHPASS);
    hp.set_cutoff_freq(0.4);
    ASSERT_TRUE(hp.generate_fir_filter());
    EXPECT_TRUE(hp.is_real_response_filter());
    expect_stop(hp.get_filter_data(), {0.0, 0.4 - kTransition}, "high-pass");
    expect_edge(hp.get_filter_data(), 0.4, "high-pass");
    expect_pass(hp.get_filter_data(), {0.4 + kTransition, 1.0}, "high-pass");

    auto bp = designer(vcl::LIB_FIR_FILTER_BANDPASS);
    bp.set_band_lower_freq(0.3);
    bp.set_band_upper_freq(0.7);
    ASSERT_TRUE(bp.generate_fir_filter());
    EXPECT_TRUE(bp.is_real_response_filter());
    EXPECT_TRUE(is_real(bp.get_filter_data()));
    expect_stop(bp.get_filter_data(), {0.0, 0.3 - kTransition}, "band-pass");
    expect_edge(bp.get_filter_data(), 0.3, "band-pass");
    expect_pass(bp.get_filter_data(), {0.3 + kTransition, 0.7 - kTransition}, "band-pass");
    expect_edge(bp.get_filter_data(), 0.7, "band-pass");
    expect_stop(bp.get_filter_data(), {0.7 + kTransition, 1.0}, "band-pass");
    expect_pass(bp.get_filter_data(), {-0.6, -0.4}, "band-pass mirror");

    auto bs = designer(vcl::LIB_FIR_FILTER_BANDSTOP);
    bs.set_band_lower_freq(0.3);
    bs.set_band_upper_freq(0.7);
    ASSERT_TRUE(bs.generate_fir_filter());
    EXPECT_TRUE(bs.is_real_response_filter());
    expect_pass(bs.get_filter_data(), {0.0, 0.3 - kTransition}, "band-stop");
    expect_edge(bs.get_filter_data(), 0.3, "band-stop");
    expect_stop(bs.get_filter_data(), {0.3 + kTransition, 0.7 - kTransition}, "band-stop");
    expect_edge(bs.get_filter_data(), 0.7, "band-stop");
    expect_pass(bs.get_filter_data(), {0.7 + kTransition, 1.0}, "band-stop");
}

TEST(FirFilterDesign, ComplexBandDesignsPassOneSideOnly) {
    // A negative edge makes the design single-sided even with symmetry on.
    auto negative = designer(vcl::LIB_FIR_FILTER_BANDPASS);
    negative.set_band_lower_freq(-0.7);
    negative.set_band_upper_freq(-0.3);
    ASSERT_TRUE(negative.generate_fir_filter());
    EXPECT_FALSE(negative.is_real_response_filter());
    EXPECT_FALSE(is_real(negative.get_filter_data()));
    expect_pass(negative.get_filter_data(), {-0.6, -0.4}, "negative band-pass");
    expect_edge(negative.get_filter_data(), -0.3, "negative band-pass");
    expect_stop(negative.get_filter_data(), {0.0, 1.0}, "negative band-pass image");

    auto one_sided = designer(vcl::LIB_FIR_FILTER_BANDPASS);
    one_sided.set_spectrum_symmetry(false);
    one_sided.set_band_lower_freq(0.2);
    one_sided.set_band_upper_freq(0.6);
    ASSERT_TRUE(one_sided.generate_fir_filter());
    EXPECT_FALSE(one_sided.is_real_response_filter());
    expect_pass(one_sided.get_filter_data(), {0.3, 0.5}, "one-sided band-pass");
    expect_edge(one_sided.get_filter_data(), 0.2, "one-sided band-pass");
    expect_stop(one_sided.get_filter_data(), {-1.0, 0.1}, "one-sided band-pass");
    expect_stop(one_sided.get_filter_data(), {0.7, 1.0}, "one-sided band-pass");

    auto stop = designer(vcl::LIB_FIR_FILTER_BANDSTOP);
    stop.set_spectrum_symmetry(false);
    stop.set_band_lower_freq(0.2);
    stop.set_band_upper_freq(0.6);
    ASSERT_TRUE(stop.generate_fir_filter());
    EXPECT_FALSE(stop.is_real_response_filter());
    expect_pass(stop.get_filter_data(), {-0.9, 0.1}, "one-sided band-stop");
    expect_stop(stop.get_filter_data(), {0.3, 0.5}, "one-sided band-stop");
    expect_pass(stop.get_filter_data(), {0.7, 0.9}, "one-sided band-stop");
    expect_pass(stop.get_filter_data(), {-0.5, -0.3}, "one-sided band-stop mirror");
}

TEST(FirFilterDesign, KaiserBetaSetsTheStopBandLevel) {
    auto stop_peak_db = [](double beta) {
        auto d = designer(vcl::LIB_FIR_FILTER_LOWPASS);
        d.set_cutoff_freq(0.25);
        d.set_window_type(vcl::LIB_WINDOW_KAISER);
        d.set_kaiser_window_beta(beta);
        d.generate_fir_filter();
        double peak = -400.0;
        for (double f = 0.36; f <= 1.0; f += 0.005) {
            peak = std::max(peak, to_db(dtft_magnitude(d.get_filter_data(), f)));
        }
        return peak;
    };
    // Kaiser's design rule: beta 8 gives about -80 dB, beta 2 only about -30 dB at its first side
    // lobe; measured past the wider of the two transition bands, beta 2 stays above -45 dB.
    EXPECT_LT(stop_peak_db(8.0), -75.0);
    EXPECT_GT(stop_peak_db(2.0), -45.0);
}

TEST(FirFilterDesign, FailuresAndReuse) {
    lib_fir_filter_design_t d;
    ASSERT_TRUE(d.generate_fir_filter());
    // Setters leave an earlier design in place until the next design.
    d.set_filter_length(10);
    EXPECT_TRUE(d.is_data_ready());
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

    vcl::report_capture_t capture;
    d.set_filter_length(0);
    EXPECT_FALSE(d.generate_fir_filter());
    EXPECT_FALSE(d.is_data_ready());
    EXPECT_TRUE(capture.contains("generate_fir_filter"));

    // A zero cut-off blocks everything.
    lib_fir_filter_design_t zero;
    zero.set_cutoff_freq(0.0);
    ASSERT_TRUE(zero.generate_fir_filter());
    for (const auto& t : zero.get_filter_data()) EXPECT_EQ(t, std::complex<float>(0.0f, 0.0f));
}
