#pragma once
// The argument of a complex number, rounded to single precision, without the double-precision
// atan2 call on the usual path.
#include <complex>
#include <cstddef>

namespace vek::common_lib::detail {

// float(atan2(y, x)) to the bit, for finite y and non-zero finite x: a short evaluation accurate
// far beyond single precision, with std::atan2 taken only where that evaluation lies so close to
// the midpoint between two floats that its residual error could decide the rounding.
float single_precision_atan2(double y, double x);

// atan(k / 4) for k = 0 ... 4: the centres of the evaluation's argument reduction, shared by
// every form of it so that all take the same values.
const double* atan2_estimate_centres();

// phase[i] = lib_common_math_t::get_complex_phase(z[i]) for i < n, four at a time on 256-bit
// registers where the processor has AVX (the same double operations per lane, the same rounding
// check, the scalar form for lanes that fail it or lie on an axis or are not finite); returns how
// many it formed: n there, 0 elsewhere (all of them left to the caller).
std::size_t complex_phases_wide(const std::complex<float>* z, float* phase, std::size_t n);

}  // namespace vek::common_lib::detail
