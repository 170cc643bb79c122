#pragma once
// The logging component: a process-wide logger system with four operations (get_instance, init,
// log_write, shutdown). It is a small layer on spdlog; nothing outside this component sees spdlog.
//
// Before init() (a host that never configures logging) log_write is safe and quiet: records are
// dropped. After shutdown() the same holds until the next init().
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace common_log {

// Numeric values are shared with callers that log by number: 1 debug, 2 info, 3 warn, 4 error.
enum log_level_t : std::int32_t {
    LOG_LEVEL_TRACE = 0,
    LOG_LEVEL_DEBUG = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_WARN = 3,
    LOG_LEVEL_ERROR = 4,
    LOG_LEVEL_CRITICAL = 5,
    LOG_LEVEL_OFF = 6,
};

// One record as handed to log_write; passed to the configured callback.
struct log_record_t {
    std::string logger_name;
    log_level_t level = LOG_LEVEL_INFO;
    std::string source_file;
    std::int32_t line = 0;
    std::string function;
    std::string message;
};

using log_callback_t = std::function<void(const log_record_t&)>;

// Configuration of the component, 28 fields in this order. Sizes are in bytes, times in the unit
// their name carries; levels are log_level_t values; patterns use spdlog's pattern flags.
struct logger_config_t {
    std::string log_directory = "logs";                 // 1: created when missing
    std::string app_log_file_name = "applog.txt";       // 2: rotating application log
    std::string startup_log_file_name = "startup_log.txt";  // 3: start-up/shutdown notes
    std::uint64_t app_max_file_size_bytes = 1048576;    // 4: rotate the application log past this
    std::uint64_t app_max_files = 3;                    // 5: rotated application logs kept
    std::uint64_t startup_max_file_size_bytes = 102400; // 6
    std::uint64_t startup_max_files = 10;               // 7
    std::int32_t console_level = 1;                     // 8: least level shown on the console
    std::int32_t file_level = 2;                        // 9: least level written to the file
    std::int32_t flush_level = 2;                       // 10: records at or above flush at once
    std::int32_t daily_rotation_hour = 0;               // 11: used when daily rotation is enabled
    std::int32_t daily_rotation_minute = 0;             // 12
    std::string console_pattern = "[%n] [%t] [%^%l%$] %v";                                    // 13
    std::string file_pattern = "[%Y-%m-%d %H:%M:%S.%e]  [%t] [%l] [%n] %v (%s:%#)";           // 14
    std::string startup_pattern = "%v";                 // 15
    std::uint64_t flush_interval_ms = 100;              // 16: periodic flush of the file sinks
    std::uint64_t async_queue_size = 16384;             // 17: reserved for an asynchronous mode
    std::int32_t async_thread_count = 1;                // 18: reserved for an asynchronous mode
    bool async_enabled = false;                         // 19: records are always written synchronously
    bool daily_rotation_enabled = false;                // 20
    std::uint64_t backtrace_size = 10;                  // 21: reserved
    bool console_enabled = true;                        // 22: console sink (standard error)
    std::string version_label = "undefined_version";    // 23: written to the start-up log
    std::int32_t max_loggers = 32;                      // 24: named loggers kept at once
    log_callback_t callback;                            // 25: called with every accepted record
    bool file_enabled = true;                           // 26: application log file sink
    bool console_color = true;                          // 27: colour the console level field
    std::int32_t shutdown_timeout_ms = 30000;           // 28: reserved for an asynchronous mode
};

class logger_system_t {
public:
    static logger_system_t& get_instance();

    // Configures the sinks; a second init replaces the first configuration. Returns false (and
    // stays quiet) when the sinks cannot be created, e.g. an unwritable directory.
    bool init(const logger_config_t& config);

    // Writes one record. Never throws; quiet before init().
    void log_write(const std::string& logger_name, bool flag, log_level_t level, const char* source_file,
                   std::int32_t line, const char* function, const std::string& message);

    // Flushes and closes the sinks; later records are dropped until the next init().
    void shutdown();

    bool is_initialized() const;

    logger_system_t(const logger_system_t&) = delete;
    logger_system_t& operator=(const logger_system_t&) = delete;

private:
    logger_system_t();
    ~logger_system_t();
    struct impl_t;
    std::unique_ptr<impl_t> m_impl;
};

}  // namespace common_log
