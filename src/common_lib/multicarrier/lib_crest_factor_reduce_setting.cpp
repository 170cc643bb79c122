#include <algorithm>
#include <cmath>

#include "vek/common_lib/multicarrier/lib_crest_factor_reduce.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {
constexpr double TARGET_PAPR_MIN_DB = 3.0;
constexpr double TARGET_PAPR_MAX_DB = 100.0;
constexpr double TARGET_PAPR_DEFAULT_DB = 8.0;
constexpr std::uint32_t MAX_ITERATION_MIN = 1;
constexpr std::uint32_t MAX_ITERATION_MAX = 20;
constexpr std::uint32_t MAX_ITERATION_DEFAULT = 10;
constexpr double CANCEL_PERCENT_MIN = 0.0;
constexpr double CANCEL_PERCENT_MAX = 100.0;
constexpr double CANCEL_PERCENT_DEFAULT = 100.0;
constexpr std::uint32_t BLOCK_SIZE_MIN = 20;
constexpr std::uint32_t BLOCK_SIZE_MAX = 2147483647u;
constexpr std::uint32_t BLOCK_SIZE_DEFAULT = 1000;

constexpr double DEFAULT_SAMPLE_RATE_HZ = 80.0e6;
constexpr double DEFAULT_BANDWIDTH_HZ = 20.0e6;
// The cancellation pulse's spectrum falls from the band edge to the stop level over a quarter of
// the half bandwidth.
constexpr double MASK_EDGE_FACTOR = 1.25;
constexpr float MASK_PASS_LEVEL_DB = 0.0f;
constexpr float MASK_STOP_LEVEL_DB = -100.0f;
constexpr double TOLERANCE = 1e-12;
}  // namespace

lib_crest_factor_reduce_setting_t::lib_crest_factor_reduce_setting_t()
    : m_target_papr_db(TARGET_PAPR_MIN_DB, TARGET_PAPR_MAX_DB, TARGET_PAPR_DEFAULT_DB),
      m_max_iteration(MAX_ITERATION_MIN, MAX_ITERATION_MAX, MAX_ITERATION_DEFAULT),
      m_cancel_percent(CANCEL_PERCENT_MIN, CANCEL_PERCENT_MAX, CANCEL_PERCENT_DEFAULT),
      m_signal_block_size(BLOCK_SIZE_MIN, BLOCK_SIZE_MAX, BLOCK_SIZE_DEFAULT) {
    init_filter_mask_data(DEFAULT_SAMPLE_RATE_HZ, DEFAULT_BANDWIDTH_HZ);
}

void lib_crest_factor_reduce_setting_t::set_target_peak_to_average_power_ratio(double target_db) {
    m_target_papr_db.set_value(target_db);
}

void lib_crest_factor_reduce_setting_t::set_max_iteration(std::uint32_t max_iteration) {
    m_max_iteration.set_value(max_iteration);
}

void lib_crest_factor_reduce_setting_t::set_cancel_percent(double cancel_percent) {
    m_cancel_percent.set_value(cancel_percent);
}

void lib_crest_factor_reduce_setting_t::set_signal_block_size(std::uint32_t block_size) {
    m_signal_block_size.set_value(block_size);
}

bool lib_crest_factor_reduce_setting_t::init_filter_mask_data(double sample_rate_hz, double bandwidth_hz) {
    if (!(bandwidth_hz >= TOLERANCE) || !(sample_rate_hz - bandwidth_hz >= -TOLERANCE)) {
        report_line(
            "lib_crest_factor_reduce_setting_t::init_filter_mask_data Report : Illegal input parameter!");
        return false;
    }
    const double half_band_hz = bandwidth_hz / 2.0;
    const double edge_hz = std::min(sample_rate_hz / 2.0, MASK_EDGE_FACTOR * half_band_hz);
    m_filter_mask_data_arr = {{-edge_hz, MASK_STOP_LEVEL_DB},
                              {-half_band_hz, MASK_PASS_LEVEL_DB},
                              {half_band_hz, MASK_PASS_LEVEL_DB},
                              {edge_hz, MASK_STOP_LEVEL_DB}};
    return true;
}

bool lib_crest_factor_reduce_setting_t::init(double sample_rate_hz, double bandwidth_hz) {
    if (!init_filter_mask_data(sample_rate_hz, bandwidth_hz)) return false;
    m_enable = false;
    set_target_peak_to_average_power_ratio(TARGET_PAPR_DEFAULT_DB);
    set_max_iteration(MAX_ITERATION_DEFAULT);
    set_cancel_percent(CANCEL_PERCENT_DEFAULT);
    set_signal_block_size(BLOCK_SIZE_DEFAULT);
    return true;
}

bool lib_crest_factor_reduce_setting_t::deal_filter_mask_normalize(double sample_rate_hz) {
    // Nyquist frequency in whole hertz.
    const double nyquist_hz = std::floor(sample_rate_hz / 2.0);
    std::vector<mask_point_t> normalized = m_filter_mask_data_arr;
    bool in_range = nyquist_hz >= 1.0;
    for (auto& point : normalized) {
        if (!in_range) break;
        point.first /= nyquist_hz;
        in_range = std::fabs(point.first) <= 1.0;
    }
    if (!in_range) {
        report_line(
            "lib_crest_factor_reduce_setting_t::deal_filter_mask_normalize Report : Error Sample Rate!");
        return false;
    }
    m_filter_mask_data_arr = normalized;
    return true;
}

bool lib_crest_factor_reduce_setting_t::operator==(const lib_crest_factor_reduce_setting_t& other) const {
    return m_enable == other.m_enable &&
           get_target_peak_to_average_power_ratio() == other.get_target_peak_to_average_power_ratio() &&
           get_max_iteration() == other.get_max_iteration() &&
           get_cancel_percent() == other.get_cancel_percent() &&
           get_signal_block_size() == other.get_signal_block_size() &&
           m_filter_mask_data_arr == other.m_filter_mask_data_arr;
}

}  // namespace vek::common_lib
