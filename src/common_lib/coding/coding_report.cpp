#include "coding_report.hpp"

#include <string>

#include "vek/common_lib/report/report.hpp"

namespace vek::common_lib::coding_detail {
namespace {

void report_two_lines(std::string_view prefix, std::string_view message, int line, std::string_view source) {
    std::string first(prefix);
    first += message;
    report_line(first);
    std::string second = "From line ";
    second += std::to_string(line);
    second += " in file ";
    second += source;
    report_line(second);
}

}  // namespace

void report_error(std::string_view message, int line, std::string_view source) {
    report_two_lines("Error : ", message, line, source);
}

void report_caution(std::string_view message, int line, std::string_view source) {
    report_two_lines("Caution : ", message, line, source);
}

}  // namespace vek::common_lib::coding_detail
