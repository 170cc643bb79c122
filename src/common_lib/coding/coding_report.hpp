#pragma once
// Two-line error and caution reports of the coding tools: the message line ("Error : ..." or
// "Caution : ...") and a line naming where it was raised, so that a log of a long generator run
// still points at the check that fired. Internal to the coding family.
#include <string_view>

namespace vek::common_lib::coding_detail {

// Source paths named in the location line; they keep the toolkit's historical layout so that
// tools scanning existing instrument logs keep matching.
inline constexpr std::string_view k_crc_source =
    "..\\src\\vekCommonLib\\source\\lib_code\\lib_crc_calculator";
inline constexpr std::string_view k_parity_source =
    "..\\src\\vekCommonLib\\source\\lib_code\\lib_odd_even_check";

// Writes "Error : <message>" then "From line <line> in file <source>".
void report_error(std::string_view message, int line, std::string_view source);

// Writes "Caution : <message>" then "From line <line> in file <source>".
void report_caution(std::string_view message, int line, std::string_view source);

}  // namespace vek::common_lib::coding_detail
