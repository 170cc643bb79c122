#include "vek/common_lib/math/lib_common_signal_process.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_filter.hpp"

namespace vek::common_lib {

namespace {

template <typename T>
bool is_zero_sample(const T& v)
{
    return std::abs(static_cast<double>(std::abs(v))) <= LIB_COMMON_MATH_ZERO_TOLERANCE;
}

template <typename V>
bool check_zero_run(const V& data, std::size_t start, std::size_t count)
{
    if (start > data.size() || count > data.size() - start) return false;
    for (std::size_t i = start; i < start + count; ++i) {
        if (!is_zero_sample(data[i])) return false;
    }
    return true;
}

// Copies data to output, leaving out every run of three or more zero samples.
template <typename V>
void extract_burst(const V& data, V& output)
{
    V result;
    result.reserve(data.size());
    std::size_t i = 0;
    while (i < data.size()) {
        if (check_zero_run(data, i, 3)) {
            i += 3;
            while (i < data.size() && is_zero_sample(data[i])) ++i;
        } else {
            result.push_back(data[i]);
            ++i;
        }
    }
    output.swap(result);
}

}  // namespace

void lib_common_signal_process_t::deal_mixer(cvec_t& data, double freq_cycles_per_sample, double phase_rad)
{
    // The step angle is rounded to single precision before its rotator is formed, so that every
    // caller mixing at the same frequency gets the same step whatever precision it computed in.
    const double omega = static_cast<float>(2.0 * LIB_COMMON_MATH_PI * freq_cycles_per_sample);
    const std::complex<float> step(static_cast<float>(std::cos(omega)), static_cast<float>(std::sin(omega)));
    std::complex<float> rotator(static_cast<float>(std::cos(phase_rad)), static_cast<float>(std::sin(phase_rad)));
    // Recursive rotator: one complex product per sample instead of a sin/cos pair. Its magnitude
    // drifts by about 1e-7 per sample in single precision; callers mix blocks of at most a few
    // million samples, where the drift stays well below the measurement floor.
    for (auto& x : data) {
        x *= rotator;
        rotator *= step;
    }
}

bool lib_common_signal_process_t::deal_fractional_delay(double delay_samples, cvec_t& data)
{
    if (!(std::fabs(delay_samples) < 1.0)) return false;
    cvec_t taps;
    if (!_design_delay_filter(delay_samples, LIB_FRACTIONAL_DELAY_FILTER_LENGTH, taps)) return false;
    if (data.empty()) return true;
    return lib_filter_t::deal_filter(taps, data, LIB_FILTER_DELAY_CYCLIC);
}

bool lib_common_signal_process_t::_design_delay_filter(double delay_samples, std::uint32_t length, cvec_t& taps)
{
    const std::uint32_t half = length / 2u;
    if (length % 2u == 0u || !(std::fabs(delay_samples) < static_cast<double>(half))) return false;
    taps.assign(length, std::complex<float>(0.0f, 0.0f));
    const double pi = LIB_COMMON_MATH_PI;
    for (std::uint32_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) - delay_samples - static_cast<double>(half);
        const double sinc = std::fabs(t) <= LIB_COMMON_MATH_ZERO_TOLERANCE ? 1.0 : std::sin(pi * t) / (pi * t);
        // Blackman window over the same length (not normalised): keeps the truncated sinc's
        // ripple low across the band.
        const double phase = 2.0 * pi * static_cast<double>(n) / static_cast<double>(length - 1u);
        const double window = length == 1u ? 1.0 : 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
        taps[n] = std::complex<float>(static_cast<float>(sinc * window), 0.0f);
    }
    return true;
}

void lib_common_signal_process_t::get_burst_signal_data(const cvec_t& data, cvec_t& output)
{
    extract_burst(data, output);
}

void lib_common_signal_process_t::get_burst_signal_data(const fvec_t& data, fvec_t& output)
{
    extract_burst(data, output);
}

bool lib_common_signal_process_t::_check_consecutive_zero_data(const cvec_t& data, std::size_t start, std::size_t count)
{
    return check_zero_run(data, start, count);
}

bool lib_common_signal_process_t::_check_consecutive_zero_data(const fvec_t& data, std::size_t start, std::size_t count)
{
    return check_zero_run(data, start, count);
}

}  // namespace vek::common_lib
