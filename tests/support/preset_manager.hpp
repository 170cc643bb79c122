#pragma once
// A configuration manager set to one of the presets, reading the source tree's data/; the preset
// banner is kept off standard output.
#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"

namespace vek::test {

inline ofdm_demod_lib::lib_ofdm_config_manager_t preset_manager(ofdm_demod_lib::lib_ofdm_standard_type_t standard) {
    vek::common_lib::report_capture_t quiet;
    ofdm_demod_lib::lib_ofdm_config_manager_t m;
    m.set_load_address(VEK_TEST_DATA_DIR);
    m.set_standard(standard);
    return m;
}

}  // namespace vek::test
