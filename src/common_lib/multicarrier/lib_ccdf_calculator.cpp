#include "vek/common_lib/multicarrier/lib_ccdf_calculator.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib {

namespace {
constexpr std::size_t MARKER_COUNT = 6;  // 10 % down to 0.0001 %
constexpr double MARKER_FIRST_PROBABILITY = 0.1;
constexpr double MARKER_PROBABILITY_STEP = 0.1;
constexpr double PEAK_RESOLUTION_DB = 0.01;
constexpr std::uint32_t GAUSS_DEFAULT_POINT_NUMBER = 20;
constexpr double GAUSS_DEFAULT_MAX_DB = 0.01;
constexpr double ZERO_TOLERANCE = 1e-12;
}  // namespace

void lib_ccdf_calculator_t::_deal_amplitude_histogram_analysis(const cvec_t& signal, std::uint32_t sections,
                                                               double max_db,
                                                               std::vector<std::uint64_t>& hist) {
    hist.assign(static_cast<std::size_t>(sections) + 2, 0);
    const double rms = lib_common_math_t::get_complex_array_rms(signal);
    if (rms < ZERO_TOLERANCE) {
        report_line(
            "lib_ccdf_calculator_t::_deal_amplitude_histogram_analysis Report : Unexpected Input Data!");
        hist[1] += signal.size();
        return;
    }
    const double top_amplitude = rms * std::pow(10.0, max_db / 20.0);
    const double step_db = max_db / static_cast<double>(sections);
    for (const auto& sample : signal) {
        const double amplitude = lib_common_math_t::get_complex_amplitude(sample);
        if (amplitude < rms) {
            ++hist[0];
        } else if (amplitude >= top_amplitude || sections == 0) {
            ++hist[static_cast<std::size_t>(sections) + 1];
        } else {
            auto index =
                static_cast<std::size_t>(std::floor(20.0 * std::log10(amplitude / rms) / step_db)) + 1;
            // Just below the top edge the quotient can round up to `sections`; the sample still
            // lies below max_db, so it belongs to the top section.
            if (index > sections) index = sections;
            ++hist[index];
        }
    }
}

bool lib_ccdf_calculator_t::calculate_ccdf_data(const cvec_t& signal, std::uint32_t point_number,
                                                double max_db, std::vector<double>& ccdf) {
    ccdf.clear();
    if (!(max_db > 0.0) || point_number < 1) {
        report_line("lib_ccdf_calculator_t::calculate_ccdf_data Report : Error Amplitude Ratio Range!");
        return false;
    }
    ccdf.assign(point_number, 0.0);
    if (signal.empty()) {
        report_line(
            "lib_ccdf_calculator_t::_deal_amplitude_histogram_analysis Report : Unexpected Input Data!");
        return false;
    }
    const std::uint32_t sections = point_number - 1;
    std::vector<std::uint64_t> hist;
    _deal_amplitude_histogram_analysis(signal, sections, max_db, hist);

    // Accumulate from the top so that ccdf[i] counts every sample at or above i * step; the
    // samples below the mean (hist[0]) never count.
    std::uint64_t count = hist[sections + 1];
    ccdf[sections] = static_cast<double>(count);
    for (std::size_t i = sections; i-- > 0;) {
        count += hist[i + 1];
        ccdf[i] = static_cast<double>(count);
    }
    const double sample_count = static_cast<double>(signal.size());
    for (double& value : ccdf) value /= sample_count;
    return true;
}

bool lib_ccdf_calculator_t::calculate_default_ccdf_data(const cvec_t& signal, std::vector<double>& ccdf) {
    return calculate_ccdf_data(signal, get_default_ccdf_data_length(), get_default_ccdf_max_db(), ccdf);
}

void lib_ccdf_calculator_t::get_ccdf_marker_data(double max_db, const std::vector<double>& ccdf,
                                                 const cvec_t& signal, std::vector<double>& markers) {
    markers.clear();
    const double step_db = ccdf.size() > 1 ? max_db / static_cast<double>(ccdf.size() - 1) : 0.0;
    const double peak_db = signal.empty() ? 0.0 : lib_common_math_t::get_peak_to_rms_ratio(signal);
    double probability = MARKER_FIRST_PROBABILITY;
    for (std::size_t i = 0; i < ccdf.size() && markers.size() < MARKER_COUNT; ++i) {
        if (probability >= ccdf[i]) {
            // Point i is the first level the probability no longer reaches; the level before it
            // is the last one exceeded that often.
            const double level_db = (static_cast<double>(i) - 1.0) * step_db;
            markers.push_back(std::min(level_db, peak_db));
            probability *= MARKER_PROBABILITY_STEP;
        }
    }
    while (markers.size() < MARKER_COUNT) markers.push_back(max_db);
    // Rounded up so that the peak marker is never below the highest level marker; the guard
    // keeps an exact multiple (up to rounding) from moving up a step.
    const double resolution_steps = std::ceil(peak_db / PEAK_RESOLUTION_DB - 1e-6);
    markers.push_back(resolution_steps * PEAK_RESOLUTION_DB);
}

void lib_ccdf_calculator_t::get_default_ccdf_marker_data(const std::vector<double>& ccdf,
                                                         const cvec_t& signal, std::vector<double>& markers) {
    get_ccdf_marker_data(get_default_ccdf_max_db(), ccdf, signal, markers);
}

void lib_ccdf_calculator_t::get_gauss_ccdf_data(std::uint32_t point_number, double max_db,
                                                std::vector<double>& curve) {
    curve.assign(point_number, 0.0);
    for (std::uint32_t i = 0; i < point_number; ++i) {
        const double x_db =
            point_number > 1 ? static_cast<double>(i) * max_db / static_cast<double>(point_number - 1) : 0.0;
        curve[i] = std::exp(-std::pow(10.0, x_db / 10.0));
    }
}

void lib_ccdf_calculator_t::get_gauss_default_ccdf_data(std::vector<double>& curve) {
    get_gauss_ccdf_data(GAUSS_DEFAULT_POINT_NUMBER, GAUSS_DEFAULT_MAX_DB, curve);
}

}  // namespace vek::common_lib
