#include <algorithm>

#include "vek/common_lib/fft/lib_common_multi_thread.hpp"
#include "vek/common_lib/fft/lib_fourier_transform.hpp"
#include "vek/common_lib/filter/lib_window_function.hpp"
#include "vek/common_lib/math/lib_normalization.hpp"

namespace vek::common_lib {

void lib_fourier_transform_t::calc_freq_spectrum(const cvec_t& input, cvec_t& output, bool normalize,
                                                 lib_window_type_t window_type)
{
    output = input;
    lib_window_function_t::apply_window_functon(output, window_type);
    const std::size_t n = output.size();
    if (n >= LIB_FOURIER_TRANSFROM_MULTI_THREAD_LENGTH_MIN && n <= LIB_FOURIER_TRANSFROM_DATA_LENGTH_MAX) {
        deal_multi_thread_fft(output, lib_common_multi_thread_t::get_default_thread_number(),
                              static_cast<std::uint32_t>(n));
    } else {
        _deal_fft(output, 0u, false);
    }
    fft_shift(output);
    if (normalize) lib_normalization_t::amplitude_max_normalize(output);
}

}  // namespace vek::common_lib
