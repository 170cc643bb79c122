// Frequency lists with unit letters ("2.4G,500k,1e9:1e6:3") and complex lists ("re,im,...").
#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <sstream>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/text/lib_common_list_parse.hpp"

namespace vek::common_lib {

namespace {

struct frequency_unit_t {
    const char* name;
    double factor;
};

// Search order matters: the first unit any of whose letters appears in the text wins.
const frequency_unit_t k_frequency_units[] = {
    {"THz", 1e12}, {"GHz", 1e9}, {"MHz", 1e6}, {"kHz", 1e3}, {"Hz", 1.0},
};

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string format_significant(double value, int digits) {
    std::ostringstream stream;
    stream.precision(digits);
    stream << value;
    return stream.str();
}

}  // namespace

bool lib_common_list_parse_t::str_to_frequency(const std::string& text, double& value_hz) {
    value_hz = 0.0;
    std::string number = upper(text);
    double factor = 1.0;
    for (const frequency_unit_t& unit : k_frequency_units) {
        const std::size_t last = number.find_last_of(upper(unit.name));
        if (last != std::string::npos) {
            number.erase(last);
            factor = unit.factor;
            break;
        }
    }
    double mantissa = 0.0;
    if (!str_to_float(number, mantissa)) return false;
    value_hz = mantissa * factor;
    return true;
}

bool lib_common_list_parse_t::string_to_frequency_list(const std::string& text, std::vector<double>& values_hz) {
    values_hz.clear();
    std::vector<std::string> pieces;
    split_str(text, pieces, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
    bool all_accepted = true;
    for (const std::string& piece : pieces) {
        std::vector<std::string> fields;
        split_str(piece, fields, LIB_COMMON_LIST_PARSE_SEQUENCE_PARAMETER_SEPARATOR);
        if (fields.size() == 1) {
            double value = 0.0;
            if (str_to_frequency(fields[0], value)) {
                values_hz.push_back(value);
            } else {
                all_accepted = false;
            }
        } else if (fields.size() == 3) {
            double start = 0.0, step = 0.0;
            int count = 0;
            if (!str_to_frequency(fields[0], start) || !str_to_frequency(fields[1], step) ||
                !str_to_int(fields[2], count) || count <= 0 || count > k_max_values_per_piece) {
                all_accepted = false;
                continue;
            }
            for (int i = 0; i < count; ++i) values_hz.push_back(start + i * step);
        } else {
            report_line("cfg_custom_ofdm_common_t::_get_freq_list Report : Unknown Frequency List String Format!");
            all_accepted = false;
        }
    }
    return all_accepted;
}

void lib_common_list_parse_t::freq_list_to_string(const std::vector<double>& values_hz, std::string& text) {
    std::vector<std::string> pieces;
    for (const double value : values_hz) {
        const frequency_unit_t* chosen = &k_frequency_units[std::size(k_frequency_units) - 1];
        for (const frequency_unit_t& unit : k_frequency_units) {
            if (unit.factor <= std::fabs(value)) {
                chosen = &unit;
                break;
            }
        }
        pieces.push_back(format_significant(value / chosen->factor, 3) + chosen->name);
    }
    combine_str(pieces, text, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
}

bool lib_common_list_parse_t::string_to_complex_list(const std::string& text,
                                                     std::vector<std::complex<float>>& values) {
    values.clear();
    std::vector<std::string> fields;
    split_str(text, fields, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
    if (fields.size() < 2 || fields.size() % 2 != 0) return false;
    std::vector<std::complex<float>> parsed;
    parsed.reserve(fields.size() / 2);
    for (std::size_t i = 0; i < fields.size(); i += 2) {
        float re = 0.0f, im = 0.0f;
        if (!str_to_float(fields[i], re) || !str_to_float(fields[i + 1], im)) return false;
        parsed.emplace_back(re, im);
    }
    values = std::move(parsed);
    return true;
}

void lib_common_list_parse_t::complex_list_to_string(const std::vector<std::complex<float>>& values,
                                                     std::string& text) {
    std::vector<std::string> pieces;
    for (const std::complex<float>& value : values) {
        pieces.push_back(format_significant(value.real(), 2));
        pieces.push_back(format_significant(value.imag(), 2));
    }
    combine_str(pieces, text, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
}

}  // namespace vek::common_lib
