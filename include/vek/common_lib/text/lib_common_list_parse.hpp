#pragma once
// Compact list texts typed into user interfaces, and back: index lists ("1:3,5,2:2:8"), frequency
// lists with unit letters ("2.4G,500k", "1e9:1e6:3"), complex lists ("re,im,re,im") and bit strings.
// Parsing never throws: a piece that cannot be read is rejected (with a "Report" line where it is
// a format error) and the rest of the text still counts.
#include <complex>
#include <string>
#include <vector>

namespace vek::common_lib {

constexpr char LIB_COMMON_LIST_PARSE_STRING_SEPARATOR = ',';
constexpr char LIB_COMMON_LIST_PARSE_SEQUENCE_PARAMETER_SEPARATOR = ':';

class lib_common_list_parse_t {
public:
    // Largest count of values one piece of an index or frequency list may expand to; a piece that
    // asks for more ("0:1:2000000000") is rejected rather than exhausting memory.
    static constexpr long long k_max_values_per_piece = 1000000;

    // --- Basic operations.
    // Every separator splits, empty pieces stay; an empty text gives one empty piece.
    static void split_str(const std::string& text, std::vector<std::string>& pieces,
                          char separator = LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
    // Joins with the separator between pieces; separator 0 joins without one.
    static void combine_str(const std::vector<std::string>& pieces, std::string& text,
                            char separator = LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
    // Decimal conversion with leading white space; true only when a digit was read, the value
    // fits, and only spaces follow. value is 0 unless the conversion succeeds.
    static bool str_to_int(const std::string& text, int& value);
    static bool str_to_float(const std::string& text, float& value);
    static bool str_to_float(const std::string& text, double& value);
    // True when the text holds any character other than a space.
    static bool check_valid_content(const std::string& text);
    // Keeps the characters '0' and '1', skips everything else.
    static void string_to_bit_list(const std::string& text, std::vector<int>& bits);
    // Writes '0' and '1' for the values 0 and 1, skips other values.
    static void bit_list_to_string(const std::vector<int>& bits, std::string& text);
    static void integer_list_to_unsigned_list(const std::vector<int>& in, std::vector<unsigned int>& out);

    // --- Index lists. Pieces: a | a:b (either direction) | a:s:b | a:s:b:n (n blocks, block j is
    // the base list plus j) | a:s:b:n:1 (the same counted from 1). Values already present are
    // skipped; normalized holds the pieces that added something. Returns false when any piece was
    // rejected.
    static bool string_to_index_list(const std::string& text, std::vector<int>& indices, std::string& normalized);
    // The same, keeping only values in [min_value, max_value] (min_value <= max_value); the
    // normalized pieces have their first and end fields clamped into the range.
    static bool string_to_index_list_in_range(const std::string& text, std::vector<int>& indices,
                                              std::string& normalized, int min_value, int max_value);
    // Runs of three or more values with one constant non-zero step become first:last (step +-1)
    // or first:step:last: {1,2,3,4,7,9,11,20} gives "1:4,7:2:11,20".
    static void index_list_to_string(const std::vector<int>& indices, std::string& text);

    // --- Frequency lists in Hz. Pieces: a frequency with an optional unit letter (T, G, M, k, H)
    // or start:step:count. Returns false when any piece was rejected.
    static bool string_to_frequency_list(const std::string& text, std::vector<double>& values_hz);
    // Each value with the largest unit not above its magnitude, 3 significant digits: "1.23MHz".
    static void freq_list_to_string(const std::vector<double>& values_hz, std::string& text);

    // --- Complex lists: real and imaginary parts alternating; false (and no values) on any
    // failure or an odd or zero field count.
    static bool string_to_complex_list(const std::string& text, std::vector<std::complex<float>>& values);
    // Each part with 2 significant digits.
    static void complex_list_to_string(const std::vector<std::complex<float>>& values, std::string& text);

    // One frequency with its unit letter; false when the number does not read.
    static bool str_to_frequency(const std::string& text, double& value_hz);
};

}  // namespace vek::common_lib
