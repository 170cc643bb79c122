// The test driver's demodulation run. Every line goes to standard output through report_line;
// the texts are what the analyser's test scripts look for.
#include "ofdm_demod_driver.hpp"

#include <sstream>

#include "vek/common_lib/report/report.hpp"
#include "vek/common_lib/test_io/lib_test.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"

#ifndef VEK_DRIVER_CAPTURE_DIR
#define VEK_DRIVER_CAPTURE_DIR "captures"
#endif

namespace vek::ofdm_demod_lib {

namespace {

using common_lib::report_line;

// Default stream formatting (six significant digits), as the printed results always had.
template <typename... parts_t>
void print_line(const parts_t&... parts) {
    std::ostringstream line;
    (line << ... << parts);
    report_line(line.str());
}

}  // namespace

std::string default_driver_data_dir() { return VEK_DEFAULT_DATA_DIR; }
std::string default_driver_capture_dir() { return VEK_DRIVER_CAPTURE_DIR; }

std::string driver_capture_path(lib_ofdm_standard_type_t standard, const std::string& capture_dir) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL:
            return capture_dir + "/LTE-DL-838Hz.csv";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL:
            return capture_dir + "/lteUL/SampleData_7680kHz";
        case LIB_OFDM_STANDARD_TYPE_WIFI:
        default:
            return capture_dir + "/input_data522";
    }
}

void _load_input_file(complex_vector_t& samples, lib_ofdm_standard_type_t standard) {
    _load_input_file(samples, standard, default_driver_capture_dir());
}

void _load_input_file(complex_vector_t& samples, lib_ofdm_standard_type_t standard,
                      const std::string& capture_dir) {
    const std::string path = driver_capture_path(standard, capture_dir);
    common_lib::lib_test_iq_read_options_t options;
    options.pad_odd_count = true;
    common_lib::lib_test_iq_file_t capture;
    std::string error;
    if (!common_lib::lib_test_t::read_iq_data_for_vsa(path, capture, error, options)) {
        if (error.rfind(path + ": cannot open", 0) == 0) {
            report_line("Open IQ_DATA_FILE file error.");
            report_line("Capture file missing: " + path +
                        " (build the captures target, or pass --capture-dir DIR)");
        } else {
            report_line("Capture file unusable: " + error);
        }
        return;
    }
    if (capture.truncated) report_line("Too many data, input sample_data fail!");
    samples = std::move(capture.samples);
}

bool _set_cfg_para(cfg_ofdm_t& cfg) {
    cfg.set_standard(LIB_OFDM_STANDARD_TYPE_WIFI);
    cfg.generate_resource_map();
    cfg.generate_resource_mod_map();
    cfg.generate_ref_resource_data_vct();
    return cfg.set_debug_en(true);
}

void start_ofdm_demod() { start_ofdm_demod(default_driver_data_dir(), default_driver_capture_dir()); }

void start_ofdm_demod(const std::string& data_dir, const std::string& capture_dir) {
    cfg_ofdm_t cfg;
    lib_ofdm_t demod;
    cfg.set_load_address(data_dir);
    const cfg_ofdm_t copy = cfg;
    report_line(copy.get_load_address());
    report_line("@ Start OFDM demod software process...");

    cfg.set_standard(LIB_OFDM_STANDARD_TYPE_LTE_DL);
    cfg.set_debug_en(true);
    print_line("This is ", 0, " and fft_length is ", cfg.get_fft_length());

    print_line(cfg.generate_resource_map() ? 1 : 0);
    print_line(cfg.generate_resource_mod_map() ? 1 : 0);
    print_line(cfg.generate_ref_resource_data_vct() ? 1 : 0);
    cfg.set_debug_en(true);
    report_line(" End cfg ");

    if (!demod.set_config_manager(cfg.get_config_manager())) {
        report_line(" lib set_config_manager fail");
        return;
    }
    complex_vector_t samples;
    _load_input_file(samples, cfg.get_standard(), capture_dir);
    print_line("input data num is ", samples.size());
    if (!demod.set_input_data(samples)) {
        report_line(" lib set_input_data fail");
        return;
    }
    print_line(cfg.get_analy_symbol_num());
    if (!demod.process()) {
        report_line(" lib process fail");
        return;
    }
    if (!cfg.get_config_manager().get_debug_en()) {
        report_line("@ Not save result END");
        return;
    }
    report_line("@ Save result END");
    print_line("down_sampling_rate is ", cfg.get_downsampling_ratio());
    print_line("m_evm_rms is ", demod.get_result_evm_rms());
    print_line("m_evm_max is ", demod.get_result_evm_max());
    print_line("m_preamble_evm_rms is ", demod.get_result_rms_evm_preamble());
    print_line("m_freq_error_est is ", demod.get_result_freq_error_est());
    print_line("m_ofdm_sync_corr is ", demod.get_result_sync_corr());
    print_line("m_preamble_sinr is ", demod.get_result_preamble_sinr());
    print_line("m_pilot_sinr is ", demod.get_result_pilot_sinr());
    print_line("m_payload_sinr is ", demod.get_result_payload_sinr());
    print_line("m_snr_mer is ", demod.get_result_snr_mer());
    print_line("size is ", demod.get_result_preamble_sample_data().size());
    print_line(cfg.get_system_sample_rate());
    print_line(cfg.get_sample_rate());
    report_line("\n\n");
}

}  // namespace vek::ofdm_demod_lib
