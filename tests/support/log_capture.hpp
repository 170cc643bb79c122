#pragma once
// Test log sink: while alive, the logging component is initialised without console or file sinks
// and every record is collected.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "common_log/logger_system.hpp"

namespace vek::test {

class log_capture_t {
public:
    log_capture_t() {
        common_log::logger_config_t config;
        config.console_enabled = false;
        config.file_enabled = false;
        config.callback = [this](const common_log::log_record_t& record) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_records.push_back(record);
        };
        common_log::logger_system_t::get_instance().init(config);
    }
    ~log_capture_t() { common_log::logger_system_t::get_instance().shutdown(); }
    log_capture_t(const log_capture_t&) = delete;
    log_capture_t& operator=(const log_capture_t&) = delete;

    std::vector<common_log::log_record_t> records() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_records;
    }
    bool has_message(const std::string& message) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::any_of(m_records.begin(), m_records.end(),
                           [&](const common_log::log_record_t& r) { return r.message == message; });
    }
    std::string last_message() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_records.empty() ? std::string() : m_records.back().message;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_records.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<common_log::log_record_t> m_records;
};

}  // namespace vek::test
