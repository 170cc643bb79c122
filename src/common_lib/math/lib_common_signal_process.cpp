#include "vek/common_lib/math/lib_common_signal_process.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
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

// Samples in[j] (interleaved) turned by (r_re + j r_im) (powers_re[j] + j powers_im[j]) into
// out[j] (out may be in), the rotator rounded to single precision first. The lanes are
// independent, so the loop vectorises; where the processor has AVX a 256-bit copy runs, giving
// the same bits (no fused multiply-add).
VEK_CLONE_FOR_AVX
void rotate_block(const float* in, float* out, std::size_t count, float r_re, float r_im, const float* powers_re,
                  const float* powers_im)
{
    for (std::size_t j = 0; j < count; ++j) {
        // Written out: the library's complex product checks for NaN operands on every call.
        const float w_re = r_re * powers_re[j] - r_im * powers_im[j];
        const float w_im = r_re * powers_im[j] + r_im * powers_re[j];
        const float a = in[2 * j];
        const float b = in[2 * j + 1];
        out[2 * j] = a * w_re - b * w_im;
        out[2 * j + 1] = a * w_im + b * w_re;
    }
}

constexpr std::size_t k_mixer_block = 64;

// Powers of one step rotator: cos and sin of omega j computed in double and rounded to single
// precision, and the rotator of a whole block. A run mixes at the same few frequencies again and
// again (the same offset for every symbol of a capture), so the tables of the last few distinct
// step angles are kept per thread instead of being recomputed (2 x 64 double cos/sin) per call.
struct mixer_table_t {
    double omega = 0.0;
    bool filled = false;
    float powers_re[k_mixer_block];
    float powers_im[k_mixer_block];
    std::complex<double> block_step;
};

constexpr std::size_t k_mixer_tables = 4;

struct mixer_tables_t {
    mixer_table_t table[k_mixer_tables];
    std::size_t next = 0;  // the slot a new angle replaces, round robin
};

const mixer_table_t& mixer_table(double omega)
{
    thread_local mixer_tables_t cache;
    mixer_tables_t& tables = cache;
    // Angles compare by their bits: -0 and +0 give different sine tables, NaN never matches.
    for (const mixer_table_t& t : tables.table) {
        if (t.filled && std::memcmp(&t.omega, &omega, sizeof omega) == 0) return t;
    }
    mixer_table_t& t = tables.table[tables.next];
    tables.next = (tables.next + 1) % k_mixer_tables;
    for (std::size_t j = 0; j < k_mixer_block; ++j) {
        t.powers_re[j] = static_cast<float>(std::cos(omega * static_cast<double>(j)));
        t.powers_im[j] = static_cast<float>(std::sin(omega * static_cast<double>(j)));
    }
    t.block_step = std::polar(1.0, omega * static_cast<double>(k_mixer_block));
    t.omega = omega;
    t.filled = true;
    return t;
}

}  // namespace

void lib_common_signal_process_t::deal_mixer(cvec_t& data, double freq_cycles_per_sample, double phase_rad)
{
    deal_rotation(data, mixer_step_rad(freq_cycles_per_sample), phase_rad);
}

double lib_common_signal_process_t::mixer_step_rad(double freq_cycles_per_sample)
{
    // The step angle is rounded to single precision before its rotator is formed, so that every
    // caller mixing at the same frequency gets the same step whatever precision it computed in.
    return static_cast<float>(2.0 * LIB_COMMON_MATH_PI * freq_cycles_per_sample);
}

void lib_common_signal_process_t::deal_rotation(cvec_t& data, double step_rad, double phase_rad)
{
    deal_rotation(data.data(), data.size(), data.data(), step_rad, phase_rad);
}

void lib_common_signal_process_t::deal_rotation(const std::complex<float>* in, std::size_t count,
                                                std::complex<float>* out, double step_rad, double phase_rad)
{
    const double omega = step_rad;
    // Recursive rotator, advanced a block at a time: within a block sample j is turned by the
    // block's start rotator times the j-th power of the step (a table exact to double precision),
    // so the products of a block are independent and vectorise, and the rotator recursion (whose
    // magnitude drifts by about 1e-7 per step in single precision) runs once per block instead of
    // once per sample.
    constexpr std::size_t block = k_mixer_block;
    const mixer_table_t& table = mixer_table(omega);
    const float* const powers_re = table.powers_re;
    const float* const powers_im = table.powers_im;
    const std::complex<double> block_step = table.block_step;
    std::complex<double> rotator = std::polar(1.0, phase_rad);
    const float* x = reinterpret_cast<const float*>(in);
    float* y = reinterpret_cast<float*>(out);
    for (std::size_t begin = 0; begin < count; begin += block) {
        const std::size_t samples = std::min(block, count - begin);
        rotate_block(x + 2 * begin, y + 2 * begin, samples, static_cast<float>(rotator.real()),
                     static_cast<float>(rotator.imag()), powers_re, powers_im);
        // The recursion runs in double precision: after a million blocks its drift is still
        // far below single-precision rounding.
        rotator *= block_step;
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
