#pragma once
// The one path by which the library writes lines meant for a person watching standard output:
// rejection notices, stage outcomes, toolkit "Report" lines, the preset banner. A host or a test
// replaces the sink to capture or silence them; the default writes to std::cout.
#include <functional>
#include <string>
#include <string_view>

namespace vek::common_lib {

using report_sink_t = std::function<void(std::string_view line)>;

// Writes one line (the text followed by an end of line) to the current sink.
void report_line(std::string_view text);

// Replaces the sink; an empty function restores standard output. Returns the previous sink.
report_sink_t set_report_sink(report_sink_t sink);

// While silenced, reported lines go nowhere, whatever the sink. A producer whose line costs
// something to compose (the stage lines read the processor-time clock, a system call) asks
// reports_wanted() first and skips it. Returns the previous setting.
bool silence_reports(bool silenced);
bool reports_wanted();

// Silences the reports while it lives, then restores the previous setting.
class report_silence_t {
public:
    report_silence_t() : m_was_silenced(silence_reports(true)) {}
    ~report_silence_t() { silence_reports(m_was_silenced); }
    report_silence_t(const report_silence_t&) = delete;
    report_silence_t& operator=(const report_silence_t&) = delete;

private:
    bool m_was_silenced;
};

// Collects every reported line while it lives, then restores the previous sink.
class report_capture_t {
public:
    report_capture_t();
    ~report_capture_t();
    report_capture_t(const report_capture_t&) = delete;
    report_capture_t& operator=(const report_capture_t&) = delete;

    const std::string& text() const { return m_text; }  // every line, each ending in '\n'
    bool contains(std::string_view needle) const { return m_text.find(needle) != std::string::npos; }
    void clear() { m_text.clear(); }

private:
    std::string m_text;
    report_sink_t m_previous;
};

}  // namespace vek::common_lib
