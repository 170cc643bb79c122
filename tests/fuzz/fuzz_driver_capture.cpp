// The test driver's capture loader (10 header lines, then re,im numbers; a lone last number is
// paired with 0) on arbitrary file contents. First byte: the standard whose capture is read.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "ofdm_demod_driver.hpp"

using namespace vek::ofdm_demod_lib;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    vek::fuzz::byte_reader_t in{data, size};
    const auto standard = static_cast<lib_ofdm_standard_type_t>(in.take_byte() % 3);
    const std::string dir = vek::fuzz::scratch_dir() + "/captures";
    const std::string path = driver_capture_path(standard, dir);
    vek::fuzz::write_scratch_file(path.substr(vek::fuzz::scratch_dir().size() + 1), in.data, in.size);

    complex_vector_t samples;
    _load_input_file(samples, standard, dir);
    // The loader accepts finite numbers only.
    for (const auto& s : samples) {
        if (!std::isfinite(s.real()) || !std::isfinite(s.imag())) __builtin_trap();
    }
    return 0;
}
