#include "vek/common_lib/math/lib_common_math.hpp"

#include <cmath>
#include <set>

#include "lib_phase_estimate.hpp"

namespace vek::common_lib {

std::complex<float> lib_common_math_t::get_complex_conjugate(const std::complex<float>& z)
{
    return {z.real(), -z.imag()};
}

float lib_common_math_t::get_complex_phase(const std::complex<float>& z)
{
    const double re = z.real();
    const double im = z.imag();
    if (std::fabs(re) >= LIB_COMMON_MATH_ZERO_TOLERANCE) {
        if (std::isfinite(re) && std::isfinite(im)) return detail::single_precision_atan2(im, re);
        return static_cast<float>(std::atan2(im, re));
    }
    if (std::fabs(im) < LIB_COMMON_MATH_ZERO_TOLERANCE) return 0.0f;
    return static_cast<float>(im > 0.0 ? LIB_COMMON_MATH_PI / 2.0 : -LIB_COMMON_MATH_PI / 2.0);
}

void lib_common_math_t::deal_phase_offset(double phase_rad, std::complex<float>& z)
{
    const std::complex<float> rotator(static_cast<float>(std::cos(phase_rad)), static_cast<float>(std::sin(phase_rad)));
    z *= rotator;
}

void lib_common_math_t::get_complex_array_amplitude(const cvec_t& data, fvec_t& amplitude)
{
    amplitude.resize(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) amplitude[i] = get_complex_amplitude(data[i]);
}

void lib_common_math_t::get_complex_array_phase(const cvec_t& data, fvec_t& phase_rad)
{
    phase_rad.resize(data.size());
    get_complex_array_phase(data.data(), data.size(), phase_rad.data());
}

void lib_common_math_t::get_complex_array_phase(const std::complex<float>* data, std::size_t count,
                                                float* phase_rad)
{
    std::size_t i = detail::complex_phases_wide(data, phase_rad, count);
    for (; i < count; ++i) phase_rad[i] = get_complex_phase(data[i]);
}

void lib_common_math_t::get_complex_array_amplitude_db(const cvec_t& data, fvec_t& amplitude_db)
{
    get_complex_array_amplitude(data, amplitude_db);
    float peak = 0.0f;
    for (float a : amplitude_db) peak = std::max(peak, a);
    for (float& a : amplitude_db) {
        if (peak < LIB_COMMON_MATH_ZERO_TOLERANCE) {
            a = LIB_COMMON_MATH_DB_FLOOR;
            continue;
        }
        const double ratio = static_cast<double>(a) / static_cast<double>(peak);
        a = ratio <= LIB_COMMON_MATH_ZERO_TOLERANCE ? LIB_COMMON_MATH_DB_FLOOR
                                                    : static_cast<float>(20.0 * std::log10(ratio));
    }
}

float lib_common_math_t::get_complex_array_rms(const cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_common_math_t::get_complex_array_rms Report: Empty data array to rms calculation!");
        return 0.0f;
    }
    float power_sum = 0.0f;
    for (const auto& z : data) power_sum += z.real() * z.real() + z.imag() * z.imag();
    return static_cast<float>(std::sqrt(static_cast<double>(power_sum) / static_cast<double>(data.size())));
}

float lib_common_math_t::get_data_max_amplitude(const cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_common_math_t::get_data_max_amplitude Report: Empty data array to max amplitude search!");
        return 0.0f;
    }
    float peak = 0.0f;
    for (const auto& z : data) peak = std::max(peak, get_complex_amplitude(z));
    return peak;
}

float lib_common_math_t::get_peak_to_rms_ratio(const cvec_t& data)
{
    if (data.empty()) {
        report_line("lib_common_math_t::get_peak_to_rms_ratio Report: Empty data array!");
        return 0.0f;
    }
    const double rms = get_complex_array_rms(data);
    if (rms < LIB_COMMON_MATH_ZERO_TOLERANCE) return 0.0f;
    const double peak = get_data_max_amplitude(data);
    return static_cast<float>(amplitude_ratio_to_db_value(peak / rms, LIB_COMMON_MATH_ZERO_TOLERANCE));
}

