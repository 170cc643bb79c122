// The list texts of the text utilities (index, frequency, complex and bit lists) and their
// writers, on arbitrary text. First byte: the function; the rest is the text. Parsing never
// throws; every accepted value list must print and parse back to itself where the format is exact.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "vek/common_lib/text/lib_common_list_parse.hpp"

using vek::common_lib::lib_common_list_parse_t;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    vek::fuzz::byte_reader_t in{data, size};
    const std::uint8_t selector = in.take_byte();
    const std::string text(reinterpret_cast<const char*>(in.data), in.size);

    switch (selector % 8) {
        case 0: {
            std::vector<int> indices;
            std::string normalized;
            lib_common_list_parse_t::string_to_index_list(text, indices, normalized);
            if (indices.size() > 64 * static_cast<std::size_t>(lib_common_list_parse_t::k_max_values_per_piece)) {
                __builtin_trap();
            }
            std::string printed;
            lib_common_list_parse_t::index_list_to_string(indices, printed);
            std::vector<int> back;
            std::string ignored;
            // The printed form of a list of distinct values reads back to the same list.
            if (!indices.empty() &&
                (!lib_common_list_parse_t::string_to_index_list(printed, back, ignored) || back != indices)) {
                __builtin_trap();
            }
            break;
        }
        case 1: {
            const int lo = static_cast<std::int8_t>(selector) * 3;
            const int hi = lo + (selector >> 3);
            std::vector<int> indices;
            std::string normalized;
            lib_common_list_parse_t::string_to_index_list_in_range(text, indices, normalized, lo, hi);
            for (int v : indices) {
                if (v < lo || v > hi) __builtin_trap();
            }
            break;
        }
        case 2: {
            std::vector<double> values;
            lib_common_list_parse_t::string_to_frequency_list(text, values);
            std::string printed;
            lib_common_list_parse_t::freq_list_to_string(values, printed);
            break;
        }
        case 3: {
            std::vector<std::complex<float>> values;
            lib_common_list_parse_t::string_to_complex_list(text, values);
            std::string printed;
            lib_common_list_parse_t::complex_list_to_string(values, printed);
            break;
        }
        case 4: {
            std::vector<int> bits;
            lib_common_list_parse_t::string_to_bit_list(text, bits);
            std::string printed;
            lib_common_list_parse_t::bit_list_to_string(bits, printed);
            if (printed.size() != bits.size()) __builtin_trap();
            break;
        }
        case 5: {
            int i = 0;
            float f = 0.0f;
            double d = 0.0;
            lib_common_list_parse_t::str_to_int(text, i);
            lib_common_list_parse_t::str_to_float(text, f);
            lib_common_list_parse_t::str_to_float(text, d);
            lib_common_list_parse_t::str_to_frequency(text, d);
            lib_common_list_parse_t::check_valid_content(text);
            break;
        }
        default: {
            std::vector<std::string> pieces;
            const char separator = in.size > 0 ? static_cast<char>(in.data[0]) : ',';
            lib_common_list_parse_t::split_str(text, pieces, separator);
            std::string joined;
            lib_common_list_parse_t::combine_str(pieces, joined, separator);
            if (separator != 0 && joined != text) __builtin_trap();
            break;
        }
    }
    return 0;
}
