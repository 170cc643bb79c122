// Index lists: "1:3,5,2:2:8" and the block form "a:s:b:n[:1]" used for symbol and subcarrier
// selections, parsed into unique indices and printed back in the shortest run notation.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <unordered_set>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/text/lib_common_list_parse.hpp"

namespace vek::common_lib {

namespace {

using values_t = std::vector<long long>;
constexpr long long k_max_values = lib_common_list_parse_t::k_max_values_per_piece;

bool read_fields(const std::vector<std::string>& fields, std::vector<long long>& numbers) {
    numbers.clear();
    for (const std::string& field : fields) {
        int number = 0;
        if (!lib_common_list_parse_t::str_to_int(field, number)) return false;
        numbers.push_back(number);
    }
    return true;
}

// a, a+step, ... while not past last; step has the sign of (last - first).
bool append_run(long long first, long long step, long long last, values_t& values) {
    const long long count = (last - first) / step + 1;
    if (count > k_max_values - static_cast<long long>(values.size())) return false;
    for (long long i = 0; i < count; ++i) values.push_back(first + i * step);
    return true;
}

// The values of one piece, in the piece's order, or false when the piece is rejected.
bool expand_piece(const std::string& piece, values_t& values) {
    values.clear();
    std::vector<std::string> fields;
    lib_common_list_parse_t::split_str(piece, fields, LIB_COMMON_LIST_PARSE_SEQUENCE_PARAMETER_SEPARATOR);
    if (fields.size() > 5) {
        report_line("cfg_custom_ofdm_common_t::_get_integer_list Report : Unknown Index List String Format!");
        return false;
    }
    std::vector<long long> n;
    if (!read_fields(fields, n)) return false;

    switch (fields.size()) {
    case 1:
        values.push_back(n[0]);
        return true;
    case 2:
        return append_run(n[0], n[1] >= n[0] ? 1 : -1, n[1], values);
    case 3:
        // (b - a) * s >= 1 for integers: both non-zero and of one sign.
        if (n[1] == 0 || n[2] == n[0] || ((n[2] - n[0]) > 0) != (n[1] > 0)) return false;
        return append_run(n[0], n[1], n[2], values);
    default: {
        const long long first = n[0], step = n[1], last = n[2], blocks = n[3];
        if (step < 1 || last < first || blocks < 1) return false;
        values_t base;
        if (!append_run(first, step, last, base)) return false;
        if (blocks > k_max_values / static_cast<long long>(base.size())) return false;
        const bool count_from_one = fields.size() == 5 && fields[4] == "1";
        for (long long j = 0; j < blocks; ++j) {
            for (const long long v : base) {
                const long long value = v + j;
                values.push_back(count_from_one && value >= 0 ? value + 1 : value);
            }
        }
        return true;
    }
    }
}

// The piece rewritten with its first and end fields clamped into [min_value, max_value].
std::string clamp_piece(const std::string& piece, int min_value, int max_value) {
    std::vector<std::string> fields;
    lib_common_list_parse_t::split_str(piece, fields, LIB_COMMON_LIST_PARSE_SEQUENCE_PARAMETER_SEPARATOR);
    if (fields.size() > 5) return std::string();
    auto clamp_field = [&](std::string& field) {
        int value = 0;
        lib_common_list_parse_t::str_to_int(field, value);
        char text[16];
        std::snprintf(text, sizeof text, "%d", std::clamp(value, min_value, max_value));
        field = text;
    };
    clamp_field(fields[0]);
    if (fields.size() == 2) clamp_field(fields[1]);
    if (fields.size() >= 3) clamp_field(fields[2]);
    std::string text;
    lib_common_list_parse_t::combine_str(fields, text, LIB_COMMON_LIST_PARSE_SEQUENCE_PARAMETER_SEPARATOR);
    return text;
}

bool parse_index_list(const std::string& text, std::vector<int>& indices, std::string& normalized, bool in_range,
                      int min_value, int max_value) {
    indices.clear();
    normalized.clear();
    std::vector<std::string> pieces;
    lib_common_list_parse_t::split_str(text, pieces, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
    std::vector<std::string> kept_pieces;
    std::unordered_set<long long> present;
    bool all_accepted = true;
    values_t values;
    for (const std::string& piece : pieces) {
        if (!expand_piece(piece, values)) {
            all_accepted = false;
            continue;
        }
        bool added = false;
        for (const long long value : values) {
            // Out of int (a block form past INT_MAX) is out of any range an index list describes.
            if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) continue;
            if (in_range && (value < min_value || value > max_value)) continue;
            if (!present.insert(value).second) continue;
            indices.push_back(static_cast<int>(value));
            added = true;
        }
        if (!added) continue;
        if (!in_range) {
            kept_pieces.push_back(piece);
        } else {
            std::string clamped = clamp_piece(piece, min_value, max_value);
            if (!clamped.empty()) kept_pieces.push_back(clamped);
        }
    }
    lib_common_list_parse_t::combine_str(kept_pieces, normalized, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
    return all_accepted;
}

}  // namespace

bool lib_common_list_parse_t::string_to_index_list(const std::string& text, std::vector<int>& indices,
                                                   std::string& normalized) {
    return parse_index_list(text, indices, normalized, false, 0, 0);
}

bool lib_common_list_parse_t::string_to_index_list_in_range(const std::string& text, std::vector<int>& indices,
                                                            std::string& normalized, int min_value, int max_value) {
    return parse_index_list(text, indices, normalized, true, min_value, max_value);
}

void lib_common_list_parse_t::index_list_to_string(const std::vector<int>& indices, std::string& text) {
    std::vector<std::string> pieces;
    const std::size_t count = indices.size();
    std::size_t i = 0;
    while (i < count) {
        const long long step = i + 1 < count ? static_cast<long long>(indices[i + 1]) - indices[i] : 0;
        std::size_t end = i + 1;  // one past the run
        if (step != 0) {
            while (end < count && static_cast<long long>(indices[end]) - indices[end - 1] == step) ++end;
        }
        char piece[48];
        if (step != 0 && end - i >= 3) {
            if (std::llabs(step) == 1) {
                std::snprintf(piece, sizeof piece, "%d:%d", indices[i], indices[end - 1]);
            } else {
                std::snprintf(piece, sizeof piece, "%d:%lld:%d", indices[i], step, indices[end - 1]);
            }
            i = end;
        } else {
            std::snprintf(piece, sizeof piece, "%d", indices[i]);
            ++i;
        }
        pieces.push_back(piece);
    }
    combine_str(pieces, text, LIB_COMMON_LIST_PARSE_STRING_SEPARATOR);
}

}  // namespace vek::common_lib
