// Standard output of the tool. The library writes its chatter through the same report function as
// the tool, so the sink tells them apart by a flag that cli_print raises around its own lines.
#include <iostream>

#include "cli_common.hpp"
#include "vek/common_lib/report/report.hpp"

namespace vek::ofdm_demod_cli {
namespace {

// Only touched on the calling thread: the tool is single-threaded.
bool g_tool_line = false;

}  // namespace

void cli_print(std::string_view line) {
    g_tool_line = true;
    vek::common_lib::report_line(line);
    g_tool_line = false;
}

void cli_install_report_sink(bool verbose) {
    if (verbose) {
        vek::common_lib::set_report_sink({});  // everything to standard output
        return;
    }
    vek::common_lib::set_report_sink([](std::string_view line) {
        if (g_tool_line) std::cout << line << '\n';
    });
}

void cli_warn(std::string_view line) { std::cerr << line << '\n'; }

}  // namespace vek::ofdm_demod_cli
