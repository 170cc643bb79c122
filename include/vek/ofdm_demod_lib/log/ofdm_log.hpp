#pragma once
// The one way the demodulator and the configuration log. Every call site:
//   1. writes its short text (when it has one) as a report line on standard output,
//   2. formats the long message from its "{}" pattern with fmt,
//   3. hands it to the logging component under logger name "OFDM_LIB" with the call site's
//      source file (relative to the tree, no extension), line and bare function name.
// Steps 2 and 3 are skipped while no logger is configured (the component would drop the record):
// a demodulation run then composes none of its records.
// No exception leaves a log call: a bad pattern gives one line on standard error and nothing is
// logged; any other failure gives the "Log write failed" line.
#include <fmt/format.h>

#include <string>
#include <string_view>

#include "common_log/logger_system.hpp"

namespace vek::ofdm_demod_lib::detail {

inline constexpr const char* k_ofdm_logger_name = "OFDM_LIB";

// "/abs/tree/src/x/y.cpp" -> "src/x/y"; paths outside the tree keep their directories.
std::string source_path_without_extension(const char* file);

void write_report_line(std::string_view short_text);
void write_log_record(common_log::log_level_t level, const char* file, int line, const char* function,
                      const std::string& message);
void report_log_format_error(const char* file, int line, const char* what) noexcept;
void report_log_write_failed(const char* file, int line) noexcept;
// Whether the logging component is configured to take records.
bool log_records_wanted();

template <typename... Args>
void log_call(common_log::log_level_t level, std::string_view short_text, const char* file, int line,
              const char* function, std::string_view pattern, const Args&... args) noexcept {
    try {
        if (!short_text.empty()) write_report_line(short_text);
        if (!log_records_wanted()) return;
        std::string message;
        try {
            message = fmt::vformat(pattern, fmt::make_format_args(args...));
        } catch (const fmt::format_error& e) {
            report_log_format_error(file, line, e.what());
            return;
        }
        write_log_record(level, file, line, function, message);
    } catch (...) {
        report_log_write_failed(file, line);
    }
}

}  // namespace vek::ofdm_demod_lib::detail

// VEK_OFDM_LOG(level, short_text, pattern, args...): short_text may be "" when the site has none.
#define VEK_OFDM_LOG(level, short_text, ...) \
    ::vek::ofdm_demod_lib::detail::log_call(level, short_text, __FILE__, __LINE__, __func__, __VA_ARGS__)

#define VEK_OFDM_LOG_DEBUG(...) VEK_OFDM_LOG(::common_log::LOG_LEVEL_DEBUG, "", __VA_ARGS__)
#define VEK_OFDM_LOG_INFO(...) VEK_OFDM_LOG(::common_log::LOG_LEVEL_INFO, "", __VA_ARGS__)
#define VEK_OFDM_LOG_WARN(...) VEK_OFDM_LOG(::common_log::LOG_LEVEL_WARN, "", __VA_ARGS__)
// Rejections: the short text goes to standard output, the long one to the log at error level.
#define VEK_OFDM_LOG_ERROR(short_text, ...) VEK_OFDM_LOG(::common_log::LOG_LEVEL_ERROR, short_text, __VA_ARGS__)
