#pragma once
// Test helpers: write complex or bit vectors as text files (plain, two-column, MATLAB complex
// text, and the comma-separated recording format of vector signal analysis software), read that
// recording format back, make random test vectors and parse single values. Nothing in the
// library's signal path uses them.
//
// The writers put every file below "../data/" (relative to the working directory) and truncate it;
// numbers are written with the default stream formatting of double values (six significant
// digits, general notation: a 1 us sample interval is "1e-06").
#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vek::common_lib {

// What read_iq_data_for_vsa() found in a recording.
struct lib_test_iq_file_t {
    std::vector<std::complex<float>> samples;
    double x_delta_s = 0.0;  // sample interval from the header's "XDelta," line; 0 when absent
    bool truncated = false;  // reading stopped at max_numbers; samples hold what came before
};

struct lib_test_iq_read_options_t {
    int header_lines = 10;  // lines skipped before the numbers
    // A lone last number becomes the sample (x, 0) instead of an error (the test driver's rule).
    bool pad_odd_count = false;
    std::size_t max_numbers = 100000000;  // numbers read at most; more sets truncated
};

class lib_test_t {
public:
    static constexpr const char* k_output_directory = "../data/";

    // Bytes 0 and 1 as lines "0" and "1"; other byte values are skipped.
    static void save_data_to_file(const std::vector<std::uint8_t>& bits, const std::string& name);
    // One line "re,im" per sample.
    static void save_data_to_file(const std::vector<std::complex<float>>& samples, const std::string& name);
    // One line "re+imi" / "re-|im|i" per sample ("-" when im < -1e-12).
    static void save_iq_data_for_matlab(const std::vector<std::complex<float>>& samples,
                                        const std::string& name);
    // Ten header lines (XDelta = 1 / sample_rate_hz), then one line "re,im" per sample.
    static void save_iq_data_for_vsa(const std::vector<std::complex<float>>& samples, double sample_rate_hz,
                                     const std::string& name);

    // Reads a recording at path (not below "../data/"): options.header_lines lines skipped (the
    // "XDelta," one among them read), then decimal numbers separated by commas or white space,
    // taken pairwise as real and imaginary parts. False, with error naming the file (and line
    // where there is one), for: a file that cannot be opened, fewer header lines than expected, a
    // token that is not a number, NaN or infinity or a value beyond float range, an odd count of
    // numbers (unless padded) and no numbers at all. out is only replaced on success.
    static bool read_iq_data_for_vsa(const std::string& path, lib_test_iq_file_t& out, std::string& error,
                                     const lib_test_iq_read_options_t& options = {});

    // n random bits (0 or 1) / n random samples with each part in [-0.5, 0.5); the C library
    // generator is seeded from get_current_time(). n <= 0 gives an empty vector.
    static void generate_random_vector(int n, std::vector<std::uint8_t>& bits);
    static void generate_random_vector(int n, std::vector<std::complex<float>>& samples);
    // System clock in microseconds since its epoch.
    static std::uint64_t get_current_time();

    // A bit: the text read as an int must be 0 or 1 (else false and 0).
    static bool _parse_data(const std::string& text, std::uint8_t& value);
    static bool _parse_data(const std::string& text, int& value);
    static bool _parse_data(const std::string& text, float& value);
    // "re im", "re,im", "re<tab>im", or "re+im" / "re-im" (a sign of an exponent does not split).
    static bool _parse_data(const std::string& text, std::complex<float>& value);
};

}  // namespace vek::common_lib
