#pragma once
// Moving the cells of one class in one row between the row (indexed by column) and the class's
// packed list: dst[k] = src[column[k]] and back. Payload rows are long stretches of consecutive
// columns broken by pilots and the DC bin, so they are moved stretch by stretch; scattered columns
// (pilot rows) cell by cell.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace vek::ofdm_demod_lib::detail {

// The flagged columns of one class in one measured row, ascending strictly.
struct row_columns_t {
    const int* column = nullptr;
    std::size_t size = 0;
};

// Whether the row's stretches are long enough for the stretch-wise move to pay: finding a
// stretch's end and calling the copy cost a few dozen instructions, an indexed cell a few. Every
// missing column between the first and the last may start a new stretch, so the row qualifies
// when even that many stretches would average 24 cells or more.
inline bool long_stretches(const row_columns_t& row) {
    if (row.size == 0) return false;
    const auto span = static_cast<std::size_t>(row.column[row.size - 1] - row.column[0]) + 1;
    const std::size_t missing = span - row.size;
    return row.size >= 24 * (missing + 1);
}

// End of the stretch of consecutive columns that starts at k (the first j > k whose column does
// not follow on, or n). The columns ascend strictly, so column[j] - column[k] == j - k means every
// column between is there, and once false it stays false: the end is found by doubling steps and
// then halving the gap, a few comparisons per stretch whatever its length.
inline std::size_t consecutive_run(const int* column, std::size_t k, std::size_t n) {
    const auto follows = [&](std::size_t j) { return column[j] - column[k] == static_cast<int>(j - k); };
    std::size_t good = k;  // follows(good)
    std::size_t bad = n;   // !follows(bad), or the end of the row
    for (std::size_t step = 1; good + step < n; step *= 2) {
        if (!follows(good + step)) {
            bad = good + step;
            break;
        }
        good += step;
    }
    while (bad - good > 1) {
        const std::size_t mid = good + (bad - good) / 2;
        if (follows(mid))
            good = mid;
        else
            bad = mid;
    }
    return bad;
}

// dst[k] = src[column[k]] for the cells of one row.
template <typename T>
void gather_row(const row_columns_t& row, const T* src, T* dst) {
    if (!long_stretches(row)) {
        for (std::size_t k = 0; k < row.size; ++k) dst[k] = src[row.column[k]];
        return;
    }
    for (std::size_t k = 0; k < row.size;) {
        const std::size_t end = consecutive_run(row.column, k, row.size);
        std::copy(src + row.column[k], src + row.column[k] + (end - k), dst + k);
        k = end;
    }
}

// The cells of two rows at the columns pos (strictly ascending): first_cells[i] = first[pos[i]]
// and second_cells[i] = second[pos[i]], both resized to pos.size(). The last column alone decides
// whether every cell exists: a missing one raises std::out_of_range (first's checked before
// second's) before anything is gathered, as checked accesses would.
template <typename T>
void gather_checked_pair(const std::vector<int>& pos, const std::vector<T>& first,
                         const std::vector<T>& second, std::vector<T>& first_cells,
                         std::vector<T>& second_cells) {
    if (!pos.empty()) {
        const auto last = static_cast<std::size_t>(pos.back());
        static_cast<void>(first.at(last));
        static_cast<void>(second.at(last));
    }
    first_cells.resize(pos.size());
    second_cells.resize(pos.size());
    const row_columns_t row{pos.data(), pos.size()};
    gather_row(row, first.data(), first_cells.data());
    gather_row(row, second.data(), second_cells.data());
}

// dst[column[k]] = src[k] for the cells of one row.
template <typename T>
void scatter_row(const row_columns_t& row, const T* src, T* dst) {
    if (!long_stretches(row)) {
        for (std::size_t k = 0; k < row.size; ++k) dst[row.column[k]] = src[k];
        return;
    }
    for (std::size_t k = 0; k < row.size;) {
        const std::size_t end = consecutive_run(row.column, k, row.size);
        std::copy(src + k, src + end, dst + row.column[k]);
        k = end;
    }
}

}  // namespace vek::ofdm_demod_lib::detail
