// Tokenising the reference data files.
#include "lib_ofdm_number_file.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace vek::ofdm_demod_lib::detail {

namespace {

constexpr std::size_t k_max_path_bytes = 99;
constexpr std::size_t k_max_junk_bytes = 32;

bool is_separator(char c) {
    return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// False when the path cannot be opened or read at all (a directory opens but cannot be read).
bool read_whole_file(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

bool parse_one(const char* begin, char** end, double& value) {
    value = std::strtod(begin, end);
    return *end != begin;
}

bool parse_one(const char* begin, char** end, int& value) {
    errno = 0;
    const long parsed = std::strtol(begin, end, 10);
    if (*end == begin) return false;
    // Saturate instead of wrapping: an out-of-range code is still clearly out of range.
    value = parsed > INT_MAX ? INT_MAX : (parsed < INT_MIN ? INT_MIN : static_cast<int>(parsed));
    return true;
}

// Every token must be a number; the first one that is not ends the data, so a stray character can
// never make the reader spin on the same position.
template <typename T>
number_file_result_t read_numbers(const std::string& path, std::size_t max_count, std::vector<T>& values) {
    number_file_result_t result;
    values.clear();
    std::string text;
    if (!read_whole_file(path, text)) {
        result.status = number_file_status_t::not_opened;
        return result;
    }
    const char* pos = text.c_str();
    const char* const text_end = pos + text.size();
    while (pos < text_end) {
        if (is_separator(*pos)) {
            ++pos;
            continue;
        }
        char* token_end = nullptr;
        T value{};
        if (!parse_one(pos, &token_end, value)) {
            const char* junk_end = pos;
            while (junk_end < text_end && !is_separator(*junk_end) &&
                   static_cast<std::size_t>(junk_end - pos) < k_max_junk_bytes) {
                ++junk_end;
            }
            result.status = number_file_status_t::junk;
            result.junk_token.assign(pos, junk_end);
            return result;
        }
        if (values.size() >= max_count) {
            result.status = number_file_status_t::too_many;
            return result;
        }
        values.push_back(value);
        pos = token_end;
    }
    return result;
}

}  // namespace

number_file_result_t read_number_file(const std::string& path, std::size_t max_count, std::vector<double>& values) {
    return read_numbers(path, max_count, values);
}

number_file_result_t read_number_file(const std::string& path, std::size_t max_count, std::vector<int>& values) {
    return read_numbers(path, max_count, values);
}

std::string reference_file_path(const std::string& load_address, const char* suffix) {
    std::string path = load_address + suffix;
    if (path.size() > k_max_path_bytes) path.resize(k_max_path_bytes);
    return path;
}

}  // namespace vek::ofdm_demod_lib::detail
