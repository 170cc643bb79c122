// Writes the test driver's three captures, in the vector-signal-analysis text format it reads,
// from the reference transmitter and its impairment channel (seeded, so every build writes the
// same files):
//   <dir>/LTE-DL-838Hz.csv            LTE downlink frame, 838 Hz carrier offset, 35 dB SNR
//   <dir>/input_data522               WLAN 54 Mbit/s frame, 12 kHz carrier offset, 35 dB SNR
//   <dir>/lteUL/SampleData_7680kHz    LTE uplink frame at 7.68 MS/s, -420 Hz offset, 35 dB SNR
// Usage: vek_gen_driver_captures <dir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <locale>
#include <string>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

using namespace vek::ofdm_demod_lib;
namespace fs = std::filesystem;

namespace {

struct capture_spec_t {
    const char* file;
    lib_ofdm_standard_type_t standard;
    double offset_hz;
    std::uint32_t seed;
};

bool write_capture(const fs::path& dir, const capture_spec_t& spec) {
    lib_ofdm_config_manager_t cfg;
    cfg.set_load_address(VEK_DEFAULT_DATA_DIR);
    if (!cfg.set_standard(spec.standard)) return false;
    lib_ofdm_generated_frame_t frame;
    if (!lib_ofdm_frame_generator_t::generate_frame(cfg, spec.seed, frame)) return false;
    lib_ofdm_impairment_info_t info;
    info.idle_en = true;
    info.leading_idle_samples = 100;
    info.trailing_idle_samples = 300;
    info.freq_offset_en = true;
    info.freq_offset_hz = spec.offset_hz;
    info.noise_en = true;
    info.snr_db = 35.0f;
    info.noise_seed = spec.seed;
    lib_ofdm_capture_t capture;
    if (!lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, capture)) return false;

    const fs::path path = dir / spec.file;
    fs::create_directories(path.parent_path());
    // Written beside the target and renamed, so an interrupted build leaves no partial capture.
    const fs::path partial = path.string() + ".partial";
    {
        std::ofstream out(partial, std::ios::out | std::ios::trunc);
        out.imbue(std::locale::classic());
        vek::common_lib::lib_test_t::write_iq_data_for_vsa(out, capture.samples, capture.sample_rate_hz);
        if (!out.good()) return false;
    }
    fs::rename(partial, path);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vek_gen_driver_captures <dir>\n");
        return 2;
    }
    vek::common_lib::silence_reports(true);  // the preset banners
    const capture_spec_t captures[] = {
        {"LTE-DL-838Hz.csv", LIB_OFDM_STANDARD_TYPE_LTE_DL, 838.0, 838},
        {"input_data522", LIB_OFDM_STANDARD_TYPE_WIFI, 12000.0, 522},
        {"lteUL/SampleData_7680kHz", LIB_OFDM_STANDARD_TYPE_LTE_UL, -420.0, 7680},
    };
    for (const capture_spec_t& spec : captures) {
        try {
            if (!write_capture(argv[1], spec)) {
                std::fprintf(stderr, "vek_gen_driver_captures: cannot write %s/%s\n", argv[1], spec.file);
                return 1;
            }
        } catch (const fs::filesystem_error& e) {
            std::fprintf(stderr, "vek_gen_driver_captures: %s\n", e.what());
            return 1;
        }
    }
    return 0;
}
