#pragma once
// Scalar and per-sample complex math, dB conversions, powers of two, bit helpers and array
// statistics. "Zero" means a magnitude below LIB_COMMON_MATH_ZERO_TOLERANCE (compared in double).
#include <cmath>
#include <complex>
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "vek/common_lib/report/report.hpp"

// Where std::complex<float> division is GCC's run-time routine __divsc3 (GCC 12 and later on x86-64,
// no fused multiply-add): its double-precision formula can be written out with the same bits
// (lib_common_math_t::divide_complex, and the demodulator's four-lane quotients).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12 && defined(__x86_64__) && !defined(__FMA__)
#define VEK_INLINE_COMPLEX_DIVISION 1
#else
#define VEK_INLINE_COMPLEX_DIVISION 0
#endif

namespace vek::common_lib {

inline constexpr double LIB_COMMON_MATH_ZERO_TOLERANCE = 1e-12;
inline constexpr double LIB_COMMON_MATH_PI = 3.14159265358979323846;
// Amplitude in dB written for a sample at or below the zero tolerance relative to the peak.
inline constexpr float LIB_COMMON_MATH_DB_FLOOR = -200.0f;

class lib_common_math_t {
public:
    using cvec_t = std::vector<std::complex<float>>;
    using fvec_t = std::vector<float>;

