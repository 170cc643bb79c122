#pragma once
// The FFTW wisdom compiled into the library: the algorithms a patient, timed search chose for the
// transforms the presets run, recorded once by vek_gen_fft_wisdom (tools/fft_wisdom/) on the kind of
// processor the library is built for. Estimated plans take these algorithms instead of FFTW's
// heuristic guess, so they run faster and still never depend on the clock.
namespace vek::common_lib::pocket_fft_interface::detail {

const char* shipped_fft_wisdom();

}  // namespace vek::common_lib::pocket_fft_interface::detail
