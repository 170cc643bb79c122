// Turning a resource map into boolean index maps and index lists.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <type_traits>

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

void lib_ofdm_demod_common_t::find_nonzero_index(const std::vector<bool>& flags, std::vector<int>& out) {
    out.clear();
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_DEBUG)
    // Rows are walked for every symbol by several stages and are mostly false: read the packed
    // words (libstdc++ exposes them through the iterator) and visit only the set bits. Bits past
    // the size in the last word are not defined and are masked off.
    using word_t = std::_Bit_type;
    static_assert(std::is_same_v<word_t, unsigned long>, "ctzl below takes unsigned long words");
    constexpr std::size_t bits = sizeof(word_t) * CHAR_BIT;
    const std::size_t size = flags.size();
    if (size == 0) return;
    const word_t* words = flags.begin()._M_p;
    const std::size_t count = (size + bits - 1) / bits;
    for (std::size_t w = 0; w < count; ++w) {
        word_t word = words[w];
        const std::size_t used = size - w * bits;
        if (used < bits) word &= (word_t{1} << used) - 1;
        while (word != 0) {
            out.push_back(static_cast<int>(w * bits + static_cast<std::size_t>(__builtin_ctzl(word))));
            word &= word - 1;
        }
    }
#else
    // The bit iterator steps one bit at a time; indexing would locate word and bit anew for each
    // flag (and re-read the size after every append).
    int position = 0;
    for (const bool flag : flags) {
        if (flag) out.push_back(position);
        ++position;
    }
#endif
}

namespace {
// True flags of one row over the width of row 0 (shorter rows count what they have).
int count_row(const std::vector<bool>& row, std::size_t width) {
    const std::size_t n = std::min(width, row.size());
    return static_cast<int>(std::count(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(n), true));
}
}  // namespace

int lib_ofdm_demod_common_t::find_nonzero_num(const bool_grid_t& map) {
    const std::size_t width = map.at(0).size();
    int count = 0;
    for (const auto& row : map) count += count_row(row, width);
    return count;
}

void lib_ofdm_demod_common_t::ofdm_index_to_symbel_index(const bool_grid_t& map, std::vector<int>& out) {
    out.clear();
    if (map.empty()) return;
    const std::size_t width = map[0].size();
    for (std::size_t s = 0; s < map.size(); ++s) {
        if (count_row(map[s], width) != 0) out.push_back(static_cast<int>(s));
    }
}

void lib_ofdm_demod_common_t::ofdm_resource_map_to_index(const int_grid_t& resource_map,
                                                         lib_ofdm_resource_flag_t flag, bool_grid_t& out) {
    const std::size_t rows = resource_map.size();
    const std::size_t width = resource_map.at(0).size();
    out.resize(rows);
    for (std::size_t s = 0; s < rows; ++s) {
        out[s].resize(width, false);
        const std::size_t n = std::min(width, resource_map[s].size());
        for (std::size_t j = 0; j < n; ++j) {
            if (resource_map[s][j] == flag) out[s][j] = true;
        }
    }
}

template <typename T>
T lib_ofdm_demod_common_t::sum(const std::vector<T>& values, int first, int last) {
    // The upper end is last - first (an index, not a count); stays inside the vector.
    const long long upper = static_cast<long long>(last) - first;
    T total = T(0);
    if (first < 0) return total;
    for (long long i = first; i <= upper && i < static_cast<long long>(values.size()); ++i) {
        total += values[static_cast<std::size_t>(i)];
    }
    return total;
}

template int lib_ofdm_demod_common_t::sum<int>(const std::vector<int>&, int, int);
template float lib_ofdm_demod_common_t::sum<float>(const std::vector<float>&, int, int);

}  // namespace vek::ofdm_demod_lib
