#pragma once
// The single place that calls the FFT library (FFTW3, single precision). Plans are created once
// per (length, direction, thread count, buffer alignment) and cached for the life of the process.
// Creation is serialised under a mutex because FFTW's planner is not thread-safe; execution needs
// no lock, since fftwf_execute_dft on the caller's own buffer is thread-safe.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vek::common_lib::pocket_fft_interface {

// How hard the planner searches for a fast algorithm. `estimate` (the default) decides without
// timing anything, taking the algorithms recorded in the wisdom compiled into the library where it
// knows the transform: the same plan, hence the same bits, in every process. `patient` times
// candidates; it is for recording that wisdom, not for measurements.
enum class plan_rigour_t { estimate, patient };

class lib_pocket_fft_plan_manager_t {
public:
    // Resizes data to `length` (appending zeros), then transforms it in place: forward unscaled,
    // inverse scaled by 1/length. A length below data's size reports and returns false with the
    // data unchanged; a zero length reports and returns false. thread_number 0 counts as 1.
    static bool deal_transform(std::uint32_t length, std::vector<std::complex<float>>& data, bool inverse,
                               std::uint32_t thread_number);

    // The transform of the `length` samples at input (left intact) into output, resized to length;
    // forward unscaled, inverse scaled by 1/length. A zero length reports and returns false.
    static bool deal_transform_from(std::uint32_t length, const std::complex<float>* input,
                                    std::vector<std::complex<float>>& output, bool inverse);

    // Number of plans cached so far (for tests and diagnostics).
    static std::size_t get_cached_plan_number();

    // Whether FFTW took the compiled-in wisdom (it refuses wisdom of another FFTW version or of
    // another set of SIMD codelets; plans are then FFTW's estimates, slower on some lengths).
    static bool shipped_wisdom_accepted();

    // Rigour of the plans created from now on; `patient` first forgets all wisdom, so that what
    // export_wisdom returns afterwards is the record of this process's own searches. Plans already
    // cached are kept.
    static void set_plan_rigour(plan_rigour_t rigour);

    // FFTW's wisdom text: the algorithms chosen for every transform planned so far.
    static std::string export_wisdom();
};

}  // namespace vek::common_lib::pocket_fft_interface
