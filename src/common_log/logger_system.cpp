#include "common_log/logger_system.hpp"

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace common_log {

struct logger_system_t::impl_t {
    mutable std::mutex mutex;
    bool initialized = false;
    logger_config_t config;
    std::vector<spdlog::sink_ptr> sinks;
    std::map<std::string, std::shared_ptr<spdlog::logger>> loggers;

    static spdlog::level::level_enum to_spdlog(std::int32_t level) {
        if (level <= LOG_LEVEL_TRACE) return spdlog::level::trace;
        if (level >= LOG_LEVEL_OFF) return spdlog::level::off;
        return static_cast<spdlog::level::level_enum>(level);
    }

    std::shared_ptr<spdlog::logger> logger_for(const std::string& name) {
        auto it = loggers.find(name);
        if (it != loggers.end()) return it->second;
        // Bounded: a host that invents logger names cannot grow the table without limit.
        if (config.max_loggers > 0 && loggers.size() >= static_cast<std::size_t>(config.max_loggers)) {
            return nullptr;
        }
        auto logger = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
        logger->set_level(spdlog::level::trace);
        logger->flush_on(to_spdlog(config.flush_level));
        loggers.emplace(name, logger);
        return logger;
    }

    void close() {
        for (auto& [name, logger] : loggers) logger->flush();
        loggers.clear();
        for (auto& sink : sinks) sink->flush();
        sinks.clear();
        initialized = false;
    }
};

logger_system_t::logger_system_t() : m_impl(std::make_unique<impl_t>()) {}
logger_system_t::~logger_system_t() = default;

logger_system_t& logger_system_t::get_instance() {
    static logger_system_t instance;
    return instance;
}

bool logger_system_t::init(const logger_config_t& config) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->close();
    m_impl->config = config;
    try {
        std::vector<spdlog::sink_ptr> sinks;
        if (config.console_enabled) {
            // The console sink writes to standard error: standard output carries only the
            // library's report lines, which hosts parse.
            auto console = std::make_shared<spdlog::sinks::stderr_color_sink_mt>(
                config.console_color ? spdlog::color_mode::automatic : spdlog::color_mode::never);
            console->set_pattern(config.console_pattern);
            console->set_level(impl_t::to_spdlog(config.console_level));
            sinks.push_back(console);
        }
        if (config.file_enabled) {
            std::filesystem::create_directories(config.log_directory);
            const auto path = std::filesystem::path(config.log_directory) / config.app_log_file_name;
            auto file = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
                path.string(), static_cast<std::size_t>(config.app_max_file_size_bytes),
                static_cast<std::size_t>(config.app_max_files));
            file->set_pattern(config.file_pattern);
            file->set_level(impl_t::to_spdlog(config.file_level));
            sinks.push_back(file);

            const auto startup_path = std::filesystem::path(config.log_directory) / config.startup_log_file_name;
            spdlog::sinks::rotating_file_sink_mt startup(
                startup_path.string(), static_cast<std::size_t>(config.startup_max_file_size_bytes),
                static_cast<std::size_t>(config.startup_max_files));
            startup.set_pattern(config.startup_pattern);
            startup.log(spdlog::details::log_msg("startup", spdlog::level::info,
                                                 "logger started, version " + config.version_label));
            startup.flush();
        }
        m_impl->sinks = std::move(sinks);
    } catch (const std::exception&) {
        m_impl->sinks.clear();
        return false;
    }
    m_impl->initialized = true;
    return true;
}

void logger_system_t::log_write(const std::string& logger_name, bool /*flag*/, log_level_t level,
                                const char* source_file, std::int32_t line, const char* function,
                                const std::string& message) {
    try {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        if (!m_impl->initialized) return;
        if (m_impl->config.callback) {
            m_impl->config.callback(log_record_t{logger_name, level, source_file ? source_file : "", line,
                                                 function ? function : "", message});
        }
        auto logger = m_impl->logger_for(logger_name);
        if (!logger) return;
        logger->log(spdlog::source_loc{source_file ? source_file : "", line, function ? function : ""},
                    impl_t::to_spdlog(level), message);
    } catch (...) {
        // A failing sink must never take the caller down; the record is lost.
    }
}

void logger_system_t::shutdown() {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->close();
}

bool logger_system_t::is_initialized() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->initialized;
}

}  // namespace common_log
