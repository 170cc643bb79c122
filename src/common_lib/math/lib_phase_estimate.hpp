#pragma once
// The argument of a complex number, rounded to single precision, without the double-precision
// atan2 call on the usual path.
namespace vek::common_lib::detail {

// float(atan2(y, x)) to the bit, for finite y and non-zero finite x: a short evaluation accurate
// far beyond single precision, with std::atan2 taken only where that evaluation lies so close to
// the midpoint between two floats that its residual error could decide the rounding.
float single_precision_atan2(double y, double x);

}  // namespace vek::common_lib::detail
