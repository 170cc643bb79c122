// Frequency-sampling design from a dB magnitude mask.
#include <algorithm>
#include <cmath>

#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/filter/lib_fir_filter_design.hpp"
#include "vek/common_lib/math/lib_common_container.hpp"
#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/math/lib_normalization.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {

// Shortest mask design: 64 + 1 taps, enough resolution for a mask of a few points.
constexpr std::uint32_t kMaskLengthMin = 64;
// Frequency samples per mask point, so the sampled mask resolves every segment.
constexpr std::uint32_t kSamplesPerMaskPoint = 4;

}  // namespace

void lib_fir_filter_design_t::_sample_mask_levels(const std::vector<mask_point_t>& mask,
                                                  std::uint32_t count, std::vector<float>& levels_db) {
    std::vector<mask_point_t> sorted(mask);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const mask_point_t& a, const mask_point_t& b) { return a.first < b.first; });

    levels_db.assign(count, 0.0f);
    if (sorted.empty()) {
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        // Sample i of `count` points spread evenly over -1 ... 1, both Nyquist ends included.
        const double x =
            count > 1 ? static_cast<double>(i) * 2.0 / static_cast<double>(count - 1) - 1.0 : 0.0;
        if (x <= sorted.front().first) {
            levels_db[i] = sorted.front().second;
            continue;
        }
        if (x >= sorted.back().first) {
            levels_db[i] = sorted.back().second;
            continue;
        }
        // First point at or above x; a step in the mask (several points at x) takes the mean of
        // the levels on either side of the step.
        auto upper = std::lower_bound(
            sorted.begin(), sorted.end(), x,
            [](const mask_point_t& p, double value) { return p.first < value; });
        if (upper->first == x) {
            auto last = upper;
            while (std::next(last) != sorted.end() && std::next(last)->first == x) {
                ++last;
            }
            levels_db[i] = static_cast<float>((static_cast<double>(upper->second) +
                                               static_cast<double>(last->second)) / 2.0);
            continue;
        }
        const auto lower = std::prev(upper);
        const auto slope = static_cast<float>((static_cast<double>(upper->second) -
                                               static_cast<double>(lower->second)) /
                                              (upper->first - lower->first));
        levels_db[i] = static_cast<float>(static_cast<double>(lower->second) +
                                          (x - lower->first) * static_cast<double>(slope));
    }
}

bool lib_fir_filter_design_t::generate_fir_filter_by_mask_data(const std::vector<mask_point_t>& mask,
                                                               complex_vector_t& taps,
                                                               lib_window_type_t window_type) {
    taps.clear();
    if (mask.empty()) {
        report_line("lib_fir_filter_design_t::generate_fir_filter_by_mask_data Report: Empty mask data array!");
        return false;
    }
    const auto points = static_cast<std::uint32_t>(
        std::min<std::size_t>(mask.size(), FILTER_LENGTH_MAX / kSamplesPerMaskPoint));
    const std::uint32_t pow2 = lib_common_math_t::get_min_pow_of_2(
        points * kSamplesPerMaskPoint, kSamplesPerMaskPoint);
    // Odd length, so the centred impulse response has a middle tap.
    const std::uint32_t length = std::max(pow2, kMaskLengthMin) + 1;

    std::vector<float> levels_db;
    _sample_mask_levels(mask, length, levels_db);

    taps.resize(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        taps[i] = std::complex<float>(
            static_cast<float>(lib_common_math_t::db_value_to_amplitude_ratio(levels_db[i])), 0.0f);
    }

    // The samples run from -Nyquist to +Nyquist; rotate them into transform order, go to the
    // time domain and move the impulse response's peak from index 0 to the middle.
    lib_fourier_transform_t::fft_shift(taps);
    lib_fourier_transform_t::deal_ifft(taps, length);
    lib_common_container_t::deal_cyclic_shift(static_cast<std::int64_t>((length - 1) / 2), taps);

    lib_window_function_t::apply_window_functon(taps, window_type);
    lib_normalization_t::amplitude_max_normalize(taps);
    return true;
}

}  // namespace vek::common_lib
