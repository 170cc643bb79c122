#include "lib_fft_wisdom.hpp"

namespace vek::common_lib::pocket_fft_interface::detail {

const char* shipped_fft_wisdom()
{
    return
#include "fftw_wisdom.inc"
        ;
}

}  // namespace vek::common_lib::pocket_fft_interface::detail
