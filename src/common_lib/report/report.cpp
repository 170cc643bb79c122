#include "vek/common_lib/report/report.hpp"

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

}  // namespace

void report_line(std::string_view text) {
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

report_capture_t::report_capture_t()
    : m_previous(set_report_sink([this](std::string_view line) {
          m_text.append(line);
          m_text.push_back('\n');
      })) {}

report_capture_t::~report_capture_t() { set_report_sink(std::move(m_previous)); }

}  // namespace vek::common_lib
