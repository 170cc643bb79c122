#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/multicarrier/lib_crest_factor_reduce.hpp"
#include "vek/common_lib/multicarrier/lib_ofdm_modulator.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {
namespace {

using cvec_t = std::vector<std::complex<float>>;
using mask_t = std::vector<lib_crest_factor_reduce_setting_t::mask_point_t>;

constexpr double SAMPLE_RATE_HZ = 80.0e6;

// Peak-to-average power ratio in dB, computed here in double precision.
double measure_papr_db(const cvec_t& x) {
    double peak = 0.0;
    double sum = 0.0;
    for (const auto& s : x) {
        const double p = std::norm(std::complex<double>(s));
        peak = std::max(peak, p);
        sum += p;
    }
    return 10.0 * std::log10(peak / (sum / static_cast<double>(x.size())));
}

// One OFDM symbol of 16,384 samples at 80 MS/s (4,882.8 Hz subcarriers) carrying random 16-QAM
// on 3,851 subcarriers (+-9.4 MHz). Taken as a cyclic block, its spectrum is exactly band-limited,
// so any power found outside the band comes from the crest-factor reduction.
cvec_t make_ofdm_signal(std::uint32_t seed) {
    constexpr std::size_t used = 3851;
    lib_ofdm_modulator_t modulator;
    EXPECT_TRUE(modulator.set_fft_length(4096));
    EXPECT_TRUE(modulator.set_oversampling_ratio(4));
    EXPECT_TRUE(modulator.set_symbol_number(1));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> level(0, 3);
    std::vector<cvec_t> payload(1, cvec_t(used));
    for (auto& cell : payload[0]) cell = {2.0f * level(rng) - 3.0f, 2.0f * level(rng) - 3.0f};
    cvec_t frame;
    EXPECT_TRUE(modulator.deal_single_frame_ofdm_modulation(payload, frame));
    return frame;
}

// Sum of |X[k]|^2 over the FFT bins whose frequency magnitude lies in [low_hz, high_hz], and the
// number of those bins.
struct band_energy_t {
    double energy = 0.0;
    std::size_t bins = 0;
    double mean() const { return energy / static_cast<double>(bins); }
};

band_energy_t band_energy(const cvec_t& x, double low_hz, double high_hz) {
    cvec_t spectrum = x;
    lib_fourier_transform_t::deal_fft(spectrum, 0);
    const double n = static_cast<double>(spectrum.size());
    band_energy_t band;
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        const double signed_bin = k < spectrum.size() / 2 ? double(k) : double(k) - n;
        const double f_hz = std::fabs(signed_bin) * SAMPLE_RATE_HZ / n;
        if (f_hz >= low_hz && f_hz <= high_hz) {
            band.energy += std::norm(std::complex<double>(spectrum[k]));
            ++band.bins;
        }
    }
    return band;
}

TEST(CrestFactorReduceSetting, ClampingAndMask) {
    lib_crest_factor_reduce_setting_t setting;
    setting.set_target_peak_to_average_power_ratio(1.0);
    EXPECT_DOUBLE_EQ(setting.get_target_peak_to_average_power_ratio(), 3.0);
    setting.set_max_iteration(50);
    EXPECT_EQ(setting.get_max_iteration(), 20u);
    setting.set_signal_block_size(5);
    EXPECT_EQ(setting.get_signal_block_size(), 20u);
    {
        report_capture_t capture;
        EXPECT_FALSE(setting.init(20.0e6, 30.0e6));
        EXPECT_TRUE(capture.contains(
            "lib_crest_factor_reduce_setting_t::init_filter_mask_data Report : Illegal input parameter!"));
    }
    // Pass band to B/2, stop band from 1.25 B/2 but not beyond the Nyquist frequency.
    ASSERT_TRUE(setting.init_filter_mask_data(20.0e6, 18.0e6));
    EXPECT_EQ(setting.get_filter_mask_data_arr(),
              (mask_t{{-10.0e6, -100.0f}, {-9.0e6, 0.0f}, {9.0e6, 0.0f}, {10.0e6, -100.0f}}));
    ASSERT_TRUE(setting.init_filter_mask_data(80.0e6, 20.0e6));
    {
        report_capture_t capture;
        EXPECT_FALSE(setting.deal_filter_mask_normalize(20.0e6));  // 12.5 MHz beyond a 10 MHz Nyquist
        EXPECT_TRUE(capture.contains(
            "lib_crest_factor_reduce_setting_t::deal_filter_mask_normalize Report : Error Sample Rate!"));
    }
    ASSERT_TRUE(setting.deal_filter_mask_normalize(80.0e6));
    EXPECT_EQ(setting.get_filter_mask_data_arr(),
              (mask_t{{-0.3125, -100.0f}, {-0.25, 0.0f}, {0.25, 0.0f}, {0.3125, -100.0f}}));
}

