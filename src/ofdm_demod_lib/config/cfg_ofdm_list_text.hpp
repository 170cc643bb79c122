#pragma once
// The comma-terminated list texts of the settings XML: "%f," per float ("0.250000,") and "%d," per
// integer. Reading splits at commas and converts each piece with std::stod / std::stoi, so a piece
// that is not a number throws std::invalid_argument and a value too large throws
// std::out_of_range; a trailing comma adds no element.
#include <string>
#include <vector>

namespace vek::ofdm_demod_lib::cfg_ofdm_list_text {

std::string float_list_to_text(const std::vector<float>& values);
std::string int_list_to_text(const std::vector<int>& values);

std::vector<float> text_to_float_list(const std::string& text);
// Integers stored as floating-point text (the time gaps): read as double, truncated toward zero.
std::vector<int> text_to_truncated_int_list(const std::string& text);
// Integers in base 10 (symbol and subcarrier groups).
std::vector<int> text_to_int_list(const std::string& text);

// Narrows a double read from the document to float; magnitudes beyond the float range become
// infinities (which the setters then refuse or keep) instead of an undefined conversion.
float narrow_to_float(double value);

}  // namespace vek::ofdm_demod_lib::cfg_ofdm_list_text
