#include "lib_phase_estimate.hpp"

#include <cmath>

#include "vek/common_lib/math/lib_common_math.hpp"

namespace vek::common_lib::detail {
namespace {

constexpr double k_pi = LIB_COMMON_MATH_PI;

// atan(k / 4) for k = 0 ... 4, the centres the argument is reduced around.
struct atan_nodes_t {
    double value[5];
    atan_nodes_t()
    {
        for (int k = 0; k < 5; ++k) value[k] = std::atan(static_cast<double>(k) / 4.0);
    }
};

const atan_nodes_t& nodes()
{
    static const atan_nodes_t table;
    return table;
}

// atan(u) for |u| <= 1/8 from its series to the u^17 term: the first term left out is below
// u^19 / 19, under 1e-17 of u; the sum's own rounding is a few units of the last place. The
// series in s = u^2 is evaluated in pairs of terms (Estrin's scheme), so the products do not wait
// on one another as in Horner's.
double atan_near_zero(double u)
{
    const double s = u * u;
    const double s2 = s * s;
    const double s4 = s2 * s2;
    const double p01 = 1.0 / 3.0 - s * (1.0 / 5.0);
    const double p23 = 1.0 / 7.0 - s * (1.0 / 9.0);
    const double p45 = 1.0 / 11.0 - s * (1.0 / 13.0);
    const double p67 = 1.0 / 15.0 - s * (1.0 / 17.0);
    const double p = (p01 + s2 * p23) + s4 * (p45 + s2 * p67);
    return u - u * s * p;
}

// atan2(y, x) within a few units of the last place of double precision (relative), for finite y
// and non-zero finite x. The smaller of |x|, |y| over the larger is r in [0, 1]; with c = k / 4
// the nearest of five centres, atan r = atan c + atan((r - c) / (1 + r c)), whose argument is at
// most 1/8; that argument is formed as (a - c b) / (b + c a) from the parts themselves, one
// division. Steep angles and the left half-plane follow by symmetry, the sign from y (so -0 and
// +0 keep theirs).
double atan2_estimate(double y, double x)
{
    const double ax = std::fabs(x);
    const double ay = std::fabs(y);
    const bool steep = ay > ax;
    const double a = steep ? ax : ay;
    const double b = steep ? ay : ax;
    // The centre nearest to a / b, chosen by exact comparisons of multiples (no division).
    const double a8 = 8.0 * a;
    const int k = a8 < b ? 0 : a8 < 3.0 * b ? 1 : a8 < 5.0 * b ? 2 : a8 < 7.0 * b ? 3 : 4;
    const double c = static_cast<double>(k) * 0.25;
    double theta = nodes().value[k] + atan_near_zero((a - c * b) / (b + c * a));
    if (steep) theta = k_pi / 2.0 - theta;
    if (x < 0.0) theta = k_pi - theta;
    return std::copysign(theta, y);
}

}  // namespace

const double* atan2_estimate_centres() { return nodes().value; }

float single_precision_atan2(double y, double x)
{
    const double estimate = atan2_estimate(y, x);
    // The estimate and the library's value both lie within 2^-40 (relative) of the true angle,
    // far inside it in fact: where every value in that interval rounds to the same float, so do
    // both.
    const double slack = std::fabs(estimate) * 0x1p-40;
    const auto low = static_cast<float>(estimate - slack);
    const auto high = static_cast<float>(estimate + slack);
    if (low == high) return low;
    return static_cast<float>(std::atan2(y, x));
}

}  // namespace vek::common_lib::detail
