#pragma once
// Whether a stretch of samples is louder than a threshold, as mean_abs_pow(samples) > threshold_db
// decides it, at a fraction of the sequential sum's cost.
#include <cstddef>

#include "vek/ofdm_demod_lib/config/lib_ofdm_types.hpp"

namespace vek::ofdm_demod_lib::detail {

bool mean_power_exceeds(const complex_t* samples, std::size_t n, float threshold_db);

}  // namespace vek::ofdm_demod_lib::detail
