// Process entry of the test driver: start the logging component, run one demodulation, stop it.
//   vek_ofdm_demod_driver [--data-dir DIR] [--capture-dir DIR]
#include <string>
#include <string_view>

#include "common_log/logger_system.hpp"
#include "ofdm_demod_driver.hpp"
#include "vek/common_lib/report/report.hpp"

namespace {

common_log::logger_config_t driver_logger_config() {
    common_log::logger_config_t config;
    config.log_directory = "logs";
    config.app_log_file_name = "applog.txt";
    config.startup_log_file_name = "startup_log.txt";
    config.app_max_file_size_bytes = 1048576;
    config.app_max_files = 3;
    config.startup_max_file_size_bytes = 102400;
    config.startup_max_files = 10;
    config.console_level = 1;
    config.file_level = 2;
    config.flush_level = 2;
    config.daily_rotation_hour = 0;
    config.daily_rotation_minute = 0;
    config.console_pattern = "[%n] [%t] [%^%l%$] %v";
    config.file_pattern = "[%Y-%m-%d %H:%M:%S.%e]  [%t] [%l] [%n] %v (%s:%#)";
    config.startup_pattern = "%v";
    config.flush_interval_ms = 100;
    config.async_queue_size = 16384;
    config.async_thread_count = 1;
    config.async_enabled = false;
    config.daily_rotation_enabled = false;
    config.backtrace_size = 10;
    config.console_enabled = true;
    config.version_label = "undefined_version";
    config.max_loggers = 32;
    config.callback = nullptr;
    config.file_enabled = true;
    config.console_color = true;
    config.shutdown_timeout_ms = 30000;
    return config;
}

void print_usage() {
    vek::common_lib::report_line("usage: vek_ofdm_demod_driver [--data-dir DIR] [--capture-dir DIR]");
    vek::common_lib::report_line("  --data-dir DIR     reference data of the presets (default " +
                                 vek::ofdm_demod_lib::default_driver_data_dir() + ")");
    vek::common_lib::report_line("  --capture-dir DIR  captures to analyse (default " +
                                 vek::ofdm_demod_lib::default_driver_capture_dir() + ")");
}

}  // namespace

int main(int argc, char** argv) {
    std::string data_dir = vek::ofdm_demod_lib::default_driver_data_dir();
    std::string capture_dir = vek::ofdm_demod_lib::default_driver_capture_dir();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            print_usage();
            return 0;
        }
        if ((arg == "--data-dir" || arg == "--capture-dir") && i + 1 < argc) {
            (arg == "--data-dir" ? data_dir : capture_dir) = argv[++i];
            continue;
        }
        vek::common_lib::report_line("unknown or incomplete option: " + std::string(arg));
        print_usage();
        return 2;
    }

    auto& logger = common_log::logger_system_t::get_instance();
    logger.init(driver_logger_config());
    vek::ofdm_demod_lib::start_ofdm_demod(data_dir, capture_dir);
    common_log::logger_system_t::get_instance().shutdown();
    return 0;
}
