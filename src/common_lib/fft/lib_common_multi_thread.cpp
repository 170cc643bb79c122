#include "vek/common_lib/fft/lib_common_multi_thread.hpp"

#include <thread>

namespace vek::common_lib {

std::uint32_t lib_common_multi_thread_t::get_default_thread_number()
{
    return get_thread_number_for_hardware(std::thread::hardware_concurrency());
}

std::uint32_t lib_common_multi_thread_t::get_thread_number_for_hardware(std::uint32_t hardware_threads)
{
    if (hardware_threads == 0u) return 6u;   // platform cannot tell: a typical workstation
    if (hardware_threads <= 2u) return 1u;   // no spare core: the pool would only add overhead
    if (hardware_threads <= 18u) return hardware_threads - 2u;
    return 16u;                              // beyond this the transform is memory bound
}

}  // namespace vek::common_lib
