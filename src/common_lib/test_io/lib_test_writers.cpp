// Test file writers. Numbers go through an ostream with its default double formatting (six
// significant digits, %g-like) so files stay comparable with those of the analyser's older tools.
#include <fstream>
#include <locale>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"

namespace vek::common_lib {

namespace {

constexpr const char* k_open_failed = "save_data_to_file Report : Failed to open file!";

// Opens "../data/" + name truncated; the classic locale keeps '.' as decimal point whatever the
// host process selected.
bool open_output(const std::string& name, std::ofstream& file) {
    file.open(std::string(lib_test_t::k_output_directory) + name, std::ios::out | std::ios::trunc);
    file.imbue(std::locale::classic());
    return file.is_open();
}

}  // namespace

void lib_test_t::save_data_to_file(const std::vector<std::uint8_t>& bits, const std::string& name) {
    std::ofstream file;
    if (!open_output(name, file)) {
        report_line(k_open_failed);
        return;
    }
    for (std::uint8_t bit : bits) {
        if (bit == 0)
            file << "0\n";
        else if (bit == 1)
            file << "1\n";
    }
}

void lib_test_t::save_data_to_file(const std::vector<std::complex<float>>& samples, const std::string& name) {
    std::ofstream file;
    if (!open_output(name, file)) {
        report_line(k_open_failed);
        return;
    }
    for (const auto& sample : samples) {
        file << static_cast<double>(sample.real()) << ',' << static_cast<double>(sample.imag()) << '\n';
    }
}

void lib_test_t::save_iq_data_for_matlab(const std::vector<std::complex<float>>& samples,
                                         const std::string& name) {
    std::ofstream file;
    if (!open_output(name, file)) {
        report_line(k_open_failed);
        return;
    }
    // MATLAB reads "a+bi" / "a-bi"; a tiny negative part (rounding noise around 0) keeps the '+'.
    constexpr double k_negative_threshold = -1e-12;
    for (const auto& sample : samples) {
        const double re = sample.real();
        const double im = sample.imag();
        file << re << (im < k_negative_threshold ? '-' : '+') << (im < 0.0 ? -im : im) << "i\n";
    }
}

void lib_test_t::save_iq_data_for_vsa(const std::vector<std::complex<float>>& samples, double sample_rate_hz,
                                      const std::string& name) {
    std::ofstream file;
    if (!open_output(name, file)) {
        report_line("waveform file output failed!");
        return;
    }
    // Ten header lines; the recording's time axis is XStart + k * XDelta seconds.
    file << "InputZoom,TRUE\nInputCenter,1000000000.0\nInputRefImped,50\nXStart,0\nXDelta,"
         << 1.0 / sample_rate_hz << "\nXDomain,2\nXUnit,Sec\nYUnit,V\nTimeString,2/15/2023 2:10:09 PM\nY\n";
    for (const auto& sample : samples) {
        file << static_cast<double>(sample.real()) << ',' << static_cast<double>(sample.imag()) << '\n';
    }
}

}  // namespace vek::common_lib
