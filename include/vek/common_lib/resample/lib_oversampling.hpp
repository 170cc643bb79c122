#pragma once
// Integer rate increase without filtering, for building symbol-rate waveforms.
#include <complex>
#include <cstdint>
#include <vector>

namespace vek::common_lib {

enum lib_oversampling_method_t : std::uint32_t {
    LIB_OVERSAMPLING_INSERT_ZERO = 0,  // x[k] at k*U, zeros between
    LIB_OVERSAMPLING_HOLDER = 1,       // each sample repeated U times
    LIB_OVERSAMPLING_OFFSET = 2,       // I at k*U, Q at k*U + U/2 (offset modulation, U even)
};

class lib_oversampling_t {
public:
    using cvec_t = std::vector<std::complex<float>>;

    // Replaces data by its n*U-sample oversampled form; an unknown method leaves it unchanged.
    static void deal_oversampling(std::uint32_t ratio, cvec_t& data, lib_oversampling_method_t method);

    static bool _deal_insert_zero_oversampling(std::uint32_t ratio, cvec_t& data);
    static bool _deal_holder_oversampling(std::uint32_t ratio, cvec_t& data);
    static bool deal_offset_oversampling(std::uint32_t ratio, cvec_t& data);
};

}  // namespace vek::common_lib
