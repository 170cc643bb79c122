// Splitting, joining and the strict number conversions the list parsers are built on.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "vek/common_lib/text/lib_common_list_parse.hpp"

namespace vek::common_lib {

namespace {

bool only_spaces_from(const char* p) {
    while (*p == ' ') ++p;
    return *p == '\0';
}

template <typename real_t, typename convert_t>
bool convert_real(const std::string& text, real_t& value, convert_t convert) {
    value = 0;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const real_t converted = convert(begin, &end);
    if (end == begin || !only_spaces_from(end)) return false;
    if (errno == ERANGE && std::isinf(converted)) return false;
    value = converted;
    return true;
}

}  // namespace

void lib_common_list_parse_t::split_str(const std::string& text, std::vector<std::string>& pieces, char separator) {
    pieces.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t found = text.find(separator, start);
        if (found == std::string::npos) break;
        pieces.push_back(text.substr(start, found - start));
        start = found + 1;
    }
    pieces.push_back(text.substr(start));
}

void lib_common_list_parse_t::combine_str(const std::vector<std::string>& pieces, std::string& text, char separator) {
    text.clear();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && separator != '\0') text += separator;
        text += pieces[i];
    }
}

bool lib_common_list_parse_t::str_to_int(const std::string& text, int& value) {
    value = 0;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long converted = std::strtoll(begin, &end, 10);
    if (end == begin || !only_spaces_from(end) || errno == ERANGE) return false;
    if (converted < std::numeric_limits<int>::min() || converted > std::numeric_limits<int>::max()) return false;
    value = static_cast<int>(converted);
    return true;
}

bool lib_common_list_parse_t::str_to_float(const std::string& text, float& value) {
    return convert_real(text, value, [](const char* s, char** e) { return std::strtof(s, e); });
}

bool lib_common_list_parse_t::str_to_float(const std::string& text, double& value) {
    return convert_real(text, value, [](const char* s, char** e) { return std::strtod(s, e); });
}

bool lib_common_list_parse_t::check_valid_content(const std::string& text) {
    return text.find_first_not_of(' ') != std::string::npos;
}

void lib_common_list_parse_t::string_to_bit_list(const std::string& text, std::vector<int>& bits) {
    bits.clear();
    for (const char c : text) {
        if (c == '0' || c == '1') bits.push_back(c - '0');
    }
}

void lib_common_list_parse_t::bit_list_to_string(const std::vector<int>& bits, std::string& text) {
    text.clear();
    for (const int bit : bits) {
        if (bit == 0 || bit == 1) text += static_cast<char>('0' + bit);
    }
}

void lib_common_list_parse_t::integer_list_to_unsigned_list(const std::vector<int>& in, std::vector<unsigned int>& out) {
    out.assign(in.begin(), in.end());
}

}  // namespace vek::common_lib
