#include "vek/common_lib/math/lib_normalization.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

// Divides every sample by divisor unless it is (near) zero; reports with the divisor's value.
// The divisor keeps the precision it was computed in (float sums and maxima, double roots), so
// the report shows the value actually compared.
template <typename V, typename D>
bool divide_by(V& data, D divisor, const char* too_small_line)
{
    if (std::fabs(static_cast<double>(divisor)) < LIB_COMMON_MATH_ZERO_TOLERANCE) {
        report_line(fmt::format("{}{}", too_small_line, divisor));
        return false;
    }
    const auto scale = static_cast<float>(divisor);
    for (auto& v : data) v /= scale;
    return true;
}

}  // namespace

bool lib_normalization_t::rms_normalize(cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::rms_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    const double rms = lib_common_math_t::get_complex_array_rms(data);  // root taken in double
    return divide_by(data, rms,
                     "lib_normalization_t::rms_normalize Report: Data array has a too small rms: ");
}

bool lib_normalization_t::square_sum_normalize(cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::filter_energy_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    float energy = 0.0f;
    for (const auto& z : data) energy += z.real() * z.real() + z.imag() * z.imag();
    return divide_by(data, std::sqrt(static_cast<double>(energy)),
                     "lib_normalization_t::filter_energy_normalize Report: Data array has a too small erengy: ");
}

bool lib_normalization_t::square_sum_normalize(fvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::filter_energy_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    float energy = 0.0f;
    for (float v : data) energy += v * v;
    return divide_by(data, std::sqrt(static_cast<double>(energy)),
                     "lib_normalization_t::filter_energy_normalize Report: Data array has a too small erengy: ");
}

bool lib_normalization_t::sum_normalize(fvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::sum_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    float sum = 0.0f;
    for (float v : data) sum += v;
    return divide_by(data, sum, "lib_normalization_t::sum_normalize Report: Data array has a too small sum: ");
}

bool lib_normalization_t::amplitude_sum_normalize(cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::sum_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    float sum = 0.0f;
    for (const auto& z : data) sum += lib_common_math_t::get_complex_amplitude(z);
    return divide_by(data, sum, "lib_normalization_t::sum_normalize Report: Data array has a too small sum: ");
}

bool lib_normalization_t::amplitude_max_normalize(cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::amplitude_max_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    float peak = 0.0f;
    for (const auto& z : data) peak = std::max(peak, lib_common_math_t::get_complex_amplitude(z));
    return divide_by(data, peak,
                     "lib_normalization_t::amplitude_max_normalize Report: Data array has a too small max_amplitude: ");
}

bool lib_normalization_t::iq_value_max_normalize(cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_normalization_t::max_normalize Report: An EMPTY data array is to normalize!");
        return false;
    }
    float peak = 0.0f;
    for (const auto& z : data) peak = std::max({peak, std::fabs(z.real()), std::fabs(z.imag())});
    return divide_by(data, peak, "lib_normalization_t::max_normalize Report: Data array has a too small max_value: ");
}

}  // namespace vek::common_lib
