// The host-facing facade: forwards to the pipeline and follows the configuration's debug switch.
// The dumps are diagnostics: whatever happens while writing them (a missing directory, a full
// disk, even an allocation failure) must not change what the forwarding call returns.
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

#include "vek/ofdm_demod_lib/lib_ofdm_demod_common.hpp"

namespace vek::ofdm_demod_lib {

namespace {

template <typename dump_t>
void run_dump(dump_t dump) noexcept {
    try {
        dump();
    } catch (...) {
        // A dump that cannot complete is a lost diagnostic, not a failed operation.
    }
}

}  // namespace

bool lib_ofdm_t::set_config_manager(const lib_ofdm_config_manager_t& config) {
    m_debug_en = config.get_debug_en();
    if (m_debug_en) {
        m_load_address = config.get_load_address();
        // Written before the pipeline decides, so a refused configuration can be inspected too.
        run_dump([&] { lib_ofdm_demod_common_t::write_ofdm_cfg_para_to_csv(config); });
    }
    return set_ofdm_demod_info(config);
}

bool lib_ofdm_t::set_input_data(const complex_vector_t& samples) {
    if (m_debug_en)
        run_dump([&] { lib_ofdm_demod_common_t::write_ofdm_cfg_input_data(samples, m_load_address); });
    return set_sample_data(samples);
}

bool lib_ofdm_t::process() {
    const bool processed = lib_ofdm_demod_t::process();
    // Also after a failed stage: the record then shows how far the run got.
    if (m_debug_en)
        run_dump([&] {
            lib_ofdm_demod_common_t::save_ofdm_demod_result(get_ofdm_demod_result(), m_load_address);
        });
    return processed;
}

}  // namespace vek::ofdm_demod_lib