// One pass cancels the largest peak of each block: blocks of 1,000 samples split a 2,500-sample
// signal into 1,000 + 1,000 + 500.
TEST(CrestFactorReduce, OnePeakPerBlockIsCancelled) {
    cvec_t signal(2500, std::complex<float>(1.0f, 0.0f));
    signal[300] = {0.0f, 100.0f};   // block 0, its largest
    signal[990] = {80.0f, 0.0f};    // block 0, second: left for a later pass
    signal[1010] = {-70.0f, 0.0f};  // block 1: would lose to 990 if the blocks were misplaced
    signal[2400] = {0.0f, -60.0f};  // last, short block
    lib_crest_factor_reduce_setting_t setting;  // disabled by default: the signal is left alone
    lib_crest_factor_reduce_t cfr;
    ASSERT_TRUE(cfr.set_cfr_parameter(SAMPLE_RATE_HZ, setting));
    cvec_t untouched = signal;
    EXPECT_TRUE(cfr.deal_crest_factor_reduce(untouched));
    EXPECT_EQ(untouched, signal);
    setting.set_enable(true);
    setting.set_max_iteration(1);
    setting.set_target_peak_to_average_power_ratio(3.0);
    ASSERT_TRUE(cfr.set_cfr_parameter(SAMPLE_RATE_HZ, setting));
    ASSERT_TRUE(cfr.deal_crest_factor_reduce(signal));

    EXPECT_LT(std::abs(signal[300]), 20.0f);
    EXPECT_GT(std::abs(signal[990]), 70.0f);
    EXPECT_LT(std::abs(signal[1010]), 20.0f);
    EXPECT_LT(std::abs(signal[2400]), 20.0f);
    // The cancellation keeps each peak's phase.
    EXPECT_GT(signal[300].imag(), 0.0f);
    EXPECT_LT(signal[1010].real(), 0.0f);
}

// On an OFDM signal the peak-to-average ratio falls to the target, and the cancellation stays
// inside the mask: its power outside the band is that of the 65-tap cancellation filter, whose
// Blackman window lets the mask's 10 ... 12.5 MHz edge widen to about 15 MHz.
constexpr double PAPR_TARGET_DB = 7.0;
constexpr double PAPR_TARGET_TOLERANCE_DB = 0.2;  // the last pass may stop just above the target
constexpr double PAPR_OVERSHOOT_MAX_DB = 1.0;     // cancellation takes peaks to the limit, not below
constexpr double IN_BAND_CANCELLATION_MAX_DB = -25.0;
constexpr double ADJACENT_POWER_RATIO_MAX_DB = -55.0;  // |f| >= 12.5 MHz against |f| <= 10 MHz
constexpr double FAR_BAND_START_HZ = 15.0e6;
constexpr double FAR_BAND_PSD_MAX_DB = -90.0;  // per bin, against the in-band mean

TEST(CrestFactorReduce, LowersPaprWithoutSpectralRegrowth) {
    const cvec_t original = make_ofdm_signal(7);
    const double papr_before_db = measure_papr_db(original);
    ASSERT_GT(papr_before_db, PAPR_TARGET_DB + 2.0);

    lib_crest_factor_reduce_setting_t setting;
    setting.set_enable(true);
    setting.set_target_peak_to_average_power_ratio(PAPR_TARGET_DB);
    setting.set_signal_block_size(100);
    setting.set_max_iteration(20);
    lib_crest_factor_reduce_t cfr;
    ASSERT_TRUE(cfr.set_cfr_parameter(SAMPLE_RATE_HZ, setting));
    cvec_t signal = original;
    ASSERT_TRUE(cfr.deal_crest_factor_reduce(signal));

    const double papr_after_db = measure_papr_db(signal);
    EXPECT_LT(papr_after_db, PAPR_TARGET_DB + PAPR_TARGET_TOLERANCE_DB);
    EXPECT_GT(papr_after_db, PAPR_TARGET_DB - PAPR_OVERSHOOT_MAX_DB);

    cvec_t cancellation(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) cancellation[i] = original[i] - signal[i];
    const band_energy_t in_band = band_energy(original, 0.0, 10.0e6);
    EXPECT_LT(10.0 * std::log10(band_energy(cancellation, 0.0, 10.0e6).energy / in_band.energy),
              IN_BAND_CANCELLATION_MAX_DB);
    EXPECT_LT(10.0 * std::log10(band_energy(signal, 12.5e6, 40.0e6).energy / in_band.energy),
              ADJACENT_POWER_RATIO_MAX_DB);
    for (double f_hz = FAR_BAND_START_HZ; f_hz < 40.0e6; f_hz += 1.0e6) {
        EXPECT_LT(10.0 * std::log10(band_energy(signal, f_hz, f_hz + 1.0e6).mean() / in_band.mean()),
                  FAR_BAND_PSD_MAX_DB)
            << f_hz;
    }
}

}  // namespace
}  // namespace vek::common_lib
