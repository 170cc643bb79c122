#include "vek/ofdm_demod_lib/log/ofdm_log.hpp"

#include <cstdio>
#include <cstring>

#include "vek/common_lib/report/report.hpp"

#ifndef VEK_SOURCE_ROOT
#define VEK_SOURCE_ROOT ""
#endif

namespace vek::ofdm_demod_lib::detail {

std::string source_path_without_extension(const char* file) {
    std::string path = file ? file : "";
    const std::string root = VEK_SOURCE_ROOT;
    if (!root.empty() && path.compare(0, root.size(), root) == 0) path.erase(0, root.size());
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path;
}

void write_report_line(std::string_view short_text) { common_lib::report_line(short_text); }

bool log_records_wanted() { return common_log::logger_system_t::get_instance().is_initialized(); }

void write_log_record(common_log::log_level_t level, const char* file, int line, const char* function,
                      const std::string& message) {
    const std::string source = source_path_without_extension(file);
    common_log::logger_system_t::get_instance().log_write(k_ofdm_logger_name, false, level, source.c_str(),
                                                          line, function, message);
}

// The fallback lines go straight to standard error: the reporting path may be what failed.
void report_log_format_error(const char* file, int line, const char* what) noexcept {
    std::fprintf(stderr, "[%s:%d] Log format error: %s\n", file, line, what);
}

void report_log_write_failed(const char* file, int line) noexcept {
    std::fprintf(stderr, "[%s:%d] Log write failed (unknown error)\n", file, line);
}

}  // namespace vek::ofdm_demod_lib::detail
