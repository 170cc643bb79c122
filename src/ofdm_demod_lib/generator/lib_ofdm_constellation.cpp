#include "vek/ofdm_demod_lib/generator/lib_ofdm_constellation.hpp"

#include <cmath>

namespace vek::ofdm_demod_lib {

namespace {

// Appends (i, q) / sqrt(energy) for the odd i in [-i_max, i_max] (outer) and odd q in
// [-q_max, q_max] (inner); coordinates computed in double and rounded once.
void append_grid(int i_max, int q_max, double energy, complex_vector_t& points) {
    const double unit = 1.0 / std::sqrt(energy);
    for (int i = -i_max; i <= i_max; i += 2) {
        for (int q = -q_max; q <= q_max; q += 2) {
            points.emplace_back(static_cast<float>(i * unit), static_cast<float>(q * unit));
        }
    }
}

void append_point(int i, int q, double energy, complex_vector_t& points) {
    const double unit = 1.0 / std::sqrt(energy);
    points.emplace_back(static_cast<float>(i * unit), static_cast<float>(q * unit));
}

}  // namespace

void lib_ofdm_constellation_t::get_ideal_points(int mod_level, complex_vector_t& points) {
    points.clear();
    const float a = static_cast<float>(0.7071067811865475);
    switch (mod_level) {
    case LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4:
        points = {{a, a}, {-a, -a}};
        break;
    case LIB_OFDM_MOD_LEVEL_QPSK:
        points = {{a, a}, {-a, a}, {a, -a}, {-a, -a}};
        break;
    case LIB_OFDM_MOD_LEVEL_8DPSK:
        points = {{1.0f, 0.0f}, {-1.0f, 0.0f}, {0.0f, 1.0f}, {0.0f, -1.0f}, {a, a}, {-a, a}, {a, -a}, {-a, -a}};
        break;
    case LIB_OFDM_MOD_LEVEL_16QAM:
        append_grid(3, 3, 10.0, points);
        break;
    case LIB_OFDM_MOD_LEVEL_32QAM:
        // 6 x 6 grid without its four corners: the inner 4 x 6 block, then the outer columns.
        append_grid(3, 5, 20.0, points);
        for (const int q : {3, -3, 1, -1}) append_point(5, q, 20.0, points);
        for (const int q : {1, -1, 3, -3}) append_point(-5, q, 20.0, points);
        break;
    case LIB_OFDM_MOD_LEVEL_64QAM:
        append_grid(7, 7, 42.0, points);
        break;
    case LIB_OFDM_MOD_LEVEL_128QAM:
        // 12 x 12 grid without 2 x 2 blocks of 4 at each corner.
        append_grid(11, 7, 82.0, points);
        for (int i = -7; i <= 7; i += 2) {
            for (const int q : {-11, -9, 9, 11}) append_point(i, q, 82.0, points);
        }
        break;
    case LIB_OFDM_MOD_LEVEL_256QAM:
        append_grid(15, 15, 170.0, points);
        break;
    case LIB_OFDM_MOD_LEVEL_512QAM:
        append_grid(23, 15, 330.0, points);
        for (int i = -15; i <= 15; i += 2) {
            for (const int q : {-23, -21, -19, -17, 17, 19, 21, 23}) append_point(i, q, 330.0, points);
        }
        break;
    case LIB_OFDM_MOD_LEVEL_1024QAM:
        append_grid(31, 31, 682.0, points);
        break;
    default:  // BPSK and everything the receiver decides as BPSK
        points = {{1.0f, 0.0f}, {-1.0f, 0.0f}};
        break;
    }
}

}  // namespace vek::ofdm_demod_lib
