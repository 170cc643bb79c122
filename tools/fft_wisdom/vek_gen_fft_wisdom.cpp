// vek_gen_fft_wisdom <out_file>: records the FFT algorithms for the transforms the presets run and
// writes them as the library's compiled-in wisdom (src/common_lib/fft/fftw_wisdom.inc).
//
// Every transform of a whole analysis of each benchmark capture (one frame of each preset, the LTE
// downlink frame also delivered at 30.72 MS/s and repeated four times) is planned with FFTW's
// patient, timed search; the text FFTW exports afterwards names the chosen algorithm of each
// transform and of its sub-transforms. It is specific to the FFTW version and to the SIMD codelets
// this processor offers: run it on the kind of machine the library is deployed on. The search takes
// a few minutes (the 76,800-point downlink search span alone about two).
#include <cstdio>
#include <fstream>
#include <string>

#include "run_inputs.hpp"
#include "vek/common_lib/fft/lib_pocket_fft_plan_manager.hpp"
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

namespace {

using vek::common_lib::pocket_fft_interface::lib_pocket_fft_plan_manager_t;
using vek::common_lib::pocket_fft_interface::plan_rigour_t;

struct capture_case_t {
    const char* name;
    vek::ofdm_demod_lib::lib_ofdm_standard_type_t standard;
    int frames;
    double capture_rate_hz;
};

constexpr capture_case_t k_cases[] = {
    {"WLAN", vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_WIFI, 1, 0.0},
    {"LTE DL", vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_DL, 1, 0.0},
    {"LTE UL", vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_UL, 1, 0.0},
    {"LTE DL at 30.72 MS/s", vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_DL, 1, 30.72e6},
    {"LTE DL, four frames", vek::ofdm_demod_lib::LIB_OFDM_STANDARD_TYPE_LTE_DL, 4, 0.0},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: %s <out_file>\n  writes the FFT wisdom source (the project's copy is "
                     "src/common_lib/fft/fftw_wisdom.inc)\n",
                     argc > 0 ? argv[0] : "vek_gen_fft_wisdom");
        return 2;
    }
    lib_pocket_fft_plan_manager_t::set_plan_rigour(plan_rigour_t::patient);
    for (const capture_case_t& c : k_cases) {
        vek::common_lib::report_line(std::string("planning the transforms of ") + c.name);
        vek::bench::bench_input_t in = vek::bench::make_input(c.standard, c.frames, c.capture_rate_hz);
        if (!in.ok) {
            std::fprintf(stderr, "vek_gen_fft_wisdom: could not generate the %s capture\n", c.name);
            return 1;
        }
        vek::common_lib::report_silence_t quiet;
        vek::ofdm_demod_lib::lib_ofdm_t demod;
        demod.set_config_manager(in.config);
        if (!demod.set_input_data(in.capture) || !demod.process()) {
            std::fprintf(stderr, "vek_gen_fft_wisdom: the %s capture did not demodulate\n", c.name);
            return 1;
        }
    }
    const std::string wisdom = lib_pocket_fft_plan_manager_t::export_wisdom();
    std::ofstream out(argv[1], std::ios::binary);
    out << "// Written by vek_gen_fft_wisdom (tools/fft_wisdom/); regenerate rather than edit.\n"
        << "R\"wisdom(" << wisdom << ")wisdom\"\n";
    if (!out.flush()) {
        std::fprintf(stderr, "vek_gen_fft_wisdom: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
