#pragma once
// Multitone test signal: equal-amplitude tones with random phases, placed on the bins of one
// inverse FFT whose length makes the bin spacing fine against the tone spacing.
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

// The seven settings of a multitone signal, applied together by set_multitone_config.
struct lib_multitone_config_t {
    double sample_rate_hz = 2.0e6;
    double start_freq_hz = 0.0;
    double stop_freq_hz = 1.0e6;
    std::uint32_t tone_num = 2;
    bool single_side_enable = false;
    bool custom_enable = false;
    std::vector<double> custom_tone_freq_hz_arr;
};

class lib_multitone_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // The defaults are stored as they are; the limits apply from the first setter call on.
    lib_multitone_t() = default;

    // Each stores the value, keeps start <= stop by moving the other edge, and re-applies the
    // limits: tone number 1 ... 10,000, sample rate 1 kHz ... 10 GHz, start >= 0, and a stop
    // that keeps 2.4 x stop within the sample rate.
    void set_multitone_sample_rate(double sample_rate_hz);
    void set_multitone_start_freq(double start_freq_hz);
    void set_multitone_stop_freq(double stop_freq_hz);
    void set_multitone_tone_num(std::uint32_t tone_num);
    double get_multitone_sample_rate() const { return m_sample_rate_hz; }
    double get_multitone_start_freq() const { return m_start_freq_hz; }
    double get_multitone_stop_freq() const { return m_stop_freq_hz; }
    std::uint32_t get_multitone_tone_num() const { return m_tone_num; }

    // Single side: tones only at +f; otherwise mirrored to -f as well.
    void set_multitone_single_side_enable(bool enable) { m_single_side_enable = enable; }
    bool get_multitone_single_side_enable() const { return m_single_side_enable; }
    void set_multitone_custom_enable(bool enable) { m_custom_enable = enable; }
    bool get_multitone_custom_enable() const { return m_custom_enable; }

    // Stores a custom tone list (Hz); false unless the custom flag is set and the list passes
    // check_tone_freq_arr.
    bool set_multitone_tone_freq_arr(const std::vector<double>& tone_freq_hz_arr);
    const std::vector<double>& get_multitone_tone_freq_arr() const { return m_custom_tone_freq_hz_arr; }
    // 1 ... 10,000 tones, each above 0 Hz, the largest within sample rate / 1.2.
    bool check_tone_freq_arr(const std::vector<double>& tone_freq_hz_arr) const;

    bool set_multitone_config(const lib_multitone_config_t& config);

    // Frequencies of the tones to synthesise (Hz).
    void calc_tone_freq_arr(std::vector<double>& tone_freq_hz_arr) const;
    // Transform length: the first of 8,192 ... 65,536 whose bin spacing is at most
    // min(30 kHz, tone gap / 10).
    std::uint32_t calc_fft_length() const;

    // Builds the output samples, peak I or Q value 1.
    void update_data();
    const cvec_t& get_data_arr() const { return m_data_arr; }

private:
    void _apply_limits();
    double _calc_tone_gap() const;

    double m_sample_rate_hz = 2.0e6;
    double m_start_freq_hz = 0.0;
    double m_stop_freq_hz = 1.0e6;
    std::uint32_t m_tone_num = 2;
    bool m_single_side_enable = false;
    bool m_custom_enable = false;
    std::vector<double> m_custom_tone_freq_hz_arr;
    cvec_t m_data_arr;
};

}  // namespace vek::common_lib