    // |z|: squares summed in single precision, the root taken in double. Defined here so that
    // per-cell loops in other libraries inline it.
    static float get_complex_amplitude(const std::complex<float>& z)
    {
        const float power = z.real() * z.real() + z.imag() * z.imag();
        return static_cast<float>(std::sqrt(static_cast<double>(power)));
    }
    // |z| exactly as std::abs gives it (glibc's hypotf: the root of the double-precision sum of
    // squares, rounded once), formed inline for finite parts; others go to std::abs.
    static float get_complex_magnitude(const std::complex<float>& z)
    {
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag())) return std::abs(z);
        const double re = z.real();
        const double im = z.imag();
        return static_cast<float>(std::sqrt(re * re + im * im));
    }
    // a / b exactly as std::complex<float> division gives it, without the out-of-line call. With
    // GCC 12 and later on x86-64 the division is the run-time routine __divsc3, which forms both
    // parts in double precision, ((ac + bd) / (cc + dd), (bc - ad) / (cc + dd)), rounds them to
    // single and re-examines only a result whose parts are both NaN; the products of two floats
    // are exact in double, so the same double operations give the same bits, and a both-NaN
    // result goes to the library division for its recovery of infinities. Elsewhere (other
    // compilers, or a build that may fuse products) the library division itself.
    static std::complex<float> divide_complex(const std::complex<float>& a, const std::complex<float>& b)
    {
#if VEK_INLINE_COMPLEX_DIVISION
        const double ar = a.real();
        const double ai = a.imag();
        const double br = b.real();
        const double bi = b.imag();
        const double denominator = br * br + bi * bi;
        const auto re = static_cast<float>((ar * br + ai * bi) / denominator);
        const auto im = static_cast<float>((ai * br - ar * bi) / denominator);
        if (std::isnan(re) && std::isnan(im)) return a / b;
        return {re, im};
#else
        return a / b;
#endif
    }
    static std::complex<float> get_complex_conjugate(const std::complex<float>& z);
    // Phase in radians in (-pi, pi]; 0 for a zero sample, +-pi/2 when only the real part is zero.
    static float get_complex_phase(const std::complex<float>& z);
    // z <- z * e^(j phase_rad), the rotator rounded to single precision.
    static void deal_phase_offset(double phase_rad, std::complex<float>& z);

    static void get_complex_array_amplitude(const cvec_t& data, fvec_t& amplitude);
    static void get_complex_array_phase(const cvec_t& data, fvec_t& phase_rad);
    // phase_rad[i] = get_complex_phase(data[i]) for i < count; several at once where the processor
    // has wide registers (the same bits).
    static void get_complex_array_phase(const std::complex<float>* data, std::size_t count, float* phase_rad);
    // 20 log10(|x| / max |x|), LIB_COMMON_MATH_DB_FLOOR where the ratio is at or below zero.
    static void get_complex_array_amplitude_db(const cvec_t& data, fvec_t& amplitude_db);
    // Empty input reports and yields 0.
    static float get_complex_array_rms(const cvec_t& data);
    static float get_data_max_amplitude(const cvec_t& data);
    // Crest factor in dB: 20 log10(max / rms); 0 for a (near) zero signal.
    static float get_peak_to_rms_ratio(const cvec_t& data);

    // Mean accumulated in the element type; data must not be empty (an empty vector yields T{}).
    template <typename T>
    static T get_average_value(const std::vector<T>& data)
    {
        T sum{};
        if (data.empty()) return sum;
        for (const T& v : data) sum += v;
        return sum / static_cast<float>(data.size());
    }

    // target[start + i] += source[i]; the caller guarantees room in target (checked: excess
    // source samples beyond target's end are ignored).
    template <typename T>
    static void deal_data_addition(const std::vector<T>& source, std::vector<T>& target, std::size_t start)
    {
        if (start >= target.size()) return;
        const std::size_t n = std::min(source.size(), target.size() - start);
        for (std::size_t i = 0; i < n; ++i) target[start + i] += source[i];
    }

    // 20 log10(max(ratio, floor)); the larger of the two must be positive.
    static double amplitude_ratio_to_db_value(double amplitude_ratio, double floor_ratio);
    static double db_value_to_amplitude_ratio(double db);

    // Wrapped into [-pi, pi) / [-180, 180).
    static double simplify_radian_value(double radian);
    static double simplify_angle_value(double angle_deg);
    // Degrees (wrapped first) to radians.
    static double angle_to_radian(double angle_deg);

    static bool is_power_of_2(std::uint64_t value);
    static bool is_square_integer(std::uint64_t value);
    // Smallest lower_limit * 2^k >= value (k >= 0); lower_limit must be a power of two.
    static std::uint32_t get_min_pow_of_2(std::uint32_t value, std::uint32_t lower_limit);
    // lower_limit when it already covers value; otherwise the power of two (at most 2^20) nearest
    // to value among P = smallest 2^k >= value and P/2, P/2 on a tie.
    static std::uint32_t get_nearest_pow_of_2(std::uint32_t value, std::uint32_t lower_limit);

    // The lowest 8/16/24/32 bits of value in reverse order; higher bits ignored.
    static std::uint32_t reverse_bit_order_8(std::uint32_t value);
    static std::uint32_t reverse_bit_order_16(std::uint32_t value);
    static std::uint32_t reverse_bit_order_24(std::uint32_t value);
    static std::uint32_t reverse_bit_order_32(std::uint32_t value);

    // bit_number values of 0/1, most significant first: bits[n-1-i] = bit i of value (i < 64).
    template <typename T>
    static void extract_bit_data(std::uint64_t value, std::uint32_t bit_number, std::vector<T>& bits)
    {
        bits.assign(bit_number, T(0));
        for (std::uint32_t i = 0; i < bit_number && i < 64u; ++i) {
            bits[bit_number - 1u - i] = static_cast<T>((value >> i) & 1u);
        }
    }

    // value = bit_number bits from bits[start], most significant first; indexes past the end
    // count as 0. More than 64 bits, or a bit that is neither 0 nor 1, reports and returns false
    // with value 0.
    template <typename T>
    static bool recover_value_from_bit_data(const std::vector<T>& bits, std::uint64_t& value, std::uint32_t bit_number,
                                            std::size_t start)
    {
        value = 0;
        if (bit_number > 64u) {
            report_line("lib_common_math_t::recover_value_from_bit_data Report : Bit Number is out of range!");
            return false;
        }
        for (std::uint32_t i = 0; i < bit_number; ++i) {
            const std::size_t index = start + i;
            std::uint64_t bit = 0;
            if (index < bits.size()) {
                const T b = bits[index];
                if (b != T(0) && b != T(1)) {
                    report_line("Error : Bit Data Error!");
                    report_line(std::string("    at ") + __FILE__ + ":" + std::to_string(__LINE__) +
                                " lib_common_math_t::recover_value_from_bit_data");
                    value = 0;
                    return false;
                }
                bit = (b == T(1)) ? 1u : 0u;
            }
            value = (value << 1) | bit;
        }
        return true;
    }

    // Generator polynomial given by its exponents: non-empty, no repeats, none above max_order.
    static bool check_generator_polynomial_valid(const std::vector<std::uint32_t>& exponents, std::uint32_t max_order);
};

}  // namespace vek::common_lib
