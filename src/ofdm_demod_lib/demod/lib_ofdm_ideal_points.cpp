// The ideal constellation points of every data modulation of a frame, scaled by the level factor
// g: the reference set a host draws under the measured payload cells. Each coordinate is
// (level / sqrt(E)) * g in double precision, rounded once to single precision, E being the mean
// energy of the odd-integer grid, so the points coincide with the slicers' decisions.
#include <cmath>
#include <set>

#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

namespace vek::ofdm_demod_lib {
namespace {

constexpr double k_inv_sqrt2 = 0.7071067811865475;

class point_writer_t {
public:
    point_writer_t(complex_vector_t& out, double g) : m_out(out), m_g(g) {}

    void add(double re, double im) {
        m_out.emplace_back(static_cast<float>(re * m_g), static_cast<float>(im * m_g));
    }
    // Odd-integer grid point (i, q) of a constellation with mean grid energy E.
    void add_grid(int i, int q, double root_energy) { add(i / root_energy, q / root_energy); }
    // Every (i, q), i the outer (real) loop, both over odd values.
    void add_rectangle(int max_i, int max_q, double root_energy) {
        for (int i = -max_i; i <= max_i; i += 2)
            for (int q = -max_q; q <= max_q; q += 2) add_grid(i, q, root_energy);
    }

private:
    complex_vector_t& m_out;
    double m_g;
};

void append_points(int code, point_writer_t& w) {
    const double a = k_inv_sqrt2;
    switch (code) {
    case LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4:
        w.add(a, a);
        w.add(-a, -a);
        break;
    case LIB_OFDM_MOD_LEVEL_BPSK:
        w.add(1.0, 0.0);
        w.add(-1.0, 0.0);
        break;
    case LIB_OFDM_MOD_LEVEL_QPSK:
        w.add(a, a);
        w.add(-a, a);
        w.add(a, -a);
        w.add(-a, -a);
        break;
    case LIB_OFDM_MOD_LEVEL_8DPSK:
        w.add(1.0, 0.0);
        w.add(-1.0, 0.0);
        w.add(0.0, 1.0);
        w.add(0.0, -1.0);
        w.add(a, a);
        w.add(-a, a);
        w.add(a, -a);
        w.add(-a, -a);
        break;
    case LIB_OFDM_MOD_LEVEL_16QAM:
        w.add_rectangle(3, 3, std::sqrt(10.0));
        break;
    case LIB_OFDM_MOD_LEVEL_32QAM: {
        const double r = std::sqrt(20.0);
        w.add_rectangle(3, 5, r);
        // The two outer columns hold only the four inner rows.
        static constexpr int k_outer[8][2] = {{5, 3}, {5, -3}, {5, 1}, {5, -1}, {-5, 1}, {-5, -1}, {-5, 3}, {-5, -3}};
        for (const auto& p : k_outer) w.add_grid(p[0], p[1], r);
        break;
    }
    case LIB_OFDM_MOD_LEVEL_64QAM:
        w.add_rectangle(7, 7, std::sqrt(42.0));
        break;
    case LIB_OFDM_MOD_LEVEL_128QAM: {
        const double r = std::sqrt(82.0);
        w.add_rectangle(11, 7, r);
        for (int i = -7; i <= 7; i += 2)
            for (int q : {-11, -9, 9, 11}) w.add_grid(i, q, r);
        break;
    }
    case LIB_OFDM_MOD_LEVEL_256QAM:
        w.add_rectangle(15, 15, std::sqrt(170.0));
        break;
    case LIB_OFDM_MOD_LEVEL_512QAM: {
        const double r = std::sqrt(330.0);
        w.add_rectangle(23, 15, r);
        for (int i = -15; i <= 15; i += 2)
            for (int q : {-23, -21, -19, -17, 17, 19, 21, 23}) w.add_grid(i, q, r);
        break;
    }
    case LIB_OFDM_MOD_LEVEL_1024QAM:
        w.add_rectangle(31, 31, std::sqrt(682.0));
        break;
    default:  // NONE and unknown codes carry no constellation
        break;
    }
}

}  // namespace

complex_vector_t lib_ofdm_demod_t::_deal_data_ref(const std::vector<lib_ofdm_res_info_t>& entries, float g) {
    std::set<int> codes;  // distinct, ascending
    for (const lib_ofdm_res_info_t& entry : entries) {
        if (entry.type == LIB_OFDM_RESOURCE_FLAG_DATA) codes.insert(static_cast<int>(entry.modulation));
    }
    complex_vector_t points;
    point_writer_t writer(points, static_cast<double>(g));
    for (int code : codes) append_points(code, writer);
    return points;
}

}  // namespace vek::ofdm_demod_lib
