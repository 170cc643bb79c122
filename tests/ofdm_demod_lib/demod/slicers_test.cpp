// Hard-decision slicers: against a brute-force nearest-point search over independently built
// constellations, the tie and corner rules, and the dispatcher / per-cell wrapper behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "lib_ofdm_slicer_decisions.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"
#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {
namespace {

using common = lib_ofdm_demod_common_t;
using slicer_fn = void (*)(const complex_vector_t&, int, float, complex_vector_t&);

// Gives the tests the protected ideal point builder.
struct ideal_points_probe_t : lib_ofdm_demod_t {
    using lib_ofdm_demod_t::_deal_data_ref;
};

// Odd-integer grid points (i, q), |i|,|q| <= side - 1, without the corner squares of a cross
// constellation (both |i| and |q| above corner_from, 0 for square grids), scaled to unit mean
// power. Built here independently of the library's tables.
struct constellation_t {
    int code;
    complex_vector_t points;
    int corner_from;
    double unit;
};

constellation_t qam(int code, int side, int corner_from) {
    std::vector<std::pair<int, int>> grid;
    for (int i = -(side - 1); i <= side - 1; i += 2)
        for (int q = -(side - 1); q <= side - 1; q += 2)
            if (corner_from == 0 || std::abs(i) <= corner_from || std::abs(q) <= corner_from)
                grid.emplace_back(i, q);
    double energy = 0.0;
    for (const auto& [i, q] : grid) energy += i * i + q * q;
    constellation_t c{code, {}, corner_from, 1.0 / std::sqrt(energy / static_cast<double>(grid.size()))};
    for (const auto& [i, q] : grid)
        c.points.emplace_back(static_cast<float>(i * c.unit), static_cast<float>(q * c.unit));
    return c;
}

std::vector<constellation_t> all_qam() {
    return {qam(LIB_OFDM_MOD_LEVEL_16QAM, 4, 0),   qam(LIB_OFDM_MOD_LEVEL_32QAM, 6, 3),
            qam(LIB_OFDM_MOD_LEVEL_64QAM, 8, 0),   qam(LIB_OFDM_MOD_LEVEL_128QAM, 12, 7),
            qam(LIB_OFDM_MOD_LEVEL_256QAM, 16, 0), qam(LIB_OFDM_MOD_LEVEL_512QAM, 24, 15),
            qam(LIB_OFDM_MOD_LEVEL_1024QAM, 32, 0)};
}

complex_vector_t psk_points(int code) {
    const float a = 0.70710677f;
    switch (code) {
        case LIB_OFDM_MOD_LEVEL_BPSK_PI_DIV4:
            return {{a, a}, {-a, -a}};
        case LIB_OFDM_MOD_LEVEL_BPSK:
            return {{1.0f, 0.0f}, {-1.0f, 0.0f}};
        case LIB_OFDM_MOD_LEVEL_QPSK:
            return {{a, a}, {-a, a}, {a, -a}, {-a, -a}};
        default:
            return {};
    }
}

complex_t slice_one(int code, const complex_t& z, float g) {
    complex_vector_t out;
    common::demodulation({z}, 1, code, g, out);
    return out.at(0);
}

// The decision must be a constellation point (scaled by g) at the minimum distance, up to the
// rounding of the float thresholds.
void expect_nearest(int code, const complex_vector_t& unit_points, const complex_t& z, float g) {
    const complex_t decided = slice_one(code, z, g);
    float best = std::numeric_limits<float>::max(), to_point = best;
    for (const complex_t& p : unit_points) {
        best = std::min(best, std::norm(z - p * g));
        to_point = std::min(to_point, std::norm(decided - p * g));
    }
    constexpr float k_rounding_tolerance = 1e-5f;  // relative to g^2
    ASSERT_LE(to_point, k_rounding_tolerance * g * g) << "code " << code << " decided a non-point for " << z;
    ASSERT_LE(std::norm(z - decided), best + k_rounding_tolerance * g * g) << "code " << code << " z " << z;
}

TEST(SlicerNearestPoint, RandomCellsDecideToTheNearestPoint) {
    std::mt19937 rng(20261205);
    std::uniform_real_distribution<float> coord(-1.6f, 1.6f);
    for (float g : {1.0f, 0.37f, 2.5f}) {
        for (int code : {-1, 1, 2}) {
            for (int k = 0; k < 1000; ++k)
                expect_nearest(code, psk_points(code), {coord(rng) * g, coord(rng) * g}, g);
        }
        for (const constellation_t& c : all_qam()) {
            for (int k = 0; k < 3000; ++k) {
                const float x = coord(rng), y = coord(rng);
                // The corner rules of the cross constellations are not nearest-point decisions in
                // the corner squares (checked rule by rule below), but never decide a corner.
                const double corner = (c.corner_from + 1) * c.unit;
                if (c.corner_from == 0 || std::fabs(x) <= corner || std::fabs(y) <= corner) {
                    expect_nearest(c.code, c.points, {x * g, y * g}, g);
                    continue;
                }
                const complex_t d = slice_one(c.code, {x * g, y * g}, g) / g;
                const long i = std::lround(d.real() / c.unit), q = std::lround(d.imag() / c.unit);
                ASSERT_FALSE(std::abs(i) > c.corner_from && std::abs(q) > c.corner_from)
                    << c.code << " " << d;
            }
        }
    }
}

TEST(SlicerTies, ThresholdsGoInwardAndTheOriginStays) {
    // 16-QAM: 2u = 0.6324555 decides to 1u, on either side of the origin.
    const float u16 = 0.31622776f;
    EXPECT_EQ(slice_one(4, {0.6324555f, -0.6324555f}, 1.0f), complex_t(u16, -u16));
    EXPECT_EQ(slice_one(4, {0.6324556f, 0.0f}, 1.0f).real(), static_cast<float>(3.0 / std::sqrt(10.0)));
    const float g = 1.5f;
    const complex_t origin(0.0f, 0.0f);
    for (int code : {2, 4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(slice_one(code, origin, g), origin) << code;
    EXPECT_EQ(slice_one(1, origin, g), complex_t(-g, 0.0f));
    EXPECT_EQ(slice_one(-1, origin, g), complex_t(0.70710677f * g, 0.70710677f * g));
    // On the pi/4-BPSK decision line x + y = 0 the upper point wins.
    EXPECT_EQ(slice_one(-1, {0.25f, -0.25f}, 1.0f), complex_t(0.70710677f, 0.70710677f));
    // QPSK: one axis exactly 0 stays 0.
    EXPECT_EQ(slice_one(2, {0.0f, -0.4f}, 1.0f), complex_t(0.0f, -0.70710677f));
}

// 8DPSK (through the dispatcher) and 8PSK decide by strips of the real part, not by angle.
TEST(SlicerPhaseStrips, EightPhaseSlicersDecideByRealStrip) {
    const float a = 0.70710677f;
    const std::vector<std::pair<complex_t, complex_t>> dpsk = {
        {{0.35355338f, 0.1f}, {0.0f, 1.0f}}, {{0.3536f, 0.1f}, {a, a}}, {{0.8535534f, -0.2f}, {a, -a}},
        {{0.854f, 0.5f}, {1.0f, 0.0f}},      {{-0.36f, 0.2f}, {-a, a}}, {{0.0f, 0.0f}, {0.0f, -1.0f}},
    };
    for (const auto& [z, expected] : dpsk) EXPECT_EQ(slice_one(3, z, 1.0f), expected) << z;
    const float c = 0.9238795f;
    const float s = 0.38268343f;
    const std::vector<std::pair<complex_t, complex_t>> psk = {
        {{0.65328145f, 0.1f}, {s, c}}, {{0.6533f, -0.1f}, {c, -s}},  {{-0.66f, 0.3f}, {-c, s}},
        {{-0.01f, -2.0f}, {-s, -c}},   {{0.0f, 0.9f}, {0.0f, 0.0f}},  // the imaginary axis has no side
    };
    for (const auto& [z, expected] : psk) {
        complex_vector_t out;
        common::re_8psk({z}, 1, 1.0f, out);
        EXPECT_EQ(out.at(0), expected) << z;
    }
}

complex_t grid_point(int i, int q, double energy, float g) {
    return {static_cast<float>(i / std::sqrt(energy)) * g, static_cast<float>(q / std::sqrt(energy)) * g};
}

TEST(SlicerCornerRules, CrossConstellationsNeverDecideACorner) {
    const float g = 2.0f;
    // 32-QAM: deep in a corner square the rule still gives (+-5, +-3), even where (3, 5) is closer.
    EXPECT_EQ(slice_one(5, {-0.92f * g, 1.3f * g}, g), grid_point(-5, 3, 20, g));
    EXPECT_EQ(slice_one(5, {1.0f * g, 0.3f * g}, g), grid_point(5, 1, 20, g));
    // 128-QAM: above 8u on the imaginary axis the real level stops at 7.
    EXPECT_EQ(slice_one(7, {-1.15f * g, 0.9f * g}, g), grid_point(-7, 9, 82, g));
    EXPECT_EQ(slice_one(7, {-1.15f * g, 0.88f * g}, g), grid_point(-11, 7, 82, g));
    // 512-QAM: real limited to 15 above 16u; imaginary limited to 15 beside the outer columns.
    EXPECT_EQ(slice_one(9, {1.25f * g, -1.25f * g}, g), grid_point(15, -23, 330, g));
    EXPECT_EQ(slice_one(9, {-1.25f * g, 0.87f * g}, g), grid_point(-23, 15, 330, g));
}

TEST(SlicerFrame, CountsBoundsAndDispatch) {
    const complex_vector_t in = {{0.77f, 0.41f}, {-0.5f, 0.5f}};
    // Indexed by level + 1; a cell that every constellation decides differently tells them apart.
    const std::vector<slicer_fn> by_level = {common::re_bpsk_pi_div4, common::re_bpsk,   common::re_bpsk,
                                             common::re_qpsk,         common::re_8dpsk,  common::re_16qam,
                                             common::re_32qam,        common::re_64qam,  common::re_128qam,
                                             common::re_256qam,       common::re_512qam, common::re_1024qam};
    for (int level = -7; level <= 11; ++level) {
        const bool known = level >= -1 && level <= 10;
        const slicer_fn expected_fn = known ? by_level[static_cast<std::size_t>(level + 1)] : common::re_bpsk;
        complex_vector_t expected, got;
        expected_fn(in, 1, 1.3f, expected);
        common::demodulation(in, 1, level, 1.3f, got);
        EXPECT_EQ(got, expected) << level;
    }
    complex_vector_t out = {{9.0f, 9.0f}};
    common::re_32qam(in, 0, 1.0f, out);
    EXPECT_TRUE(out.empty());
    // Asking for more cells than exist decides the existing ones and then throws.
    EXPECT_THROW(common::re_32qam(in, 3, 1.0f, out), std::out_of_range);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_NE(out[1], complex_t(0.0f, 0.0f));
    EXPECT_EQ(out[2], complex_t(0.0f, 0.0f));
}

std::uint32_t bits(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The two neighbouring floats around every change of decision along the positive real axis.
std::vector<float> decision_edges(slicer_detail::decide_fn_t decide) {
    std::vector<float> edges;
    for (float x = 0.0f; x < 1.7f; x += 0.01f) {
        float lo = x;
        float hi = x + 0.01f;
        if (decide(lo, 0.5f) == decide(hi, 0.5f)) continue;
        for (;;) {
            const float mid = lo + (hi - lo) / 2.0f;
            if (mid <= lo || mid >= hi) break;
            (decide(mid, 0.5f) == decide(lo, 0.5f) ? lo : hi) = mid;
        }
        edges.push_back(lo);
        edges.push_back(hi);
    }
    return edges;
}

// The run slicers (whole vectors, and runs of a mixed-level vector) give, bit for bit, the
// per-cell decider's point scaled by g: on random cells, cells on the decision thresholds, signed
// zeros and NaN, for several g of both signs.
TEST(SlicerRuns, EqualThePerCellDecisionsBitForBit) {
    std::mt19937 rng(5150);
    std::uniform_real_distribution<float> coord(-1.7f, 1.7f);
    std::uniform_int_distribution<int> pick(0, 9);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float g : {1.0f, 0.37f, 2.5f, -1.3f}) {
        complex_vector_t in;
        std::vector<int> levels;
        for (int code = -1; code <= 10; ++code) {
            std::vector<float> edges = decision_edges(slicer_detail::decider_for_level(code));
            edges.insert(edges.end(), {0.0f, -0.0f, nan});
            for (int k = 0; k < 300; ++k) {
                float x = coord(rng), y = coord(rng);
                const int special = pick(rng);
                if (special < 3)
                    x = edges[static_cast<std::size_t>(k) % edges.size()] * (special == 0 ? -1.0f : 1.0f);
                if (special == 3) y = edges[static_cast<std::size_t>(k) % edges.size()];
                in.emplace_back(x * g, y * g);
                levels.push_back(code);
            }
        }
        // The mixed levels (-2), then one code for the whole vector: the single-pass path.
        for (int whole : {-2, 2, 4, 6, 8, 10}) {
            if (whole != -2) levels.assign(in.size(), whole);
            complex_vector_t out;
            common::get_refer_data(in, levels, g, out);
            ASSERT_EQ(out.size(), in.size());
            for (std::size_t i = 0; i < in.size(); ++i) {
                const complex_t p =
                    slicer_detail::decider_for_level(levels[i])(in[i].real() / g, in[i].imag() / g);
                ASSERT_EQ(bits(out[i].real()), bits(p.real() * g))
                    << "code " << levels[i] << " cell " << in[i];
                ASSERT_EQ(bits(out[i].imag()), bits(p.imag() * g))
                    << "code " << levels[i] << " cell " << in[i];
            }
        }
    }
}

TEST(SlicerReferData, UniformLevelsSliceTheWholeInputMixedLevelsPerCell) {
    const complex_vector_t in = {{0.9f, 0.2f}, {-0.1f, -0.95f}, {0.3f, 0.35f}, {-0.7f, 0.69f}, {1.1f, -1.2f}};
    complex_vector_t out, expected;
    common::get_refer_data(in, {4, 4, 4}, 1.0f, out);
    common::re_16qam(in, 5, 1.0f, expected);
    EXPECT_EQ(out, expected);  // all five cells, not three
    common::get_refer_data(in, {2, 4}, 1.0f, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], slice_one(2, in[0], 1.0f));
    EXPECT_EQ(out[1], slice_one(4, in[1], 1.0f));
    EXPECT_THROW(common::get_refer_data({{1.0f, 0.0f}}, {2, 4}, 1.0f, out), std::out_of_range);
}

TEST(IdealPoints, EachSetIsTheWholeUnitPowerConstellationAndSlicesToItself) {
    const std::vector<std::pair<int, std::size_t>> sizes = {
        {-1, 2}, {1, 2}, {2, 4}, {3, 8}, {4, 16}, {5, 32}, {6, 64}, {7, 128}, {8, 256}, {9, 512}, {10, 1024}};
    const std::vector<constellation_t> qams = all_qam();
    auto entry = [](lib_ofdm_mod_level_t level, lib_ofdm_resource_flag_t type = LIB_OFDM_RESOURCE_FLAG_DATA) {
        return lib_ofdm_res_info_t{"e", type, {{0}}, {{1}}, level, 1.0f};
    };
    for (const auto& [code, size] : sizes) {
        const complex_vector_t points =
            ideal_points_probe_t::_deal_data_ref({entry(static_cast<lib_ofdm_mod_level_t>(code))}, 1.0f);
        ASSERT_EQ(points.size(), size) << code;
        complex_vector_t out;  // every point slices to itself, corners of the cross sets included
        common::demodulation(points, static_cast<int>(size), code, 1.0f, out);
        EXPECT_EQ(out, points) << code;
        for (const constellation_t& c : qams) {
            if (c.code != code) continue;
            for (const complex_t& p : points)
                EXPECT_TRUE(std::any_of(c.points.begin(), c.points.end(),
                                        [&](complex_t q) { return std::abs(p - q) < 1e-6f; }))
                    << code << " " << p;
        }
    }
    // One set per data level, in code order whatever the entry order, scaled by g: QPSK, then
    // 16-QAM with the real part in the outer loop, then 32-QAM whose outer columns come last.
    const float g = 2.0f;
    const complex_vector_t points = ideal_points_probe_t::_deal_data_ref(
        {entry(LIB_OFDM_MOD_LEVEL_32QAM), entry(LIB_OFDM_MOD_LEVEL_16QAM),
         entry(LIB_OFDM_MOD_LEVEL_64QAM, LIB_OFDM_RESOURCE_FLAG_PILOT), entry(LIB_OFDM_MOD_LEVEL_QPSK),
         entry(LIB_OFDM_MOD_LEVEL_16QAM)},
        g);
    ASSERT_EQ(points.size(), 52u);
    const auto a = static_cast<float>(0.7071067811865475 * g);
    EXPECT_EQ(points[1], complex_t(-a, a));
    EXPECT_EQ(points[5], grid_point(-3, -1, 10, g));
    EXPECT_EQ(points[19], grid_point(3, 3, 10, g));
    EXPECT_EQ(points[20 + 24], grid_point(5, 3, 20, g));
    EXPECT_EQ(points[20 + 31], grid_point(-5, -3, 20, g));
}

}  // namespace
}  // namespace vek::ofdm_demod_lib
