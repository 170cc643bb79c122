// Search for an up/down factor pair that approximates a rate ratio.
#include <cmath>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/resample/lib_resampler.hpp"

namespace vek::common_lib {

namespace {

constexpr std::uint32_t kUpFactorLimit = 1000;    // candidates U = 1 ... 999
constexpr std::uint32_t kDownFactorMax = 1000;    // candidates D = 1 ... 1000
constexpr double kRateFloorRatio = 0.8;           // candidate rates below 0.8 of the target end the D loop
constexpr double kAcceptableDriftSamples = 0.2;   // drift over the output block, in output samples
constexpr double kExactDriftSamples = 1e-6;

}  // namespace

bool lib_resampler_t::calc_resample_coef(double input_length, double input_rate_hz,
                                         double target_rate_hz, std::uint32_t& up_factor,
                                         std::uint32_t& down_factor) {
    up_factor = 1;
    down_factor = 1;
    double best_drift = 1.0;
    for (std::uint32_t up = 1; up < kUpFactorLimit; ++up) {
        for (std::uint32_t down = 1; down <= kDownFactorMax; ++down) {
            const double rate = input_rate_hz * static_cast<double>(up) / static_cast<double>(down);
            if (!(rate >= kRateFloorRatio * target_rate_hz)) {
                break;
            }
            const double output_samples =
                std::floor(input_length * static_cast<double>(up) / static_cast<double>(down));
            // Timing error accumulated over the output block, in output sample periods.
            const double drift =
                output_samples * std::fabs(1.0 / rate - 1.0 / target_rate_hz) / (1.0 / rate);
            if (drift <= kAcceptableDriftSamples && drift < best_drift) {
                up_factor = up;
                down_factor = down;
                best_drift = drift;
                if (std::fabs(drift) < kExactDriftSamples) {
                    _reduce_resample_coefficient(up_factor, down_factor);
                    return true;
                }
            }
        }
    }
    report_line("lib_resample_t::_calc_resample_coef Report: Cannot find a proper sample rate!");
    return false;
}

}  // namespace vek::common_lib
