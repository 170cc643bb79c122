#pragma once
// Captures from the reference transmitter through the impairment channel, demodulated through the
// facade only (set_config_manager -> set_input_data -> process -> getters).
#include <cmath>
#include <string>

#include "vek/common_lib/report/report.hpp"
#include "preset_manager.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

namespace vek::test {

using namespace vek::ofdm_demod_lib;

inline const char* standard_name(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "LTE_DL";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "LTE_UL";
        default: return "WLAN";
    }
}

// Idle samples around the frame so that the fractional delay and the sync search have room.
inline lib_ofdm_impairment_info_t idle_around(int leading, int trailing) {
    lib_ofdm_impairment_info_t info;
    info.idle_en = true;
    info.leading_idle_samples = leading;
    info.trailing_idle_samples = trailing;
    return info;
}

struct run_t {
    bool ok = false;
    lib_ofdm_generated_frame_t frame;
    lib_ofdm_capture_t capture;
};

// Generates, impairs and demodulates; the demodulator's chatter is silenced.
inline run_t run_capture(lib_ofdm_t& demod, const lib_ofdm_config_manager_t& cfg,
                         const lib_ofdm_impairment_info_t& info, std::uint32_t seed) {
    vek::common_lib::report_capture_t quiet;
    run_t run;
    if (!lib_ofdm_frame_generator_t::generate_frame(cfg, seed, run.frame)) return run;
    if (!lib_ofdm_impairment_channel_t::deal_impairments(info, run.frame, 0, run.capture)) return run;
    run.ok = demod.set_config_manager(cfg) && demod.set_input_data(run.capture.samples) && demod.process();
    return run;
}

inline double db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace vek::test
