// The pipeline driver: reset, configuration acceptance, the running flag and the stage sequence.
#include "vek/ofdm_demod_lib/demod/lib_ofdm_demod.hpp"

#include <ctime>
#include <sstream>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

namespace vek::ofdm_demod_lib {
namespace {

// A buffer reset to exactly one element: the stages index element 0 of several buffers before
// they have been filled, so "empty" means one zero here.
template <typename vector_t>
void reset_to_one(vector_t& v) {
    v.resize(1);
    v[0] = typename vector_t::value_type{};
}

void reset_grid_to_one_row(cell_grid_t& grid) {
    grid.resize(1);
}

// Processor time used so far, in seconds, as the stage lines print it.
std::string processor_seconds() {
    const float seconds = static_cast<float>(static_cast<double>(std::clock()) / CLOCKS_PER_SEC);
    std::ostringstream text;
    text << static_cast<double>(seconds);
    return text.str();
}

}  // namespace

lib_ofdm_demod_t::lib_ofdm_demod_t() { init(); }

void lib_ofdm_demod_t::init() {
    reset_to_one(m_preamble_ref_seq);
    reset_to_one(m_pilot_ref_seq);
    reset_to_one(m_sample_data);
    reset_to_one(m_sync_ref);
    reset_to_one(m_channel_coef);
    reset_grid_to_one_row(m_ref_freq_data);
    reset_grid_to_one_row(m_ref_time_sym);
    reset_grid_to_one_row(m_symbol_freq_data);
    reset_grid_to_one_row(m_symbol_time_data);
    reset_to_one(m_sync_sym_index);
    reset_to_one(m_channel_est_sym_index);
    m_meas_symbol_index.clear();
    m_ref_time_frame.clear();
    m_sample_data_len = 0;
    m_search_len = 0;
    m_preamble_sym_num = 0;
    m_pilot_sym_num = 0;
    m_payload_sym_num = 0;
    m_sync_start_sym = 0;
    m_ref_len = 0;
    m_sync_ref_len = 0;
    m_ofdm_frame_dly = 0;
    m_fine_search_len = 0;
    m_pending_rotation_rad = 0.0;
    m_frame_origin = 0;
    m_dly_est = 0.0f;
    m_time_offset = 0.0f;
    m_freq_error_est = 0.0f;
    m_meas_count = 0;
    m_config_manager.init();
    m_reference_cache = reference_cache_t{};

    m_result = lib_ofdm_result_t{};
    for (complex_vector_t* v : {&m_result.m_preamble_sample_data, &m_result.m_preamble_ref_iq,
                                &m_result.m_pilot_sample_iq, &m_result.m_pilot_ref_iq, &m_result.m_payload_sample_sym,
                                &m_result.m_data_ref}) {
        reset_to_one(*v);
    }
}

bool lib_ofdm_demod_t::set_ofdm_demod_info(const lib_ofdm_config_manager_t& config) {
    if (m_is_running) {
        VEK_OFDM_LOG_ERROR("ofdm demod still running", "ofdm demod still running");
        return false;
    }
    m_is_config_ready = false;
    m_reference_cache = reference_cache_t{};
    m_config_manager = config;
    // The pipeline's copy holds grid columns (subcarrier + F/2) instead of centred subcarriers.
    std::vector<lib_ofdm_res_info_t> entries = config.get_resource_mapping_vct();
    const int half = m_config_manager.get_fft_length() / 2;
    for (lib_ofdm_res_info_t& entry : entries) {
        for (std::vector<int>& group : entry.subcarrier_set) {
            for (int& subcarrier : group) subcarrier += half;
        }
    }
    m_config_manager.set_resource_mapping_vct(entries);
    m_is_config_ready = true;
    return true;
}

bool lib_ofdm_demod_t::set_is_running(bool running) {
    m_is_running = running;
    common_lib::report_line(std::string(" reset running is ") + (running ? "1" : "0"));
    return true;
}

bool lib_ofdm_demod_t::_deal_ofdm_parameter_init() {
    _init_load_file_filter();
    return _init_reference_waveforms();
}

bool lib_ofdm_demod_t::process() {
    VEK_OFDM_LOG_INFO("OFDM_LIB START");
    if (!m_is_config_ready || !m_is_data_ready || m_is_running) {
        VEK_OFDM_LOG(common_log::LOG_LEVEL_ERROR, "",
                     "OFDM is not ready : config is {}, and input_data is {}, running state is {}", m_is_config_ready,
                     m_is_data_ready, m_is_running);
        return false;
    }
    m_is_running = true;
    // A range-checked access that an inconsistent configuration reaches raises std::out_of_range,
    // which passes through to the host; the object must not stay marked as running after it.
    struct running_reset_t {
        bool& running;
        ~running_reset_t() { running = false; }
    } running_reset{m_is_running};

    using stage_t = bool (lib_ofdm_demod_t::*)();
    struct stage_entry_t {
        stage_t run;
        const char* name;
        void (lib_ofdm_demod_t::*silent_follow_up)();  // runs after the success line, no message
    };
    static const stage_entry_t stages[] = {
        {&lib_ofdm_demod_t::_deal_ofdm_parameter_init, "_deal_ofdm_parameter_init", nullptr},
        {&lib_ofdm_demod_t::_deal_ofdm_frame_sync, "_deal_ofdm_frame_sync", &lib_ofdm_demod_t::_deal_ofdm_channel_power},
        {&lib_ofdm_demod_t::_deal_ofdm_fine_delay, "_deal_ofdm_fine_delay",
         &lib_ofdm_demod_t::_deal_half_subcarrier_shift},
        {&lib_ofdm_demod_t::_deal_ofdm_cp_freq_error_estimate, "_deal_ofdm_freq_error_estimate", nullptr},
        {&lib_ofdm_demod_t::_deal_ofdm_fine_freq_error_estimate, "_deal_ofdm_fine_freq_error_estimate", nullptr},
        {&lib_ofdm_demod_t::_deal_ofdm_demod, "_deal_ofdm_demod", nullptr},
        {&lib_ofdm_demod_t::_deal_ofdm_channel_equilibria, "_deal_ofdm_channel_equilibria", nullptr},
        {&lib_ofdm_demod_t::_deal_ofdm_channel_tracking, "_deal_ofdm_channel_tracking", nullptr},
        {&lib_ofdm_demod_t::_deal_ofdm_evm_data, "_deal_ofdm_evm_data", nullptr},
    };
    for (const stage_entry_t& stage : stages) {
        if (!(this->*stage.run)()) {
            common_lib::report_line(std::string("Process ") + stage.name + " is fail");
            m_is_running = false;
            return false;
        }
        if (common_lib::reports_wanted())
            common_lib::report_line(std::string("Process ") + stage.name + " is success " + processor_seconds());
        if (stage.silent_follow_up) (this->*stage.silent_follow_up)();
    }
    m_is_running = false;
    VEK_OFDM_LOG_INFO("OFDM_LIB END");
    return true;
}

}  // namespace vek::ofdm_demod_lib
