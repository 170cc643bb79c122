// Square and cross QAM slicers. Each axis is decided on its own against the odd-integer ladder
// +-1u, +-3u, ... whose decision thresholds are the even multiples of the unit u = 1/sqrt(E),
// E being the mean energy of the odd-integer grid, so every constellation has unit mean power.
// Cross constellations (32, 128, 512 points) have no points in the grid's corners; their extra
// rules keep the decision inside the constellation.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

#include "lib_ofdm_slicer_decisions.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {
namespace slicer_detail {
namespace {

// One axis of a QAM grid: level[l] = l * u and threshold[k] = 2 (k + 1) u, each computed in
// double precision and rounded once, so a coordinate lying exactly on a threshold compares equal.
struct qam_axis_t {
    static constexpr int k_max_levels = 32;
    int max_level = 1;  // outermost odd level, sqrt(M) - 1 for square grids
    std::array<float, k_max_levels> level{};
    std::array<float, k_max_levels / 2> threshold{};

    qam_axis_t(double mean_energy, int outer_level) : max_level(outer_level) {
        const double root = std::sqrt(mean_energy);
        for (int l = 0; l <= outer_level; ++l) level[static_cast<std::size_t>(l)] = static_cast<float>(l / root);
        for (int k = 0; 2 * (k + 1) < outer_level + 1; ++k)
            threshold[static_cast<std::size_t>(k)] = static_cast<float>(2.0 * (k + 1) / root);
    }

    // Odd level magnitude (1, 3, ...) of a non-zero coordinate; ties go to the inner level.
    // The thresholds ascend, so the first one at or above the magnitude is the count of those
    // below it: counted without branches, which noisy cells would mispredict.
    int decide_level(float coordinate) const {
        const float magnitude = std::fabs(coordinate);
        const int thresholds = (max_level - 1) / 2;
        int below = 0;
        for (int k = 0; k < thresholds; ++k) below += magnitude > threshold[static_cast<std::size_t>(k)] ? 1 : 0;
        return 2 * below + 1;
    }

    // Signed level: 0 exactly at the origin (and for a NaN coordinate, which has no side). The
    // side is taken arithmetically: noisy cells would mispredict a branch on it half the time.
    int decide_signed_level(float coordinate) const {
        const int side = static_cast<int>(coordinate > 0.0f) - static_cast<int>(coordinate < 0.0f);
        return side * decide_level(coordinate);
    }

    // Threshold 2k u, k = 1, 2, ...
    float even_multiple(int k) const { return threshold[static_cast<std::size_t>(k - 1)]; }

