#include "vek/common_lib/report/report.hpp"

#include <atomic>
#include <iostream>
#include <mutex>

namespace vek::common_lib {
namespace {

std::mutex& sink_mutex() {
    static std::mutex m;
    return m;
}

report_sink_t& current_sink() {
    static report_sink_t sink;
    return sink;
}

std::atomic<bool>& silenced_flag() {
    static std::atomic<bool> silenced{false};
    return silenced;
}

}  // namespace

void report_line(std::string_view text) {
    if (!reports_wanted()) return;
    std::lock_guard<std::mutex> lock(sink_mutex());
    const report_sink_t& sink = current_sink();
    if (sink) {
        sink(text);
        return;
    }
    std::cout << text << '\n';
}

report_sink_t set_report_sink(report_sink_t sink) {
    std::lock_guard<std::mutex> lock(sink_mutex());
    report_sink_t previous = std::move(current_sink());
    current_sink() = std::move(sink);
    return previous;
}

bool silence_reports(bool silenced) { return silenced_flag().exchange(silenced); }

bool reports_wanted() { return !silenced_flag().load(std::memory_order_relaxed); }

report_capture_t::report_capture_t()
    : m_previous(set_report_sink([this](std::string_view line) {
          m_text.append(line);
          m_text.push_back('\n');
      })) {}

report_capture_t::~report_capture_t() { set_report_sink(std::move(m_previous)); }

}  // namespace vek::common_lib
