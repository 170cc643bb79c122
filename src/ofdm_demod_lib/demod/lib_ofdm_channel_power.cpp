// Channel power of the capture: a Gauss-windowed spectrum integrated over the occupied band, the
// way a spectrum analyser's channel-power measurement does it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_cpu_dispatch.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {

using vek::common_lib::lib_common_math_t;

namespace {

// Width factor of the Gauss window: side lobes below -100 dB, so a strong carrier does not leak
// into the edges of the measured band.
constexpr double k_gauss_width_factor = 4.8;
constexpr float k_power_floor_dbm = vek::common_lib::LIB_COMMON_MATH_DB_FLOOR;

// The two per-bin passes, in loops the compiler vectorises, built for AVX too where the processor
// has it (the same operations per value, so the same bits).
// out[k] = samples[k] gain[k].
VEK_CLONE_FOR_AVX void window_samples(const complex_t* __restrict samples,
                                             const float* __restrict gain, std::size_t n,
                                             complex_t* __restrict out) {
    for (std::size_t k = 0; k < n; ++k) out[k] = samples[k] * gain[k];
}

// out[k] = |bins[k]|^2 scale, formed in double precision and rounded once.
VEK_CLONE_FOR_AVX void bin_densities(const complex_t* __restrict bins, std::size_t count, double scale,
                                            float* __restrict out) {
    for (std::size_t k = 0; k < count; ++k) {
        const double re = bins[k].real();
        const double im = bins[k].imag();
        out[k] = static_cast<float>((re * re + im * im) * scale);
    }
}

}  // namespace

void lib_ofdm_demod_t::_deal_ofdm_channel_power() {
    // After frame synchronisation the frame starts near sample 5, so the first search-length
    // samples hold the frame and little idle signal.
    const std::size_t count =
        std::min(m_sample_data.size(), static_cast<std::size_t>(std::max(m_search_len, 0)));
    // Read where the frame lies unless that span wraps past the buffer's end.
    if (static_cast<std::size_t>(m_frame_origin) + count > m_sample_data.size()) _settle_frame_origin();
    const int fft_len = m_config_manager.get_fft_length();
    const float bandwidth_hz = static_cast<float>(fft_len - m_config_manager.get_guard_up_subcarr() -
                                                  m_config_manager.get_guard_low_subcarr()) *
                               m_config_manager.get_subcarr_space();
    m_result.m_channel_power = 0.0f;
    m_result.m_channel_power =
        lib_ofdm_demod_common_t::channel_power(m_sample_data.data() + m_frame_origin, count, 50,
                                               m_config_manager.get_system_sample_rate(), bandwidth_hz, true);
    VEK_OFDM_LOG_DEBUG("OFDM channel_power is {}", m_result.m_channel_power);
}

float lib_ofdm_demod_common_t::channel_power(const complex_vector_t& samples, std::uint32_t impedance_ohm,
                                             float sample_rate_hz, float bandwidth_hz, bool rms) {
    return channel_power(samples.data(), samples.size(), impedance_ohm, sample_rate_hz, bandwidth_hz, rms);
}

