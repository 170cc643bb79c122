#include "cfg_ofdm_list_text.hpp"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace vek::ofdm_demod_lib::cfg_ofdm_list_text {

namespace {

// Calls convert(piece) for every comma-separated piece; the text after the last comma counts only
// when it is non-empty.
template <typename convert_t>
void for_each_piece(const std::string& text, convert_t convert) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        convert(text.substr(start, comma - start));
        start = comma + 1;
    }
}

// A finite double beyond the float range would be an undefined conversion: report it the way
// std::stof would.
float checked_float(double value) {
    if (std::isfinite(value) && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        throw std::out_of_range("stod");
    }
    return static_cast<float>(value);
}

}  // namespace

std::string float_list_to_text(const std::vector<float>& values) {
    std::string text;
    char piece[512];
    for (const float value : values) {
        std::snprintf(piece, sizeof piece, "%f,", static_cast<double>(value));
        text += piece;
    }
    return text;
}

std::string int_list_to_text(const std::vector<int>& values) {
    std::string text;
    char piece[16];
    for (const int value : values) {
        std::snprintf(piece, sizeof piece, "%d,", value);
        text += piece;
    }
    return text;
}

std::vector<float> text_to_float_list(const std::string& text) {
    std::vector<float> values;
    for_each_piece(text, [&](const std::string& piece) { values.push_back(checked_float(std::stod(piece))); });
    return values;
}

std::vector<int> text_to_truncated_int_list(const std::string& text) {
    std::vector<int> values;
    for_each_piece(text, [&](const std::string& piece) {
        const double value = std::stod(piece);
        // Truncation of NaN or of a value outside int is undefined; treat both as out of range.
        if (!(value > static_cast<double>(std::numeric_limits<int>::min()) - 1.0 &&
              value < static_cast<double>(std::numeric_limits<int>::max()) + 1.0)) {
            throw std::out_of_range("stod");
        }
        values.push_back(static_cast<int>(value));
    });
    return values;
}

std::vector<int> text_to_int_list(const std::string& text) {
    std::vector<int> values;
    for_each_piece(text, [&](const std::string& piece) { values.push_back(std::stoi(piece, nullptr, 10)); });
    return values;
}

float narrow_to_float(double value) {
    constexpr double largest = static_cast<double>(std::numeric_limits<float>::max());
    if (value > largest) return std::numeric_limits<float>::infinity();
    if (value < -largest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

}  // namespace vek::ofdm_demod_lib::cfg_ofdm_list_text
