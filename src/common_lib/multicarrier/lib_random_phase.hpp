#pragma once
// Random initial phases of the test-signal builders, drawn from the C library's generator (the
// builders seed it with the current time, so every signal gets fresh phases).
#include <cmath>
#include <cstdlib>

namespace vek::common_lib {

// Phase in radians in [0, 6.282], with a resolution of 1 mrad.
inline double draw_random_phase() { return std::fmod(static_cast<double>(std::rand()), 6283.0) / 1000.0; }

}  // namespace vek::common_lib
