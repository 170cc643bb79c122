#pragma once
// Inputs of the whole-run and per-stage benchmarks: one generated frame of each preset with 10 %
// idle around it (half before, half after), optionally repeated and optionally delivered at an
// instrument rate, plus the FFT floor of the preset: S forward FFTs of length N through FFTW, the
// part of a demodulation no implementation can avoid.
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <complex>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

namespace vek::bench {

using namespace vek::ofdm_demod_lib;

// The demodulator's report lines are silenced while a benchmark program runs, as by a host that
// shows its own progress: the stage lines are then not composed at all.
using silent_reports_t = vek::common_lib::report_silence_t;

inline const char* standard_name(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "LTE_DL";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "LTE_UL";
        default: return "WLAN";
    }
}

// One benchmark input: the configuration the demodulator gets and the capture it analyses.
struct bench_input_t {
    lib_ofdm_config_manager_t config;
    complex_vector_t capture;
    int fft_length = 0;
    int symbols = 0;
    bool ok = false;
};

// `frames` copies of the preset's frame back to back with 10 % idle; at `capture_rate_hz` (0: the
// system rate) the capture is resampled and the demodulator told the instrument rate.
inline bench_input_t make_input(lib_ofdm_standard_type_t standard, int frames = 1, double capture_rate_hz = 0.0) {
    silent_reports_t quiet;
    bench_input_t in;
    in.config.set_load_address(VEK_BENCH_DATA_DIR);
    if (!in.config.set_standard(standard)) return in;
    lib_ofdm_generated_frame_t frame;
    if (!lib_ofdm_frame_generator_t::generate_frame(in.config, 7, frame)) return in;
    complex_vector_t repeated;
    for (int f = 0; f < frames; ++f) repeated.insert(repeated.end(), frame.samples.begin(), frame.samples.end());
    frame.samples = repeated;

    lib_ofdm_impairment_info_t info;
    info.idle_en = true;
    info.leading_idle_samples = static_cast<int>(frame.samples.size() / 20);
    info.trailing_idle_samples = static_cast<int>(frame.samples.size() / 20);
    info.noise_en = true;
    info.snr_db = 40.0f;
    info.noise_seed = 3;
    if (capture_rate_hz > 0.0) {
        info.resample_en = true;
        info.capture_rate_hz = capture_rate_hz;
        in.config.set_dvx_sample_rate(static_cast<float>(capture_rate_hz));
    }
    lib_ofdm_capture_t capture;
    if (!lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, capture)) return in;
    in.capture = std::move(capture.samples);
    in.fft_length = in.config.get_fft_length();
    in.symbols = in.config.get_analy_symbol_num();
    in.ok = true;
    return in;
}

// S forward FFTs of length N, out of place, planned once with FFTW_MEASURE.
class fft_floor_t {
public:
    fft_floor_t(int fft_length, int symbols)
        : m_n(fft_length), m_s(symbols),
          m_in(static_cast<std::size_t>(fft_length) * static_cast<std::size_t>(symbols), {0.5f, -0.25f}),
          m_out(m_in.size()) {
        m_plan = fftwf_plan_dft_1d(m_n, reinterpret_cast<fftwf_complex*>(m_in.data()),
                                   reinterpret_cast<fftwf_complex*>(m_out.data()), FFTW_FORWARD, FFTW_MEASURE);
        for (std::size_t i = 0; i < m_in.size(); ++i)
            m_in[i] = {static_cast<float>(i % 7) - 3.0f, static_cast<float>(i % 5) - 2.0f};
    }
    ~fft_floor_t() { fftwf_destroy_plan(m_plan); }
    fft_floor_t(const fft_floor_t&) = delete;
    fft_floor_t& operator=(const fft_floor_t&) = delete;

    void run() {
        for (int s = 0; s < m_s; ++s) {
            const std::size_t at = static_cast<std::size_t>(s) * static_cast<std::size_t>(m_n);
            fftwf_execute_dft(m_plan, reinterpret_cast<fftwf_complex*>(m_in.data() + at),
                              reinterpret_cast<fftwf_complex*>(m_out.data() + at));
        }
    }
    const std::complex<float>* output() const { return m_out.data(); }

    // Median time of `runs` runs after one untimed run, in seconds: the transforms with their
    // buffers in the cache, as in a loop of them.
    double warm_median_seconds(int runs) {
        run();
        std::vector<double> times;
        for (int k = 0; k < runs; ++k) {
            const auto t0 = std::chrono::steady_clock::now();
            run();
            times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
        return times[static_cast<std::size_t>(runs / 2)];
    }

private:
    int m_n;
    int m_s;
    std::vector<std::complex<float>> m_in;
    std::vector<std::complex<float>> m_out;
    fftwf_plan m_plan;
};

}  // namespace vek::bench
