// Every capture format the command-line tool reads (vsa recording through the toolkit's reader,
// MATLAB complex text, csv, raw cf32), plus the content sniffing that picks one, on arbitrary
// files. First byte: the format (or detection); the rest is the file. A bad file must surface as
// cli_error_t (the tool's exit 2) and nothing else.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "capture_formats.hpp"
#include "cli_common.hpp"
#include "fuzz_support.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"

using namespace vek::ofdm_demod_cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    vek::fuzz::byte_reader_t in{data, size};
    const std::uint8_t selector = in.take_byte();
    static const char* const k_names[] = {"capture.vsa", "capture.m", "capture.csv", "capture.cf32", "capture.txt"};
    const int which = selector % 5;
    const std::string path = vek::fuzz::write_scratch_file(k_names[which], in.data, in.size);

    try {
        const capture_format_t format =
            which < 4 ? static_cast<capture_format_t>(which) : detect_read_format(path);
        const capture_file_t file = read_capture(path, format);
        for (const auto& s : file.samples) {
            if (!std::isfinite(s.real()) || !std::isfinite(s.imag())) __builtin_trap();
        }
        if (file.sample_rate_hz && !(*file.sample_rate_hz > 0.0)) __builtin_trap();
    } catch (const cli_error_t&) {
        // the tool prints the message and exits 2
    }

    if (which == 0) {
        // The toolkit reader with the driver's options and a small cap on the count.
        vek::common_lib::lib_test_iq_read_options_t options;
        options.pad_odd_count = (selector & 0x80) != 0;
        options.header_lines = (selector >> 3) & 15;
        options.max_numbers = 64;
        vek::common_lib::lib_test_iq_file_t file;
        std::string error;
        if (vek::common_lib::lib_test_t::read_iq_data_for_vsa(path, file, error, options)) {
            if (file.samples.size() > 32) __builtin_trap();
        } else if (error.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