float lib_ofdm_demod_common_t::channel_power(const complex_t* samples, std::size_t count, std::uint32_t impedance_ohm,
                                             float sample_rate_hz, float bandwidth_hz, bool rms) {
    const std::size_t n = count;
    if (n == 0 || impedance_ohm == 0) return k_power_floor_dbm;
    const auto n_f = static_cast<float>(n);

    // Successive runs measure captures of the same search length: the window and its sums are
    // kept per thread for the last length asked for.
    struct window_cache_t {
        std::vector<float> amplitude;
        float sum_a = 0.0f;
        float sum_a2 = 0.0f;
        float mean_a = 0.0f;
    };
    thread_local window_cache_t cache;
    if (cache.amplitude.size() != n) {
        complex_vector_t window;
        vek::common_lib::lib_window_function_t::generate_gauss_window(window, static_cast<std::uint32_t>(n),
                                                                      false, k_gauss_width_factor);
        lib_common_math_t::get_complex_array_amplitude(window, cache.amplitude);
        cache.sum_a = 0.0f;
        cache.sum_a2 = 0.0f;
        for (float a : cache.amplitude) {
            cache.sum_a += a;
            cache.sum_a2 += a * a;
        }
        cache.mean_a = lib_common_math_t::get_average_value(cache.amplitude);
    }
    const std::vector<float>& amplitude = cache.amplitude;

    // Equivalent noise bandwidth of the window, in bins, turns a bin's power into a density; the
    // coherent gain correction restores a tone's amplitude.
    const float enbw_bins = (cache.sum_a2 / n_f) / (cache.mean_a * cache.mean_a);
    const float rbw_hz = enbw_bins * sample_rate_hz / n_f;
    const float coherent_gain_correction = 1.0f / (cache.sum_a / n_f);

    // The windowed samples and their spectrum are two buffers (the transform reads one and writes
    // the other, without an internal copy), kept per thread too: capture-sized buffers taken and
    // returned on every run would have their pages faulted in again each time.
    thread_local complex_vector_t windowed_storage;
    thread_local complex_vector_t spectrum;
    complex_vector_t& windowed = windowed_storage;
    windowed.resize(n);
    window_samples(samples, amplitude.data(), n, windowed.data());
    vek::common_lib::lib_fourier_transform_t::deal_fft(windowed, spectrum, static_cast<std::uint32_t>(n));
    // Centred bin k is FFT bin (k + ceil(n/2)) mod n, as after an FFT shift: read in place.
    const std::size_t shift = (n + 1) / 2;

    const float half_band_hz = bandwidth_hz / 2.0f;
    const auto centre = static_cast<std::int64_t>(n / 2);
    const float rms_scale = rms ? static_cast<float>(1.0 / std::sqrt(2.0)) : 1.0f;
    float power_sum_w_per_hz = 0.0f;
    std::size_t kept = 0;
    // Bin frequencies grow with k, so only the bins near the band can be inside it.
    const double band_bins = std::ceil(static_cast<double>(half_band_hz) / static_cast<double>(sample_rate_hz) *
                                       static_cast<double>(n)) + 2.0;
    std::size_t first_bin = 0;
    std::size_t last_bin = n;
    if (std::isfinite(band_bins) && band_bins >= 0.0 && band_bins < static_cast<double>(n)) {
        const auto reach = static_cast<std::int64_t>(band_bins);
        first_bin = static_cast<std::size_t>(std::max<std::int64_t>(0, centre - reach));
        last_bin = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), centre + reach + 1));
    }
    // The band's first and last bins, each found by the exact test (a bin on the band edge
    // counts); every bin between them is inside.
    const auto inside = [&](std::size_t k) {
        const float freq_hz = static_cast<float>(static_cast<std::int64_t>(k) - centre) / n_f * sample_rate_hz;
        return !(freq_hz < -half_band_hz || freq_hz > half_band_hz);
    };
    while (first_bin < last_bin && !inside(first_bin)) ++first_bin;
    while (last_bin > first_bin && !inside(last_bin - 1)) --last_bin;
    // A bin's density |X|^2 (corrections / n)^2 / (impedance RBW): the squared magnitude and one
    // factor holding every correction, in double precision, rounded once to single. Equal to the
    // bin-by-bin magnitudes, scalings and divisions to within single-precision rounding, without a
    // square root or a division per bin.
    const double magnitude_scale = static_cast<double>(coherent_gain_correction) * static_cast<double>(rms_scale) /
                                   static_cast<double>(n_f);
    const double power_scale = magnitude_scale * magnitude_scale /
                               (static_cast<double>(impedance_ohm) * static_cast<double>(rbw_hz));
    // The band is one or two contiguous runs of FFT bins (split where it wraps past bin n - 1).
    // Each bin's density is independent of the others, so they are formed in one vectorised pass;
    // the sum then runs in eight interleaved partial sums, which keeps its dependency chains short
    // and rounds no worse than one running sum.
    thread_local std::vector<float> density;
    density.resize(first_bin < last_bin ? last_bin - first_bin : 0);  // every entry is written below
    std::size_t filled = 0;
    // The loops read and write through plain pointers: a thread-local's address may be looked up
    // again at every use.
    const complex_t* bins = spectrum.data();
    const auto add_bins = [&](std::size_t from, std::size_t to) {
        bin_densities(bins + from, to - from, power_scale, density.data() + filled);
        filled += to - from;
    };
    if (first_bin < last_bin) {
        const std::size_t from = first_bin + shift < n ? first_bin + shift : first_bin + shift - n;
        const std::size_t count = last_bin - first_bin;
        const std::size_t first_run = std::min(count, n - from);
        add_bins(from, from + first_run);
        add_bins(0, count - first_run);
    }
    constexpr std::size_t lanes = 8;
    float lane_sum[lanes] = {};
    const float* terms = density.data();
    kept = density.size();
    std::size_t k = 0;
    for (; k + lanes <= kept; k += lanes)
        for (std::size_t l = 0; l < lanes; ++l) lane_sum[l] += terms[k + l];
    for (; k < kept; ++k) lane_sum[k % lanes] += terms[k];
    for (const float partial : lane_sum) power_sum_w_per_hz += partial;
    if (kept == 0 || !(power_sum_w_per_hz > 0.0f)) return k_power_floor_dbm;
    const float power_mw = power_sum_w_per_hz * (bandwidth_hz / static_cast<float>(kept)) * 1000.0f;
    return static_cast<float>(10.0 * std::log10(static_cast<double>(power_mw)));
}

}  // namespace vek::ofdm_demod_lib
