#pragma once
#include <cstdint>

namespace vek::common_lib {

class lib_common_multi_thread_t {
public:
    // Worker count for the multi-thread transforms on this machine.
    static std::uint32_t get_default_thread_number();
    // The rule behind it, for a platform reporting hardware_threads (0 = unknown): 6 when
    // unknown, 1 for one or two threads, two fewer than reported for 3..18 (leaving room for the
    // caller and the acquisition), 16 from 19 up.
    static std::uint32_t get_thread_number_for_hardware(std::uint32_t hardware_threads);
};

}  // namespace vek::common_lib
