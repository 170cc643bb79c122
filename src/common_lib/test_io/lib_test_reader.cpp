// Reader of the recording format written by save_iq_data_for_vsa (and by vector signal analysis
// software): header lines, then numbers separated by commas or white space, taken pairwise.
// Every problem comes back as a message naming the file and line; nothing here throws on bad data.
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "vek/common_lib/test_io/lib_test.hpp"

namespace vek::common_lib {

namespace {

bool is_separator(char c) {
    return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// A decimal number in the C locale; a leading '+' is allowed as strtod allows it.
bool parse_number(const std::string& token, double& value) {
    const char* first = token.data();
    const char* last = token.data() + token.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-' && first[1] != '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

std::string at_line(const std::string& path, std::size_t line) {
    std::ostringstream text;
    text << path << ':' << line << ": ";
    return text.str();
}

}  // namespace

bool lib_test_t::read_iq_data_for_vsa(const std::string& path, lib_test_iq_file_t& out, std::string& error,
                                      const lib_test_iq_read_options_t& options) {
    std::ifstream file(path);
    if (!file.is_open()) {
        error = path + ": cannot open the file (missing or unreadable)";
        return false;
    }
    lib_test_iq_file_t read;
    std::string line;
    std::size_t line_number = 0;
    for (int i = 0; i < options.header_lines; ++i) {
        if (!std::getline(file, line)) {
            std::ostringstream text;
            text << path << ": only " << line_number << " lines; expected " << options.header_lines
                 << " header lines before the samples";
            error = text.str();
            return false;
        }
        ++line_number;
        static constexpr const char k_x_delta[] = "XDelta,";
        if (line.compare(0, sizeof(k_x_delta) - 1, k_x_delta) == 0) {
            double x_delta = 0.0;
            std::string value = line.substr(sizeof(k_x_delta) - 1);
            while (!value.empty() && is_separator(value.back())) value.pop_back();
            if (parse_number(value, x_delta) && std::isfinite(x_delta)) read.x_delta_s = x_delta;
        }
    }

    std::vector<float> numbers;
    std::size_t last_number_line = line_number;
    while (!read.truncated && std::getline(file, line)) {
        ++line_number;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && is_separator(line[i])) ++i;
            if (i >= line.size()) break;
            std::size_t end = i;
            while (end < line.size() && !is_separator(line[end])) ++end;
            const std::string token = line.substr(i, end - i);
            i = end;
            if (numbers.size() >= options.max_numbers) {
                read.truncated = true;
                break;
            }
            double value = 0.0;
            if (!parse_number(token, value)) {
                error = at_line(path, line_number) + "'" + token + "' is not a number";
                return false;
            }
            if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
                error = at_line(path, line_number) + "'" + token + "' is not a finite single-precision value";
                return false;
            }
            numbers.push_back(static_cast<float>(value));
            last_number_line = line_number;
        }
    }
    if (numbers.empty()) {
        std::ostringstream text;
        text << path << ": no samples after the " << options.header_lines << " header lines";
        error = text.str();
        return false;
    }
    if (numbers.size() % 2 != 0) {
        if (!options.pad_odd_count) {
            std::ostringstream text;
            text << at_line(path, last_number_line) << "odd count of numbers (" << numbers.size()
                 << "); every sample needs a real and an imaginary part";
            error = text.str();
            return false;
        }
        numbers.push_back(0.0f);
    }
    read.samples.resize(numbers.size() / 2);
    for (std::size_t k = 0; k < read.samples.size(); ++k)
        read.samples[k] = {numbers[2 * k], numbers[2 * k + 1]};
    out = std::move(read);
    error.clear();
    return true;
}

}  // namespace vek::common_lib