double lib_common_math_t::amplitude_ratio_to_db_value(double amplitude_ratio, double floor_ratio)
{
    return 20.0 * std::log10(std::max(amplitude_ratio, floor_ratio));
}

double lib_common_math_t::db_value_to_amplitude_ratio(double db)
{
    return std::pow(10.0, db / 20.0);
}

double lib_common_math_t::simplify_radian_value(double radian)
{
    const double two_pi = 2.0 * LIB_COMMON_MATH_PI;
    if (!std::isfinite(radian)) return radian;
    radian = std::fmod(radian, two_pi);  // (-2pi, 2pi), keeps large inputs from looping
    while (radian >= LIB_COMMON_MATH_PI) radian -= two_pi;
    while (radian < -LIB_COMMON_MATH_PI) radian += two_pi;
    return radian;
}

double lib_common_math_t::simplify_angle_value(double angle_deg)
{
    if (!std::isfinite(angle_deg)) return angle_deg;
    angle_deg = std::fmod(angle_deg, 360.0);
    while (angle_deg >= 180.0) angle_deg -= 360.0;
    while (angle_deg < -180.0) angle_deg += 360.0;
    return angle_deg;
}

double lib_common_math_t::angle_to_radian(double angle_deg)
{
    return simplify_angle_value(angle_deg) * (2.0 * LIB_COMMON_MATH_PI / 360.0);
}

bool lib_common_math_t::is_power_of_2(std::uint64_t value)
{
    if (value == 0u) return false;
    const double l = std::log2(static_cast<double>(value));
    return std::fabs(l - std::floor(l)) < LIB_COMMON_MATH_ZERO_TOLERANCE;
}

bool lib_common_math_t::is_square_integer(std::uint64_t value)
{
    const double r = std::sqrt(static_cast<double>(value));
    return std::fabs(std::floor(r) - r) < LIB_COMMON_MATH_ZERO_TOLERANCE;
}

std::uint32_t lib_common_math_t::get_min_pow_of_2(std::uint32_t value, std::uint32_t lower_limit)
{
    std::uint64_t p = lower_limit == 0u ? 1u : lower_limit;
    while (p < value) p <<= 1;
    return static_cast<std::uint32_t>(p);
}

std::uint32_t lib_common_math_t::get_nearest_pow_of_2(std::uint32_t value, std::uint32_t lower_limit)
{
    if (lower_limit >= value) return lower_limit;
    constexpr std::uint32_t largest = 1u << 20;
    std::uint32_t p = 1u;
    while (p < value && p < largest) p <<= 1;
    const std::uint32_t half = p / 2u;
    // Distances to the two candidates; P/2 wins a tie.
    const std::uint64_t up = p >= value ? p - value : value - p;
    const std::uint64_t down = value >= half ? value - half : half - value;
    return up < down ? p : half;
}

std::uint32_t lib_common_math_t::reverse_bit_order_8(std::uint32_t value)
{
    std::uint32_t r = 0;
    for (int i = 0; i < 8; ++i) r |= ((value >> i) & 1u) << (7 - i);
    return r;
}

std::uint32_t lib_common_math_t::reverse_bit_order_16(std::uint32_t value)
{
    return (reverse_bit_order_8(value) << 8) | reverse_bit_order_8(value >> 8);
}

std::uint32_t lib_common_math_t::reverse_bit_order_24(std::uint32_t value)
{
    return (reverse_bit_order_8(value) << 16) | (reverse_bit_order_8(value >> 8) << 8) | reverse_bit_order_8(value >> 16);
}

std::uint32_t lib_common_math_t::reverse_bit_order_32(std::uint32_t value)
{
    return (reverse_bit_order_16(value) << 16) | reverse_bit_order_16(value >> 16);
}

bool lib_common_math_t::check_generator_polynomial_valid(const std::vector<std::uint32_t>& exponents,
                                                         std::uint32_t max_order)
{
    if (exponents.empty()) return false;
    std::set<std::uint32_t> seen;
    for (std::uint32_t e : exponents) {
        if (e > max_order || !seen.insert(e).second) return false;
    }
    return true;
}

}  // namespace vek::common_lib
