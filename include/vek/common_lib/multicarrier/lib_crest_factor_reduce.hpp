#pragma once
// Crest-factor reduction by peak cancellation: peaks above a limit are cancelled with pulses
// shaped by a filter that follows the signal's spectrum mask, so the cancellation adds little
// power outside the occupied band (the "peak cancellation" CFR of multicarrier transmitters).
#include <complex>
#include <cstdint>
#include <vector>

#include "vek/common_lib/filter/lib_fir_filter_design.hpp"
#include "vek/common_lib/math/lib_var.hpp"

namespace vek::common_lib {

class lib_crest_factor_reduce_setting_t {
public:
    // (frequency, level in dB); frequencies in Hz until normalised, then Nyquist-normalised.
    using mask_point_t = lib_fir_filter_design_t::mask_point_t;

    // Mask for an 80 MHz sample rate and a 20 MHz occupied bandwidth.
    lib_crest_factor_reduce_setting_t();

    void set_enable(bool enable) { m_enable = enable; }
    bool is_enable() const { return m_enable; }
    // Each setter clamps into its bounds: target 3 ... 100 dB, 1 ... 20 iterations, cancel
    // percent 0 ... 100, block size 20 ... 2^31 - 1 samples.
    void set_target_peak_to_average_power_ratio(double target_db);
    double get_target_peak_to_average_power_ratio() const { return m_target_papr_db.get_value(); }
    void set_max_iteration(std::uint32_t max_iteration);
    std::uint32_t get_max_iteration() const { return m_max_iteration.get_value(); }
    void set_cancel_percent(double cancel_percent);
    double get_cancel_percent() const { return m_cancel_percent.get_value(); }
    void set_signal_block_size(std::uint32_t block_size);
    std::uint32_t get_signal_block_size() const { return m_signal_block_size.get_value(); }

    void set_filter_mask_data_arr(const std::vector<mask_point_t>& mask) { m_filter_mask_data_arr = mask; }
    const std::vector<mask_point_t>& get_filter_mask_data_arr() const { return m_filter_mask_data_arr; }

    // Mask with a flat pass band of +-bandwidth/2 falling to -100 dB at 1.25 x bandwidth/2 (or
    // at the Nyquist frequency if that is nearer). Frequencies in Hz. False for a bandwidth
    // below 1e-12 Hz or above the sample rate.
    bool init_filter_mask_data(double sample_rate_hz, double bandwidth_hz);
    // init_filter_mask_data, then on success the default settings (disabled, 8 dB, 10
    // iterations, 100 %, 1,000 samples).
    bool init(double sample_rate_hz, double bandwidth_hz);
    // Divides the mask frequencies by the integer part of sample_rate/2; false (mask unchanged)
    // when a result lies outside -1 ... 1.
    bool deal_filter_mask_normalize(double sample_rate_hz);

    bool operator==(const lib_crest_factor_reduce_setting_t& other) const;
    bool operator!=(const lib_crest_factor_reduce_setting_t& other) const { return !(*this == other); }

private:
    bool m_enable = false;
    lib_var_t<double> m_target_papr_db;
    lib_var_t<std::uint32_t> m_max_iteration;
    lib_var_t<double> m_cancel_percent;
    lib_var_t<std::uint32_t> m_signal_block_size;
    std::vector<mask_point_t> m_filter_mask_data_arr;
};

class lib_crest_factor_reduce_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // Copies the setting and normalises its mask to the sample rate (the result of that step).
    bool set_cfr_parameter(double sample_rate_hz, const lib_crest_factor_reduce_setting_t& setting);
    const lib_crest_factor_reduce_setting_t& get_cfr_parameter() const { return m_setting; }

    // Cancels peaks in place until the peak-to-average ratio falls below the target or the
    // iterations run out. True when disabled (signal untouched) or done; false when the
    // cancellation filter cannot be designed.
    bool deal_crest_factor_reduce(cvec_t& signal);

    // Peak-to-average ratio (dB) of the signal without its idle (zero) runs; 0 when it is idle.
    static double calc_burst_peak_to_average_ratio(const cvec_t& signal);

private:
    // One pass: a pulse at the largest sample of every block that exceeds the limit, shaped by
    // the filter and subtracted.
    void _deal_peak_cancellation(cvec_t& signal) const;

    lib_crest_factor_reduce_setting_t m_setting;
    bool m_filter_ready = false;
    cvec_t m_filter_data;
};

}  // namespace vek::common_lib