    float value(int signed_level) const {
        const float v = level[static_cast<std::size_t>(std::abs(signed_level))];
        // The sign applied arithmetically (no branch on it); level[0] is +0, so the origin stays
        // +0, and negative levels mirror exactly.
        return v * static_cast<float>(static_cast<int>(signed_level > 0) - static_cast<int>(signed_level < 0));
    }
};

const qam_axis_t& axis_16qam() { static const qam_axis_t a(10.0, 3); return a; }
const qam_axis_t& axis_32qam() { static const qam_axis_t a(20.0, 5); return a; }
const qam_axis_t& axis_64qam() { static const qam_axis_t a(42.0, 7); return a; }
const qam_axis_t& axis_128qam() { static const qam_axis_t a(82.0, 11); return a; }
const qam_axis_t& axis_256qam() { static const qam_axis_t a(170.0, 15); return a; }
const qam_axis_t& axis_512qam() { static const qam_axis_t a(330.0, 23); return a; }
const qam_axis_t& axis_1024qam() { static const qam_axis_t a(682.0, 31); return a; }

complex_t decide_square(const qam_axis_t& axis, float x, float y) {
    return complex_t(axis.value(axis.decide_signed_level(x)), axis.value(axis.decide_signed_level(y)));
}

int clamp_magnitude(int signed_level, int limit) {
    if (signed_level > limit) return limit;
    if (signed_level < -limit) return -limit;
    return signed_level;
}

// A run of square-QAM cells. Both parts of every cell are decided alike, so the run is one loop
// over its 2 count floats; the level is picked by a select per threshold instead of a table load
// (the thresholds ascend, so the last one passed names the level), which lets the loop vectorise.
// Per part the operations are those of decide_square followed by the scaling by g: the same
// quotient, the same level value times the same side, times g.
template <std::size_t... K>
float pick_level(float magnitude, const float* threshold, const float* level, std::index_sequence<K...>) {
    float v = level[0];
    ((v = magnitude > threshold[K] ? level[K + 1] : v), ...);  // written out, one select per threshold
    return v;
}

template <int Thresholds>
void square_qam_run(const qam_axis_t& axis, const complex_t* in, std::size_t count, float g, complex_t* out) {
    float threshold[Thresholds];
    float level[Thresholds + 1];
    for (int k = 0; k < Thresholds; ++k) threshold[k] = axis.threshold[static_cast<std::size_t>(k)];
    for (int k = 0; k <= Thresholds; ++k) level[k] = axis.level[static_cast<std::size_t>(2 * k + 1)];
    const float* src = reinterpret_cast<const float*>(in);
    float* dst = reinterpret_cast<float*>(out);
    for (std::size_t i = 0; i < 2 * count; ++i) {
        const float c = src[i] / g;
        const float magnitude = std::fabs(c);
        const float v = pick_level(magnitude, threshold, level, std::make_index_sequence<Thresholds>());
        // v times the side (+1, -1, or 0 at the origin and for NaN), written as selects.
        float signed_v = c < 0.0f ? -v : 0.0f;
        signed_v = c > 0.0f ? v : signed_v;
        dst[i] = signed_v * g;
    }
}

template <const qam_axis_t& (*Axis)(), int Thresholds>
void square_run(const complex_t* in, std::size_t count, float g, complex_t* out) {
    square_qam_run<Thresholds>(Axis(), in, count, g, out);
}

}  // namespace

complex_t decide_16qam(float x, float y) { return decide_square(axis_16qam(), x, y); }
complex_t decide_64qam(float x, float y) { return decide_square(axis_64qam(), x, y); }
complex_t decide_256qam(float x, float y) { return decide_square(axis_256qam(), x, y); }
complex_t decide_1024qam(float x, float y) { return decide_square(axis_1024qam(), x, y); }

// 32-QAM is a 6 x 6 grid without its four corners: a cell beyond 4u on the real axis and 2u on
// the imaginary axis goes to the nearest remaining point (+-5, +-3).
complex_t decide_32qam(float x, float y) {
    const qam_axis_t& axis = axis_32qam();
    if (std::fabs(x) > axis.even_multiple(2) && std::fabs(y) > axis.even_multiple(1)) {
        const int li = x > 0.0f ? 5 : -5;
        const int lq = y > 0.0f ? 3 : -3;
        return complex_t(axis.value(li), axis.value(lq));
    }
    return decide_square(axis, x, y);
}

// 128-QAM: a 12 x 12 grid without 4 x 4 corners. Above 8u on the imaginary axis only the real
// levels up to 7 exist.
complex_t decide_128qam(float x, float y) {
    const qam_axis_t& axis = axis_128qam();
    int li = axis.decide_signed_level(x);
    if (std::fabs(y) > axis.even_multiple(4)) li = clamp_magnitude(li, 7);
    return complex_t(axis.value(li), axis.value(axis.decide_signed_level(y)));
}

// 512-QAM: a 24 x 24 grid without 8 x 8 corners. The real axis is limited to 15 above 16u on the
// imaginary axis; the imaginary axis is limited to 15 when the decided real level is outer.
complex_t decide_512qam(float x, float y) {
    const qam_axis_t& axis = axis_512qam();
    int li = axis.decide_signed_level(x);
    if (std::fabs(y) > axis.even_multiple(8)) li = clamp_magnitude(li, 15);
    int lq = axis.decide_signed_level(y);
    if (std::abs(li) > 16) lq = clamp_magnitude(lq, 15);
    return complex_t(axis.value(li), axis.value(lq));
}

// square_run's second argument: the decision thresholds per axis, sqrt(M) / 2 - 1.
slice_run_fn_t qam_run_slicer(int mod_level) {
    switch (mod_level) {
        case LIB_OFDM_MOD_LEVEL_16QAM:
            return square_run<axis_16qam, 1>;
        case LIB_OFDM_MOD_LEVEL_32QAM: return slice_run<decide_32qam>;
        case LIB_OFDM_MOD_LEVEL_64QAM:
            return square_run<axis_64qam, 3>;
        case LIB_OFDM_MOD_LEVEL_128QAM: return slice_run<decide_128qam>;
        case LIB_OFDM_MOD_LEVEL_256QAM:
            return square_run<axis_256qam, 7>;
        case LIB_OFDM_MOD_LEVEL_512QAM: return slice_run<decide_512qam>;
        case LIB_OFDM_MOD_LEVEL_1024QAM:
            return square_run<axis_1024qam, 15>;
        default: return nullptr;
    }
}

}  // namespace slicer_detail

using namespace slicer_detail;

void lib_ofdm_demod_common_t::re_16qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, square_run<axis_16qam, 1>, out);
}
void lib_ofdm_demod_common_t::re_32qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_32qam>, out);
}
void lib_ofdm_demod_common_t::re_64qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, square_run<axis_64qam, 3>, out);
}
void lib_ofdm_demod_common_t::re_128qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_128qam>, out);
}
void lib_ofdm_demod_common_t::re_256qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, square_run<axis_256qam, 7>, out);
}
void lib_ofdm_demod_common_t::re_512qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, slice_run<decide_512qam>, out);
}
void lib_ofdm_demod_common_t::re_1024qam(const complex_vector_t& in, int n, float g, complex_vector_t& out) {
    slice_cells(in, n, g, square_run<axis_1024qam, 15>, out);
}

}  // namespace vek::ofdm_demod_lib
