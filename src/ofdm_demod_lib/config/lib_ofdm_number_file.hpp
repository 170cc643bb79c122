#pragma once
// Reading a text file of numbers separated by commas and/or white space, as the reference data
// files hold them. Internal to the reference-file readers (and their tests).
#include <cstddef>
#include <string>
#include <vector>

namespace vek::ofdm_demod_lib::detail {

enum class number_file_status_t {
    ok,          // read to the end of the file
    not_opened,  // the file could not be opened; nothing was read
    too_many,    // the limit was reached before the end: the first `max_count` numbers are kept
    junk,        // a token that is no number ended the data; the numbers before it are kept
};

struct number_file_result_t {
    number_file_status_t status = number_file_status_t::ok;
    std::string junk_token;  // the offending token (at most 32 bytes) when status is junk
};

// Numbers as the "%lf" conversion accepts them (decimal, exponent, inf, nan, hexadecimal).
number_file_result_t read_number_file(const std::string& path, std::size_t max_count, std::vector<double>& values);
// Numbers as "%d" accepts them (optional sign, decimal digits), clamped to the int range.
number_file_result_t read_number_file(const std::string& path, std::size_t max_count, std::vector<int>& values);

// The data directory followed by the file's suffix, cut to the first 99 bytes.
std::string reference_file_path(const std::string& load_address, const char* suffix);

}  // namespace vek::ofdm_demod_lib::detail
